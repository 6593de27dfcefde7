#pragma once
// How long the picture and the sound of a transport stream run, read from its
// first and last bytes only: a working file written while recording is checked
// against the MP4 written beside it before it is deleted. Qt-free; safe on
// several threads.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace media {

// What a transport stream holds, read from its first and last bytes. When
// `readable` is false the spans and stream flags are left as they start.
struct TsSpan {
    // Read from the tables alone, before any picture: one program, whose map
    // lists one H.264 stream and at most kRecorderSoundTracks AAC (ADTS)
    // streams and nothing else, as the recorder's encoder
    // writes it.
    bool recorderStreams = false;
    // Whole packets from the first byte on, all of them tables (the
    // program's and the service description): what the encoder writes
    // before its first picture.
    bool tablesOnly = false;
    bool readable = false; // a transport stream with a program map and at least one video PES with a PTS
    bool video = false;    // an H.264 stream is mapped
    bool sound = false;    // an audio stream (AAC ADTS 0x0f, or any audio type) is mapped
    int aacStreams = 0;    // the AAC streams the map lists
    // (last video PTS - first video PTS) + the last frame's step (PTS
    // difference of the last two video PES), in microseconds; the PTS wraps
    // at 33 bits, so a span over 26.5 hours cannot be told from a shorter one.
    std::int64_t videoMicroseconds = 0;
    // That last step alone: a picture may stand for any time, so the last
    // one's own time is not known; a copy gives it one frame.
    std::int64_t videoLastStepMicros = 0;
    std::int64_t soundMicroseconds = 0; // the same for the sound, 0 when none
};

// The most bytes ReadTsSpan reads of a file, however large or strange.
constexpr std::uint64_t kTsSpanMostBytesRead = 12u << 20;

// A file that is missing or cannot be read is not readable.
TsSpan ReadTsSpan(const std::string& path);

// The same from `size` bytes that `readAt` reads as a file would: the count
// read at an offset, fewer at the end, -1 on failure.
using TsReadAt = std::function<long long(std::uint64_t offset, void* buffer, std::size_t count)>;
TsSpan ReadTsSpan(std::uint64_t size, const TsReadAt& readAt);

} // namespace media
