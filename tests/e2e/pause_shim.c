// Preloaded into pictorbcmd by the output-safety tests (LD_PRELOAD). It notes the moments of
// writing a document in a report file and can hold the conversion at one of them, so that a
// test ends the process exactly there; it can also refuse unnamed temporary files, as NFS,
// FAT and old kernels do. The program itself knows nothing of it.
//
// PICTORB_SHIM_REPORT      file the moments are appended to, one line each
// PICTORB_SHIM_HOLD        the moment to stop at for up to 30 s: begin (the document's file
//                          exists and the first write is about to be made), write (half of the
//                          first write is in the file), rename (the complete file is about to
//                          replace the output), renamed (it has)
// PICTORB_SHIM_NO_TMPFILE  when set, opening with O_TMPFILE fails with EOPNOTSUPP
//
// Other lines: "unnamed" or "named", then "open", when the document's file is opened;
// "closed" when it is closed after the last write.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

typedef int (*OpenFunction)(const char*, int, ...);
typedef ssize_t (*WriteFunction)(int, const void*, size_t);
typedef ssize_t (*PwriteFunction)(int, const void*, size_t, off_t);
typedef int (*CloseFunction)(int);
typedef int (*RenameFunction)(const char*, const char*);

static int documentFd = -1;   // the file the document goes into
static int writeReached = 0;  // its first write, held once, half-way

static void* Real(const char* name) {
    void* function = dlsym(RTLD_NEXT, name);
    if (function == NULL) {
        // The C++ runtime comes with the engine module, loaded privately after this library.
        void* runtime = dlopen("libstdc++.so.6", RTLD_LAZY | RTLD_NOLOAD);
        if (runtime != NULL) function = dlsym(runtime, name);
    }
    if (function == NULL) {
        fprintf(stderr, "pause_shim: no %s\n", name);
        abort();
    }
    return function;
}

static ssize_t RealWrite(int fd, const void* data, size_t size) {
    static WriteFunction real;
    if (real == NULL) real = (WriteFunction)Real("write");
    return real(fd, data, size);
}

static int RealOpen(const char* path, int flags, mode_t mode) {
    static OpenFunction real;
    if (real == NULL) real = (OpenFunction)Real("open");
    return real(path, flags, mode);
}

static void Report(const char* moment) {
    const char* path = getenv("PICTORB_SHIM_REPORT");
    if (path == NULL) return;
    char line[64];
    const int length = snprintf(line, sizeof line, "%s\n", moment);
    const int fd = RealOpen(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    RealWrite(fd, line, (size_t)length);
    close(fd);
}

static void Reach(const char* moment) {
    Report(moment);
    const char* hold = getenv("PICTORB_SHIM_HOLD");
    if (hold == NULL || strcmp(hold, moment) != 0) return;
    const struct timespec step = {0, 10 * 1000 * 1000};
    for (int i = 0; i < 3000; ++i) nanosleep(&step, NULL);
}

static int Open(const char* path, int flags, mode_t mode) {
    const int unnamed = (flags & O_TMPFILE) == O_TMPFILE;
    if (unnamed && getenv("PICTORB_SHIM_NO_TMPFILE") != NULL) {
        errno = EOPNOTSUPP;
        return -1;
    }
    const size_t length = strlen(path);
    const int named = (flags & (O_CREAT | O_EXCL)) == (O_CREAT | O_EXCL) && length > 4 &&
                      strcmp(path + length - 4, ".psd") == 0;
    const int fd = RealOpen(path, flags, mode);
    if (fd >= 0 && (unnamed || named)) {
        documentFd = fd;
        writeReached = 0;
        Report(unnamed ? "unnamed" : "named");
        Report("open");
    }
    return fd;
}

int open(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const mode_t mode =
        (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(rest, mode_t) : 0;
    va_end(rest);
    return Open(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const mode_t mode =
        (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(rest, mode_t) : 0;
    va_end(rest);
    return Open(path, flags, mode);
}

// The document is written at offsets; the first write is cut in half and held after.
static ssize_t Pwrite(const char* name, int fd, const void* data, size_t size, off_t offset) {
    static PwriteFunction real;
    if (real == NULL) real = (PwriteFunction)Real(name);
    if (fd < 0 || fd != documentFd || writeReached || size < 2) return real(fd, data, size, offset);
    writeReached = 1;
    Reach("begin");
    const ssize_t written = real(fd, data, size / 2, offset);
    Reach("write");
    return written;
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
    return Pwrite("pwrite", fd, data, size, offset);
}

ssize_t pwrite64(int fd, const void* data, size_t size, off64_t offset) {
    return Pwrite("pwrite64", fd, data, size, offset);
}

int close(int fd) {
    static CloseFunction real;
    if (real == NULL) real = (CloseFunction)Real("close");
    if (fd >= 0 && fd == documentFd) {
        documentFd = -1;
        Report("closed");
    }
    return real(fd);
}

int rename(const char* from, const char* to) {
    static RenameFunction real;
    if (real == NULL) real = (RenameFunction)Real("rename");
    Reach("rename");
    const int result = real(from, to);
    Reach("renamed");
    return result;
}
