#include "util/files.h"

#include "platform/files.h"
#include "platform/text.h"

#include <cerrno>

namespace util {

namespace {

bool isSeparator(char c) { return c == '/' || c == platform::separator(); }

} // namespace

int MakeUniqueFileName(const std::string& path, std::string& out, std::size_t outChars)
{
    std::string result = path;
    if (platform::fileExists(path)) {
        // Folder part, base name, extension (from the last dot of the name).
        std::size_t nameStart = path.size();
        while (nameStart > 0 && !isSeparator(path[nameStart - 1]))
            --nameStart;
        std::size_t dot = path.rfind('.');
        if (dot == std::string::npos || dot < nameStart)
            dot = path.size();
        const std::string stem = path.substr(0, dot);
        const std::string ext = path.substr(dot);
        for (long n = 1;; ++n) {
            result = stem + "(" + std::to_string(n) + ")" + ext;
            if (!platform::fileExists(result))
                break;
        }
    }
    if (platform::utf16Length(result) + 1 > outChars) {
        out.clear();
        return ERANGE;
    }
    out = result;
    return 0;
}

int GetDriveFreeSpace(const std::string& folder, std::uint64_t& out) { return platform::freeSpace(folder, out); }

} // namespace util
