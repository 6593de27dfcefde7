#include "capture/frame_stream.h"

#include <cmath>
#include <initializer_list>

namespace capture {

namespace {

// EBML, the coding of Matroska: an element is its ID, its size and its
// body. Sizes are written in eight bytes, so an element's head has one
// length whatever it holds.
void id(std::string& out, std::uint32_t value)
{
    int bytes = value > 0xffffff ? 4 : value > 0xffff ? 3 : value > 0xff ? 2 : 1;
    while (bytes-- > 0)
        out += static_cast<char>((value >> (8 * bytes)) & 0xff);
}

void size(std::string& out, std::uint64_t value)
{
    out += '\x01';
    for (int shift = 48; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xff);
}

// A size the reader learns as it goes: the segment of a stream.
void unknownSize(std::string& out) { out += std::string("\x01\xff\xff\xff\xff\xff\xff\xff", 8); }

std::string element(std::uint32_t elementId, const std::string& body)
{
    std::string out;
    id(out, elementId);
    size(out, body.size());
    return out + body;
}

std::string uint(std::uint32_t elementId, std::uint64_t value)
{
    std::string body;
    for (int shift = 56; shift >= 0; shift -= 8)
        body += static_cast<char>((value >> shift) & 0xff);
    return element(elementId, body);
}

std::string all(std::initializer_list<std::string> parts)
{
    std::string out;
    for (const std::string& p : parts)
        out += p;
    return out;
}

} // namespace

std::string FrameStreamHead(int width, int height, double fps)
{
    const std::string ebml = element(
        0x1A45DFA3, all({uint(0x4286, 1), uint(0x42F7, 1), uint(0x42F2, 4), uint(0x42F3, 8),
                         element(0x4282, "matroska"), uint(0x4287, 4), uint(0x4285, 2)}));
    // Instants count in microseconds (a scale of 1000 ns).
    const std::string info = element(0x1549A966, all({uint(0x2AD7B1, 1000), element(0x4D80, "vantreel"),
                                                       element(0x5741, "vantreel")}));
    const std::string video = element(
        0xE0, all({uint(0xB0, static_cast<std::uint64_t>(width)), uint(0xBA, static_cast<std::uint64_t>(height)),
                   element(0x2EB524, "I420")}));
    const auto frameNanos = static_cast<std::uint64_t>(std::llround(1e9 / fps));
    const std::string track = element(0xAE, all({uint(0xD7, 1), uint(0x73C5, 1), uint(0x83, 1), uint(0x9C, 0),
                                                 uint(0x23E383, frameNanos), element(0x86, "V_UNCOMPRESSED"), video}));
    std::string out = ebml;
    id(out, 0x18538067); // the segment, as long as the stream
    unknownSize(out);
    return out + info + element(0x1654AE6B, track);
}

std::string FrameRecordHead(std::int64_t micros, std::size_t frameBytes)
{
    // A cluster of its own for each picture: a block's time within a
    // cluster has 16 bits, 32 ms in microseconds.
    std::string block;
    id(block, 0xA3); // a simple block: track 1, at the cluster's time, a keyframe
    size(block, frameBytes + 4);
    block += std::string("\x81\x00\x00\x80", 4);
    const std::string time = uint(0xE7, static_cast<std::uint64_t>(micros < 0 ? 0 : micros));
    std::string out;
    id(out, 0x1F43B675);
    size(out, time.size() + block.size() + frameBytes);
    return out + time + block;
}

} // namespace capture
