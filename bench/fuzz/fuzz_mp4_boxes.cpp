// The MP4 box reader on any file a folder may hold, read from memory.
#include "util/mp4_duration.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using util::DurationText;
using util::kFileUnreadable;
using util::Mp4DurationMicroseconds;
using util::Mp4ReadAt;
using util::Mp4Tracks;
using util::ReadMp4Tracks;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    const Mp4ReadAt readAt = [&](std::uint64_t offset, void* buffer, std::size_t count) -> long long {
        if (offset >= size)
            return 0;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, size - offset));
        std::memcpy(buffer, data + offset, n);
        return static_cast<long long>(n);
    };
    const std::int64_t length = Mp4DurationMicroseconds(size, readAt);
    // Only a file too short for any box is unreadable; a length must also
    // survive the rounding of the text the list shows.
    if (length < kFileUnreadable || (length == kFileUnreadable && size >= 8))
        std::abort();
    if (length >= 0 && DurationText(length).size() != 8)
        std::abort();
    // The tracks come from the same movie box; an unreadable answer says nothing else.
    const Mp4Tracks tracks = ReadMp4Tracks(size, readAt);
    if (!tracks.readable && (tracks.video || tracks.sound || tracks.videoMicroseconds != 0))
        std::abort();
    if (tracks.videoMicroseconds < 0 || (!tracks.video && tracks.videoMicroseconds != 0))
        std::abort();
    return 0;
}
