// A still screen costs almost nothing: only what changed is copied and
// reaches the encoder and the file, each change at its instant, and the
// file shows the screen at every moment, for the editing as for a player.
#include "capture/frame_pipe_record.h"
#include "editing/exact_cut.h"
#include "editing/stream_ops.h"
#include "media/media_match.h"
#include "media/mp4_samples.h"
#include "media/stretch_join.h"
#include "encoder/tool.h"
#include "recording/record_command.h"
#include "recording/record_run.h"
#include "takes/take_files.h"

#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/desktop.h"
#include "platform/screen_grab.h"

#include "../support/plain_record_command.h"
#include "../support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <sstream>
#include <stop_token>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

// The grey of the picture a player shows at `seconds` into `file`, at a
// corner the pointer is far from: the one that stands there, however long
// before it came.
int greyAt(const std::string& file, double seconds)
{
    const std::string grey = runAndCapture("ffmpeg -v fatal -i " + platform::quoteArgument(file)
                                           + " -vf fps=60.97,crop=2:2:4:4 -ss " + std::to_string(seconds)
                                           + " -frames:v 1 -f rawvideo -pix_fmt gray -");
    return grey.size() == 4 ? static_cast<unsigned char>(grey[0]) : -1;
}

// The same from a seek to `seconds`, as the library's pictures are made.
int greyFromSeek(const std::string& file, double seconds)
{
    const std::string grey = runAndCapture("ffmpeg -v fatal -ss " + std::to_string(seconds) + " -i "
                                           + platform::quoteArgument(file)
                                           + " -frames:v 1 -vf crop=2:2:4:4 -f rawvideo -pix_fmt gray -");
    return grey.size() == 4 ? static_cast<unsigned char>(grey[0]) : -1;
}

std::string onlyFileIn(const TempFolder& folder)
{
    const auto files = recordingsIn(folder.path());
    return files.size() == 1 ? files[0].string() : std::string("none");
}

void setRoot(const char* how)
{
    int code = -1;
    runAndCapture(std::string("xsetroot ") + how, &code);
    ASSERT_EQ(code, 0) << "xsetroot " << how;
}

} // namespace

TEST(StillScreen, OnlyTheChangeReachesTheEncoderAtItsInstant)
{
    const platform::Desktop desktop = platform::currentDesktop();
    if (desktop.grab != platform::DesktopGrab::X11)
        GTEST_SKIP() << "needs an X screen this program grabs (run inside scripts/headless-session.sh)";
    encoder::EnsureToolFolder();
    const TempFolder dir;
    const std::string out = dir.file("still.mp4");
    setRoot("-solid black");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    const std::int64_t origin = platform::wallClockMicros();
    const capture::FramePipeFormat format{desktop.width & ~1, desktop.height & ~1, takes::kRecordFps, origin, false};
    const auto source =
        capture::MakeGrabFrameSource(platform::openScreenGrab(desktop.display, {0, 0, format.width, format.height}));
    ASSERT_TRUE(source);
    const std::string line = BuildRecordCommandLine(
        encoder::PrepareTool(),
        recording::BuildFramePipeRecordArgs({-1, {}, {}}, format.width, format.height, origin), out);
    capture::FramePumpCounts counts;
    capture::FramePipeHooks hooks;
    hooks.counts = &counts;
    std::stop_source stop;
    std::int64_t changeFrom = 0, changeTo = 0, stopAt = 0;
    std::thread screen([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        changeFrom = platform::wallClockMicros();
        setRoot("-solid white");
        changeTo = platform::wallClockMicros();
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        stopAt = platform::wallClockMicros();
        stop.request_stop();
    });
    const auto status = capture::RunFramePipeRecord(*source, format, line, {out}, stop.get_token(), hooks);
    screen.join();
    setRoot("-def");
    ASSERT_EQ(status, capture::FramePipeRecorded);

    // Each picture's instant and its grey at a corner the pointer is far from.
    std::vector<double> times;
    std::istringstream packets(probe(out, "packet=pts_time", "-select_streams v"));
    for (double t; packets >> t;)
        times.push_back(t);
    const std::string grey = runAndCapture("ffmpeg -v fatal -i " + platform::quoteArgument(out)
                                           + " -vf crop=2:2:4:4 -fps_mode passthrough -f rawvideo -pix_fmt gray -");
    ASSERT_EQ(grey.size(), times.size() * 4) << grey;
    // The first picture, the change, one at each quarter second and the
    // end: not the 305 of a picture at every instant.
    EXPECT_LE(counts.written, 25) << "pictures handed to the encoder";
    EXPECT_GT(counts.unchanged, 250);
    // Each stands in the file until the next.
    EXPECT_EQ(static_cast<long>(times.size()), counts.written);
    double firstWhite = -1;
    for (std::size_t i = 0; i < times.size(); ++i) {
        const bool white = static_cast<unsigned char>(grey[i * 4]) > 200;
        EXPECT_TRUE(white || static_cast<unsigned char>(grey[i * 4]) < 50) << "picture at " << times[i];
        if (white && firstWhite < 0)
            firstWhite = times[i];
        if (!white)
            EXPECT_LT(firstWhite, 0) << "black again at " << times[i];
    }
    ASSERT_GT(firstWhite, 0) << "the change never reached the file";
    // Within a frame of the change, with a few milliseconds for the server.
    const double frame = 1 / takes::kRecordFps;
    EXPECT_GE(firstWhite, (changeFrom - origin) / 1e6 - frame);
    EXPECT_LE(firstWhite, (changeTo - origin) / 1e6 + frame + 0.010);
    // The file lasts the recording, a keyframe at least every third second.
    // It ends at the Stop (as the pump sees it, a frame or two later),
    // however long its last picture stood.
    EXPECT_GE(probeDuration(out), (stopAt - origin) / 1e6 - frame);
    EXPECT_LE(probeDuration(out), (stopAt - origin) / 1e6 + 3 * frame);
    std::istringstream keys(probe(out, "packet=pts_time,flags", "-select_streams v"));
    double lastKey = 0;
    for (std::string k; std::getline(keys, k);)
        if (k.find(",K") != std::string::npos) {
            EXPECT_LE(std::stod(k) - lastKey, 3.0 + frame + 0.001);
            lastKey = std::stod(k);
        }
    EXPECT_GT(lastKey, 2.9);

    // The picture at each second is the screen's, in the file and in what
    // the editing makes of it: a keyframe cut, an exact cut across the
    // change, a join of stretches and a merge.
    const double beforeChange = (changeFrom - origin) / 1e6 - 0.05;
    for (const double at : {0.5, 1.5, beforeChange})
        EXPECT_LT(greyAt(out, at), 50) << at;
    for (const double at : {2.9, 3.5, 4.5})
        EXPECT_GT(greyAt(out, at), 200) << at;
    // A picture made at an instant is the one standing there, not the next
    // (half a frame before the change, a seek alone shows the change).
    const media::Mp4Movie movie = media::ReadMp4Movie(out);
    for (const double at : {1.5, firstWhite - frame / 2, 3.5})
        EXPECT_EQ(greyFromSeek(out, media::StandingPictureMs(movie, std::llround(at * 1000)) / 1000.0),
                  greyAt(out, at)) << at;
    const auto nothing = [](int, auto&, auto&, int) {};
    const TempFolder cut, merged;
    EXPECT_EQ(editing::CutStretch(cut.path().string(), {out, 1000, 4500}, nothing), encoder::RunEnded);
    // A copy starts at a keyframe, and its last picture keeps the time it
    // stands in the recording: up to the longest stand past the end mark.
    const double cutLength = probeDuration(onlyFileIn(cut));
    EXPECT_GT(cutLength, 1.4);
    EXPECT_LT(cutLength, 3.6 + capture::kLongestSilentStandSeconds);
    const TempFolder exact;
    EXPECT_EQ(editing::CutExactly(exact.path().string(), {out, 2000, 3500}, nothing), encoder::RunEnded);
    EXPECT_NEAR(probeDuration(onlyFileIn(exact)), 1.5, 2 * frame);
    EXPECT_LT(greyAt(onlyFileIn(exact), 0.1), 50);
    EXPECT_GT(greyAt(onlyFileIn(exact), 1.4), 200);
    const std::string joined = dir.file("joined.mp4");
    EXPECT_TRUE(media::JoinStretches({out, out}, joined));
    EXPECT_NEAR(probeDuration(joined), 2 * probeDuration(out), 2 * frame);
    EXPECT_LT(greyAt(joined, probeDuration(out) + 1), 50);
    const media::MediaProbe probed = media::ProbeMedia(out);
    EXPECT_EQ(probed.picture.frameRateText, "60.97");
    EXPECT_TRUE(media::PlanJoin({probed, probed}).parts[1].matches) << "joined by stream copy";
    editing::MergeProgress progress;
    EXPECT_EQ(editing::MergeFiles(merged.path().string(), {{out, out}, "", {}}, progress, nothing), encoder::RunEnded);
    EXPECT_NEAR(probeDuration(onlyFileIn(merged)), 2 * probeDuration(out), 2 * frame);
    EXPECT_GT(greyAt(onlyFileIn(merged), probeDuration(out) - 0.5), 200);
}

// After a pause on a still screen nothing has changed since the last
// picture, yet the stretch after it is recorded whole.
TEST(StillScreen, APauseOnAStillScreenKeepsTheStretchAfterIt)
{
    if (platform::currentDesktop().grab != platform::DesktopGrab::X11)
        GTEST_SKIP() << "needs an X screen this program grabs (run inside scripts/headless-session.sh)";
    encoder::EnsureToolFolder();
    const TempFolder dir;
    setRoot("-solid black");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::stop_source stop;
    recording::RunPause pause;
    takes::FinishedTake take;
    const recording::RecordSettings settings{{recording::AudioNone, {}, {}}, dir.path().string()};
    std::thread worker([&] { recording::RecordRun(settings, stop.get_token(), &take, &pause); });
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    pause.pause();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    pause.resume();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    stop.request_stop();
    worker.join();
    ASSERT_EQ(take.end, takes::TakeEnd::Whole);
    EXPECT_NEAR(probeDuration(take.path), 2.0, 0.15);
}
