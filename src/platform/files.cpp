#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/file_descriptor.h"

namespace pictorb {
namespace {

int OpenRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return "./";
    return path.substr(0, slash + 1);
}

std::string WithTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// A settings file kept as a link (into a dotfiles repository, say) stays a link: the new
// text goes to the file it points at.
std::string ResolveLink(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string target(resolved);
    free(resolved);
    return target;
}

FileIdentity IdentityOf(const struct stat& info) {
    return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

FileKind KindOf(const struct stat& info) {
    if (S_ISREG(info.st_mode)) return FileKind::File;
    if (S_ISDIR(info.st_mode)) return FileKind::Folder;
    if (S_ISLNK(info.st_mode)) return FileKind::Link;
    return FileKind::Other;
}

bool ReadAll(int fd, std::string& bytes) {
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            bytes.clear();
            return false;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

// The zone's offset from UTC at `instant`. localtime_r reads the zone only once per process
// (ReadTimeZone refreshes it): tzset and mktime re-read it on every call, which workers must
// not do side by side.
int64_t UtcOffsetAt(time_t instant) {
    struct tm local;
    if (localtime_r(&instant, &local) == nullptr) return 0;
    return local.tm_gmtoff;
}

int64_t ToLocalSeconds(time_t epochSeconds) {
    return static_cast<int64_t>(epochSeconds) + UtcOffsetAt(epochSeconds);
}

// The folder an XDG variable names, else `fallback` below the home folder. A relative value
// is invalid by the XDG rules and is ignored.
std::string XdgFolder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') return WithTrailingSlash(value);
    const std::string home = HomeFolder();
    return (home.empty() ? std::string("/tmp/") : home) + fallback;
}

}  // namespace

int64_t QueryFileSize(const std::string& path) {
    struct stat info;
    if (path.empty() || stat(path.c_str(), &info) != 0) return kFileMissing;
    if (S_ISDIR(info.st_mode)) return kFileIsFolder;
    if (!S_ISREG(info.st_mode)) return kFileIsOther;
    return static_cast<int64_t>(info.st_size);
}

FileKind QueryFileKind(const std::string& path, FileIdentity* identity) {
    struct stat info;
    if (path.empty() || stat(path.c_str(), &info) != 0) return FileKind::Missing;
    if (identity != nullptr) *identity = IdentityOf(info);
    return KindOf(info);
}

OpenedFile OpenRegularFile(const std::string& path) {
    OpenedFile opened;
    FileDescriptor file(OpenRetrying(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat info;
    if (file.Get() < 0 || fstat(file.Get(), &info) != 0) {
        opened.error = errno;
        return opened;
    }
    if (!S_ISREG(info.st_mode)) {
        opened.notRegular = true;
        return opened;
    }
    opened.size = static_cast<uint64_t>(info.st_size);
    opened.fd = file.Release();
    return opened;
}

std::string ProgramFolder() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return "./";
        if (static_cast<std::size_t>(n) < buffer.size()) {
            return FolderOf(std::string(buffer.data(), static_cast<std::size_t>(n)));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string HomeFolder() {
    if (const char* env = std::getenv("HOME"); env != nullptr && *env != '\0')
        return WithTrailingSlash(env);
    std::vector<char> buffer(16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] != '\0') {
        return WithTrailingSlash(found->pw_dir);
    }
    return {};
}

std::string ApplicationDataFolder() {
    return XdgFolder("XDG_CONFIG_HOME", ".config/");
}

std::string UserDataFolder() {
    return XdgFolder("XDG_DATA_HOME", ".local/share/");
}

std::string CurrentFolder() {
    std::vector<char> buffer(PATH_MAX);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (std::size_t{1} << 20)) return {};
        buffer.resize(buffer.size() * 2);
    }
    return WithTrailingSlash(buffer.data());
}

bool CreateFolder(const std::string& path) {
    if (path.empty()) return false;
    // Each missing parent first, like mkdir -p.
    for (std::size_t pos = path.find('/', 1); pos != std::string::npos;
         pos = path.find('/', pos + 1)) {
        mkdir(path.substr(0, pos).c_str(), 0777);
    }
    mkdir(path.c_str(), 0777);
    return QueryFileSize(path) == kFileIsFolder;
}

bool MayOverwriteFile(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return true;  // nothing there yet
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && access(path.c_str(), W_OK) == 0;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string target = ResolveLink(path);
    struct stat old;
    const bool hadOld = stat(target.c_str(), &old) == 0;
    if (hadOld && S_ISDIR(old.st_mode)) return false;

    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = target + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        fd = OpenRetrying(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    FileDescriptor file(fd);
    // The new file keeps the old one's permissions; a new one gets 0666 less the umask.
    bool ok = !hadOld || fchmod(file.Get(), old.st_mode & 07777) == 0;
    ok = ok && WriteAll(file.Get(), bytes) && fsync(file.Get()) == 0;
    ok = file.Close() && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; the new text is in place whether or not this works.
    FileDescriptor folder(
        OpenRetrying(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0) fsync(folder.Get());
    return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    FileDescriptor file(OpenRetrying(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) return false;
    struct stat info;
    if (fstat(file.Get(), &info) == 0 && S_ISREG(info.st_mode)) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    return ReadAll(file.Get(), bytes);
}

bool ReadStandardInput(std::string& bytes) {
    bytes.clear();
    return ReadAll(STDIN_FILENO, bytes);
}

std::string SystemErrorText(int error) {
    char buffer[256];
    // The GNU strerror_r returns its text, which need not be in the buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

void ReadTimeZone() {
    tzset();
}

int64_t NowLocalSeconds() {
    return ToLocalSeconds(time(nullptr));
}

int64_t ModifiedTimeLocalSeconds(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return -1;
    return ToLocalSeconds(info.st_mtime);
}

bool SetModifiedTimeLocalSeconds(const std::string& path, int64_t localSeconds) {
    // The instant whose local date-time this is: the offset at a first guess, then the offset
    // at that instant, so that reading the time back gives the same local date-time (also
    // when the guess and the result lie on two sides of a change to summer time).
    const time_t guess = static_cast<time_t>(localSeconds - UtcOffsetAt(localSeconds));
    const time_t instant = static_cast<time_t>(localSeconds - UtcOffsetAt(guess));
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;  // only the last-modified time changes
    times[1].tv_sec = instant;
    times[1].tv_nsec = 0;
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

LocalDateTime NowLocalDateTime() {
    time_t now = time(nullptr);
    struct tm local = {};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

bool ModifiedBefore(const std::string& path, const std::string& other) {
    struct stat first, second;
    if (stat(path.c_str(), &first) != 0 || stat(other.c_str(), &second) != 0) return false;
    return first.st_mtim.tv_sec < second.st_mtim.tv_sec;
}

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, std::string& error) {
    entries.clear();
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    const int dirFd = dirfd(dir);
    // Read permission alone lists the names, but nothing inside can be reached without
    // search permission: such a folder is unreadable, not empty.
    struct stat self;
    if (fstatat(dirFd, ".", &self, 0) != 0) {
        error = std::strerror(errno);
        closedir(dir);
        return false;
    }
    errno = 0;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat info;
        FolderEntry listed{name, FileKind::Missing, FileKind::Missing, {}};
        if (fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
            listed.kind = KindOf(info);
            listed.identity = IdentityOf(info);
            if (listed.kind == FileKind::Link && fstatat(dirFd, entry->d_name, &info, 0) == 0) {
                listed.target = KindOf(info);
                listed.identity = IdentityOf(info);
            }
        }
        if (listed.kind != FileKind::Missing) entries.push_back(std::move(listed));
        errno = 0;
    }
    const int readError = errno;
    closedir(dir);
    if (readError != 0) {
        error = std::strerror(readError);
        return false;
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return true;
}

uint64_t PhysicalMemoryBytes() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
}

int OnlineCpuCount() {
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count < 1 ? 1 : static_cast<int>(std::min<long>(count, 1024));
}

}  // namespace pictorb
