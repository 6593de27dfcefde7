#include "platform/files.h"

#include <utility>

// What both back ends do alike, on top of their own primitives.
namespace platform {

bool readWholeFile(const std::string& path, std::string& content, std::uint64_t limit)
{
    ReadOnlyFile file(path);
    if (!file.isOpen() || file.size() > limit)
        return false;
    std::string text(static_cast<std::size_t>(file.size()), '\0');
    if (file.readAt(0, text.data(), text.size()) != static_cast<long long>(text.size()))
        return false;
    content = std::move(text);
    return true;
}

} // namespace platform
