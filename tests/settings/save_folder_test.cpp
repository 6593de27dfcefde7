#include "settings/save_folder.h"

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/settings_defaults.h"

#include "../support/test_support.h"
#include "ini_vectors.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

TEST(SaveFolder, FirstStartShowsTheDefaultAndCreatesNoFile)
{
    TempFolder folder;
    const std::string file = folder.file("ScreenRecord.ini");
    EXPECT_EQ(settings::ReadSaveFolder(file), platform::defaultSaveFolder());
    EXPECT_FALSE(platform::fileExists(file));

    writeFile(file, "[other]\r\nsave_path=/elsewhere\r\n");
    EXPECT_EQ(settings::ReadSaveFolder(file), platform::defaultSaveFolder());
}

TEST(SaveFolder, DefaultIsVantreelSaveInTheHomeFolderOrOnDriveC)
{
    const std::string folder = platform::defaultSaveFolder();
    const bool windows = platform::separator() == '\\';
    EXPECT_EQ(folder, windows ? std::string("C:\\VantreelSave") : platform::homeFolder() + "/VantreelSave");
}

TEST(SaveFolder, StoredFolderReadsBackExactly)
{
    TempFolder folder;
    const std::string file = folder.file("ScreenRecord.ini");
    std::vector<std::string> paths = {"/home/u/Videos",    "C:\\Users\\Me\\My Videos",
                                      "/x/ends in blank ", " /starts with blank",
                                      "\"/quoted\"",       "'/single'",
                                      "/a/$HOME/`x`;&",    "D:\\\xC3\x84rger\\Vid\xC3\xA9os"};
    // Other scripts survive in this new 8-bit file only where it holds
    // UTF-8; the Windows functions write the system code page.
    if (!ini_vectors::kRealWindowsFunctions)
        paths.push_back("/\xE6\x97\xA5\xE6\x9C\xAC/\xD0\x92\xD0\xB8\xD0\xB4\xD0\xB5\xD0\xBE");
    for (const std::string& path : paths) {
        ASSERT_TRUE(settings::StoreSaveFolder(file, path)) << path;
        EXPECT_EQ(settings::ReadSaveFolder(file), path);
    }
}

TEST(SaveFolder, StoreKeepsTheRestOfTheFile)
{
    TempFolder folder;
    const std::string file = folder.file("ScreenRecord.ini");
    writeFile(file, "; notes\r\n[screen_record]\r\nsave_path=C:\\old\r\nother=1\r\n[more]\r\nx=y\r\n");
    ASSERT_TRUE(settings::StoreSaveFolder(file, "D:\\new"));
    EXPECT_EQ(readFile(file), "; notes\r\n[screen_record]\r\nsave_path=D:\\new\r\nother=1\r\n[more]\r\nx=y\r\n");
}

TEST(SaveFolder, EmptyValueStaysEmptyAndAnEmptyFolderIsNotStored)
{
    TempFolder folder;
    const std::string file = folder.file("ScreenRecord.ini");
    EXPECT_FALSE(settings::StoreSaveFolder(file, ""));
    EXPECT_FALSE(platform::fileExists(file));

    const std::string empty = "[SCREEN_RECORD]\r\nSave_Path=\r\n";
    writeFile(file, empty);
    EXPECT_EQ(settings::ReadSaveFolder(file), "");
    EXPECT_FALSE(settings::StoreSaveFolder(file, ""));
    EXPECT_EQ(readFile(file), empty);
}

TEST(SaveFolder, LongFolderReadsWholeAndOnlyAPathLimitRefusesIt)
{
    TempFolder folder;
    const std::string file = folder.file("ScreenRecord.ini");
    // Units, not bytes: 300 two-byte letters.
    std::string letters = "/";
    for (int i = 0; i < 300; ++i)
        letters += "\xC3\xA9";
    for (const std::string& path : {"/" + std::string(259, 'a'), "/" + std::string(2000, 'b'), letters}) {
        ASSERT_TRUE(settings::StoreSaveFolder(file, path));
        EXPECT_EQ(settings::ReadSaveFolder(file), path);
    }
    const bool windows = platform::separator() == '\\';
    EXPECT_TRUE(settings::SaveFolderFits("C:\\" + std::string(256, 'a')));
    EXPECT_EQ(settings::SaveFolderFits("C:\\" + std::string(257, 'a')), !windows);
    EXPECT_EQ(settings::SaveFolderFits(letters), !windows);
}

TEST(SaveFolder, StoringCreatesTheMissingSettingsFolder)
{
    TempFolder folder;
    const std::string file = (folder.path() / "config" / "vantreel-screen-recorder" / "ScreenRecord.ini").string();
    ASSERT_TRUE(settings::StoreSaveFolder(file, "/videos"));
    EXPECT_EQ(settings::ReadSaveFolder(file), "/videos");
    // A settings folder that cannot be made: the store fails, nothing is lost.
    writeFile(folder.file("plain"), "x");
    EXPECT_FALSE(settings::StoreSaveFolder(folder.file("plain") + "/sub/ScreenRecord.ini", "/videos"));
}

TEST(SaveFolder, Utf16SettingsFileStaysUtf16)
{
    TempFolder folder;
    const std::string file = folder.file("ScreenRecord.ini");
    writeFile(file, std::string("\xFF\xFE", 2));
    ASSERT_TRUE(settings::StoreSaveFolder(file, "/\xE5\x90\x8D"));
    EXPECT_EQ(settings::ReadSaveFolder(file), "/\xE5\x90\x8D");
    EXPECT_EQ(readFile(file).substr(0, 4), std::string("\xFF\xFE[\0", 4));
}

} // namespace
