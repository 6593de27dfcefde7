#pragma once
// What the settings keep of a key combination typed as a hotkey. Qt-free.
#include <optional>
#include <string>

namespace settings {

// `portableText` is one combination as Qt's portable text writes it
// ("Ctrl+Shift+F9"), empty when none was typed. Answers the name to store
// (kNoHotkey for none), in the form every back end reads; nothing when no
// back end could take the combination.
std::optional<std::string> StoredHotkeyName(const std::string& portableText);

} // namespace settings
