#pragma once
// The two implementations behind ini_file.h: the system's profile functions
// where the system has them, our own reading of the files elsewhere. Each
// takes the arguments of its ini_file.h namesake. Qt-free.
#include <cstdint>
#include <string>

namespace ini::system {
std::uint32_t GetString(const char16_t* section, const char16_t* key, const char16_t* defaultValue, char16_t* buffer,
                        std::uint32_t bufferChars, const std::string& file);
std::uint32_t GetSection(const char16_t* section, char16_t* buffer, std::uint32_t bufferChars, const std::string& file);
std::uint32_t GetSectionNames(char16_t* buffer, std::uint32_t bufferChars, const std::string& file);
bool WriteString(const char16_t* section, const char16_t* key, const char16_t* value, const std::string& file);
} // namespace ini::system

namespace ini::portable {
std::uint32_t GetString(const char16_t* section, const char16_t* key, const char16_t* defaultValue, char16_t* buffer,
                        std::uint32_t bufferChars, const std::string& file);
std::uint32_t GetSection(const char16_t* section, char16_t* buffer, std::uint32_t bufferChars, const std::string& file);
std::uint32_t GetSectionNames(char16_t* buffer, std::uint32_t bufferChars, const std::string& file);
bool WriteString(const char16_t* section, const char16_t* key, const char16_t* value, const std::string& file);
} // namespace ini::portable
