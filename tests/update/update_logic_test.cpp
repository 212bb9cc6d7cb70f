#include <gtest/gtest.h>

#include <cstring>

#include "update/update.h"

namespace pictorb {
namespace {

TEST(SplitHttpUrl, FindsHostPortAndPath) {
    struct Case {
        std::string url;
        std::string host;
        uint16_t port;
        std::string path;
    };
    const Case cases[] = {
        {"http://update.corvalen.example/files/pictorb.dat", "update.corvalen.example", 80,
         "/files/pictorb.dat"},
        {"http://u:p@host:8080/a/b?x=1#top", "host", 8080, "/a/b"},
        {"http://a@b@host/x", "host", 80, "/x"},
        {"http://host", "host", 80, "/"},
        {"http://host:/x", "host", 80, "/x"},
        {"host:65535/x", "host", 65535, "/x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const std::optional<HttpTarget> target = SplitHttpUrl(c.url);
        ASSERT_TRUE(target.has_value());
        EXPECT_EQ(target->host, c.host);
        EXPECT_EQ(target->port, c.port);
        EXPECT_EQ(target->path, c.path);
    }
    for (const char* bad : {"", "http://", "http://:80/x", "http://host:0/", "http://host:65536/",
                            "http://host:8o/", "http://host/a b", "http://host/\r\nX: y"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(SplitHttpUrl(bad).has_value());
    }
}

TEST(VersionTextFromResponse, TakesTheTrimmedBodyCut) {
    struct Case {
        std::string response;
        std::string text;
    };
    const Case cases[] = {
        {"H\r\n\r\n221", "221"},     {"H\r\n\r\n   ", ""},
        {"\r\n\r\n\r\n\r\n221", ""},  // the body is the empty part between the two
        {"H\r\n\r\n22", "22"},       {"H\r\n\r\n\t221", "\t22"},  // only blanks are trimmed
        {"H\r\n\r\n 2 2 1", "2 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.response));
        EXPECT_EQ(VersionTextFromResponse(c.response), c.text);
    }
}

TEST(ResponseBuffer, StopsAtTheFirstZeroAndWhenFull) {
    ResponseBuffer buffer;
    const std::string head = "H\r\n\r\n22";
    std::memcpy(buffer.FreeSpace(), head.data(), head.size());
    buffer.Commit(head.size());
    buffer.Commit(1);  // a zero byte
    EXPECT_EQ(buffer.Text(), head);

    // Reads past the end count as filling it, never more.
    buffer.Commit(kUpdateBufferSize * 2);
    EXPECT_TRUE(buffer.Full());
    EXPECT_EQ(buffer.FreeSize(), 0u);
    EXPECT_EQ(buffer.Text(), head);
}

TEST(JudgeUpdate, ComparesLeadingDigits) {
    EXPECT_EQ(VersionNumberFromText("221"), 221);
    EXPECT_EQ(VersionNumberFromText("22a"), 22);
    EXPECT_EQ(VersionNumberFromText("+22"), 0);
    EXPECT_EQ(JudgeUpdate("000", 220), UpdateVerdict::Failure);
    EXPECT_EQ(JudgeUpdate("99", 220), UpdateVerdict::NoNewerVersion);
    EXPECT_EQ(JudgeUpdate("300", 220), UpdateVerdict::NewerVersion);
}

TEST(ScheduledCheckDue, FollowsTheIntervalTable) {
    constexpr int64_t kDay = 86400;
    constexpr int64_t kNow = 1'800'000'000;
    struct Case {
        int32_t range;
        int64_t days;  // expected interval
    };
    const Case cases[] = {{0, 1}, {1, 7}, {2, 30}, {3, 90}, {4, 180}, {6, 30}, {-1, 30}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.range);
        EXPECT_FALSE(ScheduledCheckDue(c.range, kNow - c.days * kDay, kNow));
        EXPECT_TRUE(ScheduledCheckDue(c.range, kNow - c.days * kDay - 1, kNow));
    }
    EXPECT_FALSE(ScheduledCheckDue(5, 0, kNow));
    EXPECT_TRUE(ScheduledCheckDue(1, kNow - 8 * kDay, kNow));
    EXPECT_FALSE(ScheduledCheckDue(1, kNow - 6 * kDay, kNow));
}

TEST(UpdateUrls, DataOnTheUpdateHostDownloadOnTheHomepage) {
    const std::optional<HttpTarget> data =
        SplitHttpUrl(UpdateDataUrl("update.vendor.example:8080"));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->host, "update.vendor.example");
    EXPECT_EQ(data->port, 8080);
    EXPECT_EQ(data->path, "/files/pictorb.dat");
    // Offered to the browser: the homepage over https, not plain http on the update host.
    EXPECT_EQ(UpdateDownloadUrl(), "https://www.corvalen.example/pictorb/");
}

TEST(AnswerStatusOk, OnlyHttp1Status200) {
    const struct {
        const char* received;
        std::optional<bool> ok;
    } cases[] = {
        {"HTTP/1.0 200 OK\r\n", true},
        {"HTTP/1.1 200\r\n\r\n221", true},
        {"HTTP/1.0 2000 OK\r\n", false},
        {"HTTP/1.0 20\r\n", false},
        {"HTTP/2 200\r\n", false},
        {"221\r\n\r\n221", false},
        {"HTTP/1.0 200 O", std::nullopt},  // the line is still arriving
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.received)));
        EXPECT_EQ(AnswerStatusOk(c.received), c.ok);
    }
}

TEST(AnswerBodyComplete, WhenTheDeclaredLengthHasArrived) {
    const struct {
        const char* received;
        bool complete;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n221", true},
        {"HTTP/1.1 200 OK\r\ncontent-length:3\r\n\r\n2210", true},
        {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", true},
        {"HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n22", false},
        {"HTTP/1.1 200 OK\r\nContent-Length: 3\r\n", false},  // headers not ended
        {"HTTP/1.1 200 OK\r\n\r\n221", false},                // the end is the close
        {"HTTP/1.1 200 OK\r\nContent-Length: 3x\r\n\r\n221", false},
        {"HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 2\r\n\r\n221", false},
        {"HTTP/1.1 200 OK\r\nX-Content-Length: 3\r\n\r\n221", false},
        {"HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n221", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.received)));
        EXPECT_EQ(AnswerBodyComplete(c.received), c.complete);
    }
}

}  // namespace
}  // namespace pictorb
