#pragma once
// File system and clock queries.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pictorb {

inline constexpr int64_t kFileMissing = -1;
inline constexpr int64_t kFileIsFolder = -2;

// Size in bytes of a regular file; kFileMissing or kFileIsFolder otherwise.
int64_t QueryFileSize(const std::string& path);

std::string ProgramFolder();          // folder of /proc/self/exe, with trailing '/'
std::string ApplicationDataFolder();  // $XDG_CONFIG_HOME or $HOME/.config, with trailing '/'
std::string UserDataFolder();         // $XDG_DATA_HOME or $HOME/.local/share, with trailing '/'
std::string HomeFolder();     // $HOME or the user's home, with trailing '/'; empty when unknown
std::string CurrentFolder();  // the working folder, with trailing '/'; empty when unknown
bool CreateFolder(const std::string& path);  // true when it exists afterwards

bool RemoveFile(const std::string& path);
// Renames `from` over `to`, replacing a read-only `to` as well.
bool ReplaceFile(const std::string& from, const std::string& to);
// Writes `bytes` to a temporary file beside `path` and renames it over `path`; on failure
// the old file stays as it was and no temporary file remains.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);
// False for an existing file that may not be written: no write permission for this user,
// or no write bit at all (read-only by choice, also for root).
bool MayOverwriteFile(const std::string& path);
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Reads the time zone (TZ) anew. The time functions below keep the zone read last (or at
// their first call) and never re-read it, so that threads may call them side by side: call
// this before such threads start.
void ReadTimeZone();
// "Local seconds": seconds since 1970-01-01 00:00:00 in local time.
int64_t NowLocalSeconds();
int64_t ModifiedTimeLocalSeconds(const std::string& path);  // -1 when unknown
bool SetModifiedTimeLocalSeconds(const std::string& path, int64_t localSeconds);

struct LocalDateTime {
    int year, month, day, hour, minute, second;
};
LocalDateTime NowLocalDateTime();

// One entry of a folder listing. A symbolic link is reported as such (never followed), so
// a walk over folders cannot loop.
struct FolderEntry {
    std::string name;
    enum class Kind { File, Folder, Link, Other } kind = Kind::Other;
};
// The entries of `folder` but "." and "..", sorted by name (byte order); false with the
// system's reason in `error` when the folder cannot be read.
bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, std::string& error);

uint64_t PhysicalMemoryBytes();  // 0 when unknown
int OnlineCpuCount();            // at least 1

}  // namespace pictorb
