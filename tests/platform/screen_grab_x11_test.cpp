// The X11 grab on the test session's screen.
#include "platform/screen_grab.h"

#include "../support/test_support.h"

#include <cstdlib>
#include <memory>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

void run(const std::string& command)
{
    int code = -1;
    runAndCapture(command, &code);
    ASSERT_EQ(code, 0) << command;
}

// Whether any pixel of the 24×24 square around (x, y) is lit.
bool litAround(const platform::ScreenFrame& frame, int x, int y)
{
    for (int row = y - 12; row < y + 12; ++row)
        for (int col = x - 12; col < x + 12; ++col) {
            const std::uint8_t* p = frame.pixels + row * frame.stride + col * 4;
            if (p[0] > 100 || p[1] > 100 || p[2] > 100)
                return true;
        }
    return false;
}

// Looks until one copies; a warped pointer (xdotool's mousemove) sends no
// motion event, and is found by the look that asks anyway, a few looks on.
platform::Grabbed lookUntilCopied(platform::ScreenGrab& grab, platform::ScreenFrame& frame)
{
    platform::Grabbed got = platform::Grabbed::Unchanged;
    for (int look = 0; look < 12 && got == platform::Grabbed::Unchanged; ++look)
        got = grab.grab(frame);
    return got;
}

// A grab of the top left corner of the screen made black, the pointer at
// (100, 100), that has made its first copy; null when it could not.
std::unique_ptr<platform::ScreenGrab> blackCornerCopied(platform::ScreenFrame& frame)
{
    run("xsetroot -solid black");
    run("xdotool mousemove 100 100");
    auto grab = platform::openScreenGrab(std::getenv("DISPLAY"), {0, 0, 400, 300});
    if (!grab || grab->grab(frame) != platform::Grabbed::Copied)
        return nullptr;
    return grab;
}

} // namespace

TEST(ScreenGrab, APointerMovedAloneGivesACopyWithThePointerAtItsNewPlace)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X screen (run inside scripts/headless-session.sh)";
    platform::ScreenFrame frame;
    const auto grab = blackCornerCopied(frame);
    ASSERT_TRUE(grab);
    EXPECT_TRUE(litAround(frame, 100, 100)) << "the pointer is drawn";
    ASSERT_EQ(grab->grab(frame), platform::Grabbed::Unchanged);

    run("xdotool mousemove 300 200");
    ASSERT_EQ(lookUntilCopied(*grab, frame), platform::Grabbed::Copied);
    EXPECT_TRUE(litAround(frame, 300, 200));
    EXPECT_FALSE(litAround(frame, 100, 100)) << "the pointer left its old place";
    EXPECT_EQ(grab->grab(frame), platform::Grabbed::Unchanged);

    // A shape the server will not show (xsetroot's, whose client is gone):
    // the last one stays drawn where the pointer goes, and a still screen
    // stays unchanged rather than copied at every look.
    run("xsetroot -cursor_name watch");
    EXPECT_EQ(grab->grab(frame), platform::Grabbed::Unchanged);
    EXPECT_EQ(grab->grab(frame), platform::Grabbed::Unchanged);
    run("xdotool mousemove 200 150");
    ASSERT_EQ(lookUntilCopied(*grab, frame), platform::Grabbed::Copied);
    EXPECT_TRUE(litAround(frame, 200, 150));
    EXPECT_EQ(grab->grab(frame), platform::Grabbed::Unchanged);
    run("xsetroot -def");
}

TEST(ScreenGrab, AStillScreenIsLookedAtWithoutAskingAndAPointerMovedByInputIsSeenAtTheNextLook)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X screen (run inside scripts/headless-session.sh)";
    platform::ScreenFrame frame;
    const auto grab = blackCornerCopied(frame);
    ASSERT_TRUE(grab);
    int asking = 0;
    for (int look = 0; look < 12; ++look) {
        const std::uint64_t before = grab->bytesSent();
        ASSERT_EQ(grab->grab(frame), platform::Grabbed::Unchanged);
        asking += grab->bytesSent() != before;
    }
    EXPECT_LE(asking, 2) << "only the looks that check on the pointer anyway ask the server";

    // Moved as a device moves it (XTest): the server tells of the motion.
    run("xdotool mousemove_relative 150 80");
    ASSERT_EQ(grab->grab(frame), platform::Grabbed::Copied);
    EXPECT_TRUE(litAround(frame, 250, 180));
    EXPECT_FALSE(litAround(frame, 100, 100));
}
