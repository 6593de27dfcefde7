#pragma once
// The line format the caches of the user's cache folder share: tab-separated
// fields, the path last with its backslashes and line breaks escaped.
// Qt-free.
#include <charconv>
#include <string>
#include <string_view>

namespace library {

namespace cache_text {

std::string escaped(const std::string& path);
// False for a broken escape or an empty path.
bool unescaped(std::string_view text, std::string& path);

// Takes the number before the next tab off the front of `line`.
template <typename Number>
bool field(std::string_view& line, Number& value)
{
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos)
        return false;
    const auto [end, error] = std::from_chars(line.data(), line.data() + tab, value);
    if (error != std::errc() || end != line.data() + tab)
        return false;
    line.remove_prefix(tab + 1);
    return true;
}

} // namespace cache_text

} // namespace library
