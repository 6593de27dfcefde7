#include "settings/capture_setting.h"

#include "settings/ini_file.h"
#include "settings/ini_value.h"
#include "settings/utf16.h"

#include <cstdlib>

using util::AreaFromText;
using util::AreaText;
using util::CaptureChoice;
using util::CaptureKind;
using util::CaptureKindFromText;
using util::CaptureKindText;

namespace settings {
namespace {

std::string read(const char16_t* key, const std::string& settingsPath)
{
    char16_t buffer[64] = {};
    const std::uint32_t length = ini::GetString(u"screen_record", key, u"", buffer, 64, settingsPath);
    return ini::Utf16ToUtf8(std::u16string_view(buffer, length));
}

bool write(const char16_t* key, const std::string& value, const std::string& settingsPath)
{
    return ini::WriteString(u"screen_record", key, ini::Utf8ToUtf16(value).c_str(), settingsPath);
}

} // namespace

CaptureChoice ReadCaptureChoice(const std::string& settingsPath)
{
    CaptureChoice choice;
    choice.kind = CaptureKindFromText(read(u"capture", settingsPath));
    if (choice.kind == CaptureKind::Desktop)
        return choice;
    const auto area = AreaFromText(read(u"capture_area", settingsPath));
    if (!area)
        return {};
    choice.area = *area;
    choice.window = std::strtoull(read(u"capture_window", settingsPath).c_str(), nullptr, 10);
    return choice;
}

bool StoreCaptureChoice(const std::string& settingsPath, const CaptureChoice& choice)
{
    return write(u"capture", CaptureKindText(choice.kind), settingsPath)
        && write(u"capture_area", AreaText(choice.area), settingsPath)
        && write(u"capture_window", std::to_string(choice.window), settingsPath);
}

int ReadCountdownSeconds(const std::string& settingsPath)
{
    const std::string text = read(u"countdown", settingsPath);
    return text == "3" ? 3 : text == "5" ? 5 : 0;
}

bool StoreCountdownSeconds(const std::string& settingsPath, int seconds)
{
    return write(u"countdown", std::to_string(seconds == 3 || seconds == 5 ? seconds : 0), settingsPath);
}

bool ReadSeparateTracks(const std::string& settingsPath) { return read(u"separate_tracks", settingsPath) == "1"; }

bool StoreSeparateTracks(const std::string& settingsPath, bool separate)
{
    return write(u"separate_tracks", separate ? "1" : "0", settingsPath);
}

std::string ReadRecordHotkey(const std::string& settingsPath)
{
    const std::string keys = read(u"hotkey_record", settingsPath);
    return keys.empty() ? kDefaultRecordHotkey : keys;
}

bool StoreRecordHotkey(const std::string& settingsPath, const std::string& keys)
{
    return write(u"hotkey_record", keys, settingsPath);
}

std::string ReadPauseHotkey(const std::string& settingsPath)
{
    const std::string keys = read(u"hotkey_pause", settingsPath);
    return keys.empty() ? kDefaultPauseHotkey : keys;
}

bool StorePauseHotkey(const std::string& settingsPath, const std::string& keys)
{
    return write(u"hotkey_pause", keys, settingsPath);
}

} // namespace settings
