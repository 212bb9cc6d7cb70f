#include "platform/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "platform/file_descriptor.h"
#include "platform/interrupt_cleanup.h"

namespace pictorb {
namespace {

std::atomic<bool> unnamedAllowed{true};

int OpenRetrying(const char* path, int flags) {
    int fd;
    do {
        fd = open(path, flags, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool Fill(int fd, const FileWriter& write) {
    FileSink sink(fd);
    return write(sink);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The system's reason for the step that failed, taken before cleaning up can change it.
PlaceResult Failure(PlaceResult result, int& systemError) {
    systemError = errno != 0 ? errno : EIO;
    return result;
}

// Renames the complete file at `tempPath` over the output; the temporary name goes either way.
PlaceResult MoveIntoPlace(const std::string& tempPath, const std::string& outputPath,
                          int& systemError) {
    RemoveOnInterrupt cleanup(tempPath);
    // rename replaces the target whatever its permission bits; only the folder's count.
    if (rename(tempPath.c_str(), outputPath.c_str()) == 0) return PlaceResult::Ok;
    const PlaceResult result = Failure(PlaceResult::CannotMove, systemError);
    unlink(tempPath.c_str());
    return result;
}

// The file is created exclusively under the temporary name, so nothing of someone else's is
// replaced half-written. The name is armed for removal just before, so that a signal the
// moment the file exists still removes it; the name is fresh (the clock and random letters),
// so only a collision with another run's temporary file could lose a file not made here.
PlaceResult PlaceNamed(const std::string& outputPath, const std::string& tempPath,
                       const FileWriter& write, int& systemError) {
    RemoveOnInterrupt cleanup(tempPath);
    FileDescriptor file(OpenRetrying(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC));
    if (file.Get() < 0) return Failure(PlaceResult::CannotCreate, systemError);
    errno = 0;
    const bool written = Fill(file.Get(), write);
    if (!written || !file.Close()) {
        const PlaceResult result = Failure(PlaceResult::WriteFailed, systemError);
        unlink(tempPath.c_str());
        return result;
    }
    return MoveIntoPlace(tempPath, outputPath, systemError);
}

enum class Unnamed { Placed, Refused };

// A file without a name in the output's folder, linked under a name once complete: straight
// as the output when there is none yet, else as the temporary file that replaces it. Refused
// when the file system cannot make such files or link them (no /proc, say).
Unnamed PlaceUnnamed(const std::string& outputPath, const std::string& tempPath,
                     const FileWriter& write, PlaceResult& result, int& systemError) {
    FileDescriptor file(
        OpenRetrying(FolderOf(outputPath).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC));
    if (file.Get() < 0) return Unnamed::Refused;
    errno = 0;
    if (!Fill(file.Get(), write)) {
        result = Failure(PlaceResult::WriteFailed, systemError);
        return Unnamed::Placed;
    }
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", file.Get());
    const auto link = [&procPath](const std::string& name) {
        return linkat(AT_FDCWD, procPath, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
    };
    if (link(outputPath)) {
        if (file.Close()) {
            result = PlaceResult::Ok;
        } else {
            result = Failure(PlaceResult::WriteFailed, systemError);
            unlink(outputPath.c_str());
        }
        return Unnamed::Placed;
    }
    if (errno != EEXIST) return Unnamed::Refused;
    RemoveOnInterrupt cleanup(tempPath);  // armed before the name exists, as in PlaceNamed
    if (!link(tempPath)) {
        result = Failure(PlaceResult::CannotCreate, systemError);
        return Unnamed::Placed;
    }
    if (!file.Close()) {
        result = Failure(PlaceResult::WriteFailed, systemError);
        unlink(tempPath.c_str());
        return Unnamed::Placed;
    }
    result = MoveIntoPlace(tempPath, outputPath, systemError);
    return Unnamed::Placed;
}

}  // namespace

bool FileSink::WriteAt(uint64_t offset, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += static_cast<uint64_t>(written);
    }
    return true;
}

Placement PlaceFile(const std::string& outputPath, const std::string& tempPath,
                    const FileWriter& write) {
    Placement placement;
    placement.route = PlaceRoute::Unnamed;
    if (!unnamedAllowed.load() || PlaceUnnamed(outputPath, tempPath, write, placement.result,
                                               placement.systemError) == Unnamed::Refused) {
        placement.route = PlaceRoute::Named;
        placement.result = PlaceNamed(outputPath, tempPath, write, placement.systemError);
    }
    if (placement.result != PlaceResult::Ok) errno = placement.systemError;
    return placement;
}

Placement PlaceFile(const std::string& outputPath, const std::string& tempPath,
                    std::string_view bytes) {
    return PlaceFile(outputPath, tempPath,
                     [bytes](FileSink& sink) { return sink.WriteAt(0, bytes); });
}

void AllowUnnamedFiles(bool allowed) {
    unnamedAllowed.store(allowed);
}

}  // namespace pictorb
