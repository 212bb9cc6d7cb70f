// Preloaded into pictorbcmd by the output-safety tests (LD_PRELOAD). It notes the moments of
// writing a document in a report file and can hold the conversion at one of them, so that a
// test ends the process exactly there; it can also refuse unnamed temporary files, as NFS,
// FAT and old kernels do. The program itself knows nothing of it.
//
// PICTORB_SHIM_REPORT      file the moments are appended to, one line each
// PICTORB_SHIM_HOLD        the moment to stop at for up to 30 s: encode (the document's
//                          memory is about to be taken and filled), write (half the document is in
//                          the file), rename (the complete file is about to replace the output),
//                          renamed (it has)
// PICTORB_SHIM_NO_TMPFILE  when set, opening with O_TMPFILE fails with EOPNOTSUPP
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
typedef int (*RenameFunction)(const char*, const char*);
typedef void* (*NewFunction)(size_t, const void*);

static int documentFd = -1;  // the file the document goes into; held once, half-way
static int encoding = 0;     // between the document's allocation and its first open

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
    if (encoding && (unnamed || named)) {
        encoding = 0;
        Report("encoded");  // the document is complete in memory once its file is opened
    }
    const int fd = RealOpen(path, flags, mode);
    if (fd >= 0 && (unnamed || named)) {
        documentFd = fd;
        Report(unnamed ? "unnamed" : "named");
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

ssize_t write(int fd, const void* data, size_t size) {
    if (fd < 0 || fd != documentFd || size < 2) return RealWrite(fd, data, size);
    documentFd = -1;
    const ssize_t written = RealWrite(fd, data, size / 2);
    Reach("write");
    return written;
}

int rename(const char* from, const char* to) {
    static RenameFunction real;
    if (real == NULL) real = (RenameFunction)Real("rename");
    Reach("rename");
    const int result = real(from, to);
    Reach("renamed");
    return result;
}

// operator new[](size_t, const std::nothrow_t&): the document's memory, taken right before
// it is encoded (the only such allocation of a conversion).
void* _ZnamRKSt9nothrow_t(size_t size, const void* tag) {
    static NewFunction real;
    if (real == NULL) real = (NewFunction)Real("_ZnamRKSt9nothrow_t");
    Reach("encode");
    encoding = 1;
    return real(size, tag);
}
