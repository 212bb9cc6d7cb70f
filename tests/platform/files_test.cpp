#include "platform/files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "support/process_runner.h"

namespace pictorb {
namespace {

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Files, QueryFileSizeTellsMissingFolderEmptyAndSize) {
    test::TempDir dir;
    ASSERT_TRUE(test::WriteBytes(dir.Join("empty"), ""));
    ASSERT_TRUE(test::WriteBytes(dir.Join("five"), std::string("ab\0cd", 5)));
    ASSERT_EQ(symlink(dir.Path().c_str(), dir.Join("link-to-folder").c_str()), 0);
    ASSERT_EQ(symlink(dir.Join("gone").c_str(), dir.Join("dangling").c_str()), 0);
    ASSERT_EQ(mkfifo(dir.Join("fifo").c_str(), 0600), 0);
    struct Case {
        std::string path;
        int64_t expected;
    };
    const Case cases[] = {
        {dir.Join("missing"), kFileMissing},
        {"", kFileMissing},
        {dir.Path(), kFileIsFolder},
        {dir.Path() + "/", kFileIsFolder},
        {dir.Join("link-to-folder"), kFileIsFolder},
        {dir.Join("dangling"), kFileMissing},
        {dir.Join("empty"), 0},
        {dir.Join("five"), 5},
        {dir.Join("five/"), kFileMissing},
        {dir.Join("fifo"), kFileIsOther},
        {"/dev/null", kFileIsOther},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(QueryFileSize(c.path), c.expected);
    }
}

TEST(Files, WriteFileAtomicallyReplacesAndLeavesNoTemporaryFile) {
    test::TempDir dir;
    const std::string path = dir.Join("config.ini");
    const std::string first = std::string("first\r\n\0binary", 14);
    ASSERT_TRUE(WriteFileAtomically(path, first));
    std::string read;
    ASSERT_TRUE(ReadWholeFile(path, read));
    EXPECT_EQ(read, first);

    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(path, "second"));
    ASSERT_TRUE(ReadWholeFile(path, read));
    EXPECT_EQ(read, "second");
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"config.ini"});

    // A settings file kept as a link stays a link; its target gets the text.
    ASSERT_TRUE(test::WriteBytes(dir.Join("real.ini"), "old"));
    ASSERT_EQ(symlink("real.ini", dir.Join("linked.ini").c_str()), 0);
    ASSERT_TRUE(WriteFileAtomically(dir.Join("linked.ini"), "new"));
    EXPECT_EQ(test::ReadBytes(dir.Join("real.ini")), "new");
    ASSERT_EQ(lstat(dir.Join("linked.ini").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST(Files, WriteFileAtomicallyFailureKeepsOldFile) {
    test::TempDir dir;
    {
        SCOPED_TRACE("folder missing");
        EXPECT_FALSE(WriteFileAtomically(dir.Join("missing/config.ini"), "x"));
        EXPECT_EQ(QueryFileSize(dir.Join("missing")), kFileMissing);
    }
    {
        SCOPED_TRACE("path is a folder");
        ASSERT_TRUE(CreateFolder(dir.Join("folder")));
        EXPECT_FALSE(WriteFileAtomically(dir.Join("folder"), "x"));
        EXPECT_EQ(QueryFileSize(dir.Join("folder")), kFileIsFolder);
    }
    {
        SCOPED_TRACE("file size limit");
        // Writing past RLIMIT_FSIZE fails in a child process that ignores SIGXFSZ; the old
        // text must survive and the half-written temporary file must be gone.
        const std::string path = dir.Join("limited.ini");
        ASSERT_TRUE(test::WriteBytes(path, "old text"));
        pid_t pid = fork();
        if (pid == 0) {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit = {100, 100};
            setrlimit(RLIMIT_FSIZE, &limit);
            _exit(WriteFileAtomically(path, std::string(1000, 'n')) ? 1 : 0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(test::ReadBytes(path), "old text");
        EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"folder", "limited.ini"}));
    }
    if (geteuid() == 0) {
        GTEST_SKIP() << "read-only folders do not stop root";
    }
    {
        SCOPED_TRACE("read-only folder");
        const std::string folder = dir.Join("ro");
        ASSERT_TRUE(CreateFolder(folder));
        ASSERT_TRUE(test::WriteBytes(folder + "/config.ini", "old text"));
        ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
        EXPECT_FALSE(WriteFileAtomically(folder + "/config.ini", "new text"));
        EXPECT_EQ(test::ReadBytes(folder + "/config.ini"), "old text");
        EXPECT_EQ(Listing(folder), std::vector<std::string>{"config.ini"});
    }
}

TEST(Files, ReadWholeFileFailsEmptyForMissingFilesAndFolders) {
    test::TempDir dir;
    std::string bytes = "stale";
    EXPECT_FALSE(ReadWholeFile(dir.Join("missing"), bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(ReadWholeFile(dir.Path(), bytes));
}

TEST(Files, CreateFolderMakesParents) {
    test::TempDir dir;
    EXPECT_TRUE(CreateFolder(dir.Join("a/b/c/")));
    EXPECT_EQ(QueryFileSize(dir.Join("a/b/c")), kFileIsFolder);
    EXPECT_TRUE(CreateFolder(dir.Join("a/b")));  // already there
    ASSERT_TRUE(test::WriteBytes(dir.Join("file"), "x"));
    EXPECT_FALSE(CreateFolder(dir.Join("file")));
    EXPECT_FALSE(CreateFolder(dir.Join("file/sub")));
    EXPECT_FALSE(CreateFolder(""));
}

TEST(Files, Folders) {
    {
        test::ScopedEnv config("XDG_CONFIG_HOME", "/srv/conf");
        EXPECT_EQ(ApplicationDataFolder(), "/srv/conf/");
    }
    for (const char* ignored : {"", "relative/conf"}) {
        SCOPED_TRACE(ignored);
        test::ScopedEnv config("XDG_CONFIG_HOME", std::string(ignored));
        test::ScopedEnv home("HOME", "/home/someone/");
        EXPECT_EQ(ApplicationDataFolder(), "/home/someone/.config/");
    }
    const std::string program = ProgramFolder();
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(program.back(), '/');
    EXPECT_GT(QueryFileSize(program + "test_platform"), 0);
}

TEST(Files, ModifiedTimeRoundTripsInLocalTime) {
    test::TempDir dir;
    const std::string path = dir.Join("stamped");
    ASSERT_TRUE(test::WriteBytes(path, "x"));
    // 2021-01-15 12:00:00 and 2021-07-15 12:00:00 as local date-times: one in winter and
    // one in summer time, where the zone's offset differs.
    const int64_t winter = 1610712000;
    const int64_t summer = 1626350400;
    struct Zone {
        const char* tz;
        int64_t winterOffset;
        int64_t summerOffset;
    };
    const Zone zones[] = {
        {"UTC0", 0, 0},
        {"XYZ-2", 7200, 7200},
        {"CET-1CEST,M3.5.0,M10.5.0/3", 3600, 7200},
        {"EST5EDT,M3.2.0,M11.1.0", -5 * 3600, -4 * 3600},
    };
    for (const Zone& zone : zones) {
        SCOPED_TRACE(zone.tz);
        test::ScopedEnv tz("TZ", std::string(zone.tz));
        for (auto [local, offset] :
             {std::pair{winter, zone.winterOffset}, std::pair{summer, zone.summerOffset}}) {
            SCOPED_TRACE(local);
            ASSERT_TRUE(SetModifiedTimeLocalSeconds(path, local));
            EXPECT_EQ(ModifiedTimeLocalSeconds(path), local);
            struct stat info;
            ASSERT_EQ(stat(path.c_str(), &info), 0);
            EXPECT_EQ(info.st_mtime, local - offset);  // the instant stored on disk
        }
        if (zone.winterOffset == zone.summerOffset) {
            const int64_t before = time(nullptr);
            const int64_t now = NowLocalSeconds();
            const LocalDateTime fields = NowLocalDateTime();
            EXPECT_LE(std::abs(now - before - zone.winterOffset), 1);
            // The date-time fields are the same moment read as local seconds.
            time_t asUtc = static_cast<time_t>(now);
            struct tm expected;
            gmtime_r(&asUtc, &expected);
            EXPECT_EQ(fields.year, expected.tm_year + 1900);
            EXPECT_EQ(fields.month, expected.tm_mon + 1);
            EXPECT_EQ(fields.day, expected.tm_mday);
            EXPECT_EQ(fields.hour, expected.tm_hour);
        }
    }
    EXPECT_EQ(ModifiedTimeLocalSeconds(dir.Join("missing")), -1);
    EXPECT_FALSE(SetModifiedTimeLocalSeconds(dir.Join("missing"), winter));
}

}  // namespace
}  // namespace pictorb
