#include "encoder/runner.h"
#include "encoder/shutdown.h"
#include "encoder/tool.h"

#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/live_children.h"

#include "../support/test_support.h"

#include <atomic>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using encoder::EndOurEncoders;
using encoder::EnsureToolFolder;
using encoder::PrepareTool;
using encoder::RunTool;

using namespace testing_support;
using platform::quoteArgument;

namespace {

// Waits until an encoder of ours runs and `seen` holds.
bool waitUntilRunning(const std::atomic<bool>& seen)
{
    for (int i = 0; i < 2000; ++i) {
        if (seen && platform::liveChildCount() > 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace

TEST(EndOurEncoders, RecordingFinishesItsFileAndQuittingTakesLessThanTheGraceTime)
{
    EnsureToolFolder();
    TempFolder dir;
    const std::string mp4 = dir.file("recording.mp4");
    std::atomic<bool> encoding{false};
    std::thread worker([&] {
        RunTool(PrepareTool() + " -re -f lavfi -i testsrc=size=320x240:rate=25 -vcodec libx264 -pix_fmt yuv420p "
                    + quoteArgument(mp4),
                [&](const char* chunk, std::size_t) {
                    if (std::strstr(chunk, "frame="))
                        encoding = true;
                    return false;
                });
    });
    ASSERT_TRUE(waitUntilRunning(encoding));

    const std::uint64_t start = platform::tickCount();
    EXPECT_TRUE(EndOurEncoders());
    EXPECT_LT(platform::tickCount() - start, 1500u); // it returns once the encoder is done
    worker.join();
    EXPECT_EQ(platform::liveChildCount(), 0);
    int code = -1;
    const std::string probe =
        runAndCapture("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 " + quoteArgument(mp4), &code);
    EXPECT_EQ(code, 0) << probe;
    EXPECT_EQ(probe, "h264\n");

    // Nothing left to end: no waiting at all.
    const std::uint64_t again = platform::tickCount();
    EXPECT_TRUE(EndOurEncoders());
    EXPECT_LT(platform::tickCount() - again, 100u);
}

TEST(EndOurEncoders, FaultChildIgnoringQuitIsKilledAfterTheGraceTime)
{
    TempFolder dir;
    const std::string count = dir.file("quits");
    std::atomic<bool> started{true};
    std::thread worker([&] { RunTool(quoteArgument(faultChild()) + " ignore-q 60000 " + quoteArgument(count)); });
    ASSERT_TRUE(waitUntilRunning(started));

    const std::uint64_t start = platform::tickCount();
    EXPECT_FALSE(EndOurEncoders());
    const std::uint64_t took = platform::tickCount() - start;
    EXPECT_GE(took, 1900u);
    EXPECT_LT(took, 4000u);
    worker.join(); // the runner returns once the child is gone
    EXPECT_EQ(platform::liveChildCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(count)) << "the child ran to its own end instead of being killed";
}
