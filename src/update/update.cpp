#include "update/update.h"

#include <charconv>
#include <chrono>
#include <cstring>

#include "app/branding.h"
#include "platform/tcp_connection.h"
#include "text/utf8.h"

namespace pictorb {
namespace {

// A vendor build names its server at build time (host, or host:port); the default has none.
#ifdef PICTORB_UPDATE_HOST
constexpr std::string_view kServer = PICTORB_UPDATE_HOST;
#else
constexpr std::string_view kServer = "";
#endif

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kEmptyLine = "\r\n\r\n";

// The declared body length; nullopt without a single well-formed Content-Length header.
std::optional<std::size_t> DeclaredContentLength(std::string_view headers) {
    constexpr std::string_view kName = "content-length:";
    std::optional<std::size_t> length;
    std::size_t lineStart = headers.find(kLineEnd);
    while (lineStart != std::string_view::npos) {
        lineStart += kLineEnd.size();
        const std::size_t lineEnd = headers.find(kLineEnd, lineStart);
        const std::string_view line = headers.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd;
        if (!EqualsIgnoreAsciiCase(line.substr(0, kName.size()), kName)) continue;
        const std::string value = Trim(line.substr(kName.size()));
        std::size_t number = 0;
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), number);
        // A second length, or one that is not all digits, leaves the end to the server's close.
        if (length || value.empty() || error != std::errc() || end != value.data() + value.size())
            return std::nullopt;
        length = number;
    }
    return length;
}

}  // namespace

std::string_view BuiltInUpdateHost() {
    return kServer;
}

std::string UpdateDataUrl(std::string_view host) {
    return "http://" + std::string(host) + "/files/pictorb.dat";
}

std::string UpdateDownloadUrl() {
    return std::string(kWebAddress);
}

std::optional<HttpTarget> SplitHttpUrl(std::string_view url) {
    for (const char c : url) {
        // Nothing that could end a request line or start another header gets through.
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f') return std::nullopt;
    }
    const std::size_t scheme = url.find("://");
    if (scheme != std::string_view::npos) url.remove_prefix(scheme + 3);

    const std::size_t slash = url.find('/');
    std::string_view authority = url.substr(0, slash);
    std::string_view path = slash == std::string_view::npos ? "" : url.substr(slash + 1);
    path = path.substr(0, path.find_first_of("?#"));

    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) authority.remove_prefix(at + 1);

    HttpTarget target;
    const std::size_t colon = authority.find(':');
    target.host = std::string(authority.substr(0, colon));
    if (target.host.empty()) return std::nullopt;
    if (colon != std::string_view::npos && colon + 1 < authority.size()) {
        uint32_t port = 0;
        for (const char c : authority.substr(colon + 1)) {
            if (c < '0' || c > '9') return std::nullopt;
            port = port * 10 + static_cast<uint32_t>(c - '0');
            if (port > 65535) return std::nullopt;
        }
        if (port == 0) return std::nullopt;
        target.port = static_cast<uint16_t>(port);
    }
    target.path = "/" + std::string(path);
    return target;
}

std::string BuildHttpRequest(const HttpTarget& target, std::string_view userAgent) {
    if (userAgent.empty()) userAgent = kDefaultUserAgent;
    std::string request;
    request += "GET " + target.path + " HTTP/1.0\r\n";
    request += "Host: " + target.host + "\r\n";
    request += "Accept: */*\r\n";
    request += "User-Agent: " + std::string(userAgent) + "\r\n";
    request += "Connection: close\r\n";
    request += "\r\n";
    return request;
}

void ResponseBuffer::Commit(std::size_t count) {
    used_ += count < FreeSize() ? count : FreeSize();
}

std::string_view ResponseBuffer::Text() const {
    const void* zero = std::memchr(bytes_.data(), '\0', used_);
    const std::size_t length =
        zero == nullptr ? used_
                        : static_cast<std::size_t>(static_cast<const char*>(zero) - bytes_.data());
    return std::string_view(bytes_.data(), length);
}

std::string VersionTextFromResponse(std::string_view response) {
    const std::size_t first = response.find(kEmptyLine);
    if (first == std::string_view::npos) return {};
    std::string_view body = response.substr(first + kEmptyLine.size());
    body = body.substr(0, body.find(kEmptyLine));
    // Blanks only: a line break in front of the number is not trimmed away.
    const std::size_t start = body.find_first_not_of(' ');
    if (start == std::string_view::npos) return {};
    body = body.substr(start, body.find_last_not_of(' ') - start + 1);
    return std::string(body.substr(0, 3));
}

int32_t VersionNumberFromText(std::string_view text) {
    int32_t number = 0;
    // At most three characters reach here; the bound only keeps other callers safe.
    for (std::size_t i = 0; i < text.size() && i < 9 && text[i] >= '0' && text[i] <= '9'; ++i) {
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

std::optional<bool> AnswerStatusOk(std::string_view received) {
    const std::size_t lineEnd = received.find(kLineEnd);
    if (lineEnd == std::string_view::npos) return std::nullopt;
    const std::string_view line = received.substr(0, lineEnd);
    // "HTTP/1.0 200 OK", "HTTP/1.1 200": the reason phrase is free.
    return line.size() >= 12 && line.starts_with("HTTP/1.") && line[7] >= '0' && line[7] <= '9' &&
           line.substr(8, 4) == " 200" && (line.size() == 12 || line[12] == ' ');
}

bool AnswerBodyComplete(std::string_view received) {
    const std::size_t headersEnd = received.find(kEmptyLine);
    if (headersEnd == std::string_view::npos) return false;
    const std::optional<std::size_t> length = DeclaredContentLength(received.substr(0, headersEnd));
    return length && received.size() - headersEnd - kEmptyLine.size() >= *length;
}

std::string HttpGetBody(const std::string& url, const std::string& userAgent,
                        int32_t answerTimeoutMs) {
    using Clock = std::chrono::steady_clock;
    const std::optional<HttpTarget> target = SplitHttpUrl(url);
    if (!target) return {};
    TcpConnection connection(target->host, target->port, kUpdateOpenTimeoutMs);
    if (!connection.IsOpen() || !connection.SendAll(BuildHttpRequest(*target, userAgent))) {
        return {};
    }

    // Reads until the answer is complete: the server closes, its declared body is all there,
    // its status already says no, or the buffer is full. Time running out or the connection
    // failing first leaves an answer cut off, which says nothing.
    ResponseBuffer buffer;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(answerTimeoutMs);
    bool complete = false;
    while (!complete && !buffer.Full() && Clock::now() < deadline) {
        if (!connection.WaitReadable(kUpdatePollMs)) continue;
        const int64_t received = connection.Receive(buffer.FreeSpace(), buffer.FreeSize());
        if (received > 0) {
            buffer.Commit(static_cast<std::size_t>(received));
            complete =
                AnswerStatusOk(buffer.Bytes()) == false || AnswerBodyComplete(buffer.Bytes());
        } else if (received == 0) {
            complete = true;
        } else if (received != TcpConnection::kReceiveNothingYet) {
            break;
        }
    }
    if (!complete && !buffer.Full()) return {};
    if (AnswerStatusOk(buffer.Bytes()) != true) return {};
    return VersionTextFromResponse(buffer.Text());
}

UpdateVerdict JudgeUpdate(std::string_view versionText, int32_t ownVersion) {
    const int32_t number = VersionNumberFromText(versionText);
    if (number == 0) return UpdateVerdict::Failure;
    return number > ownVersion ? UpdateVerdict::NewerVersion : UpdateVerdict::NoNewerVersion;
}

int32_t UpdateIntervalDays(int32_t updateRange) {
    switch (updateRange) {
        case 0:
            return 1;
        case 1:
            return 7;
        case 2:
            return 30;
        case 3:
            return 90;
        case 4:
            return 180;
        case 5:
            return 0;
        default:
            return 30;
    }
}

bool ScheduledCheckDue(int32_t updateRange, int64_t lastCheck, int64_t now) {
    const int32_t days = UpdateIntervalDays(updateRange);
    if (days == 0) return false;
    return now > lastCheck + int64_t{days} * 86400;
}

}  // namespace pictorb
