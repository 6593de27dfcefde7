#include "settings/save_folder.h"

#include "platform/paths.h"
#include "platform/settings_defaults.h"
#include "settings/ini_file.h"
#include "settings/ini_value.h"
#include "settings/settings_files.h"
#include "settings/utf16.h"

#include <vector>

namespace settings {

std::string SettingsFilePath() { return UserFilePath(kSettingsFileName); }

std::string ReadSaveFolder(const std::string& settingsPath)
{
    const std::u16string fallback = ini::Utf8ToUtf16(platform::defaultSaveFolder());
    // A value that fills the buffer may have been cut: ask again with more room.
    std::vector<char16_t> buffer(260);
    for (;;) {
        const std::uint32_t length = ini::GetString(u"screen_record", u"save_path", fallback.c_str(), buffer.data(),
                                                    static_cast<std::uint32_t>(buffer.size()), settingsPath);
        if (length + 1 < buffer.size())
            return ini::Utf16ToUtf8(std::u16string_view(buffer.data(), length));
        buffer.resize(buffer.size() * 4);
    }
}

bool SaveFolderFits(const std::string& folder)
{
    const std::size_t limit = platform::maxFolderPathChars();
    return limit == 0 || ini::Utf8ToUtf16(folder).size() <= limit;
}

bool StoreSaveFolder(const std::string& settingsPath, const std::string& folder)
{
    if (folder.empty() || !PrepareUserFile(settingsPath))
        return false;
    std::u16string value = ini::Utf8ToUtf16(folder);
    value = ini::ExactValue(std::move(value));
    return ini::WriteString(u"screen_record", u"save_path", value.c_str(), settingsPath);
}

} // namespace settings
