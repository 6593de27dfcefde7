#include "settings/screencast_token.h"

#include "settings/ini_file.h"
#include "settings/ini_value.h"
#include "settings/settings_files.h"
#include "settings/utf16.h"

namespace settings {

std::string ReadScreenCastToken(const std::string& settingsPath)
{
    char16_t buffer[256] = {}; // portals' tokens are short (a UUID)
    const std::uint32_t length = ini::GetString(u"screen_record", u"screencast_token", u"", buffer, 256, settingsPath);
    return ini::Utf16ToUtf8(std::u16string_view(buffer, length));
}

bool StoreScreenCastToken(const std::string& settingsPath, const std::string& token)
{
    // The first recording may come before anything else was stored.
    if (!PrepareUserFile(settingsPath))
        return false;
    const std::u16string value = ini::ExactValue(ini::Utf8ToUtf16(token));
    return ini::WriteString(u"screen_record", u"screencast_token", value.c_str(), settingsPath);
}

} // namespace settings
