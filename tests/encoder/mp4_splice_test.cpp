// A spliced cut planned and written from made-up tables, then read back:
// every sample must lie where its bytes were copied, with its time and flag.
#include "editing/mp4_splice.h"
#include "media/mp4_duration.h"

#include <cstring>
#include <gtest/gtest.h>

using editing::CanSplice;
using media::Mp4Movie;
using media::Mp4Tag;
using media::Mp4Track;
using editing::PacketScan;
using editing::PlanExactCut;
using editing::PlanSplice;
using media::ReadMp4Movie;
using editing::ScanOfSamples;
using editing::SpliceFileStart;
using editing::SpliceSource;
using editing::SplicedMovie;
using media::ReadMp4Tracks;

namespace {

std::string be32(std::uint32_t v)
{
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string box(const std::string& type, const std::string& body) { return be32(body.size() + 8) + type + body; }

// A track's header boxes, zero but for what the reader and writer use.
Mp4Track track(const char* handler, const std::string& codec)
{
    Mp4Track t;
    t.handler = Mp4Tag(handler[0] == 'v' ? "vide" : "soun");
    t.timescale = 1000;
    t.tkhd = box("tkhd", std::string(12, '\0') + be32(t.handler == Mp4Tag("vide") ? 1 : 2) + std::string(68, '\0'));
    t.mdhd = box("mdhd", std::string(12, '\0') + be32(1000) + std::string(8, '\0'));
    t.hdlr = box("hdlr", std::string(8, '\0') + handler + std::string(13, '\0'));
    t.stsd = box("stsd", std::string(4, '\0') + be32(1) + box(codec, std::string(8, '\0') + box("avcC", "sps")));
    return t;
}

} // namespace

TEST(Mp4Splice, TheCopiedSamplesAndThePieceAreFoundWhereTheyWereWritten)
{
    // Ten frames of 40 ms, keyframes at 0 and 200 ms, and eight sound
    // packets of 50 ms, stored as: frames 0-4, sound 0-3, frames 5-9, sound 4-7.
    Mp4Movie source;
    source.readable = true;
    source.ftyp = box("ftyp", "isom" + be32(512) + "isomavc1");
    source.mvhd = box("mvhd", std::string(12, '\0') + be32(1000) + std::string(84, '\0'));
    source.timescale = 1000;
    Mp4Track video = track("vide", "avc1");
    Mp4Track sound = track("soun", "mp4a");
    for (int k = 0; k < 10; ++k)
        video.samples.push_back({static_cast<std::uint64_t>(100 + (k < 5 ? 10 * k : 70 + 10 * (k - 5))), 10, 40 * k,
                                 40, k % 5 == 0});
    for (int k = 0; k < 8; ++k)
        sound.samples.push_back({static_cast<std::uint64_t>(k < 4 ? 150 + 5 * k : 220 + 5 * (k - 4)), 5, 50 * k, 50, true});
    source.tracks = {video, sound};
    ASSERT_TRUE(CanSplice(source));

    // From the frame at 80 ms to the one at 320 ms.
    const PacketScan all = ScanOfSamples(source, 0, 10);
    const SpliceSource part = PlanSplice(source, PlanExactCut(all, all, 85, 330));
    ASSERT_TRUE(part.possible);
    EXPECT_EQ(part.firstFrame, 2u);
    EXPECT_EQ(part.videoFrom, 5u);  // the keyframe: frames 2-4 are the piece's
    EXPECT_EQ(part.videoUntil, 9u); // frames after the last keyframe are copied too
    EXPECT_EQ(part.length, 280);
    // The sound from the packet before the one at 80 ms, which it skips into.
    ASSERT_EQ(part.sounds.size(), 1u);
    EXPECT_EQ(part.sounds[0].from, 0u);
    EXPECT_EQ(part.sounds[0].until, 8u);
    EXPECT_EQ(part.sounds[0].skip, 80);
    ASSERT_EQ(part.ranges.size(), 2u); // sound 0-3 with frames 5-8; sound 4-7
    EXPECT_EQ(part.ranges[0].offset, 150u);
    EXPECT_EQ(part.ranges[0].size, 60u);
    EXPECT_EQ(part.ranges[1].offset, 220u);

    Mp4Track piece = track("vide", "avc1");
    for (int k = 0; k < 3; ++k)
        piece.samples.push_back({static_cast<std::uint64_t>(40 + 12 * k), 12, 0, 1, k == 0});
    const std::uint64_t sourceAt = SpliceFileStart(source, 0).size();
    const std::uint64_t headAt = sourceAt + 80;
    const std::string moov = SplicedMovie(source, part, sourceAt, &piece, headAt);
    ASSERT_FALSE(moov.empty());
    const std::string file = SpliceFileStart(source, 80 + 36) + std::string(80 + 36, '\0') + moov;

    const auto readAt = [&](std::uint64_t offset, void* buffer, std::size_t count) -> long long {
        const std::size_t n = offset >= file.size() ? 0 : std::min<std::size_t>(count, file.size() - offset);
        std::memcpy(buffer, file.data() + offset, n);
        return static_cast<long long>(n);
    };
    const Mp4Movie cut = ReadMp4Movie(file.size(), readAt);
    ASSERT_TRUE(cut.readable);
    const Mp4Track& v = *cut.track(Mp4Tag("vide"));
    ASSERT_EQ(v.samples.size(), 7u);
    EXPECT_EQ(v.samples[0].offset, headAt);
    EXPECT_EQ(v.samples[2].offset, headAt + 24);
    EXPECT_EQ(v.samples[3].offset, sourceAt + 20); // frame 5, after sound 0-3
    EXPECT_EQ(v.samples[6].dts, 240);
    EXPECT_TRUE(v.samples[0].key && v.samples[3].key && !v.samples[1].key && !v.samples[4].key);
    const Mp4Track& s = *cut.track(Mp4Tag("soun"));
    ASSERT_EQ(s.samples.size(), 8u);
    EXPECT_EQ(s.samples[4].offset, sourceAt + 60);
    EXPECT_EQ(s.editMediaTime, 80);
    EXPECT_EQ(ReadMp4Tracks(file.size(), readAt).videoMicroseconds, 280000);

    // A piece with other codec headers or another count of frames does not fit.
    Mp4Track other = piece;
    other.stsd.replace(other.stsd.find("sps"), 3, "SPS");
    EXPECT_TRUE(SplicedMovie(source, part, sourceAt, &other, headAt).empty());
    piece.samples.pop_back();
    EXPECT_TRUE(SplicedMovie(source, part, sourceAt, &piece, headAt).empty());
}
