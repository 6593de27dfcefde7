#include "settings/typed_hotkey.h"

#include "platform/hotkey_name.h"
#include "settings/capture_setting.h"

namespace settings {

std::optional<std::string> StoredHotkeyName(const std::string& portableText)
{
    if (portableText.empty())
        return kNoHotkey;
    const auto name = platform::parseHotkeyName(portableText);
    if (!name)
        return std::nullopt;
    return platform::hotkeyNameText(*name);
}

} // namespace settings
