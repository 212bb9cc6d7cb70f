#include "platform/console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "support/process_runner.h"

namespace pictorb {
namespace {

// Points one of the standard descriptors at a pipe for the life of the object.
class Redirect {
  public:
    explicit Redirect(int target) : target_(target) {
        fflush(stdout);
        int fds[2];
        EXPECT_EQ(pipe2(fds, O_CLOEXEC), 0);
        readEnd_ = fds[0];
        writeEnd_ = fds[1];
        saved_ = dup(target_);
        dup2(target_ == 0 ? readEnd_ : writeEnd_, target_);
    }
    ~Redirect() {
        Restore();
        close(readEnd_);
        if (writeEnd_ >= 0) close(writeEnd_);
    }
    void Restore() {
        if (saved_ < 0) return;
        dup2(saved_, target_);
        close(saved_);
        saved_ = -1;
    }
    // What was written to the redirected descriptor (call after Restore).
    std::string Captured() {
        close(writeEnd_);
        writeEnd_ = -1;
        std::string bytes;
        char buffer[4096];
        ssize_t n;
        while ((n = read(readEnd_, buffer, sizeof buffer)) > 0) bytes.append(buffer, n);
        return bytes;
    }
    // Feeds bytes to a redirected standard input; `close` ends the input after them.
    void Feed(std::string_view bytes, bool closeAfter) {
        EXPECT_EQ(write(writeEnd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        if (closeAfter) {
            close(writeEnd_);
            writeEnd_ = -1;
        }
    }
    int ReadEnd() const { return readEnd_; }

  private:
    int target_;
    int readEnd_ = -1;
    int writeEnd_ = -1;
    int saved_ = -1;
};

TEST(Console, LineBytesForTerminalAndRedirectedOutput) {
    struct Case {
        std::string line;
        std::string terminal;
        std::string redirected;
    };
    const std::vector<Case> cases = {
        {"2.2", "2.2\r\n",
         std::string("2\0.\0"
                     "2\0\r\0\n\0",
                     10)},
        {" ", " \r\n", std::string(" \0\r\0\n\0", 6)},
        {"", "\r\n", std::string("\r\0\n\0", 4)},
        // Non-ASCII letters are one unit each; characters beyond the BMP are surrogate pairs.
        {"\xC3\xA4\xE2\x82\xAC", "\xC3\xA4\xE2\x82\xAC\r\n",
         std::string("\xE4\0\xAC\x20\r\0\n\0", 8)},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80\r\n", std::string("\x3D\xD8\x00\xDE\r\0\n\0", 8)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ConsoleLineBytes(c.line, true), c.terminal);
        EXPECT_EQ(ConsoleLineBytes(c.line, false), c.redirected);
    }
    // A malformed byte must not vanish or shift the following units.
    EXPECT_EQ(ConsoleLineBytes("a\xFF"
                               "b",
                               false),
              std::string("a\0\xFD\xFF"
                          "b\0\r\0\n\0",
                          10));
}

TEST(Console, RedirectedOutputIsUtf16LeWithoutTitle) {
    Redirect out(STDOUT_FILENO);
    ConsoleSetTitle("Corvalen Pictorb 2.2");
    ConsolePrintLine("2.2");
    ConsolePrintLine(
        "Gr\xC3\xBC\xC3\x9F"
        "e");
    out.Restore();
    // No byte-order mark, no title sequence, nothing buffered away.
    EXPECT_EQ(out.Captured(), test::Utf16LeLines({"2.2",
                                                  "Gr\xC3\xBC\xC3\x9F"
                                                  "e"}));
}

TEST(Console, LinesFromTwoThreadsDoNotInterleave) {
    Redirect out(STDOUT_FILENO);
    const std::string a(40, 'a');
    const std::string b(40, 'b');
    auto print = [](const std::string& line) {
        for (int i = 0; i < 200; ++i) ConsolePrintLine(line);
    };
    std::thread worker(print, b);
    print(a);
    worker.join();
    out.Restore();
    std::vector<std::string> lines = test::SplitCrLfLines(test::DecodeUtf16Le(out.Captured()));
    ASSERT_EQ(lines.size(), 400u);
    int countA = 0;
    for (const std::string& line : lines) {
        ASSERT_TRUE(line == a || line == b) << line;
        countA += line == a;
    }
    EXPECT_EQ(countA, 200);
}

TEST(Console, KeyWaitWithoutTerminalTakesOneByteOrEndOfInput) {
    {
        SCOPED_TRACE("two bytes waiting");
        Redirect in(STDIN_FILENO);
        in.Feed("xy", false);
        ConsoleWaitForKey();
        char rest[4] = {};
        EXPECT_EQ(read(in.ReadEnd(), rest, sizeof rest), 1);
        EXPECT_EQ(rest[0], 'y');
    }
    {
        SCOPED_TRACE("end of input");
        Redirect in(STDIN_FILENO);
        in.Feed("", true);
        ConsoleWaitForKey();  // must return rather than hang
    }
}

}  // namespace
}  // namespace pictorb
