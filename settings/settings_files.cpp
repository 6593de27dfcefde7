#include "settings/settings_files.h"

#include "platform/files.h"
#include "platform/paths.h"
#include "settings/ini_file.h"
#include "settings/ini_value.h"

#include <vector>

namespace settings {
namespace {

std::string joined(const std::string& folder, const std::string& name) { return folder + platform::separator() + name; }

std::string parentOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of(platform::separator() == '\\' ? "\\/" : "/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

// The value as stored, whatever its length. False when the key is missing.
bool readWhole(const char16_t* section, const char16_t* key, const std::string& file, std::u16string& value)
{
    // A default no stored value can equal tells a missing key from an empty one.
    const char16_t* missing = u"\n";
    std::vector<char16_t> buffer(256);
    for (;;) {
        const std::uint32_t n =
            ini::GetString(section, key, missing, buffer.data(), static_cast<std::uint32_t>(buffer.size()), file);
        if (n + 1 < buffer.size()) {
            value.assign(buffer.data(), n);
            return value != missing;
        }
        buffer.resize(buffer.size() * 4);
    }
}

void takeOver(const char16_t* section, const char16_t* key, const std::string& from, const std::string& to)
{
    std::u16string value;
    if (platform::fileExists(to) || !platform::fileExists(from) || !readWhole(section, key, from, value))
        return;
    if (PrepareUserFile(to))
        ini::WriteString(section, key, ini::ExactValue(value).c_str(), to);
}

} // namespace

std::string DefaultsFilePath(const std::string& name) { return joined(platform::programFolder(), name); }

std::string UserFilePath(const std::string& name) { return joined(platform::userSettingsFolder(), name); }

bool PrepareUserFile(const std::string& path)
{
    const std::string folder = parentOf(path);
    return folder.empty() || platform::isFolder(folder) || platform::makeFolderPath(folder);
}

void TakeOverProgramFolderSettings(const std::string& programFolder, const std::string& userFolder)
{
    if (programFolder == userFolder)
        return;
    takeOver(u"screen_record", u"save_path", joined(programFolder, kSettingsFileName),
             joined(userFolder, kSettingsFileName));
    // A package's read-only file holds only the shipped default language.
    const std::string config = joined(programFolder, kConfigFileName);
    if (platform::isWritable(config))
        takeOver(u"DefaultLanguage", u"Default", config, joined(userFolder, kConfigFileName));
}

void TakeOverProgramFolderSettings()
{
    TakeOverProgramFolderSettings(platform::programFolder(), platform::userSettingsFolder());
}

} // namespace settings
