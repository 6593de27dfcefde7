// The recording's hotkeys as ScreenRecord.ini keeps them, and what a typed
// combination is stored as.
#include "settings/capture_setting.h"
#include "settings/typed_hotkey.h"

#include "../support/test_support.h"

#include <gtest/gtest.h>

using testing_support::TempFolder;

TEST(HotkeySetting, EachKeyHasItsDefaultKeepsNoneAndKeepsAStoredKeyApart)
{
    TempFolder home;
    const std::string file = home.file("ScreenRecord.ini");
    EXPECT_EQ(settings::ReadRecordHotkey(file), "Ctrl+Shift+F9");
    EXPECT_EQ(settings::ReadPauseHotkey(file), "Ctrl+Shift+F10");
    ASSERT_TRUE(settings::StorePauseHotkey(file, settings::kNoHotkey));
    EXPECT_EQ(settings::ReadPauseHotkey(file), "None");
    EXPECT_EQ(settings::ReadRecordHotkey(file), "Ctrl+Shift+F9");
    ASSERT_TRUE(settings::StoreRecordHotkey(file, "Ctrl+Alt+R"));
    EXPECT_EQ(settings::ReadRecordHotkey(file), "Ctrl+Alt+R");
    EXPECT_EQ(settings::ReadPauseHotkey(file), "None");
}

TEST(HotkeySetting, ATypedCombinationIsStoredInTheFormTheBackEndsRead)
{
    EXPECT_EQ(settings::StoredHotkeyName(""), "None");
    EXPECT_EQ(settings::StoredHotkeyName("Ctrl+Shift+F9"), "Ctrl+Shift+F9");
    EXPECT_EQ(settings::StoredHotkeyName("Meta+Ctrl+P"), "Ctrl+Meta+P");
    // Keys no back end can take: the keypad, other named keys, typing.
    for (const char* typed : {"Ctrl+Num+5", "Ctrl+Home", "Ctrl+Space", "Shift+A", "Ctrl+F1, Ctrl+F2"})
        EXPECT_EQ(settings::StoredHotkeyName(typed), std::nullopt) << typed;
}
