#pragma once
// What an MP4's boxes say of its length and tracks, read within bounds that
// hold whatever the file holds. Qt-free; safe on several threads.
#include "media/recorder_streams.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace media {

// What the boxes say, in microseconds as the encoder computes them: the
// movie header's length, or for a fragmented file the end of the last
// fragment of the longest track.
// Not an MP4, cut off inside the boxes that tell, an unusual shape, or past
// a bound on what a file may cost the reader.
constexpr std::int64_t kBoxesDoNotTell = -1;
constexpr std::int64_t kFileUnreadable = -2; // missing, unreadable, no regular file, or too short for any length
std::int64_t Mp4DurationMicroseconds(const std::string& path);

// The same from `size` bytes that `readAt` reads as a file would: the count
// read at an offset, fewer at the end, -1 on failure.
using Mp4ReadAt = std::function<long long(std::uint64_t offset, void* buffer, std::size_t count)>;
std::int64_t Mp4DurationMicroseconds(std::uint64_t size, const Mp4ReadAt& readAt);

// The tracks of a plain (not fragmented) MP4, from its movie box: what a
// recording written beside its working file is checked by before that file
// is deleted. The same bounds hold as for its length.
struct Mp4Tracks {
    bool readable = false; // a movie box was read whole; when false every other field is left as it starts
    bool video = false;    // a track whose handler is 'vide'
    bool sound = false;    // a track whose handler is 'soun'
    int soundTracks = 0;   // tracks whose handler is 'soun'
    // One H.264 picture track ('avc1'), at most kRecorderSoundTracks AAC
    // sound tracks ('mp4a'), and no other track: what the recorder's
    // encoder writes.
    bool recorderTracks = false;
    // The first video track's media duration (mdhd) in microseconds.
    std::int64_t videoMicroseconds = 0;
    // The first sound track's time scale (its sample rate, as the encoder
    // writes it) and media duration in those units: every sample it holds,
    // the encoder's priming included.
    std::uint32_t soundTimescale = 0;
    std::uint64_t soundUnits = 0;
};
// Not readable: missing, not an MP4, fragmented, or cut off before or inside
// its movie box.
Mp4Tracks ReadMp4Tracks(const std::string& path);
Mp4Tracks ReadMp4Tracks(std::uint64_t size, const Mp4ReadAt& readAt);

} // namespace media
