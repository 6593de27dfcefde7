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

// The first name of `path` that `make` could make, among those that fit
// `maxChars` UTF-16 units with their end.
std::string firstFreeName(const std::string& path, const std::function<NameClaim(const std::string&)>& make,
                          std::size_t maxChars)
{
    for (long n = 0; n < kClaimTries; ++n) {
        const std::string name = n == 0 ? path : numbered(path, n);
        if (platform::utf16Length(name) + 1 > maxChars)
            return {};
        switch (make(name)) {
        case NameClaim::Made:
            return name;
        case NameClaim::Taken:
            break;
        case NameClaim::Failed:
            return {};
        }
    }
    return {};
}

// A `take` that makes the name itself: when it could not, a name that is
// taken (a file, a folder, a link) passes to the next number, and anything
// else (no folder, no right to write) stays so for every number.
template <typename Take>
NameClaim tried(const std::string& name, Take take)
{
    if (take(name))
        return NameClaim::Made;
    return platform::nameTaken(name) ? NameClaim::Taken : NameClaim::Failed;
}

} // namespace

std::string ClaimFreeFile(const std::string& path, std::unique_ptr<platform::NewFile>& file)
{
    return ClaimFirstFree(path, [&file](const std::string& name) {
        return tried(name, [&file](const std::string& made) {
            file = std::make_unique<platform::NewFile>(made);
            if (file->isOpen())
                return true;
            file.reset();
            return false;
        });
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

std::string ClaimFirstFree(const std::string& path, const std::function<NameClaim(const std::string& name)>& make)
{
    return firstFreeName(path, make, kUniqueNameChars);
}

std::string ClaimFreeFolder(const std::string& path)
{
    return ClaimFirstFree(path, [](const std::string& name) { return tried(name, platform::makeFolder); });
}

std::string MoveToFreeName(const std::string& from, const std::string& path)
{
    return ClaimFirstFree(path, [&from](const std::string& name) {
        return tried(name, [&from](const std::string& to) { return platform::moveToFreeName(from, to); });
    });
}

int MakeUniqueFileName(const std::string& path, std::string& out, std::size_t outChars)
{
    // Only asked, not made: a name that nothing (followed) bears is free.
    out = firstFreeName(
        path,
        [](const std::string& name) { return platform::fileExists(name) ? NameClaim::Taken : NameClaim::Made; },
        outChars);
    return out.empty() ? ERANGE : 0;
}

int GetDriveFreeSpace(const std::string& folder, std::uint64_t& out) { return platform::freeSpace(folder, out); }

} // namespace util
