#include "library/cache_text.h"

#include "platform/files.h"
#include "platform/paths.h"

namespace library {

namespace cache_text {

void readLines(const std::string& path, std::string_view firstLine, std::uint64_t maxBytes,
               const std::function<void(std::string_view line)>& take)
{
    std::string text;
    if (path.empty() || !platform::readWholeFile(path, text, maxBytes) || text.rfind(firstLine, 0) != 0)
        return;
    std::string_view rest(text);
    rest.remove_prefix(firstLine.size());
    for (std::size_t newline = rest.find('\n'); newline != std::string_view::npos; newline = rest.find('\n')) {
        take(rest.substr(0, newline));
        rest.remove_prefix(newline + 1);
    }
}

bool write(const std::string& path, const std::string& text)
{
    const std::size_t slash = path.find_last_of("/\\");
    if (slash != std::string::npos && slash > 0)
        platform::makeFolderPath(path.substr(0, slash));
    return platform::replaceFileContent(path, text);
}

std::string_view nameIn(std::string_view path, std::string_view prefix)
{
    // On POSIX a backslash is part of a name; Windows takes both.
    const char* const separators = platform::separator() == '/' ? "/" : "/\\";
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0
        || path.find_first_of(separators, prefix.size()) != std::string_view::npos)
        return {};
    return path.substr(prefix.size());
}

std::string escaped(const std::string& path)
{
    std::string out;
    for (char c : path) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

bool unescaped(std::string_view text, std::string& path)
{
    path.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            path += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '\\':
            path += '\\';
            break;
        case 'n':
            path += '\n';
            break;
        case 'r':
            path += '\r';
            break;
        default:
            return false;
        }
    }
    return !path.empty();
}

} // namespace cache_text

} // namespace library
