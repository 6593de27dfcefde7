#include "settings/web_links.h"

#include "platform/files.h"
#include "platform/paths.h"
#include "settings/ini_file.h"
#include "settings/settings_files.h"
#include "settings/utf16.h"

#include <utility>

namespace settings {
namespace {

// In the order they are tried: "zh-TW" is looked for before "zh-CN", and a
// longer stored name that holds one of these gets its folder.
constexpr std::pair<const char*, const char*> kSegments[] = {
    {"French", "fr"},   {"Deutsche", "de"}, {"Spain", "es"}, {"Italy", "it"}, {"Netherlands", "nl"},
    {"Portugal", "pg"}, {"Turkey", "tr"},   {"Japan", "jp"}, {"zh-TW", "tw"}, {"zh-CN", "cn"},
};

// Room for the stored name, terminating zero included.
constexpr std::uint32_t kLanguageNameChars = 64;

WebLinks& table()
{
    static WebLinks links;
    return links;
}

bool& filled()
{
    static bool once = false;
    return once;
}

} // namespace

std::string HelpSegment(const std::string& storedLanguage)
{
    for (const auto& [name, segment] : kSegments)
        if (storedLanguage.find(name) != std::string::npos)
            return segment;
    return {};
}

WebLinks MakeWebLinks(const std::string& storedLanguage)
{
    const std::string root = kSiteRoot;
    const std::string segment = HelpSegment(storedLanguage);
    return {root + (segment.empty() ? "" : "/" + segment) + "/orvello/tutorial.html", root + "/about.html",
            root + "/support.html"};
}

const WebLinks& webLinks()
{
    if (!filled())
        updateWebLinks(UserFilePath(kConfigFileName));
    return table();
}

void updateWebLinks(const std::string& configIni)
{
    // The user's choice, else the installation's first language.
    char16_t shipped[kLanguageNameChars] = {};
    ini::GetString(u"DefaultLanguage", u"Default", u"English", shipped, kLanguageNameChars,
                   DefaultsFilePath(kConfigFileName));
    char16_t buffer[kLanguageNameChars] = {};
    const std::uint32_t length =
        ini::GetString(u"DefaultLanguage", u"Default", shipped, buffer, kLanguageNameChars, configIni);
    table() = MakeWebLinks(ini::Utf16ToUtf8(std::u16string_view(buffer, length)));
    filled() = true;
}

} // namespace settings
