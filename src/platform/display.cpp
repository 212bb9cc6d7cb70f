#include "platform/display.h"

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace pictorb {
namespace {

bool Named(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0';
}

// Connects with libxcb, which the toolkit's X11 backend loads anyway; looked up at run time
// so the program itself does not depend on it.
bool XServerAnswers() {
    void* xcb = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (xcb == nullptr) return false;
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    if (connect == nullptr || hasError == nullptr || disconnect == nullptr) return false;
    // A server whose last client just left resets itself and drops a client that connects in
    // that moment; a display that is really gone keeps refusing, so two retries cost little.
    void* connection = nullptr;
    for (int attempt = 0; attempt < 3 && connection == nullptr; ++attempt) {
        if (attempt > 0) usleep(100 * 1000);
        connection = connect(nullptr, nullptr);
        if (connection != nullptr && hasError(connection) != 0) {
            disconnect(connection);
            connection = nullptr;
        }
    }
    if (connection == nullptr) return false;
    // Kept open for the process's life: an X server whose last client leaves resets itself,
    // and the toolkit's own connection, made next, would wait for that reset. Volatile, so
    // that an optimised build keeps the pointer where the leak checker looks for it.
    [[maybe_unused]] static void* volatile kept = nullptr;
    kept = connection;
    return true;  // the library stays loaded: the toolkit uses it next
}

// A Wayland compositor listens on a socket named by WAYLAND_DISPLAY, relative to
// XDG_RUNTIME_DIR unless it is an absolute path.
bool WaylandAnswers() {
    std::string path = std::getenv("WAYLAND_DISPLAY");
    if (path.front() != '/') {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime == nullptr) return false;
        path = std::string(runtime) + "/" + path;
    }
    sockaddr_un address = {};
    if (path.size() >= sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool answers = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return answers;
}

}  // namespace

DisplayKind ReachableDisplay() {
    if (Named("WAYLAND_DISPLAY") && WaylandAnswers()) return DisplayKind::Wayland;
    if (Named("DISPLAY") && XServerAnswers()) return DisplayKind::X11;
    return DisplayKind::None;
}

bool NoDisplayNamed() {
    return !Named("DISPLAY") && !Named("WAYLAND_DISPLAY");
}

}  // namespace pictorb
