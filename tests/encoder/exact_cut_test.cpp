// Cuts exact to the frame: the plan from listed packets, and real cuts of one
// of our recordings and of a foreign file with B-frames and keyframes ten
// seconds apart, checked picture by picture against their sources.
#include "editing/exact_cut.h"
#include "editing/exact_cut_plan.h"
#include "recording/record_run.h"
#include "encoder/runner.h"
#include "media/stretch_join.h"
#include "encoder/tool.h"
#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/desktop.h"

#include "../support/test_support.h"
#include "command_args.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

using recording::AudioComputerSound;
using editing::BuildExactCutList;
using editing::BuildExactJoinCommandLine;
using editing::BuildOptionsProbeCommandLine;
using editing::BuildPacketScanCommandLine;
using editing::BuildPieceCommandLine;
using editing::CanCutExactly;
using media::ConcatListFile;
using editing::CutExactly;
using editing::CutPacket;
using encoder::EnsureToolFolder;
using editing::ExactCutPlan;
using takes::FinishedTake;
using editing::HeaderCheckOfMp4;
using editing::PacketScan;
using editing::ParsePacketScan;
using editing::PlanExactCut;
using recording::RecordRun;
using recording::RecordSettings;
using encoder::RunEnded;
using encoder::RunStopRequested;
using editing::X264OptionsIn;
using editing::X264ParamsFor;

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

// A still screen's recording has a picture only where something changed:
// the cut starts and ends at the marks' own frames inside the pictures that
// stand there, and its first piece is moved on to where it is shown.
TEST(ExactCutPlan, APictureThatStandsForManyFramesIsCutAtTheMarksFrames)
{
    // 25 frames a second; pictures at frames 0 (a keyframe), 10, 40, 100.
    PacketScan scan;
    scan.ticksPerSecond = 12800;
    for (const auto& [frame, stands] : std::vector<std::pair<int, int>>{{0, 10}, {10, 30}, {40, 60}, {100, 10}})
        scan.packets.push_back({frame * 512, frame * 512, stands * 512, frame == 0});
    // No picture lasts one frame: the table's grid tells a frame.
    scan.grid = 512;
    ExactCutPlan p = PlanExactCut(scan, scan, 1000, 3010); // frames 25 and 75
    ASSERT_TRUE(p.possible);
    EXPECT_EQ(p.first, 10 * 512);
    EXPECT_EQ(p.start, 25 * 512);
    EXPECT_EQ(p.last, 40 * 512);
    EXPECT_EQ(p.end, 76 * 512);
    EXPECT_EQ(p.headFrames, 2);
    EXPECT_EQ(valueOf(argsOf(editing::BuildPieceCommandLine("tool", "s.mp4", "0.4", 2, "x", p, "o.mp4",
                                                            p.start - p.first)),
                      "-vf"),
              "setpts='max(PTS-0.600000/TB,0)'");
    // Both marks inside one picture; the last picture ends where the next starts.
    p = PlanExactCut(scan, scan, 500, 700);
    EXPECT_EQ(p.start, 12 * 512);
    EXPECT_EQ(p.end, 18 * 512);
    p = PlanExactCut(scan, scan, 1610, 3990);
    EXPECT_EQ(p.start, 40 * 512);
    EXPECT_EQ(p.end, 100 * 512);
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

namespace {

// A picture as the decoder gives it: when it is shown, and whether it is a keyframe.
struct Shown {
    double seconds = 0;
    bool key = false;
};

std::vector<Shown> shownFrames(const std::string& file)
{
    std::istringstream lines(probe(file, "frame=key_frame,best_effort_timestamp_time", "-select_streams v"));
    std::vector<Shown> frames;
    for (std::string line; std::getline(lines, line);)
        if (const std::size_t comma = line.find(','); comma != std::string::npos)
            frames.push_back({std::stod(line.substr(comma + 1)), line[0] == '1'});
    return frames;
}

// The pictures numbered `numbers` in the order shown, in grey, by number.
std::map<int, std::string> greyPictures(const std::string& file, const std::set<int>& numbers)
{
    std::string pick;
    for (const int n : numbers)
        pick += (pick.empty() ? "" : "+") + std::string("eq(n\\,") + std::to_string(n) + ")";
    const std::string raw =
        runAndCapture("ffmpeg -v error -i " + quoteArgument(file) + " -vf select=" + pick + " -fps_mode passthrough -frames:v "
                      + std::to_string(numbers.size()) + " -f rawvideo -pix_fmt gray -");
    const std::string size = probe(file, "stream=width,height", "-select_streams v");
    const std::size_t bytes = std::stoul(size) * std::stoul(size.substr(size.find(',') + 1));
    std::map<int, std::string> pictures;
    std::size_t at = 0;
    for (const int n : numbers)
        if (n >= 0 && at + bytes <= raw.size()) {
            pictures[n] = raw.substr(at, bytes);
            at += bytes;
        }
    return pictures;
}

// The mean difference of two grey pictures of one size.
double difference(const std::string& a, const std::string& b)
{
    if (a.size() != b.size() || a.empty())
        return 255;
    long long sum = 0;
    for (std::size_t k = 0; k < a.size(); ++k)
        sum += std::abs(static_cast<unsigned char>(a[k]) - static_cast<unsigned char>(b[k]));
    return static_cast<double>(sum) / a.size();
}

// `got` is the source's picture `n`: close to it, and closer than to the
// pictures before and after it, where they differ from it.
void expectPicture(const std::string& got, const std::map<int, std::string>& source, int n)
{
    ASSERT_TRUE(source.count(n)) << "no picture " << n;
    const double own = difference(got, source.at(n));
    EXPECT_LT(own, 3.0) << "picture " << n;
    for (const int other : {n - 1, n + 1})
        if (source.count(other) && difference(source.at(other), source.at(n)) > 1.0)
            EXPECT_LT(own, difference(got, source.at(other))) << "picture " << n << " looks like " << other;
}

} // namespace

// Every name comes back whole as the file it names, and each output is the
// last argument, after the answer to an existing file (-n: never over one).
TEST(ExactCutPlan, AwkwardNamesComeBackWholeFromEveryLine)
{
    ExactCutPlan plan;
    plan.ticksPerSecond = 12800;
    plan.first = 12800;
    plan.last = 25600;
    plan.frame = 512;
    plan.start = plan.first;
    plan.end = plan.last + plan.frame;
    for (const std::string name : {"-x \"q\" $HOME 'a'.mp4", "录像 ëß\\", "a\nb.mp4"}) {
        SCOPED_TRACE(name);
        const std::string output = name + ".out";
        for (const std::string& line : {BuildPacketScanCommandLine("tool", name, "1.5"),
                                        BuildOptionsProbeCommandLine("tool", name)}) {
            const auto args = argsOf(line);
            EXPECT_TRUE(namesFile(valueOf(args, "-i"), name)) << line;
        }
        const auto piece = argsOf(BuildPieceCommandLine("tool", name, "1.5", 7, "cabac=1:ref=1", plan, output));
        EXPECT_TRUE(namesFile(valueOf(piece, "-i"), name));
        EXPECT_EQ(valueOf(piece, "-frames:v"), "7");
        EXPECT_EQ(valueOf(piece, "-x264-params"), "cabac=1:ref=1");
        EXPECT_EQ(valueOf(piece, "-video_track_timescale"), "12800");
        EXPECT_EQ(valueOf(piece, "-r"), "12800/512"); // the stream's rate, not a guess from a few pictures
        EXPECT_TRUE(namesFile(piece.back(), output));
        EXPECT_LT(indexOf(piece, "-y"), piece.size() - 1);
        const auto join = argsOf(BuildExactJoinCommandLine("tool", name + ".txt", plan, name, output));
        const std::size_t list = indexOf(join, "-i");
        ASSERT_LT(list + 1, join.size());
        EXPECT_TRUE(namesFile(join[list + 1], name + ".txt"));
        EXPECT_TRUE(namesFile(valueOf(join, "-i", list + 1), name));
        // The sound from the first frame, moved to zero, for the cut's length.
        EXPECT_EQ(valueOf(join, "-ss", list), "1.000000");
        EXPECT_EQ(valueOf(join, "-itsoffset", list), "-1.000000");
        EXPECT_EQ(valueOf(join, "-t"), "1.040000");
        EXPECT_TRUE(namesFile(join.back(), output));
        EXPECT_LT(indexOf(join, "-y"), join.size() - 1);
    }
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

    // Cuts from picture `first` to picture `last` of `source`, marked where
    // a player tells their times to the millisecond, and checks that the cut
    // holds exactly those pictures and decodes cleanly.
    void expectExact(const std::string& source, const std::vector<Shown>& shown, int first, int last)
    {
        ASSERT_LT(last, static_cast<int>(shown.size()));
        const auto ms = [&shown](int n) { return std::llround(shown[n].seconds * 1000); };
        SCOPED_TRACE(source + " pictures " + std::to_string(first) + "-" + std::to_string(last) + ", "
                     + std::to_string(ms(first)) + "-" + std::to_string(ms(last)) + " ms");
        const fs::path out = dir.path() / "out";
        fs::create_directories(out);
        std::string why;
        ASSERT_EQ(CutExactly(out.string(), {source, ms(first), ms(last)}, [](int, auto&, auto&, int) {}, &why),
                  RunEnded)
            << why;
        const std::string cut = recordingsIn(out).at(0).string();
        // Decoded in its own time base: one frame a little longer than the
        // others (where the source was joined) leads the encoder to guess a
        // rate of 60, in whose ticks two frames fall together; that says
        // nothing of the cut.
        EXPECT_EQ(runAndCapture("ffmpeg -v error -i " + quoteArgument(cut) + " -enc_time_base:v -1 -f null -"), "");
        const int frames = std::stoi(probe(cut, "stream=nb_read_packets", "-count_packets -select_streams v"));
        EXPECT_EQ(frames, last - first + 1);
        const auto pictures = greyPictures(source, {first - 1, first, first + 1, last - 1, last, last + 1});
        const auto ends = greyPictures(cut, {0, frames - 1});
        ASSERT_EQ(ends.size(), 2u);
        expectPicture(ends.at(0), pictures, first);
        expectPicture(ends.at(frames - 1), pictures, last);
        // The sound runs as long as the pictures.
        const double frame = (shown[last].seconds - shown[first].seconds) / std::max(1, last - first);
        EXPECT_NEAR(std::stod(probe(cut, "stream=duration", "-select_streams a")), frames * frame, 0.05);
        fs::remove_all(out);
    }

    // A few seconds of the screen recorded as the program records it, with
    // sound: the text scene scrolls by a row 90 times a second, so that
    // pictures next to each other differ. A part of the screen keeps the
    // test short.
    std::string recordOurs()
    {
        const platform::Desktop desktop = platform::currentDesktop();
        const std::string page = dir.file("page.bgr0");
        const std::string pageSize = std::to_string(desktop.width) + " " + std::to_string(desktop.height + 600);
        int code = -1;
        const std::string made = runAndCapture(
            "ffmpeg -v error -f lavfi -i color=c=0x1e1e1e:s=" + std::to_string(desktop.width) + "x"
                + std::to_string(desktop.height + 600)
                + " -vf drawtext=fontfile=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf:expansion=none:"
                  "textfile=/usr/share/common-licenses/GPL-3:fontsize=15:fontcolor=0xdcdcdc:x=24:y=12"
                  " -frames:v 1 -f rawvideo -pix_fmt bgr0 "
                + quoteArgument(page),
            &code);
        EXPECT_EQ(code, 0) << made;
        platform::ChildProcess scene;
        EXPECT_TRUE(scene.start(quoteArgument(VTR_TEXT_SCENE) + " 8 " + quoteArgument(page) + " " + pageSize));
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        RecordSettings settings;
        settings.sources = {AudioComputerSound, "spk.monitor", ""};
        settings.saveFolder = dir.file("ours $'1'");
        settings.part = platform::ScreenArea{0, 0, 640, 360};
        FinishedTake take;
        std::stop_source stop;
        std::thread worker([&] { RecordRun(settings, stop.get_token(), &take); });
        std::this_thread::sleep_for(std::chrono::milliseconds(5000));
        stop.request_stop();
        worker.join();
        scene.kill();
        scene.waitForExit(1000);
        return take.path;
    }
};

TEST_F(ExactCut, OurRecordingIsCutOnTheMarkedPictures)
{
    EnsureToolFolder();
    const std::string ours = recordOurs();
    ASSERT_TRUE(CanCutExactly(ours)) << ours;
    const std::vector<Shown> shown = shownFrames(ours);
    const int count = static_cast<int>(shown.size());
    // Keyframes every third second: the second one splits the recording.
    int key = 1;
    while (key < count && !shown[key].key)
        ++key;
    ASSERT_GT(key, 80);
    ASSERT_LT(key + 30, count);
    EXPECT_NEAR((shown.back().seconds - shown.front().seconds) / (count - 1), 1 / 60.97, 0.0005);
    expectExact(ours, shown, 20, key + 30); // encodes before the keyframe, copies after it
    expectExact(ours, shown, key, key + 20); // starts on a keyframe
    expectExact(ours, shown, 40, 55);        // no keyframe inside
    // Joined by the encoder's copy, its pictures are shown a little late.
    const fs::path list = dir.path() / "list.txt";
    std::ofstream(list) << ConcatListFile(ours) << ConcatListFile(ours);
    const std::string joined = make("joined.mp4", "-f concat -safe 0 -i " + quoteArgument(list.string()) + " -c copy");
    expectExact(joined, shownFrames(joined), count - 30, count + 40);
    // A stop leaves nothing.
    std::stop_source stop;
    stop.request_stop();
    const fs::path out = dir.path() / "stopped";
    fs::create_directories(out);
    EXPECT_EQ(CutExactly(out.string(), {ours, 300, 3000}, [](int, auto&, auto&, int) {}, nullptr, stop.get_token()),
              RunStopRequested);
    EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(ExactCut, AForeignFileIsCutOnTheMarkedPictures)
{
    // B-frames, keyframes 10 s apart.
    const std::string foreign = make("foreign.mp4", "-f lavfi -i testsrc2=size=320x180:rate=25 -f lavfi -i "
                                                    "sine=r=48000 -t 30 -c:v libx264 -g 250 -bf 3 -c:a aac");
    const std::vector<Shown> shown = shownFrames(foreign);
    ASSERT_EQ(shown.size(), 750u);
    expectExact(foreign, shown, 251, 550); // just after a keyframe
    expectExact(foreign, shown, 525, 725); // in the last stretch without one
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
