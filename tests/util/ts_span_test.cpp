// The working transport stream and the MP4 the tee muxer writes beside it:
// the two readers that must agree before the working file may go.
#include "media/mp4_duration.h"
#include "media/ts_span.h"

#include "platform/command_line.h"
#include "platform/files.h"

#include "../support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <utility>
#include <vector>

using media::kTsSpanMostBytesRead;
using media::Mp4Tracks;
using media::ReadMp4Tracks;
using media::ReadTsSpan;
using media::TsSpan;

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

constexpr std::int64_t kFrameMicroseconds = 16402; // one picture at 60.97 a second

std::string q(const std::string& path) { return platform::quoteArgument(path); }

void ffmpeg(const std::string& arguments)
{
    int code = -1;
    const std::string out = runAndCapture("ffmpeg -v error -y " + arguments, &code);
    ASSERT_EQ(code, 0) << arguments << "\n" << out;
}

// ffprobe's own length of the first stream of that kind, in microseconds.
std::int64_t probedMicroseconds(const std::string& file, const char* kind)
{
    const std::string text = probe(file, "stream=duration", std::string("-select_streams ") + kind + ":0");
    return static_cast<std::int64_t>(std::stod(text) * 1e6 + 0.5);
}

std::string bytesOf(const std::string& file, std::uint64_t count) { return readFile(file).substr(0, count); }

// One encode written both ways, as the recorder writes a take: with sound,
// and without.
class TsSpanTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder_ = std::make_unique<TempFolder>();
        for (bool sound : {true, false}) {
            const std::string name = sound ? "take" : "silent";
            ffmpeg("-f lavfi -i testsrc=rate=60.97:size=320x240 -f lavfi -i sine=sample_rate=44100 -t 3"
                   " -vcodec libx264 -preset ultrafast -bf 0 -codec:a aac -flags +global_header -map 0:v"
                   + std::string(sound ? " -map 1:a" : "") + " -f tee "
                   + q("[f=mp4]" + file(name + ".mp4") + "|[f=mpegts]" + file(name + ".ts")));
        }
    }
    static void TearDownTestSuite() { folder_.reset(); }
    static std::string file(const std::string& name) { return folder_->file(name); }

    static std::unique_ptr<TempFolder> folder_;
};

std::unique_ptr<TempFolder> TsSpanTest::folder_;

} // namespace

TEST_F(TsSpanTest, AgreesWithThePlainMp4WrittenBesideItAndWithTheProbe)
{
    for (bool sound : {true, false}) {
        const std::string ts = file(sound ? "take.ts" : "silent.ts");
        const std::string mp4 = file(sound ? "take.mp4" : "silent.mp4");
        const TsSpan span = ReadTsSpan(ts);
        const Mp4Tracks tracks = ReadMp4Tracks(mp4);
        ASSERT_TRUE(span.readable) << ts;
        ASSERT_TRUE(tracks.readable) << mp4;
        EXPECT_TRUE(span.video && tracks.video);
        EXPECT_EQ(span.sound, sound);
        EXPECT_EQ(tracks.sound, sound);
        EXPECT_NEAR(span.videoMicroseconds, tracks.videoMicroseconds, kFrameMicroseconds);
        EXPECT_NEAR(span.videoMicroseconds, probedMicroseconds(ts, "v"), 100);
        EXPECT_NEAR(tracks.videoMicroseconds, probedMicroseconds(mp4, "v"), 100);
        EXPECT_NEAR(span.soundMicroseconds, sound ? probedMicroseconds(ts, "a") : 0, 100);
    }

    // An MP4 that is fragmented, cut before its movie box (which the tee
    // muxer writes last), or not an MP4 at all holds no whole take; nor does
    // an MP4 read as a transport stream.
    ffmpeg("-i " + q(file("take.mp4")) + " -codec copy -movflags +frag_keyframe+empty_moov " + q(file("frag.mp4")));
    writeFile(file("cut.mp4"), bytesOf(file("take.mp4"), fs::file_size(fs::u8path(file("take.mp4"))) - 100));
    for (const char* name : {"frag.mp4", "cut.mp4", "take.ts", "missing.mp4"})
        EXPECT_FALSE(ReadMp4Tracks(file(name)).readable) << name;
    EXPECT_FALSE(ReadTsSpan(file("take.mp4")).readable);
}

// A file cut anywhere, as a power cut leaves it, tells what it holds: no
// span before the program map and the first picture, then one that grows
// with the cut and never passes the whole file's. A packet cut short counts
// for nothing, be it the last or one cut in its PES header.
TEST_F(TsSpanTest, CutOffAnywhereGivesNoMoreThanWhatIsThere)
{
    const std::string whole = readFile(file("take.ts"));
    const std::int64_t full = ReadTsSpan(file("take.ts")).videoMicroseconds;
    const std::size_t picture = whole.find(std::string("\0\0\1\xe0", 4), whole.size() / 2);
    ASSERT_LT(picture % 188, 20u) << "a PES header starts near its packet's start";
    const std::size_t picturePacket = picture / 188 * 188;
    const std::vector<std::size_t> cuts{
        100,         2 * 188 + 50,         3 * 188 + 20,       whole.size() / 4, picturePacket,
        picture + 8, whole.size() * 3 / 4, whole.size() - 188, whole.size() - 1};
    std::vector<std::int64_t> spans; // -1 when not readable
    for (std::size_t cut : cuts) {
        const std::string path = file("cut-" + std::to_string(cut) + ".ts");
        writeFile(path, whole.substr(0, cut));
        const TsSpan span = ReadTsSpan(path);
        spans.push_back(span.readable ? span.videoMicroseconds : -1);
        EXPECT_LE(spans.back(), full) << cut;
        if (spans.size() > 1) {
            EXPECT_LE(spans[spans.size() - 2], spans.back()) << cut;
        }
    }
    EXPECT_EQ(spans[0], -1) << "no program map";
    EXPECT_EQ(spans[1], -1) << "cut in the program map";
    EXPECT_EQ(spans[2], -1) << "cut in the first picture's header";
    EXPECT_GT(spans[3], 0);
    EXPECT_EQ(spans[5], spans[4]) << "cut in a PES header";
    EXPECT_EQ(spans[8], spans[7]) << "cut in the last packet";
}

// Bytes before the first packet, megabytes of stuffing between head and
// tail, and zeros after the last packet (a power cut may leave them) change
// nothing; the stuffing puts the middle of the file out of reach, and still
// no more than the bound is read.
TEST_F(TsSpanTest, JunkBeforeStuffingBetweenAndZerosAfterChangeNothing)
{
    const std::string whole = readFile(file("take.ts"));
    const TsSpan expected = ReadTsSpan(file("take.ts"));
    std::string stuffing;
    const std::string nullPacket = std::string("\x47\x1f\xff\x10", 4) + std::string(184, '\xff');
    for (int i = 0; i < 100000; ++i) // 18.8 MB
        stuffing += nullPacket;
    const std::size_t middle = whole.size() / 188 / 2 * 188;
    const std::vector<std::pair<std::string, std::string>> files{
        {"junk-before.ts", std::string(1000, 'j') + std::string(77, '\0') + whole},
        {"stuffing-between.ts", whole.substr(0, middle) + stuffing + whole.substr(middle)},
        {"zeros-after.ts", whole + std::string(100000, '\0')},
    };
    for (const auto& [name, content] : files) {
        writeFile(file(name), content);
        platform::ReadOnlyFile opened(file(name));
        std::uint64_t bytesRead = 0;
        const TsSpan span = ReadTsSpan(opened.size(), [&](std::uint64_t at, void* buffer, std::size_t count) {
            bytesRead += count;
            return opened.readAt(at, buffer, count);
        });
        EXPECT_TRUE(span.readable) << name;
        EXPECT_EQ(span.sound, expected.sound) << name;
        EXPECT_EQ(span.videoMicroseconds, expected.videoMicroseconds) << name;
        EXPECT_EQ(span.soundMicroseconds, expected.soundMicroseconds) << name;
        EXPECT_LE(bytesRead, kTsSpanMostBytesRead) << name;
    }
}

// Nothing that is not our kind of transport stream gets a span, however
// large: random bytes, zeros, sync bytes at every packet start with garbage
// between, a transport stream of MPEG-2 pictures as other programs write
// them, or one of sound alone.
TEST_F(TsSpanTest, HostileBytesAreUnreadableWithinTheBound)
{
    std::mt19937 random(7);
    std::string noise(1 << 20, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    std::string synced = noise;
    for (std::size_t at = 0; at < synced.size(); at += 188)
        synced[at] = '\x47';
    writeFile(file("noise.ts"), noise);
    writeFile(file("zeros.ts"), std::string(1 << 20, '\0'));
    writeFile(file("synced.ts"), synced);
    writeFile(file("empty.ts"), "");
    ffmpeg("-f lavfi -i testsrc=size=160x120:rate=25 -f lavfi -i sine -t 1 -vcodec mpeg2video -acodec mp2 -f mpegts "
           + q(file("mpeg2.ts")));
    ffmpeg("-i " + q(file("take.ts")) + " -map 0:a -codec copy " + q(file("sound-only.ts")));
    for (const char* name :
         {"noise.ts", "zeros.ts", "synced.ts", "empty.ts", "mpeg2.ts", "sound-only.ts", "missing.ts"})
        EXPECT_FALSE(ReadTsSpan(file(name)).readable) << name;

    // A terabyte of sync bytes and garbage: only the head and the tail are read.
    std::uint64_t bytesRead = 0;
    const TsSpan huge = ReadTsSpan(1ull << 40, [&](std::uint64_t at, void* buffer, std::size_t count) {
        auto* bytes = static_cast<unsigned char*>(buffer);
        for (std::size_t i = 0; i < count; ++i)
            bytes[i] = (at + i) % 188 == 0 ? 0x47 : static_cast<unsigned char>((at + i) * 2654435761u >> 13);
        bytesRead += count;
        return static_cast<long long>(count);
    });
    EXPECT_FALSE(huge.readable);
    EXPECT_LE(bytesRead, kTsSpanMostBytesRead);
}

// What the recorder's encoder writes is told from the tables alone, before
// any picture: one H.264 stream and at most AAC sound, nothing else. A file
// of the encoder's first three packets holds those tables and nothing more.
TEST_F(TsSpanTest, TheRecordersStreamsAreToldFromTheTablesAndNothingElsePasses)
{
    for (const char* name : {"take.ts", "silent.ts"}) {
        EXPECT_TRUE(ReadTsSpan(file(name)).recorderStreams) << name;
        EXPECT_FALSE(ReadTsSpan(file(name)).tablesOnly) << name;
    }
    for (const char* name : {"take.mp4", "silent.mp4"})
        EXPECT_TRUE(ReadMp4Tracks(file(name)).recorderTracks) << name;
    const std::string whole = readFile(file("take.ts"));
    writeFile(file("tables.ts"), whole.substr(0, 3 * 188));
    writeFile(file("tables-and-more.ts"), whole.substr(0, 4 * 188));
    const TsSpan tables = ReadTsSpan(file("tables.ts"));
    EXPECT_TRUE(tables.recorderStreams && tables.tablesOnly && !tables.readable);
    EXPECT_FALSE(ReadTsSpan(file("tables-and-more.ts")).tablesOnly);

    // Another kind of picture, a second sound, or a subtitle track.
    const std::string source = "-f lavfi -i testsrc=rate=25:size=160x120:duration=1 -f lavfi -i sine=duration=1 ";
    ffmpeg(source + "-map 0:v -vcodec mpeg2video -f mpegts " + q(file("mpeg2.ts")));
    ffmpeg(source + "-map 0:v -map 1:a -map 1:a -vcodec libx264 -preset ultrafast -c:a:0 aac -c:a:1 mp2 -f mpegts "
           + q(file("two-sounds.ts")));
    writeFile(file("words.srt"), "1\n00:00:00,000 --> 00:00:01,000\nwords\n");
    ffmpeg(source + "-i " + q(file("words.srt")) + " -t 1 -map 0:v -map 1:a -map 2 -vcodec libx264 -preset ultrafast"
           + " -c:a aac -c:s mov_text " + q(file("subtitled.mp4")));
    for (const char* name : {"mpeg2.ts", "two-sounds.ts"}) {
        const TsSpan span = ReadTsSpan(file(name));
        EXPECT_FALSE(span.recorderStreams) << name;
    }
    EXPECT_TRUE(ReadTsSpan(file("two-sounds.ts")).readable);
    const Mp4Tracks subtitled = ReadMp4Tracks(file("subtitled.mp4"));
    EXPECT_TRUE(subtitled.readable && subtitled.video && subtitled.sound);
    EXPECT_FALSE(subtitled.recorderTracks);
}
