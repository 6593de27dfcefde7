// The MP4 box readers on any file a folder may hold, read from memory: the
// length and tracks, and the sample tables a spliced cut is made from.
#include "editing/mp4_splice.h"
#include "media/mp4_duration.h"
#include "media/recording_length.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using editing::ByteRange;
using editing::CanSplice;
using editing::ExactCutPlan;
using media::Mp4Movie;
using media::Mp4Sample;
using media::Mp4Tag;
using media::Mp4Track;
using editing::PacketScan;
using editing::PlanExactCut;
using editing::PlanSplice;
using media::ReadMp4Movie;
using editing::ScanOfSamples;
using editing::SpliceSource;
using editing::SplicedMovie;
using media::DurationText;
using media::kFileUnreadable;
using media::Mp4DurationMicroseconds;
using media::Mp4ReadAt;
using media::Mp4Tracks;
using media::ReadMp4Tracks;

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

    // A cut of the middle half, spliced with the file's own pictures as the
    // piece before the copy: every sample written must lie in what is written.
    const Mp4Movie movie = ReadMp4Movie(size, readAt);
    for (const Mp4Track& t : movie.tracks)
        for (const Mp4Sample& s : t.samples)
            if (s.offset > size || s.size > size - s.offset)
                std::abort();
    if (!CanSplice(movie))
        return 0;
    const Mp4Track& video = *movie.track(Mp4Tag("vide"));
    const PacketScan scan = ScanOfSamples(movie, 0, video.samples.size());
    if (scan.packets.empty() || scan.ticksPerSecond <= 0)
        return 0;
    const std::int64_t endMs = (scan.packets.back().pts + scan.packets.back().duration) * 1000 / scan.ticksPerSecond;
    const ExactCutPlan plan = PlanExactCut(scan, scan, endMs / 4, endMs * 3 / 4);
    const SpliceSource part = PlanSplice(movie, plan);
    std::uint64_t copied = 0;
    for (const ByteRange& r : part.ranges)
        copied += r.size;
    if (part.possible && copied > size)
        std::abort();
    SplicedMovie(movie, part, 48, part.videoFrom > part.firstFrame ? &video : nullptr, 48 + copied);
    return 0;
}
