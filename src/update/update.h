#pragma once
// The update check's logic: the request, the answer's body and the schedule. The socket
// work is the platform layer's; the messages are the desktop's.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pictorb {

// The update server this build asks ("host" or "host:port"); empty when it has none, as
// distributions update their programs themselves.
std::string_view BuiltInUpdateHost();
// The version data file's address on `host`.
std::string UpdateDataUrl(std::string_view host);
// The download page, opened when the user accepts a newer version: the program's homepage.
std::string UpdateDownloadUrl();

// Sent when the caller gives no user agent of its own.
inline constexpr std::string_view kDefaultUserAgent =
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; en)";
inline constexpr std::size_t kUpdateBufferSize = 2048;
inline constexpr int32_t kUpdateAnswerTimeoutMs = 10000;
inline constexpr int32_t kUpdatePollMs = 20;
// Resolving the host and opening the connection together.
inline constexpr int32_t kUpdateOpenTimeoutMs = 5000;

struct HttpTarget {
    std::string host;  // without user part and port
    uint16_t port = 80;
    std::string path;  // starts with '/'; the query is dropped
};

// Splits "scheme://user@host:port/path?query"; nullopt for an empty host, a port that is
// not a number from 1 to 65535, or blanks and control characters anywhere.
std::optional<HttpTarget> SplitHttpUrl(std::string_view url);
// The HTTP/1.0 GET request: five header lines and the empty line, each ended by CR LF.
// An empty user agent sends kDefaultUserAgent.
std::string BuildHttpRequest(const HttpTarget& target, std::string_view userAgent);

// The answer as it arrives: each read lands behind the previous one in a fixed buffer of
// kUpdateBufferSize bytes, and reading stops when it is full.
class ResponseBuffer {
  public:
    char* FreeSpace() { return bytes_.data() + used_; }
    std::size_t FreeSize() const { return bytes_.size() - used_; }
    // `count` bytes were written at FreeSpace(); more than FreeSize() counts as FreeSize().
    void Commit(std::size_t count);
    bool Full() const { return used_ == bytes_.size(); }
    // The received bytes up to the first zero byte.
    std::string_view Text() const;
    std::string_view Bytes() const { return {bytes_.data(), used_}; }

  private:
    std::array<char, kUpdateBufferSize> bytes_{};
    std::size_t used_ = 0;
};

// The part between the first and the second CR LF CR LF (to the end without a second; empty
// without a first), blanks removed at both ends, cut to its first three characters.
std::string VersionTextFromResponse(std::string_view response);
// The leading decimal digits as a number; 0 when the text does not start with a digit.
int32_t VersionNumberFromText(std::string_view text);

// Whether the status line is "HTTP/1.x 200"; nullopt while the line has not fully arrived.
std::optional<bool> AnswerStatusOk(std::string_view received);
// Whether the answer declares a Content-Length and its whole body has arrived: a server
// that keeps the connection open has then said everything.
bool AnswerBodyComplete(std::string_view received);

// Fetches `url` with one HTTP/1.0 GET and returns VersionTextFromResponse of the answer, or
// the empty text on any failure: bad address, no connection, a status other than 200, or
// an answer not complete within `answerTimeoutMs`.
std::string HttpGetBody(const std::string& url, const std::string& userAgent,
                        int32_t answerTimeoutMs = kUpdateAnswerTimeoutMs);

enum class UpdateVerdict { Failure, NewerVersion, NoNewerVersion };
// What the fetched text says about `ownVersion`: 0 or no number is a failure.
UpdateVerdict JudgeUpdate(std::string_view versionText, int32_t ownVersion);

// The "Update Range" that never checks.
inline constexpr int32_t kUpdateRangeNever = 5;
// Days between scheduled checks for "Update Range"; 0 for kUpdateRangeNever.
int32_t UpdateIntervalDays(int32_t updateRange);
// Whether the scheduled check asks now: never for range 5, otherwise once `now` is past the
// last check plus the interval. Times in local seconds.
bool ScheduledCheckDue(int32_t updateRange, int64_t lastCheck, int64_t now);

}  // namespace pictorb
