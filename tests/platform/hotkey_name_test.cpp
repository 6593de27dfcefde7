#include "platform/hotkey_name.h"

#include <gtest/gtest.h>

using platform::HotkeyName;
using platform::parseHotkeyName;

TEST(HotkeyName, ReadsModifiersAndOneKeyInAnyCaseAndWritesOneForm)
{
    EXPECT_EQ(parseHotkeyName("Ctrl+Shift+F9"), (HotkeyName{HotkeyName::Ctrl | HotkeyName::Shift, 0, 9}));
    EXPECT_EQ(parseHotkeyName("meta+alt+q"), (HotkeyName{HotkeyName::Meta | HotkeyName::Alt, 'Q', 0}));
    EXPECT_EQ(parseHotkeyName("Ctrl+7"), (HotkeyName{HotkeyName::Ctrl, '7', 0}));
    EXPECT_EQ(parseHotkeyName("F24"), (HotkeyName{0, 0, 24}));
    EXPECT_EQ(parseHotkeyName("Shift+F1"), (HotkeyName{HotkeyName::Shift, 0, 1}));

    EXPECT_EQ(platform::hotkeyNameText(*parseHotkeyName("shift+meta+alt+ctrl+f10")), "Ctrl+Alt+Shift+Meta+F10");
    EXPECT_EQ(platform::shortcutTrigger(*parseHotkeyName("Ctrl+Shift+F9")), "CTRL+SHIFT+F9");
    EXPECT_EQ(platform::shortcutTrigger(*parseHotkeyName("Meta+Alt+Q")), "ALT+LOGO+q");
}

TEST(HotkeyName, RefusesWhatNamesNoKeyAndPlainTyping)
{
    for (const char* text : {"", "None", "Ctrl+", "+F9", "Ctrl+Ctrl+F9", "Ctrl+Shift", "Ctrl+Nonsense", "Ctrl+F0",
                             "Ctrl+F25", "Ctrl+F09", "Ctrl+F1x", "Num+Ctrl+5", "Ctrl+Home", "Ctrl+AB", "Ctrl+\xC3\xA9"})
        EXPECT_FALSE(parseHotkeyName(text)) << text;
    // A letter or digit without Ctrl, Alt or Meta would be taken from every
    // program's typing.
    for (const char* text : {"A", "Shift+A", "5", "Shift+5"})
        EXPECT_FALSE(parseHotkeyName(text)) << text;
}
