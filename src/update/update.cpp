#include "update/update.h"

#include <chrono>
#include <cstring>

#include "app/branding.h"
#include "platform/tcp_connection.h"

namespace pictorb {
namespace {

// A distributor may point the check at a real server at build time (host, or host:port).
#ifdef PICTORB_UPDATE_HOST
constexpr std::string_view kServer = PICTORB_UPDATE_HOST;
#else
constexpr std::string_view kServer = kUpdateHost;
#endif

constexpr std::string_view kEmptyLine = "\r\n\r\n";

}  // namespace

std::string UpdateDataUrl() {
    return "http://" + std::string(kServer) + "/files/pictorb.dat";
}

std::string UpdateDownloadUrl() {
    return "http://" + std::string(kServer) + "/pictorb/";
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
        zero == nullptr ? used_ : static_cast<std::size_t>(static_cast<const char*>(zero) -
                                                           bytes_.data());
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

std::string HttpGetBody(const std::string& url, const std::string& userAgent) {
    using Clock = std::chrono::steady_clock;
    const std::optional<HttpTarget> target = SplitHttpUrl(url);
    if (!target) return {};
    TcpConnection connection(target->host, target->port, kUpdateOpenTimeoutMs);
    if (!connection.IsOpen() || !connection.SendAll(BuildHttpRequest(*target, userAgent))) {
        return {};
    }

    // Reads until the server closes, the buffer is full or the time is up; whatever arrived
    // by then is the answer.
    ResponseBuffer buffer;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(kUpdateAnswerTimeoutMs);
    while (!buffer.Full() && Clock::now() < deadline) {
        if (!connection.WaitReadable(kUpdatePollMs)) continue;
        const int64_t received = connection.Receive(buffer.FreeSpace(), buffer.FreeSize());
        if (received > 0) {
            buffer.Commit(static_cast<std::size_t>(received));
        } else if (received != TcpConnection::kReceiveNothingYet) {
            break;  // the end of the stream, or the connection failed
        }
    }
    return VersionTextFromResponse(buffer.Text());
}

UpdateVerdict JudgeUpdate(std::string_view versionText, int32_t ownVersion) {
    const int32_t number = VersionNumberFromText(versionText);
    if (number == 0) return UpdateVerdict::Failure;
    return number > ownVersion ? UpdateVerdict::NewerVersion : UpdateVerdict::NoNewerVersion;
}

int32_t UpdateIntervalDays(int32_t updateRange) {
    switch (updateRange) {
        case 0: return 1;
        case 1: return 7;
        case 2: return 30;
        case 3: return 90;
        case 4: return 180;
        case 5: return 0;
        default: return 30;
    }
}

bool ScheduledCheckDue(int32_t updateRange, int64_t lastCheck, int64_t now) {
    const int32_t days = UpdateIntervalDays(updateRange);
    if (days == 0) return false;
    return now > lastCheck + int64_t{days} * 86400;
}

}  // namespace pictorb
