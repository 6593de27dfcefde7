// Cuts exact to the frame: the plan from listed packets, and real cuts of a
// recording like ours and of a foreign file with B-frames and keyframes ten
// seconds apart, checked frame by frame against their sources.
#include "encoder/exact_cut.h"
#include "encoder/exact_cut_plan.h"
#include "encoder/runner.h"
#include "encoder/stretch_join.h"
#include "platform/command_line.h"

#include "../support/test_support.h"

#include <fstream>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

using encoder::BuildExactCutList;
using encoder::CanCutExactly;
using encoder::ConcatListFile;
using encoder::CutExactly;
using encoder::CutPacket;
using encoder::ExactCutPlan;
using encoder::HeaderCheckOfMp4;
using encoder::PacketScan;
using encoder::ParsePacketScan;
using encoder::PlanExactCut;
using encoder::RunEnded;
using encoder::RunStopRequested;
using encoder::X264OptionsIn;
using encoder::X264ParamsFor;

namespace fs = std::filesystem;
using namespace testing_support;
using platform::quoteArgument;

namespace {

// 25 frames a second in ticks of 1/12800, B-frames two deep, a keyframe
// every `gop` frames from 0, `count` frames: a listing from frame `from`.
PacketScan listing(int from, int count, int gop)
{
    PacketScan scan;
    scan.ticksPerSecond = 12800;
    for (int n = from; n < count; ++n)
        scan.packets.push_back({(n - 2) * 512, n * 512, 512, n % gop == 0});
    return scan;
}

} // namespace

TEST(ExactCutPlan, MarksPickTheFramesOnScreenAndCopyBetweenTheKeyframesInside)
{
    const PacketScan all = listing(0, 750, 250);
    // Marks inside frames: the frames on screen then, 3.28 s and 17.68 s.
    ExactCutPlan p = PlanExactCut(listing(0, 251, 250), listing(250, 750, 250), 3300, 17700);
    ASSERT_TRUE(p.possible);
    EXPECT_EQ(p.first, 82 * 512);
    EXPECT_EQ(p.last, 442 * 512);
    EXPECT_EQ(p.length(), 361 * 512);
    EXPECT_EQ(p.headFrames, 250 - 82);
    EXPECT_FALSE(p.copies); // one keyframe inside: encoded on both sides of it
    EXPECT_EQ(p.tailFrames, 442 - 250 + 1);

    // On a keyframe of a stream without B-frames: nothing before it is
    // encoded. With them, the cut starts with frames encoded again.
    PacketScan plain = listing(250, 501, 250);
    for (CutPacket& packet : plain.packets)
        packet.dts = packet.pts;
    EXPECT_EQ(PlanExactCut(plain, listing(500, 750, 250), 10000, 25000).headFrames, 0);
    EXPECT_EQ(PlanExactCut(listing(250, 501, 250), listing(500, 750, 250), 10000, 25000).headFrames, 250);
    // Just after a keyframe: the copy ends before the decoding time of the
    // last keyframe.
    p = PlanExactCut(listing(0, 501, 250), listing(500, 750, 250), 9960, 25000);
    ASSERT_TRUE(p.possible);
    EXPECT_EQ(p.headFrames, 1);
    EXPECT_TRUE(p.copies);
    EXPECT_EQ(p.copyFrom, 250 * 512);
    EXPECT_EQ(p.copyUntil, 500 * 512);
    EXPECT_EQ(p.copyUntilDts, 498 * 512);
    EXPECT_EQ(p.tailFrames, 626 - 500);
    const std::string list = BuildExactCutList(p, "it's.mp4", "head.mp4", "tail.mp4");
    EXPECT_EQ(list,
              "ffconcat version 1.0\nfile 'file:head.mp4'\nduration 0.040000\nfile 'file:it'\\''s.mp4'\n"
              "inpoint 10.000000\noutpoint 19.920000\nduration 10.000000\nfile 'file:tail.mp4'\nduration 5.040000\n");

    // A mark names the frame that starts on it, not the one before.
    p = PlanExactCut(all, all, 10040, 10080);
    EXPECT_EQ(p.first, 251 * 512);
    EXPECT_EQ(p.last, 252 * 512);
    EXPECT_EQ(PlanExactCut(all, all, 10039, 10080).first, 250 * 512);

    // In the last stretch without a keyframe: every frame is encoded.
    p = PlanExactCut(listing(500, 750, 250), listing(500, 750, 250), 21000, 29000);
    ASSERT_TRUE(p.possible);
    EXPECT_EQ(p.headFrames, 725 - 525 + 1);
    EXPECT_EQ(p.tailFrames, 0);
    EXPECT_EQ(BuildExactCutList(p, "s.mp4", "h.mp4", ""), "ffconcat version 1.0\nfile 'file:h.mp4'\nduration 8.040000\n");

    // A listing that does not reach back to its mark, or marks the wrong way round.
    EXPECT_FALSE(PlanExactCut(listing(251, 750, 250), all, 3300, 17700).possible);
    EXPECT_FALSE(PlanExactCut(all, all, 5000, 5000).possible);
}

TEST(ExactCutPlan, ListingsAndEncoderOptionsAreRead)
{
    const PacketScan scan = ParsePacketScan("#extradata 0:       46, 0x3ff11032\r\n#tb 0: 1/15360\n"
                                            "0,      -1024,          0,      512,     4934, 0xcbcf3658\n"
                                            "0,       -512,       1536,      512,     1882, 0x971ab39a, F=0x0\n"
                                            "1,      -1024,      -1024,     1024,      258, 0x2c5b786a\n"
                                            "0,          0,        512,      512,      996, 0xab69ea32, F=0x5, S=1, 10\n");
    EXPECT_EQ(scan.ticksPerSecond, 15360);
    EXPECT_EQ(scan.headerCheck, "46, 0x3ff11032");
    ASSERT_EQ(scan.packets.size(), 3u);
    EXPECT_TRUE(scan.packets[0].key);
    EXPECT_FALSE(scan.packets[1].key);
    EXPECT_TRUE(scan.packets[2].key);
    EXPECT_EQ(scan.packets[1].dts, -512);
    EXPECT_EQ(scan.packets[1].pts, 1536);
    // The same checksum from a piece's own header box.
    const std::string avcC("\x01\x64\x00\x1f\xff\xe1", 6);
    EXPECT_EQ(HeaderCheckOfMp4("mdat..." + std::string("\0\0\0\x0e", 4) + "avcC" + avcC + "moov"), "6, 0x05360264");
    EXPECT_EQ(HeaderCheckOfMp4("no header here"), "");

    const std::string ours = "cabac=1 ref=1 deblock=1:0:0 analyse=0x3:0x3 me=dia subme=1 psy=1 psy_rd=1.00:0.00 "
                             "8x8dct=1 cqm=0 chroma_qp_offset=0 threads=3 interlaced=0 stitchable=1 bframes=0 "
                             "weightp=1 keyint=250 keyint_min=25 rc=crf mbtree=0 crf=26.0 qpmax=69";
    EXPECT_EQ(X264OptionsIn(std::string("\0\0\1\6", 4) + "x264 - core 164 - options: " + ours + std::string("\0\x80", 2)),
              ours);
    EXPECT_EQ(X264ParamsFor(ours), "cabac=1:ref=1:8x8dct=1:bframes=0:weightp=1:keyint=250:keyint-min=25:stitchable=1:"
                                   "chroma-qp-offset=0:deblock=0,0:cqm=flat:psy=0:crf=26.0:qpmax=18");
    EXPECT_EQ(X264ParamsFor(""), "");
    EXPECT_EQ(X264ParamsFor(ours + " interlaced=1"), "") << "a later value wins, and interlacing is not given again";
    EXPECT_EQ(X264ParamsFor("cabac=1 ref=1 deblock=0:0:0 8x8dct=0 bframes=0 keyint=60 rc=2pass chroma_qp_offset=0"),
              "");
}

class ExactCut : public ::testing::Test {
protected:
    TempFolder dir;

    std::string make(const std::string& name, const std::string& args)
    {
        const std::string path = (dir.path() / name).string();
        int code = -1;
        const std::string out = runAndCapture("ffmpeg -v error -y " + args + " " + quoteArgument(path), &code);
        EXPECT_EQ(code, 0) << out;
        return path;
    }

    // The structural likeness of frame `n` of `a` and the frame of `b` on
    // screen at `seconds`.
    static double likeness(const std::string& a, int n, const std::string& b, double seconds)
    {
        const std::string out = runAndCapture(
            "ffmpeg -hide_banner -i " + quoteArgument(a) + " -ss " + std::to_string(seconds - 0.0005) + " -i "
            + quoteArgument(b) + " -filter_complex [0:v]select=eq(n\\," + std::to_string(n)
            + "),setpts=0[a];[1:v]trim=end_frame=1,setpts=0[b];[a][b]ssim -f null -");
        const std::size_t at = out.find("All:");
        return at == std::string::npos ? 0 : std::stod(out.substr(at + 4));
    }

    // Cuts [startMs, endMs] of `source` (whose frames last `frame` seconds
    // and start on whole milliseconds) and checks the cut frame by frame.
    void expectExact(const std::string& source, std::int64_t startMs, std::int64_t endMs, double frame)
    {
        SCOPED_TRACE(source + " " + std::to_string(startMs) + "-" + std::to_string(endMs));
        const fs::path out = dir.path() / "out";
        fs::create_directories(out);
        std::string why;
        ASSERT_EQ(CutExactly(out.string(), {source, startMs, endMs}, [](int, auto&, auto&, int) {}, &why), RunEnded)
            << why;
        const std::string cut = recordingsIn(out).at(0).string();
        const int frames = std::stoi(probe(cut, "stream=nb_frames", "-select_streams v"));
        EXPECT_NEAR(frames, (endMs - startMs) / 1000.0 / frame + 1, 1.01);
        const double first = likeness(cut, 0, source, startMs / 1000.0);
        const double last = likeness(cut, frames - 1, source, endMs / 1000.0);
        EXPECT_GE(first, 0.98);
        EXPECT_GE(last, 0.98);
        // Not a neighbour: the frames next to the marked ones are less alike.
        EXPECT_GT(first, likeness(cut, 0, source, startMs / 1000.0 + frame));
        EXPECT_GT(last, likeness(cut, frames - 1, source, endMs / 1000.0 - frame));
        // The sound runs as long as the pictures.
        EXPECT_NEAR(std::stod(probe(cut, "stream=duration", "-select_streams a")), frames * frame, 0.05);
        fs::remove_all(out);
    }
};

TEST_F(ExactCut, CutsStartAndEndOnTheMarkedFramesOfOursAndOfAForeignFile)
{
    // Like ours: no B-frames, stitchable headers, a keyframe every 3 s.
    const std::string ours = make("ours $'1'.mp4", "-f lavfi -i testsrc2=size=320x180:rate=50 -f lavfi -i "
                                                   "sine=r=44100 -t 14 -c:v libx264 -preset superfast -crf 26 "
                                                   "-bf 0 -x264-params stitchable=1 -pix_fmt yuv420p "
                                                   "-force_key_frames expr:gte(t,n_forced*3) -c:a aac -ac 2");
    // Foreign: B-frames, keyframes 10 s apart.
    const std::string foreign = make("foreign.mp4", "-f lavfi -i testsrc2=size=320x180:rate=25 -f lavfi -i "
                                                    "sine=r=48000 -t 30 -c:v libx264 -g 250 -bf 3 -c:a aac");
    EXPECT_TRUE(CanCutExactly(ours));
    expectExact(ours, 4500, 12200, 0.02);   // copies 6-12 s, encodes before
    expectExact(ours, 3000, 3500, 0.02);    // starts on a keyframe
    expectExact(ours, 3500, 3700, 0.02);    // no keyframe inside
    // Joined by the encoder's copy, its pictures are shown a little late.
    const fs::path list = dir.path() / "list.txt";
    std::ofstream(list) << ConcatListFile(ours) << ConcatListFile(ours);
    const std::string joined = make("joined.mp4", "-f concat -safe 0 -i " + quoteArgument(list.string()) + " -c copy");
    expectExact(joined, 13003, 16963, 0.02); // on frames as the player tells them
    // A stop leaves nothing.
    std::stop_source stop;
    stop.request_stop();
    const fs::path out = dir.path() / "stopped";
    fs::create_directories(out);
    EXPECT_EQ(CutExactly(out.string(), {ours, 4500, 12200}, [](int, auto&, auto&, int) {}, nullptr, stop.get_token()),
              RunStopRequested);
    EXPECT_TRUE(fs::is_empty(out));
    expectExact(foreign, 10040, 22000, 0.04); // just after a keyframe
    expectExact(foreign, 21000, 29000, 0.04); // in the last stretch without one
}

TEST_F(ExactCut, AFileThatIsNotH264IsCutAtKeyframes)
{
    const std::string other = make("other.mp4", "-f lavfi -i testsrc2=size=320x240:rate=25 -t 6 -c:v mpeg4 -g 50");
    EXPECT_FALSE(CanCutExactly(other));
    const fs::path out = dir.path() / "out";
    fs::create_directories(out);
    ASSERT_EQ(CutExactly(out.string(), {other, 1000, 5000}, [](int, auto&, auto&, int) {}), RunEnded);
    EXPECT_GT(probeDuration(recordingsIn(out).at(0).string()), 2.9);
}
