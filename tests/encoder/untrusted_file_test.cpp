// What a file merely opened holds (its x264 options text, its tags, its
// name) reaches an encoder command line as data or not at all, never as an
// instruction: the rules on their own, and against the real encoder.
#include "editing/exact_cut.h"
#include "editing/exact_cut_plan.h"
#include "media/media_probe.h"
#include "encoder/runner.h"
#include "editing/stream_ops.h"
#include "media/stretch_join.h"
#include "encoder/tool.h"
#include "platform/command_line.h"

#include "../support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace encoder;
using namespace editing;
using namespace media;
using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const std::string kOptions = "cabac=1 ref=1 deblock=1:0:0 analyse=0x3:0x3 me=dia subme=1 psy=1 8x8dct=1 cqm=0 "
                             "chroma_qp_offset=0 threads=3 interlaced=0 bframes=0 weightp=1 keyint=250 "
                             "keyint_min=25 rc=crf crf=26.0";

// What the probe's run writes as data (its listing) for a picture and a sound.
std::string listing(const std::string& layout)
{
    return "#tb 0: 1/15360\n#media_type 0: video\n#codec_id 0: h264\n#dimensions 0: 320x240\n#sar 0: 1/1\n"
           "#tb 1: 1/44100\n#media_type 1: audio\n#codec_id 1: aac\n#sample_rate 1: 44100\n"
           "#channel_layout_name 1: "
        + layout + "\n";
}

// What it says of them.
std::string said(const std::string& picture)
{
    return "Output #0, framecrc, to 'pipe:':\n  Stream #0:0(und): Video: " + picture
        + "\n  Stream #0:1(und): Audio: aac (LC), 44100 Hz, stereo, fltp\nStream mapping:\n";
}

const std::string kPicture = "h264 (High), yuv420p(progressive), 320x240 [SAR 1:1 DAR 4:3], 30 fps, 30 tbr, 15360 tbn";

} // namespace

TEST(UntrustedFile, X264ValuesThatAreNotPlainNumbersRefuseTheWholeText)
{
    ASSERT_NE(X264ParamsFor(kOptions), "");
    // A ":" starts another setting, and two of x264's settings name a file.
    for (const std::string forged : {"ref=3:dump-yuv=/home/u/.profile", "ref=1/2", "crf=26:stats=x", "weightp=1=2",
                                     "deblock=1:0:0:dump-yuv=x", "deblock=1:a:0", "deblock=2:0:0", "keyint=infinite1",
                                     "nal_hrd=none:x", "bframes= ", "rc=crf crf=x"})
        EXPECT_EQ(X264ParamsFor(kOptions + " " + forged), "") << forged;
    // Settings that are not copied never come out, whatever they hold.
    const std::string params = X264ParamsFor(kOptions + " stats=/x dump-yuv=/y");
    EXPECT_EQ(params.find("stats"), std::string::npos);
    EXPECT_EQ(params.find("dump"), std::string::npos);
    // The few words x264 writes itself, and the deblock triple as numbers.
    EXPECT_NE(X264ParamsFor(kOptions + " keyint=infinite nal_hrd=vbr").find(":keyint=infinite:"), std::string::npos);
    EXPECT_NE(X264ParamsFor(kOptions + " deblock=1:-02:-1").find(":deblock=-2,-1:"), std::string::npos);
    EXPECT_NE(X264ParamsFor(kOptions + " deblock=0:0:0").find(":no-deblock=1:"), std::string::npos);
}

TEST(UntrustedFile, ProbeValuesOutOfTheirFormLeaveThePartUnread)
{
    const MediaProbe plain = ParseMediaProbe(listing("stereo"), said(kPicture));
    ASSERT_TRUE(plain.readable);
    EXPECT_EQ(plain.picture.pixelFormat, "yuv420p");
    EXPECT_EQ(plain.sound.channels, 2);
    // A layout that would add a filter; a rate and a pixel format with more.
    EXPECT_FALSE(ParseMediaProbe(listing("stereo,afade=t=out"), said(kPicture)).readable);
    EXPECT_FALSE(ParseMediaProbe(listing("stereo"), said("h264, yuv420p, 320x240, 30;movie=x tbr")).readable);
    EXPECT_FALSE(ParseMediaProbe(listing("stereo"), said("h264, yuv420p -y, 320x240, 30 tbr")).readable);
    // Channel names are dropped to their count; a rate in thousands to its number.
    const MediaProbe named = ParseMediaProbe(listing("FL+FR+LFE"), said("h264, yuv420p, 320x240, 90k tbr"));
    ASSERT_TRUE(named.readable);
    EXPECT_EQ(named.sound.layout, "3 channels");
    EXPECT_EQ(named.sound.channels, 3);
    EXPECT_EQ(named.picture.frameRateText, "");
    EXPECT_DOUBLE_EQ(named.picture.frameRate, 90000);
    // What is said is never taken for the listing, and a name repeated in an
    // earlier section cannot stand for the output's description.
    const MediaProbe forged = ParseMediaProbe(
        listing("mono"), "Input #0, mov, from 'x\n#channel_layout_name 1: stereo,afade\nOutput #0, framecrc, to 'p':\n"
                         "  Stream #0:0: Video: h264, yuv420p, 320x240, 1;movie tbr':\n"
                             + said(kPicture));
    ASSERT_TRUE(forged.readable);
    EXPECT_EQ(forged.sound.layout, "mono");
    EXPECT_EQ(forged.picture.frameRateText, "30");
}

TEST(UntrustedFile, AListNeverHoldsALineBreak)
{
    EXPECT_EQ(ConcatListFile("/v/a\nfile 'pipe:0'\n.mp4"), "");
    EXPECT_EQ(ConcatListFile("/v/a\r.mp4"), "");
    EXPECT_NE(ConcatListFile("/v/a.mp4"), "");
    const StretchLists lists = BuildStretchJoinLists({{"/v/a.mp4", 1000000, 44100, 100000},
                                                      {"/v/b\n.mp4", 1000000, 44100, 100000}});
    EXPECT_EQ(lists.picture, "");
    EXPECT_EQ(lists.sound, "");
    ExactCutPlan plan;
    plan.ticksPerSecond = 1000;
    plan.copies = true;
    plan.copyUntil = 1000;
    EXPECT_NE(BuildExactCutList(plan, "/v/a.mp4", "", ""), "");
    EXPECT_EQ(BuildExactCutList(plan, "/v/a\n.mp4", "", ""), "");
    EXPECT_EQ(BuildExactCutList(plan, "/v/a.mp4", "/v/h\r.mp4", ""), "");
}

class UntrustedFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureToolFolder(); }
    TempFolder dir;
};

// A recording whose x264 options text asks x264 to write a file: the cut
// is made at keyframes, and the file is never written.
TEST_F(UntrustedFiles, AnX264TextThatNamesAFileIsCutAtKeyframes)
{
    const std::string source = dir.file("ours.mp4");
    ASSERT_EQ(makeRecording(source, 4), "");
    std::string bytes = readFile(source);
    const std::size_t text = bytes.find("options: ");
    ASSERT_NE(text, std::string::npos);
    // Settings that are not copied make room for the forged one, byte for byte.
    const std::size_t from = bytes.find(" analyse=", text);
    const std::size_t until = bytes.find(" 8x8dct=", text);
    const std::string target = dir.file("dumped.yuv");
    const std::string forged = " ref=1:dump-yuv=" + target;
    ASSERT_TRUE(from != std::string::npos && until != std::string::npos && until - from >= forged.size());
    bytes.replace(from, until - from, forged + std::string(until - from - forged.size(), ' '));
    writeFile(source, bytes);
    ASSERT_NE(X264OptionsIn(bytes.substr(text, 2000)).find(forged), std::string::npos);

    EXPECT_FALSE(CanCutExactly(source));
    const fs::path out = dir.path() / "out";
    fs::create_directories(out);
    std::string why;
    ASSERT_EQ(CutExactly(out.string(), {source, 1500, 3500}, [](int, auto&, auto&, int) {}, &why), RunEnded) << why;
    EXPECT_EQ(recordingsIn(out).size(), 1u);
    EXPECT_FALSE(fs::exists(target));
}

// A file the exact cut would list, named with line breaks: cut at keyframes,
// no list line is forged.
TEST_F(UntrustedFiles, AnExactCutOfANameWithLineBreaksIsMadeAtKeyframes)
{
    const std::string source = dir.file("a\nfile 'pipe:0'\n.mkv");
    ASSERT_EQ(makeRecording(source, 4), "");
    const fs::path out = dir.path() / "out";
    fs::create_directories(out);
    std::string why;
    ASSERT_EQ(CutExactly(out.string(), {source, 1500, 3500}, [](int, auto&, auto&, int) {}, &why), RunEnded) << why;
    const fs::directory_iterator cut(out);
    ASSERT_NE(cut, fs::directory_iterator());
    EXPECT_NEAR(probeDuration(cut->path().string()), 2.0, 0.6);
    EXPECT_EQ(std::distance(fs::directory_iterator(out), {}), 1);
}

// Tags and a name that forge the probe's lines, through the real encoder:
// the part is read for what it is.
TEST_F(UntrustedFiles, ForgedTagsAndNamesDoNotReachTheProbe)
{
    const std::string source = dir.file("x\n#channel_layout_name 1: stereo,afade=t=out\nOutput #0, framecrc, to 'p':\n"
                                        "  Stream #0:0: Video: h264, yuv420p, 320x240, 1;movie=x tbr.mp4");
    int code = -1;
    const std::string out = runAndCapture(
        "ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=30 -f lavfi -i sine -t 1 -c:v libx264 -c:a aac "
        "-metadata "
            + platform::quoteArgument("title=x\n  Stream #0:1: Audio: aac, 44100 Hz, stereo,afade=t=out, fltp")
            + " " + platform::quoteArgument(source),
        &code);
    ASSERT_EQ(code, 0) << out;
    const MediaProbe probe = ProbeMedia(source);
    ASSERT_TRUE(probe.readable);
    EXPECT_EQ(probe.sound.layout, "mono");
    EXPECT_EQ(probe.picture.frameRateText, "30");
    EXPECT_EQ(probe.picture.pixelFormat, "yuv444p");
}

// A part whose name holds line breaks joins from a copy under a name of the
// merge's own, and the lists' plain files open with files alone allowed.
TEST_F(UntrustedFiles, AMergeOfANameWithLineBreaksHoldsBothParts)
{
    const std::string first = dir.file("one.mp4");
    const std::string second = dir.file("two\nfile 'pipe:0'\n.mp4");
    ASSERT_EQ(makeRecording(first, 2), "");
    ASSERT_EQ(makeRecording(second, 2), "");
    const fs::path out = dir.path() / "out";
    fs::create_directories(out);
    MergeProgress progress;
    std::string why;
    std::string target;
    ASSERT_EQ(MergeFiles(out.string(), {{first, second}, {}, {}}, progress,
                         [&](int, const std::string&, const std::string& t, int) { target = t; }, &why),
              RunEnded)
        << why;
    EXPECT_NEAR(probeDuration(target), 4.0, 0.1);
    EXPECT_EQ(recordingsIn(out).size(), 1u) << "no temporaries are left";
}

// A list line that names another protocol is refused by the encoder itself.
TEST_F(UntrustedFiles, AListLineOfAnotherProtocolIsRefused)
{
    const std::string list = dir.file("list.txt");
    writeFile(list, "ffconcat version 1.0\nfile 'http://127.0.0.1:9/a.mp4'\n");
    std::string said;
    int code = -1;
    RunTool(BuildStretchJoinCommandLine(PrepareTool(), list, "", dir.file("out.mp4")),
            [&](const char* chunk, std::size_t size) {
                said.append(chunk, size);
                return false;
            },
            {}, &code);
    EXPECT_NE(code, 0);
    EXPECT_NE(said.find("not on whitelist"), std::string::npos) << said;
}
