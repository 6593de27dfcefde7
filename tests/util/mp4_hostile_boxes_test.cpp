#include "media/mp4_samples.h"
#include "media/mp4_duration.h"

#include "../support/test_support.h"
#include "encoder/tool.h"
#include "media/mp4_boxes.h"
#include "media/recording_length.h"
#include "platform/command_line.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sys/resource.h>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

using media::DurationProbe;
using media::kBoxesDoNotTell;
using media::Mp4DurationMicroseconds;
using media::RecordingLength;

using namespace testing_support;

namespace {

std::string be32(std::uint64_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

std::string be64(std::uint64_t v) { return be32(v >> 32) + be32(v); }

std::uint64_t sizeAt(const std::string& data, std::size_t at)
{
    return media::Mp4Be32(reinterpret_cast<const std::uint8_t*>(data.data()) + at);
}

// A box, or with `overstate` one whose header claims a byte more than it holds.
std::string box(const std::string& type, const std::string& body, const std::string& overstate = {})
{
    return be32(8 + body.size() + (type == overstate ? 1 : 0)) + type + body;
}

// A fragmented file of one track, by default 25 samples of 40 ms: one
// second. `runs` are the bodies of its sample runs.
std::string fragmented(const std::string& overstate = {}, std::uint32_t sampleDuration = 40,
                       const std::vector<std::string>& runs = {be32(0) + be32(25)})
{
    const std::string& o = overstate;
    const std::string mvhd = box("mvhd", be32(0) + be32(0) + be32(0) + be32(1000) + be32(0) + std::string(80, '\0'), o);
    const std::string tkhd = box("tkhd", be32(0) + be32(0) + be32(0) + be32(1) + std::string(68, '\0'), o);
    const std::string mdhd = box("mdhd", be32(0) + be32(0) + be32(0) + be32(1000) + be32(0) + be32(0), o);
    const std::string trak = box("trak", tkhd + box("mdia", mdhd, o), o);
    const std::string trex = box("trex", be32(0) + be32(1) + be32(1) + be32(sampleDuration) + be32(0) + be32(0), o);
    const std::string moov = box("moov", mvhd + trak + box("mvex", trex, o), o);
    std::string truns;
    for (const std::string& run : runs)
        truns += box("trun", run, o);
    const std::string traf =
        box("traf", box("tfhd", be32(0x020000) + be32(1), o) + box("tfdt", be32(0x01000000) + be64(0), o) + truns, o);
    const std::string moof = box("moof", box("mfhd", be32(0) + be32(1), o) + traf, o);
    return box("ftyp", "isom" + be32(512), o) + moov + moof + box("mdat", std::string(64, 'x'), o);
}

// A movie box holding `count` copies of `child`, built without copying the
// growing file again for every child.
std::string moovOf(const std::string& child, std::size_t count)
{
    std::string body;
    body.reserve(child.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        body += child;
    return box("ftyp", "isom" + be32(512)) + box("moov", body);
}

} // namespace

// Hand-made files that ask for overflowing sums, endless boxes, a huge track
// table or sizes that lie: each gets no length from its boxes, quickly, and
// goes to the probe as an unknown file does.
TEST(Mp4Boxes, HostileFilesGetNoLengthQuicklyAndGoToTheProbe)
{
    TempFolder dir;
    const std::string sane = dir.file("sane.mp4");
    writeFile(sane, fragmented());
    ASSERT_EQ(Mp4DurationMicroseconds(sane), 1000000) << "the hand-made file itself is read";

    std::vector<std::pair<std::string, std::string>> files;
    // A 64-bit movie length that overflows any rescale to microseconds.
    const std::string mvhd64 =
        box("mvhd", be32(0x01000000) + be64(0) + be64(0) + be32(1) + be64(~0ull) + std::string(80, '\0'));
    files.emplace_back("mvhd-64-bit-length", box("ftyp", "isom" + be32(512)) + box("moov", mvhd64));
    // Sample runs whose sum passes 64 bits to wrap round to one second, and
    // runs of a thousand years.
    const std::string most = be32(0) + be32(0xffffffff);
    const std::string rest = be32(0x100) + be32(3) + be32(0xffffffff) + be32(0xffffffff) + be32(1001);
    files.emplace_back("sample-sum-overflows", fragmented({}, 0xffffffff, {most, rest}));
    files.emplace_back("length-of-centuries", fragmented({}, 7360, {most}));
    files.emplace_back("count-times-size-past-box", fragmented({}, 40, {be32(0x100) + be32(0x40000000)}));
    // Endless empty boxes inside the movie box (32 MB of them), a track table
    // of a thousand tracks, and boxes nested ten thousand deep.
    files.emplace_back("32MB-of-empty-boxes", moovOf(box("free", ""), 4u << 20));
    std::string trexes;
    for (std::uint32_t id = 1; id <= 1000; ++id)
        trexes += box("trex", be32(0) + be32(id) + be32(1) + be32(40) + be32(0) + be32(0));
    files.emplace_back("a-thousand-tracks", moovOf(box("mvex", trexes), 1));
    std::string nested = box("tkhd", std::string(84, '\0'));
    for (int i = 0; i < 10000; ++i)
        nested = box("trak", nested);
    files.emplace_back("nested-deep", moovOf(nested, 1));
    // A box that claims a byte more than its parent holds, at every level.
    for (const char* type :
         {"moov", "mvhd", "trak", "tkhd", "mdia", "mdhd", "mvex", "trex", "mfhd", "traf", "tfhd", "tfdt", "trun"})
        files.emplace_back(std::string("overstated-") + type, fragmented(type));
    // The file's end inside the fragment's header: an overstated moof would
    // only swallow the next box's first byte, which a killed recording does.
    const std::string whole = fragmented();
    files.emplace_back("cut-in-moof", whole.substr(0, whole.find("traf") + 20));
    // Sizes smaller than their header, and a 64-bit size past the file's end.
    std::string small = fragmented();
    small.replace(small.find("moof") - 4, 4, be32(7));
    files.emplace_back("size-below-header", small);
    std::string wide = fragmented();
    wide.replace(wide.find("trak") - 4, 8, be32(1) + "trak" + be64(~0ull - 4));
    files.emplace_back("64-bit-size-past-end", wide);

    int asked = 0;
    const DurationProbe probe = [&](const std::string&) {
        ++asked;
        return std::string("00:00:07");
    };
    for (const auto& [name, content] : files) {
        const std::string path = dir.file(name + ".mp4");
        writeFile(path, content);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Mp4DurationMicroseconds(path), kBoxesDoNotTell) << name;
        const auto took = std::chrono::steady_clock::now() - start;
        // A few milliseconds; the margin is for sanitizers on a busy machine.
        EXPECT_LT(took, std::chrono::milliseconds(50)) << name;
        EXPECT_EQ(RecordingLength(path, probe), "00:00:07") << name;
    }
    EXPECT_EQ(asked, static_cast<int>(files.size()));
}

// The sample tables' reader takes a movie box whole: one of a quarter of a
// gigabyte of empty boxes is refused without listing them all (33 million
// entries, about a gigabyte).
TEST(Mp4Boxes, AMovieBoxOfEmptyBoxesIsRefusedInBoundedMemory)
{
    TempFolder dir;
    const std::string path = dir.file("empty-boxes.mp4");
    {
        std::ofstream out(path, std::ios::binary);
        constexpr std::uint64_t kMoov = (256u << 20) - 8;
        out << box("ftyp", "isom" + be32(512)) << be32(kMoov) << "moov";
        std::string slice;
        for (int i = 0; i < (1 << 17); ++i)
            slice += box("free", "");
        for (std::uint64_t written = 8; written < kMoov; written += slice.size())
            out.write(slice.data(), static_cast<std::streamsize>(std::min<std::uint64_t>(slice.size(), kMoov - written)));
    }
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_FALSE(media::ReadMp4Movie(path).readable);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    // The box itself is read whole (256 MB); the listing of its children
    // must not add a multiple of that.
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 400L * 1024) << "kB";
}

// Both readers walk the same boxes within the same bounds: a movie box with
// a 64-bit size is read by both, and a file of as many top-level boxes as the
// bound allows is read by both while one box more is refused by both.
TEST(Mp4Boxes, BothReadersWalkTheSameBoxesWithinTheSameBounds)
{
    encoder::EnsureToolFolder();
    TempFolder dir;
    const std::string plain = dir.file("plain.mp4");
    int code = -1;
    const std::string out = runAndCapture("ffmpeg -v error -y -f lavfi -i testsrc=size=96x64:rate=10:duration=1"
                                          " -f lavfi -i sine=duration=1 -vcodec libx264 -preset ultrafast -acodec aac "
                                              + platform::quoteArgument(plain),
                                          &code);
    ASSERT_EQ(code, 0) << out;
    const std::string data = readFile(plain);
    std::size_t boxes = 0;
    std::size_t moov = 0;
    for (std::size_t at = 0; at < data.size(); at += sizeAt(data, at), ++boxes) {
        ASSERT_GE(sizeAt(data, at), 8u);
        moov = data.compare(at + 4, 4, "moov") == 0 ? at : moov;
    }
    // The movie box is last, so growing its header moves no sample.
    ASSERT_EQ(moov + sizeAt(data, moov), data.size());
    const std::int64_t length = Mp4DurationMicroseconds(plain);
    const media::Mp4Movie movie = media::ReadMp4Movie(plain);
    ASSERT_GT(length, 0);
    ASSERT_TRUE(movie.readable);

    const std::string wide = dir.file("wide-moov.mp4");
    writeFile(wide, data.substr(0, moov) + be32(1) + "moov" + be64(sizeAt(data, moov) + 8) + data.substr(moov + 8));
    EXPECT_EQ(Mp4DurationMicroseconds(wide), length);
    const media::Mp4Movie wideMovie = media::ReadMp4Movie(wide);
    ASSERT_TRUE(wideMovie.readable) << "a movie box with a 64-bit size";
    ASSERT_EQ(wideMovie.tracks.size(), movie.tracks.size());
    for (std::size_t t = 0; t < movie.tracks.size(); ++t) {
        ASSERT_EQ(wideMovie.tracks[t].samples.size(), movie.tracks[t].samples.size());
        EXPECT_EQ(wideMovie.tracks[t].samples.back().offset, movie.tracks[t].samples.back().offset);
    }

    std::string atBound = data;
    for (; boxes < media::Mp4Limits::kTopLevelBoxes; ++boxes)
        atBound += box("free", "");
    writeFile(dir.file("at-bound.mp4"), atBound);
    writeFile(dir.file("past-bound.mp4"), atBound + box("free", ""));
    EXPECT_EQ(Mp4DurationMicroseconds(dir.file("at-bound.mp4")), length);
    EXPECT_TRUE(media::ReadMp4Movie(dir.file("at-bound.mp4")).readable);
    EXPECT_EQ(Mp4DurationMicroseconds(dir.file("past-bound.mp4")), kBoxesDoNotTell);
    EXPECT_FALSE(media::ReadMp4Movie(dir.file("past-bound.mp4")).readable);
}
