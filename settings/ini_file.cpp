#include "settings/ini_file.h"

#include "platform/profile_strings.h"
#include "settings/ini_file_backends.h"

namespace ini {

std::uint32_t GetString(const char16_t* section, const char16_t* key, const char16_t* defaultValue, char16_t* buffer,
                        std::uint32_t bufferChars, const std::string& file)
{
    return platform::systemProfileFunctions()
        ? system::GetString(section, key, defaultValue, buffer, bufferChars, file)
        : portable::GetString(section, key, defaultValue, buffer, bufferChars, file);
}

std::uint32_t GetSection(const char16_t* section, char16_t* buffer, std::uint32_t bufferChars, const std::string& file)
{
    return platform::systemProfileFunctions() ? system::GetSection(section, buffer, bufferChars, file)
                                              : portable::GetSection(section, buffer, bufferChars, file);
}

std::uint32_t GetSectionNames(char16_t* buffer, std::uint32_t bufferChars, const std::string& file)
{
    return platform::systemProfileFunctions() ? system::GetSectionNames(buffer, bufferChars, file)
                                              : portable::GetSectionNames(buffer, bufferChars, file);
}

bool WriteString(const char16_t* section, const char16_t* key, const char16_t* value, const std::string& file)
{
    return platform::systemProfileFunctions() ? system::WriteString(section, key, value, file)
                                              : portable::WriteString(section, key, value, file);
}

} // namespace ini
