#pragma once
// Every sample of a plain (not fragmented) MP4, with where its bytes lie and
// when it is decoded, and the boxes that describe each track, as a file
// spliced from this one's samples needs them. Qt-free; bounded, since the
// files come from anywhere.
#include "media/mp4_boxes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace media {

struct Mp4Sample {
    std::uint64_t offset = 0;
    std::uint32_t size = 0;
    std::int64_t dts = 0; // in the track's time scale, from 0
    std::uint32_t duration = 0;
    bool key = false;
};

// A grid finer than any screen's is no frame rate, just a clock's jitter.
inline constexpr double kMostGridFps = 1000;

struct Mp4Track {
    std::uint32_t handler = 0; // 'vide', 'soun', ...
    std::uint32_t timescale = 0;
    // Whole boxes, header included, to be written again.
    std::string tkhd;
    std::string mdhd;
    std::string hdlr;
    std::string stsd;
    std::string mediaInfo; // the media information box's children but the sample table
    bool reorders = false; // samples are shown in another order than decoded (ctts)
    // The edit list, when it is one edit, perhaps after one empty one: the
    // media time shown first, and the movie time before it.
    bool plainEdits = true;
    std::int64_t editMediaTime = 0;
    std::uint64_t editDelay = 0;
    std::vector<Mp4Sample> samples;

    // The first sample decoded at or after `dts`; samples.size() when none.
    std::size_t sampleAt(std::int64_t dts) const;
    // The step every sample's duration is a whole number of (a picture may
    // stand for many frames), when it is a plausible frame; 0 otherwise.
    std::uint32_t grid() const;
};

struct Mp4Movie {
    bool readable = false; // when false every other field is empty
    std::string ftyp;
    std::string mvhd;
    std::uint32_t timescale = 0;
    std::vector<Mp4Track> tracks;

    // The first track of that handler, or null.
    const Mp4Track* track(std::uint32_t handler) const;
};

// The bytes of `size` as `readAt` reads them (the count read at an offset,
// fewer at the end, -1 on failure).
using Mp4Bytes = std::function<long long(std::uint64_t offset, void* buffer, std::size_t count)>;
Mp4Movie ReadMp4Movie(std::uint64_t size, const Mp4Bytes& readAt);
Mp4Movie ReadMp4Movie(const std::string& path);

// Where the picture shown at `atMs` into `movie` starts, in milliseconds
// and never after it: a picture may stand for many frames (a still
// screen's recording has one only where something changed), and a seek to
// `atMs` would show the next. `atMs` when the tables do not tell.
std::int64_t StandingPictureMs(const Mp4Movie& movie, std::int64_t atMs);

// The codec header box ('avcC', ...) inside a sample description, whole;
// empty when there is none.
std::string CodecHeaderIn(const std::string& stsd);

} // namespace media
