// The transport stream reader on any working file a crash may leave, read
// from memory.
#include "media/ts_span.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using media::kTsSpanMostBytesRead;
using media::ReadTsSpan;
using media::TsReadAt;
using media::TsSpan;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    std::uint64_t bytesRead = 0;
    const TsReadAt readAt = [&](std::uint64_t offset, void* buffer, std::size_t count) -> long long {
        bytesRead += count;
        if (offset >= size)
            return 0;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, size - offset));
        std::memcpy(buffer, data + offset, n);
        return static_cast<long long>(n);
    };
    const TsSpan span = ReadTsSpan(size, readAt);
    // Reads stay in the file and the bound; an unreadable answer says nothing
    // else; a span is at most a wrap of the 33-bit clock and a minute's step.
    constexpr std::int64_t kLongestSpan = ((1ll << 33) + 60 * 90000) * 100 / 9 + 1;
    if (bytesRead > std::min<std::uint64_t>(size * 2, kTsSpanMostBytesRead))
        std::abort();
    if (!span.readable && (span.video || span.sound || span.videoMicroseconds || span.soundMicroseconds))
        std::abort();
    if (span.readable && !span.video)
        std::abort();
    if (span.videoMicroseconds < 0 || span.videoMicroseconds > kLongestSpan || span.soundMicroseconds < 0
        || span.soundMicroseconds > kLongestSpan || (!span.sound && span.soundMicroseconds != 0))
        std::abort();
    return 0;
}
