#include "platform/hotkey_name.h"

#include <array>
#include <cctype>

namespace platform {
namespace {

struct ModifierName {
    HotkeyName::Modifier modifier;
    const char* stored;  // as the settings and Qt's portable text write it
    const char* trigger; // as the shortcuts specification writes it
};

// In the order the stored name and the portal's trigger write them.
constexpr std::array<ModifierName, 4> kModifierNames{{
    {HotkeyName::Ctrl, "Ctrl", "CTRL"},
    {HotkeyName::Alt, "Alt", "ALT"},
    {HotkeyName::Shift, "Shift", "SHIFT"},
    {HotkeyName::Meta, "Meta", "LOGO"},
}};

bool sameLetters(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::optional<HotkeyName> parseKey(std::string_view key, unsigned modifiers)
{
    HotkeyName name;
    name.modifiers = modifiers;
    const char first = key.empty() ? '\0' : key[0];
    const bool letter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
    if (key.size() == 1 && (letter || (first >= '0' && first <= '9'))) {
        name.character = static_cast<char>(std::toupper(static_cast<unsigned char>(key[0])));
        if (!(modifiers & (HotkeyName::Ctrl | HotkeyName::Alt | HotkeyName::Meta)))
            return std::nullopt;
        return name;
    }
    // "F1" to "F24", without a leading zero.
    if (key.size() < 2 || key.size() > 3 || (key[0] != 'F' && key[0] != 'f') || key[1] == '0')
        return std::nullopt;
    int number = 0;
    for (const char c : key.substr(1)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    if (number < 1 || number > 24)
        return std::nullopt;
    name.function = number;
    return name;
}

} // namespace

std::optional<HotkeyName> parseHotkeyName(std::string_view text)
{
    unsigned modifiers = 0;
    for (std::size_t plus; (plus = text.find('+')) != std::string_view::npos; text.remove_prefix(plus + 1)) {
        const std::string_view part = text.substr(0, plus);
        unsigned bit = 0;
        for (const ModifierName& name : kModifierNames)
            if (sameLetters(part, name.stored))
                bit = name.modifier;
        if (bit == 0 || (modifiers & bit))
            return std::nullopt;
        modifiers |= bit;
    }
    return parseKey(text, modifiers);
}

std::string hotkeyNameText(const HotkeyName& key)
{
    std::string text;
    for (const ModifierName& name : kModifierNames)
        if (key.modifiers & name.modifier)
            text += std::string(name.stored) + "+";
    return text + (key.function ? "F" + std::to_string(key.function) : std::string(1, key.character));
}

std::string shortcutTrigger(const HotkeyName& key)
{
    std::string text;
    for (const ModifierName& name : kModifierNames)
        if (key.modifiers & name.modifier)
            text += std::string(name.trigger) + "+";
    // XKB names a letter key by its lower-case symbol.
    if (key.function)
        return text + "F" + std::to_string(key.function);
    return text + static_cast<char>(std::tolower(static_cast<unsigned char>(key.character)));
}

} // namespace platform
