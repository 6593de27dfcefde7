// Where the user's settings live, and the one take-over from the program
// folder of an earlier build.
#include "settings/settings_files.h"

#include "platform/paths.h"
#include "settings/ini_file.h"
#include "settings/save_folder.h"

#include "../support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(SettingsFiles, UserFolderFollowsXdgConfigHomeElseHome)
{
    ScopedEnv home("HOME", "/home/u");
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/cfg/");
        EXPECT_EQ(platform::userSettingsFolder(), "/cfg/vantreel-screen-recorder");
        EXPECT_EQ(settings::SettingsFilePath(), "/cfg/vantreel-screen-recorder/ScreenRecord.ini");
    }
    // A relative or empty value is ignored, as the base-directory rules say.
    ScopedEnv config("XDG_CONFIG_HOME", "relative");
    EXPECT_EQ(platform::userSettingsFolder(), "/home/u/.config/vantreel-screen-recorder");
    ScopedEnv none("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(settings::UserFilePath("config.ini"), "/home/u/.config/vantreel-screen-recorder/config.ini");
}

TEST(SettingsFiles, EarlierBuildsValuesAreTakenOverOnce)
{
    TempFolder root;
    const fs::path program = root.path() / "bin";
    const fs::path user = root.path() / "config" / "vantreel-screen-recorder";
    fs::create_directories(program);
    const std::string longFolder = "/my \"videos\" $x/" + std::string(300, 'v');
    writeFile((program / "ScreenRecord.ini").string(), "[screen_record]\r\nsave_path=" + longFolder + "\r\n");
    writeFile((program / "config.ini").string(),
              "[DefaultLanguage]\r\nDefault=/French\r\n[Languages]\r\n/French=F\r\n");
    const std::string programConfig = readFile((program / "config.ini").string());

    settings::TakeOverProgramFolderSettings(program.string(), user.string());
    const std::string userSettings = (user / "ScreenRecord.ini").string();
    EXPECT_EQ(settings::ReadSaveFolder(userSettings), longFolder);
    char16_t language[64] = {};
    ini::GetString(u"DefaultLanguage", u"Default", u"", language, 64, (user / "config.ini").string());
    EXPECT_EQ(std::u16string(language), u"/French");
    // Only the choice: the list stays the installation's.
    EXPECT_EQ(readFile((user / "config.ini").string()), "[DefaultLanguage]\r\nDefault=/French\r\n");
    EXPECT_EQ(readFile((program / "config.ini").string()), programConfig);

    // Once the user's file is there, it is the user's.
    ASSERT_TRUE(settings::StoreSaveFolder(userSettings, "/new"));
    settings::TakeOverProgramFolderSettings(program.string(), user.string());
    EXPECT_EQ(settings::ReadSaveFolder(userSettings), "/new");

    // Nothing to take over: no user file is made.
    TempFolder other;
    settings::TakeOverProgramFolderSettings(other.path().string(), (other.path() / "u").string());
    EXPECT_FALSE(fs::exists(other.path() / "u"));
}

} // namespace
