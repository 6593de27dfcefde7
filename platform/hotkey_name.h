#pragma once
// A hotkey as the settings name it ("Ctrl+Shift+F9": modifiers, then one
// key), read once here for every back end, so that a name means the same key
// on each. Qt-free.
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct HotkeyName {
    enum Modifier : unsigned { Ctrl = 1, Shift = 2, Alt = 4, Meta = 8 };
    unsigned modifiers = 0; // Modifier bits
    char character = 0;     // 'A'-'Z' or '0'-'9'; 0 for a function key
    int function = 0;       // 1-24 for F1-F24; 0 for a character

    bool operator==(const HotkeyName&) const = default;
};

// The modifiers Ctrl, Shift, Alt and Meta (each once, in any order), then a
// letter, a digit or F1-F24, joined by "+"; case does not matter. A letter or
// a digit needs Ctrl, Alt or Meta: alone or with Shift it is typing, which a
// global hotkey would take from every program.
std::optional<HotkeyName> parseHotkeyName(std::string_view text);

// The one form the settings store, modifiers in the order of Qt's portable
// text: "Ctrl+Alt+Shift+Meta+F9", "Ctrl+Shift+A".
std::string hotkeyNameText(const HotkeyName& key);

// The trigger a desktop's shortcuts portal takes (the XDG shortcuts
// specification: modifiers CTRL, ALT, SHIFT, LOGO, then an XKB key name):
// "CTRL+SHIFT+F9", "LOGO+a".
std::string shortcutTrigger(const HotkeyName& key);

} // namespace platform
