#pragma once
// What the encoder's frame pipe carries: raw I420 pictures, each with the
// instant it stands for, as a Matroska stream (the encoder's demuxer reads it
// as it comes). With the instants in the stream a still screen needs no new
// pictures: one stands until the next. Qt-free.
#include <cstddef>
#include <cstdint>
#include <string>

namespace capture {

// The stream's head: one video track of `width`×`height` I420 pictures,
// its instants in microseconds. A picture lasts one frame at `fps` unless
// the next one comes later: the last one is not taken to stand as long as
// the one before it did.
std::string FrameStreamHead(int width, int height, double fps);

// Written just before each picture's `frameBytes` bytes: the instant it
// stands for, in microseconds from the stream's start.
std::string FrameRecordHead(std::int64_t micros, std::size_t frameBytes);

} // namespace capture
