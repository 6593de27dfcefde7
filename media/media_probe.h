#pragma once
// What a media file holds, as the encoder reads it in one short run: the
// first picture stream and the first sound stream with everything that must
// agree before two files can be joined by stream copy, and how many sound
// streams there are. The run copies one
// packet of each into the encoder's "framecrc" listing, whose header gives
// the exact time bases, sizes and a checksum of each stream's codec header
// data (for H.264 the SPS and PPS, which hold profile and level); the
// encoder's description of those streams gives profile, pixel format and
// frame rate. The parser is pure; ProbeMedia runs the encoder. Qt-free.
#include <cstdint>
#include <string>

namespace media {

struct Mp4Movie;

struct MediaPictureStream {
    std::string codec;   // the encoder's codec name: "h264"
    std::string profile; // "High", "Constrained Baseline"; empty when none is said
    int width = 0;
    int height = 0;
    int sarNum = 0; // sample aspect ratio; 0:0 (or 0:1) when the file leaves it unknown
    int sarDen = 0;
    std::string pixelFormat;   // "yuv420p"
    // Frames per second: the stream's base rate ("tbr"), else its average.
    // A picture may stand for several frames (a still screen's recording
    // writes one only when something changed): in an MP4 the rate is then
    // that of the grid every sample's time lies on.
    double frameRate = 0;
    std::string frameRateText; // as the encoder writes it: "60.97", "29.97", "30"
    int timeBaseNum = 0;
    int timeBaseDen = 0;
    int headerBytes = 0; // codec header data (extradata): size and CRC, 0 when it has none
    std::uint32_t headerCrc = 0;
};

struct MediaSoundStream {
    std::string codec;   // "aac"
    std::string profile; // "LC", "HE-AAC"; empty when none is said
    int sampleRate = 0;
    int channels = 0;   // from the layout's name; 0 when it is unknown
    std::string layout; // "stereo", "mono", "5.1"
    int timeBaseNum = 0;
    int timeBaseDen = 0;
    int headerBytes = 0;
    std::uint32_t headerCrc = 0;
};

struct MediaProbe {
    bool readable = false; // the encoder opened it and listed its streams
    bool hasPicture = false;
    bool hasSound = false;
    MediaPictureStream picture;
    MediaSoundStream sound; // the first; the others are counted
    int soundTracks = 0;
    std::int64_t durationMicros = -1; // the container's length, to 10 ms; -1 when it tells none
};

// The run that lists `path`: its first picture stream (not a cover image)
// and every sound stream, one packet of each, the picture first.
std::string BuildMediaProbeCommandLine(const std::string& quotedTool, const std::string& path);

// Reads the run's listing (its standard output) and what it said (its
// standard error, which describes the streams). Not readable when it names
// no stream, or when a text that a command line would carry (a codec's or
// pixel format's name, a frame rate, a sound layout) is not of its plain
// form: a file's tags and name, which the encoder repeats, cannot add words
// to a later command line.
MediaProbe ParseMediaProbe(const std::string& listing, const std::string& said);

// The rate of the grid every picture's time lies on in `movie`, where that
// is plausible, for the stream's rate (and its text as the encoder prints it).
void UseSampleGrid(const Mp4Movie& movie, MediaPictureStream& picture);

// Runs the encoder on `path` and parses what it wrote. `said`, when given,
// gets what it said (for its telling line on a failure). Blocks.
MediaProbe ProbeMedia(const std::string& path, std::string* said = nullptr);

} // namespace media
