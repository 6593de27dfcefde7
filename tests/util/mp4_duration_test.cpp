#include "media/mp4_duration.h"

#include "editing/stream_ops.h"
#include "encoder/tool.h"
#include "platform/child_process.h"
#include "platform/command_line.h"

#include "../support/test_support.h"
#include "media/recording_length.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using encoder::EnsureToolFolder;
using media::ProbeDuration;
using media::DurationProbe;
using media::DurationText;
using media::kBoxesDoNotTell;
using media::kFileUnreadable;
using media::Mp4DurationMicroseconds;
using media::RecordingLength;

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

// Picture and sound encoded as the recorder encodes the screen.
const std::string kRecorderOutput =
    " -vcodec libx264 -r 60.97 -codec:a aac -ac 2 -ar 44100 -pix_fmt yuv420p -preset superfast -crf 26 -bf 0"
    " -force_key_frames expr:gte(t,n_forced*3)";
const std::string kSource = " -f lavfi -i testsrc=size=160x120:rate=30 -f lavfi -i sine=frequency=440";

void ffmpeg(const std::string& arguments)
{
    int code = -1;
    const std::string out = runAndCapture("ffmpeg -v error -y " + arguments, &code);
    ASSERT_EQ(code, 0) << arguments << "\n" << out;
}

std::string q(const std::string& path) { return platform::quoteArgument(path); }

void truncateTo(const std::string& from, const std::string& to, std::uint64_t size)
{
    fs::copy_file(fs::u8path(from), fs::u8path(to));
    fs::resize_file(fs::u8path(to), size);
}

// Offset of the first top-level box of that type at or after `from`.
std::uint64_t boxAt(const std::string& file, const char* type, std::uint64_t from = 0)
{
    const std::string data = readFile(file);
    for (std::uint64_t at = 0; at + 8 <= data.size();) {
        const auto* p = reinterpret_cast<const unsigned char*>(data.data() + at);
        const std::uint64_t size = (std::uint64_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        if (at >= from && data.compare(at + 4, 4, type) == 0)
            return at;
        if (size < 8)
            break;
        at += size;
    }
    return 0;
}

} // namespace

TEST(DurationText, RoundsToHundredthsThenCutsToSecondsAsTheProbeShowsIt)
{
    EXPECT_EQ(DurationText(0), "00:00:00");
    EXPECT_EQ(DurationText(2994999), "00:00:02");
    EXPECT_EQ(DurationText(2995000), "00:00:03");
    EXPECT_EQ(DurationText((3600LL + 61) * 1000000), "01:01:01");
    EXPECT_EQ(DurationText(100LL * 3600 * 1000000), "100:00:0"); // the probe's text is cut at eight too
}

// Every kind of file the folder holds, read from its boxes where they tell
// and by the probe otherwise: the length shown is the probe's, to the second.
TEST(RecordingLength, EqualsTheProbeOnRealCutMergedFragmentedAndTruncatedFiles)
{
    EnsureToolFolder();
    TempFolder dir;
    const std::string plain = dir.file("-a 'b' $c 录像.mp4");
    ffmpeg(kSource + " -t 7.3" + kRecorderOutput + " -f mp4 " + q(plain));
    const std::string fragmented = dir.file("frag.mp4");
    ffmpeg(kSource + " -t 12.4" + kRecorderOutput + " -movflags +frag_keyframe+empty_moov+default_base_moof "
           + q(fragmented));
    // Pictures shown out of order: the first shows two frames late, and the
    // probe counts 0.9 s of pictures from there, past the sound's end.
    const std::string reordered = dir.file("frag-reordered.mp4");
    ffmpeg("-f lavfi -i testsrc=size=96x64:rate=10:duration=0.85 -f lavfi -i sine=duration=0.5 -vcodec libx264"
           " -preset veryfast -acodec aac -movflags +frag_keyframe+empty_moov "
           + q(reordered));
    const std::string fragmentedWithSamples = dir.file("frag-moov.mp4");
    ffmpeg(kSource + " -t 5.6" + kRecorderOutput + " -movflags +frag_keyframe " + q(fragmentedWithSamples));
    const std::string cut = dir.file("Cut_x.mp4");
    ffmpeg("-i " + q(plain) + " -ss 2 -t 3 -codec copy " + q(cut));
    const std::string cutOfFragmented = dir.file("Cut_frag.mp4");
    ffmpeg("-i " + q(fragmented) + " -ss 3 -t 6 -codec copy " + q(cutOfFragmented));
    // A merge as the merge page makes one: through transport streams.
    ffmpeg("-i " + q(plain) + " -vcodec copy -acodec copy -vbsf h264_mp4toannexb " + q(dir.file("1.ts")));
    ffmpeg("-i " + q(cut) + " -vcodec copy -acodec copy -vbsf h264_mp4toannexb " + q(dir.file("2.ts")));
    const std::string merged = dir.file("Merge.mp4");
    ffmpeg("-i " + q("concat:" + dir.file("1.ts") + "|" + dir.file("2.ts"))
           + " -acodec copy -vcodec copy -absf aac_adtstoasc " + q(merged));
    // 599 frames at 200 a second: 2.995 s, which the probe rounds up.
    const std::string boundary = dir.file("boundary.mp4");
    ffmpeg("-f lavfi -i testsrc=size=64x64:rate=200 -t 2.995 -vcodec libx264 -preset ultrafast " + q(boundary));

    const std::string fragmentedCutInData = dir.file("frag-cut-in-data.mp4");
    const std::uint64_t lastFragment = boxAt(fragmented, "moof", boxAt(fragmented, "mdat") + 100000);
    ASSERT_GT(lastFragment, 0u);
    truncateTo(fragmented, fragmentedCutInData, boxAt(fragmented, "mdat", lastFragment) + 20);
    const std::string fastStartCutInData = dir.file("faststart-cut.mp4");
    ffmpeg("-i " + q(plain) + " -codec copy -movflags +faststart " + q(dir.file("faststart.mp4")));
    truncateTo(dir.file("faststart.mp4"), fastStartCutInData, fs::file_size(fs::u8path(plain)) / 2);

    for (const std::string& file : {plain, fragmented, reordered, fragmentedWithSamples, cut, cutOfFragmented, merged,
                                    boundary, fragmentedCutInData, fastStartCutInData}) {
        const std::string probed = ProbeDuration(file);
        ASSERT_FALSE(probed.empty()) << file;
        EXPECT_GE(Mp4DurationMicroseconds(file), 0) << file << ": left to the probe";
        EXPECT_EQ(RecordingLength(file, [](const std::string&) { return std::string("probe asked"); }), probed) << file;
    }
    EXPECT_EQ(ProbeDuration(boundary), "00:00:03");
    EXPECT_EQ(ProbeDuration(reordered), "00:00:01");

    // Cut off inside a fragment's header, or before the movie box at the end:
    // the boxes do not tell, and the probe, asked, has no length either.
    const std::string fragmentedCutInHeader = dir.file("frag-cut-in-header.mp4");
    truncateTo(fragmented, fragmentedCutInHeader, lastFragment + 100);
    const std::string plainCut = dir.file("plain-cut.mp4");
    truncateTo(plain, plainCut, fs::file_size(fs::u8path(plain)) / 2);
    for (const std::string& file : {fragmentedCutInHeader, plainCut}) {
        EXPECT_EQ(Mp4DurationMicroseconds(file), kBoxesDoNotTell) << file;
        EXPECT_EQ(RecordingLength(file, ProbeDuration), "") << file;
    }
}

// Recordings fragmented with the recorder's own encoding, finished or with
// their encoder killed (what a fragmented recording would leave): read from
// the boxes, to the probe's second.
TEST(RecordingLength, EqualsTheProbeOnRecordingsFragmentedAsRecordedFinishedOrKilled)
{
    EnsureToolFolder();
    TempFolder dir;
    const std::string fragments = " -movflags +frag_keyframe+empty_moov+default_base_moof -flush_packets 1";
    const std::string finished = dir.file("finished.mp4");
    ffmpeg(kSource + " -t 6.6" + kRecorderOutput + fragments + " -f mp4 " + q(finished));
    std::vector<std::string> files{finished};
    // Past the first and second forced keyframe (every third second), where
    // the first fragments are written; before the first there is no length.
    for (int ms : {4000, 7000}) {
        const std::string killed = dir.file("killed-" + std::to_string(ms) + ".mp4");
        platform::ChildProcess encoder;
        ASSERT_TRUE(
            encoder.start("ffmpeg -v error -re" + kSource + kRecorderOutput + fragments + " -f mp4 " + q(killed)));
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        encoder.kill();
        encoder.waitForExit(5000);
        files.push_back(killed);
    }
    for (const std::string& file : files) {
        const std::string probed = ProbeDuration(file);
        ASSERT_FALSE(probed.empty()) << file;
        EXPECT_GE(Mp4DurationMicroseconds(file), 0) << file << ": left to the probe";
        EXPECT_EQ(RecordingLength(file, [](const std::string&) { return std::string("probe asked"); }), probed) << file;
    }
}

TEST(RecordingLength, OtherFilesGoToTheProbeAndNothingThatCannotBeOpenedDoes)
{
    EnsureToolFolder();
    TempFolder dir;
    std::atomic<int> asked{0};
    const DurationProbe probe = [&](const std::string& path) {
        ++asked;
        return ProbeDuration(path);
    };

    // A transport stream with an MP4 name: only the probe knows it.
    const std::string stream = dir.file("stream.mp4");
    ffmpeg(kSource + " -t 2 -vcodec libx264 -preset ultrafast -f mpegts " + q(stream));
    EXPECT_EQ(Mp4DurationMicroseconds(stream), kBoxesDoNotTell);
    EXPECT_EQ(RecordingLength(stream, probe), ProbeDuration(stream));
    EXPECT_EQ(asked.load(), 1);

    writeFile(dir.file("text.mp4"), "not a recording at all, just words");
    EXPECT_EQ(RecordingLength(dir.file("text.mp4"), probe), "");
    // A bare picture stream: the probe says "Duration: N/A", which is no length.
    const std::string bare = dir.file("bare.mp4");
    ffmpeg("-f lavfi -i testsrc=size=64x64 -t 1 -vcodec libx264 -preset ultrafast -f h264 " + q(bare));
    EXPECT_EQ(ProbeDuration(bare).substr(0, 3), "N/A");
    EXPECT_EQ(RecordingLength(bare, probe), "");
    EXPECT_EQ(asked.load(), 3);

    // None of these is opened as a file, so none is worth a probe; the pipe
    // would hold a probe, or an open, until someone wrote to it.
    writeFile(dir.file("empty.mp4"), "");
    fs::create_directory(fs::u8path(dir.file("folder.mp4")));
    ASSERT_EQ(::mkfifo(dir.file("pipe.mp4").c_str(), 0600), 0);
    fs::create_symlink(fs::u8path(dir.file("loop.mp4")), fs::u8path(dir.file("loop.mp4")));
    for (const char* name : {"missing.mp4", "empty.mp4", "folder.mp4", "pipe.mp4", "loop.mp4"}) {
        EXPECT_EQ(Mp4DurationMicroseconds(dir.file(name)), kFileUnreadable) << name;
        EXPECT_EQ(RecordingLength(dir.file(name), probe), "") << name;
    }
    EXPECT_EQ(asked.load(), 3);
}
