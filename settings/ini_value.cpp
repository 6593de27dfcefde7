#include "settings/ini_value.h"

#include <string_view>

namespace ini {

bool IsBlank(char16_t c) { return (c >= u'\t' && c <= u'\r') || c == u' ' || c == 0x1A; }

namespace {

std::u16string_view trimmed(const char16_t* text)
{
    std::u16string_view s = text ? std::u16string_view(text) : std::u16string_view();
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool holdsLineBreak(std::u16string_view s) { return s.find_first_of(u"\r\n") != std::u16string_view::npos; }

} // namespace

std::u16string Trimmed(const char16_t* text) { return std::u16string(trimmed(text)); }

bool IsWritableEntry(const char16_t* section, const char16_t* key, const char16_t* value)
{
    if (!section)
        return false;
    const std::u16string_view keyName = trimmed(key);
    if (holdsLineBreak(trimmed(section)) || holdsLineBreak(keyName) || holdsLineBreak(trimmed(value)))
        return false;
    return keyName.find(u'=') == std::u16string_view::npos && (keyName.empty() || keyName.front() != u'[');
}

std::u16string ExactValue(std::u16string value)
{
    if (value.empty())
        return value;
    const bool blankAtEnds = IsBlank(value.front()) || IsBlank(value.back());
    const bool quoted =
        value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front();
    if (blankAtEnds || quoted)
        value = u'"' + value + u'"';
    return value;
}

std::vector<std::u16string> SplitList(const char16_t* buffer, std::uint32_t count)
{
    std::vector<std::u16string> items;
    if (!buffer)
        return items;
    std::size_t at = 0;
    while (at < count && buffer[at] != 0) {
        std::size_t end = at;
        while (end < count && buffer[end] != 0)
            ++end;
        items.emplace_back(buffer + at, end - at);
        at = end + 1;
    }
    return items;
}

} // namespace ini
