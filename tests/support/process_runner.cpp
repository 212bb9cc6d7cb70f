#include "support/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

extern char** environ;

namespace pictorb::test {
namespace {

class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    void Reset(int fd) {
        Close();
        fd_ = fd;
    }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
};

bool MakePipe(Fd& readEnd, Fd& writeEnd) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    readEnd.Reset(fds[0]);
    writeEnd.Reset(fds[1]);
    return true;
}

std::vector<std::string> ChildEnvironment(const ChildOptions& options) {
    std::vector<std::string> result;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        std::string_view text(*entry);
        std::string_view name = text.substr(0, text.find('='));
        bool replaced = false;
        for (const auto& [key, value] : options.environment) replaced |= (key == name);
        if (!replaced) result.emplace_back(text);
    }
    for (const auto& [key, value] : options.environment) {
        if (value) result.push_back(key + "=" + *value);
    }
    return result;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendUnit(std::string& out, uint32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
}

// Deliberately separate from the product's converter, so that a fault there shows up here.
void AppendUtf16Le(std::string& out, std::string_view utf8) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    std::size_t n = utf8.size();
    for (std::size_t i = 0; i < n;) {
        uint32_t cp = p[i];
        int extra = cp < 0x80 ? 0 : cp >= 0xF0 ? 3 : cp >= 0xE0 ? 2 : cp >= 0xC0 ? 1 : -1;
        bool valid = extra >= 0 && i + extra < n;
        for (int k = 1; valid && k <= extra; ++k) valid = (p[i + k] & 0xC0) == 0x80;
        if (!valid) {
            AppendUnit(out, 0xFFFD);
            ++i;
            continue;
        }
        if (extra > 0) cp &= 0x3F >> extra;
        for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (p[i + k] & 0x3F);
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            AppendUnit(out, 0xD800 | (cp >> 10));
            AppendUnit(out, 0xDC00 | (cp & 0x3FF));
        } else {
            AppendUnit(out, cp);
        }
    }
}

}  // namespace

ChildResult RunChild(const ChildOptions& options) {
    ChildResult result;
    // A child that stops reading its input must not end the test process.
    signal(SIGPIPE, SIG_IGN);

    Fd inRead, inWrite, outRead, outWrite, errRead, errWrite;
    if (options.stdinBytes) {
        if (!MakePipe(inRead, inWrite)) return result;
        // Never block on the child's input while its output waits to be read.
        fcntl(inWrite.Get(), F_SETFL, fcntl(inWrite.Get(), F_GETFL) | O_NONBLOCK);
    } else {
        inRead.Reset(open("/dev/null", O_RDONLY | O_CLOEXEC));
        if (inRead.Get() < 0) return result;
    }
    if (!MakePipe(outRead, outWrite) || !MakePipe(errRead, errWrite)) return result;

    // Everything the child needs is prepared before fork: after it only async-signal-safe
    // calls are allowed, since the test process may have other threads.
    std::vector<std::string> argStrings{options.program};
    argStrings.insert(argStrings.end(), options.args.begin(), options.args.end());
    std::vector<char*> argv;
    for (auto& arg : argStrings) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStrings = ChildEnvironment(options);
    std::vector<char*> envp;
    for (auto& entry : envStrings) envp.push_back(entry.data());
    envp.push_back(nullptr);
    const char* cwd = options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str();
    struct rlimit limit = {};
    if (options.fileSizeLimit >= 0) {
        limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(options.fileSizeLimit);
    }
    Fd execError, execErrorWrite;  // reports a failed exec back to the parent
    if (!MakePipe(execError, execErrorWrite)) return result;

    pid_t pid = fork();
    if (pid < 0) return result;
    if (pid == 0) {
        signal(SIGPIPE, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        int code = 0;
        if (dup2(inRead.Get(), 0) < 0 || dup2(outWrite.Get(), 1) < 0 ||
            dup2(errWrite.Get(), 2) < 0) {
            code = errno;
        } else if (cwd != nullptr && chdir(cwd) != 0) {
            code = errno;
        } else if (options.fileSizeLimit >= 0 && setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            code = errno;
        } else {
            execve(argv[0], argv.data(), envp.data());
            code = errno;
        }
        ssize_t ignored = write(execErrorWrite.Get(), &code, sizeof code);
        (void)ignored;
        _exit(127);
    }

    inRead.Close();
    outWrite.Close();
    errWrite.Close();
    execErrorWrite.Close();
    int execCode = 0;
    ssize_t got;
    do {
        got = read(execError.Get(), &execCode, sizeof execCode);
    } while (got < 0 && errno == EINTR);
    result.started = (got == 0);

    std::string_view pending = options.stdinBytes ? std::string_view(*options.stdinBytes) : "";
    if (options.stdinBytes && pending.empty()) inWrite.Close();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeoutMs);
    char buffer[65536];
    while (outRead.Get() >= 0 || errRead.Get() >= 0) {
        struct pollfd fds[3];
        int count = 0;
        auto add = [&](Fd& fd, short events) {
            fds[count].fd = fd.Get();
            fds[count].events = events;
            fds[count].revents = 0;
            ++count;
        };
        add(outRead, POLLIN);
        add(errRead, POLLIN);
        add(inWrite, POLLOUT);
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            kill(pid, SIGKILL);
            result.timedOut = true;
            break;
        }
        int ready = poll(fds, count, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) break;
        if (ready <= 0) continue;
        auto drain = [&](Fd& fd, short revents, std::string& into) {
            if (fd.Get() < 0 || (revents & (POLLIN | POLLHUP | POLLERR)) == 0) return;
            ssize_t n = read(fd.Get(), buffer, sizeof buffer);
            if (n > 0) {
                into.append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                fd.Close();
            }
        };
        drain(outRead, fds[0].revents, result.out);
        drain(errRead, fds[1].revents, result.err);
        if (inWrite.Get() >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
            ssize_t n = write(inWrite.Get(), pending.data(), pending.size());
            if (n > 0) pending.remove_prefix(static_cast<std::size_t>(n));
            if ((n < 0 && errno != EINTR && errno != EAGAIN) || pending.empty()) inWrite.Close();
        }
    }
    inWrite.Close();

    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.termSignal = WTERMSIG(status);
    }
    return result;
}

std::vector<std::pair<std::string, std::optional<std::string>>> IsolatedEnvironment(
    const std::string& root) {
    std::filesystem::create_directories(root + "/home/.config");
    std::filesystem::create_directories(root + "/runtime");
    chmod((root + "/runtime").c_str(), 0700);
    return {{"HOME", root + "/home"},
            {"XDG_CONFIG_HOME", root + "/home/.config"},
            {"XDG_RUNTIME_DIR", root + "/runtime"}};
}

std::string DecodeUtf16Le(std::string_view bytes) {
    std::string out;
    std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t i) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i])) |
               static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i + 1])) << 8;
    };
    for (std::size_t i = 0; i < units; ++i) {
        uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units && unitAt(i + 1) >= 0xDC00 &&
            unitAt(i + 1) < 0xE000) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit < 0xE000) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, unit);
        }
    }
    if (bytes.size() % 2 != 0) AppendUtf8(out, 0xFFFD);
    return out;
}

std::vector<std::string> SplitCrLfLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        std::size_t end = text.find("\r\n");
        if (end == std::string_view::npos) {
            lines.emplace_back(text);
            break;
        }
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(end + 2);
    }
    return lines;
}

std::string Utf16LeLines(const std::vector<std::string>& utf8Lines) {
    std::string out;
    for (const auto& line : utf8Lines) {
        AppendUtf16Le(out, line);
        AppendUtf16Le(out, "\r\n");
    }
    return out;
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/pictorb-test-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
    if (path_.empty()) return;
    namespace fs = std::filesystem;
    std::error_code ec;
    // Tests make read-only folders; give them back write access so that removal works.
    for (fs::recursive_directory_iterator it(path_, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
    }
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

namespace {

void SetOrRemove(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
        setenv(name.c_str(), value->c_str(), 1);
    } else {
        unsetenv(name.c_str());
    }
    if (name == "TZ") tzset();
}

}  // namespace

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    SetOrRemove(name_, value);
}

ScopedEnv::~ScopedEnv() {
    SetOrRemove(name_, old_);
}

bool WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}

std::optional<std::string> ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace pictorb::test
