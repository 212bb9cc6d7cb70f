#include "platform/instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace pictorb {

std::string InstanceLockPath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        std::string folder(runtime);
        if (folder.back() != '/') folder += '/';
        return folder + name + ".lock";
    }
    // /tmp is shared by all users: the user id keeps their guards apart.
    return "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
}

InstanceGuard::InstanceGuard(const std::string& name) {
    // Read-only is enough for flock. O_NOFOLLOW refuses a link planted in a shared folder.
    int fd;
    do {
        fd =
            open(InstanceLockPath(name).c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return;
    int locked;
    do {
        locked = flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        close(fd);
        return;
    }
    fd_ = fd;
}

InstanceGuard::~InstanceGuard() {
    // Closing the only descriptor releases the lock; the file stays for the next start.
    if (fd_ >= 0) close(fd_);
}

}  // namespace pictorb
