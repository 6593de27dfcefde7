#include "settings/ini_value.h"

namespace ini {

bool IsBlank(char16_t c)
{
    switch (c) {
    case u' ': case u'\t': case u'\n': case u'\v': case u'\f': case u'\r':
    case 0x1A: case 0x85: case 0xA0: case 0x1680: case 0x2028: case 0x2029:
    case 0x202F: case 0x205F: case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

std::u16string ExactValue(std::u16string value)
{
    if (value.empty())
        return value;
    const bool blankAtEnds = IsBlank(value.front()) || IsBlank(value.back());
    const bool quoted = value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'')
        && value.back() == value.front();
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
