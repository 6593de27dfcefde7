#pragma once
// Text measures shared by the Qt-free code.
#include <cstddef>
#include <string_view>

namespace platform {

// Length of UTF-8 text in UTF-16 units, the measure of the Windows buffers:
// code points above U+FFFF (four-byte sequences) take a surrogate pair.
inline std::size_t utf16Length(std::string_view utf8)
{
    std::size_t units = 0;
    for (const unsigned char c : utf8) {
        if ((c & 0xC0) != 0x80)
            ++units;
        if (c >= 0xF0)
            ++units;
    }
    return units;
}

} // namespace platform
