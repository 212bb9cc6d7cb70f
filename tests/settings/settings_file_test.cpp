// The settings file on disk: its place, a save and load through it, failed saves.

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/files.h"
#include "settings/settings.h"

namespace pictorb {
namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/pictorb-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        const char* previous = getenv("XDG_CONFIG_HOME");
        if (previous != nullptr) previousConfigHome_ = previous;
        setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
    }
    void TearDown() override {
        if (previousConfigHome_) {
            setenv("XDG_CONFIG_HOME", previousConfigHome_->c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
        std::error_code ignored;
        fs::permissions(root_ + "/config/Corvalen/pictorb", fs::perms::owner_all,
                        fs::perm_options::add, ignored);
        fs::remove_all(root_, ignored);
    }

    static std::string Contents(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }

    std::string root_;
    std::optional<std::string> previousConfigHome_;
};

TEST_F(SettingsFileTest, LivesInTheMakersFolderBelowTheConfigHome) {
    ConversionSettings settings;
    ASSERT_TRUE(LocateSettingsFile(settings));
    EXPECT_EQ(settings.settingsFilePath, root_ + "/config/Corvalen/pictorb/config.ini");
    EXPECT_TRUE(fs::is_directory(root_ + "/config/Corvalen/pictorb"));
    EXPECT_FALSE(fs::exists(settings.settingsFilePath));
    ASSERT_TRUE(LocateSettingsFile(settings));  // existing folders are fine

    // A folder that cannot be made leaves no path to read or write.
    std::ofstream(root_ + "/blocker") << "a file";
    setenv("XDG_CONFIG_HOME", (root_ + "/blocker").c_str(), 1);
    EXPECT_FALSE(LocateSettingsFile(settings));
    EXPECT_EQ(settings.settingsFilePath, "");
}

TEST_F(SettingsFileTest, MissingFileGivesTheDesktopDefaultsAndTheFirstSaveCreatesIt) {
    const Formats formats = MakeFormats();
    ConversionSettings settings;
    ASSERT_TRUE(LocateSettingsFile(settings));
    LoadSettings(settings, formats, 1920, 1080);
    EXPECT_EQ(settings.cfg, 17);
    EXPECT_EQ(settings.windowX, 705);
    EXPECT_EQ(settings.keepAspectRatio, 1);

    settings.jpgQuality = 42;
    settings.text =
        "Stra\xC3\x9F"
        "e";
    ASSERT_TRUE(SaveSettings(settings, formats));
    EXPECT_EQ(Contents(settings.settingsFilePath), SettingsFileText(settings, formats));

    ConversionSettings read;
    read.settingsFilePath = settings.settingsFilePath;
    LoadSettings(read, formats, 800, 600);
    EXPECT_EQ(read.text, settings.text);
    EXPECT_EQ(read.jpgQuality, 95);  // not a key of this edition's formats
    EXPECT_EQ(read.windowX, 705);    // from the file, not centred anew

    // Only the file itself is left behind: no temporary files.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry :
         fs::directory_iterator(root_ + "/config/Corvalen/pictorb")) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(SettingsFileTest, FailedSaveLeavesTheOldFileAsItWas) {
    const Formats formats = MakeFormats();
    ConversionSettings settings;
    SetDefaults(settings, DefaultsFor::Desktop, formats, 1920, 1080);
    ASSERT_TRUE(LocateSettingsFile(settings));
    ASSERT_TRUE(SaveSettings(settings, formats));
    const std::string before = Contents(settings.settingsFilePath);
    settings.recentFiles = std::string(100000, 'x');  // a new text far larger than the old

    {
        SCOPED_TRACE("disk full while writing");
        // RLIMIT_FSIZE makes the write fail for any user, root included.
        struct sigaction ignore {
        }, previous{};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &previous);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit saved = limit;
        limit.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool savedOk = SaveSettings(settings, formats);
        setrlimit(RLIMIT_FSIZE, &saved);
        sigaction(SIGXFSZ, &previous, nullptr);
        EXPECT_FALSE(savedOk);
        EXPECT_EQ(Contents(settings.settingsFilePath), before);
    }
    if (geteuid() != 0) {
        SCOPED_TRACE("read-only folder");
        fs::permissions(root_ + "/config/Corvalen/pictorb", fs::perms::owner_write,
                        fs::perm_options::remove);
        EXPECT_FALSE(SaveSettings(settings, formats));
        EXPECT_EQ(Contents(settings.settingsFilePath), before);
    }
    {
        SCOPED_TRACE("a config.ini made read-only by its user stays frozen, for root too");
        fs::permissions(settings.settingsFilePath,
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        EXPECT_FALSE(SaveSettings(settings, formats));
        EXPECT_EQ(Contents(settings.settingsFilePath), before);
        fs::permissions(settings.settingsFilePath, fs::perms::owner_write, fs::perm_options::add);
    }
    {
        SCOPED_TRACE("no path");
        ConversionSettings nowhere = settings;
        nowhere.settingsFilePath.clear();
        EXPECT_FALSE(SaveSettings(nowhere, formats));
    }
}

}  // namespace
}  // namespace pictorb
