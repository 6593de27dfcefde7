// A still screen costs the encoder almost nothing: only what changed reaches
// it, each change at its instant, and the file still shows the screen at
// every moment.
#include "capture/frame_pipe_record.h"
#include "encoder/tool.h"
#include "recording/record_command.h"
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
#include <sstream>
#include <stop_token>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

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
    const capture::FramePipeFormat format{desktop.width & ~1, desktop.height & ~1, takes::kRecordFps, origin};
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
    std::int64_t changeFrom = 0, changeTo = 0;
    std::thread screen([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        changeFrom = platform::wallClockMicros();
        setRoot("-solid white");
        changeTo = platform::wallClockMicros();
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
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
    // The first picture, the change, one at each second, the end: not the
    // 305 of a picture at every instant.
    EXPECT_LE(counts.written, 8) << "pictures handed to the encoder";
    EXPECT_GT(counts.unchanged, 250);
    EXPECT_EQ(counts.written, static_cast<long>(times.size()));
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
    EXPECT_NEAR(probeDuration(out), 5.0, 0.3);
    std::istringstream keys(probe(out, "packet=pts_time,flags", "-select_streams v"));
    double lastKey = 0;
    for (std::string k; std::getline(keys, k);)
        if (k.find(",K") != std::string::npos) {
            EXPECT_LE(std::stod(k) - lastKey, 3.0 + frame + 0.001);
            lastKey = std::stod(k);
        }
    EXPECT_GT(lastKey, 2.9);
}
