#pragma once
// Hands a bounded reader a whole file as a size and a read-at function, the
// shape its fuzz targets and tests use too. Qt-free.
#include "platform/files.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace media {

using ReadAt = std::function<long long(std::uint64_t offset, void* buffer, std::size_t count)>;

// `read(size, readAt)` on the file at `path`, or `unopened` when it cannot be
// opened as a regular file.
template <typename Result, typename Read>
Result ReadFileWith(const std::string& path, Result unopened, Read read)
{
    platform::ReadOnlyFile file(path);
    if (!file.isOpen())
        return unopened;
    const ReadAt readAt = [&](std::uint64_t offset, void* buffer, std::size_t count) {
        return file.readAt(offset, buffer, count);
    };
    return read(file.size(), readAt);
}

} // namespace media
