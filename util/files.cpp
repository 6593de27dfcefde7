#include "util/files.h"

#include "platform/files.h"
#include "platform/text.h"

#include <cerrno>

namespace util {

namespace {

bool isSeparator(char c) { return c == '/' || c == platform::separator(); }

// "name(n).ext" of `path`, the number before the extension (from the last
// dot of the file's own name).
std::string numbered(const std::string& path, long n)
{
    std::size_t nameStart = path.size();
    while (nameStart > 0 && !isSeparator(path[nameStart - 1]))
        --nameStart;
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        dot = path.size();
    return path.substr(0, dot) + "(" + std::to_string(n) + ")" + path.substr(dot);
}

// More names than a folder of one user's recordings ever takes.
constexpr long kClaimTries = 10000;

// The first free name of `path` by `take`, which makes it (false when it
// could not): `path`, then "name(n).ext" for n = 1, 2, ...
template <typename Take>
std::string firstFreeName(const std::string& path, Take take)
{
    for (long n = 0; n < kClaimTries; ++n) {
        const std::string name = n == 0 ? path : numbered(path, n);
        if (platform::utf16Length(name) + 1 > kUniqueNameChars)
            return {};
        if (take(name))
            return name;
        // Taken (a file, a folder, a link): the next number. Anything else
        // (no folder, no right to write) stays so for every number.
        if (!platform::nameTaken(name))
            return {};
    }
    return {};
}

} // namespace

std::string ClaimFreeFile(const std::string& path, std::unique_ptr<platform::NewFile>& file)
{
    return firstFreeName(path, [&file](const std::string& name) {
        file = std::make_unique<platform::NewFile>(name);
        if (file->isOpen())
            return true;
        file.reset();
        return false;
    });
}

std::string ClaimFreeName(const std::string& path, const std::string& content)
{
    std::unique_ptr<platform::NewFile> file;
    const std::string name = ClaimFreeFile(path, file);
    if (name.empty() || content.empty() || file->append(content.data(), content.size()))
        return name;
    file.reset();
    platform::removeFile(name);
    return {};
}

std::string MoveToFreeName(const std::string& from, const std::string& path)
{
    return firstFreeName(path, [&from](const std::string& name) { return platform::moveToFreeName(from, name); });
}

int MakeUniqueFileName(const std::string& path, std::string& out, std::size_t outChars)
{
    std::string result = path;
    if (platform::fileExists(path)) {
        for (long n = 1;; ++n) {
            result = numbered(path, n);
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
