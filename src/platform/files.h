#pragma once
// File system and clock queries.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pictorb {

inline constexpr int64_t kFileMissing = -1;
inline constexpr int64_t kFileIsFolder = -2;
inline constexpr int64_t kFileIsOther = -3;  // a FIFO, socket or device

// Size in bytes of a regular file; kFileMissing, kFileIsFolder or kFileIsOther otherwise.
int64_t QueryFileSize(const std::string& path);

// Which file a path names: two names of one file (links, "./a" and "a") have one identity.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

enum class FileKind { Missing, File, Folder, Link, Other };  // Other: FIFO, socket, device

// What `path` is, links followed (never Link), and which file it is.
FileKind QueryFileKind(const std::string& path, FileIdentity* identity = nullptr);

// A file opened for reading without ever waiting: a FIFO or a device among the inputs neither
// blocks the open nor becomes the controlling terminal, and is refused.
struct OpenedFile {
    int fd = -1;  // to be owned by the caller (FileDescriptor); -1 on failure
    uint64_t size = 0;
    bool notRegular = false;  // it exists but is no regular file
    int error = 0;            // the system's errno when it could not be opened
};
OpenedFile OpenRegularFile(const std::string& path);

std::string ProgramFolder();          // folder of /proc/self/exe, with trailing '/'
std::string ApplicationDataFolder();  // $XDG_CONFIG_HOME or $HOME/.config, with trailing '/'
std::string UserDataFolder();         // $XDG_DATA_HOME or $HOME/.local/share, with trailing '/'
std::string HomeFolder();     // $HOME or the user's home, with trailing '/'; empty when unknown
std::string CurrentFolder();  // the working folder, with trailing '/'; empty when unknown
bool CreateFolder(const std::string& path);  // true when it exists afterwards

// Writes `bytes` to a temporary file beside `path` and renames it over `path`; on failure
// the old file stays as it was and no temporary file remains.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);
// False for an existing file that may not be written: no write permission for this user,
// or no write bit at all (read-only by choice, also for root).
bool MayOverwriteFile(const std::string& path);
bool ReadWholeFile(const std::string& path, std::string& bytes);
// Reads standard input to its end; false on a read error.
bool ReadStandardInput(std::string& bytes);
// The system's text for an errno value ("No space left on device").
std::string SystemErrorText(int error);

// Reads the time zone (TZ) anew. The time functions below keep the zone read last (or at
// their first call) and never re-read it, so that threads may call them side by side: call
// this before such threads start.
void ReadTimeZone();
// "Local seconds": seconds since 1970-01-01 00:00:00 in local time.
int64_t NowLocalSeconds();
int64_t ModifiedTimeLocalSeconds(const std::string& path);  // -1 when unknown
bool SetModifiedTimeLocalSeconds(const std::string& path, int64_t localSeconds);

// True when `path` was last modified in an earlier second than `other` (whole seconds, as
// file times copied between files keep only those); false when either is missing.
bool ModifiedBefore(const std::string& path, const std::string& other);

struct LocalDateTime {
    int year, month, day, hour, minute, second;
};
LocalDateTime NowLocalDateTime();

// One entry of a folder listing. A symbolic link is reported as such (never followed), so
// a walk over folders cannot loop.
struct FolderEntry {
    std::string name;
    FileKind kind = FileKind::Other;
    FileKind target = FileKind::Other;  // for a link: what it leads to (Missing: nothing)
    FileIdentity identity;              // of the entry, or of a link's target
};
// The entries of `folder` but "." and "..", sorted by name (byte order); false with the
// system's reason in `error` when the folder cannot be read, also when it can be listed but
// not entered (read permission without search permission).
bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, std::string& error);

uint64_t PhysicalMemoryBytes();  // 0 when unknown
int OnlineCpuCount();            // at least 1

}  // namespace pictorb
