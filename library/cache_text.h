#pragma once
// The line format the caches of the user's cache folder share: tab-separated
// fields, the path last with its backslashes and line breaks escaped.
// Qt-free.
#include <charconv>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace library {

namespace cache_text {

// Calls `take` with each line of the cache file `path` (at most `maxBytes`)
// after its first, which is `firstLine` (with its line break) in a file of
// this format and version: any other file is read as empty. A last line
// without its end was never finished and is left out.
void readLines(const std::string& path, std::string_view firstLine, std::uint64_t maxBytes,
               const std::function<void(std::string_view line)>& take);
// Replaces the cache file `path` with `text`, making its folder when it is
// missing; false when it could not be written.
bool write(const std::string& path, const std::string& text);

// The name of `path` when it lies directly in the folder `prefix` names (with
// its separator at the end); empty when it lies elsewhere.
std::string_view nameIn(std::string_view path, std::string_view prefix);

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
