#pragma once
// The product web site's pages for the chosen interface language: help in
// that language where the site has it, about and support for all. Qt-free.
#include <string>

namespace settings {

inline constexpr const char* kSiteRoot = "https://www.vantreel.com";

struct WebLinks {
    std::string help;
    std::string about;
    std::string support;
};

// The site's folder for a stored language name ("/Deutsche" gives "de"):
// the first listed name it holds anywhere, case-sensitive; empty (English)
// when it holds none.
std::string HelpSegment(const std::string& storedLanguage);
WebLinks MakeWebLinks(const std::string& storedLanguage);

// The table for the language stored in `configIni` (section DefaultLanguage,
// key Default); when the file or the key is missing, the one config.ini
// beside the program names, else English. The first call without a path
// reads the user's config.ini.
const WebLinks& webLinks();
void updateWebLinks(const std::string& configIni);

} // namespace settings
