#pragma once
// Runs a program as a child process for end-to-end tests and decodes what it prints.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pictorb::test {

struct ChildOptions {
    std::string program;            // path of the executable
    std::vector<std::string> args;  // parameters after the program path
    std::string workingDirectory;   // empty: the test's own
    // Variables set in the child's copy of the environment; std::nullopt removes one.
    std::vector<std::pair<std::string, std::optional<std::string>>> environment;
    std::optional<std::string> stdinBytes;  // std::nullopt: standard input is /dev/null
    int64_t fileSizeLimit = -1;             // RLIMIT_FSIZE in bytes; -1 leaves it alone
    int timeoutMs = 60000;                  // the child is killed after this long
};

struct ChildResult {
    bool started = false;  // false when the program could not be run at all
    bool exited = false;   // ended normally; exitCode is valid
    int exitCode = -1;
    int termSignal = 0;     // the signal that ended it, 0 when it exited
    bool timedOut = false;  // killed because the timeout passed
    std::string out;        // standard output, raw bytes
    std::string err;        // standard error, raw bytes
};

ChildResult RunChild(const ChildOptions& options);

// A child environment that is isolated from the user's own files and from other tests:
// HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR all point into `root`.
std::vector<std::pair<std::string, std::optional<std::string>>> IsolatedEnvironment(
    const std::string& root);

// UTF-16LE code units to UTF-8; unpaired surrogates and an odd last byte become U+FFFD.
std::string DecodeUtf16Le(std::string_view bytes);
// Lines ended by CR LF. Text after the last CR LF, if any, is returned as a last line.
std::vector<std::string> SplitCrLfLines(std::string_view text);

// The bytes of `utf8` as UTF-16LE code units, each line followed by CR LF: what the program
// prints for these lines when its output is redirected.
std::string Utf16LeLines(const std::vector<std::string>& utf8Lines);

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }  // without trailing '/'
    std::string Join(std::string_view name) const { return path_ + "/" + std::string(name); }

  private:
    std::string path_;
};

// Sets or removes an environment variable of the test process and restores it at the end.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> old_;
};

bool WriteBytes(const std::string& path, std::string_view bytes);
std::optional<std::string> ReadBytes(const std::string& path);

}  // namespace pictorb::test
