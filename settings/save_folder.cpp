#include "settings/save_folder.h"

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/settings_defaults.h"
#include "settings/ini_file.h"
#include "settings/ini_value.h"
#include "settings/utf16.h"

namespace settings {

std::string SettingsFilePath()
{
    return platform::programFolder() + platform::separator() + kSettingsFileName;
}

std::string ReadSaveFolder(const std::string& settingsPath)
{
    const std::u16string fallback = ini::Utf8ToUtf16(platform::defaultSaveFolder());
    char16_t buffer[kSaveFolderBufferChars] = {};
    const std::uint32_t length = ini::GetString(u"screen_record", u"save_path", fallback.c_str(), buffer,
                                                kSaveFolderBufferChars, settingsPath);
    return ini::Utf16ToUtf8(std::u16string_view(buffer, length));
}

bool StoreSaveFolder(const std::string& settingsPath, const std::string& folder)
{
    if (folder.empty())
        return false;
    std::u16string value = ini::Utf8ToUtf16(folder);
    value = ini::ExactValue(std::move(value));
    return ini::WriteString(u"screen_record", u"save_path", value.c_str(), settingsPath);
}

} // namespace settings
