#include "platform/profile_strings.h"

// No system profile functions here: the settings layer reads the files itself.
namespace platform {

bool systemProfileFunctions() { return false; }

std::uint32_t profileString(const char16_t*, const char16_t*, const char16_t*, char16_t*, std::uint32_t,
                            const std::string&)
{
    return 0;
}

std::uint32_t profileSection(const char16_t*, char16_t*, std::uint32_t, const std::string&) { return 0; }

std::uint32_t profileSectionNames(char16_t*, std::uint32_t, const std::string&) { return 0; }

bool writeProfileString(const char16_t*, const char16_t*, const char16_t*, const std::string&) { return false; }

bool profileFileUnreadable(const std::string&) { return false; }

} // namespace platform
