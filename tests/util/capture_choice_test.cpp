#include "util/capture_choice.h"
#include "recording/capture_part.h"
#include "platform/window_system.h"

#include <gtest/gtest.h>

using util::AreaFromText;
using util::AreaText;
using util::CaptureChoice;
using util::CaptureKind;
using util::CaptureKindFromText;
using util::CaptureKindText;
using platform::QtPlatformToUse;
using recording::RecordedArea;

namespace {

bool same(const std::optional<platform::ScreenArea>& a, const platform::ScreenArea& b)
{
    return a && a->x == b.x && a->y == b.y && a->width == b.width && a->height == b.height;
}

} // namespace

TEST(CaptureChoice, TheRecordedPartIsClampedToTheDesktopAndEven)
{
    EXPECT_TRUE(same(RecordedArea({97, 49, 331, 201}, 1280, 720), {97, 49, 330, 200}));
    // Partly off the desktop, on every side.
    EXPECT_TRUE(same(RecordedArea({-50, -20, 300, 100}, 1280, 720), {0, 0, 250, 80}));
    EXPECT_TRUE(same(RecordedArea({1200, 700, 300, 100}, 1280, 720), {1200, 700, 80, 20}));
    // A second screen to the right of a 1280 one, on a desktop as wide as both.
    EXPECT_TRUE(same(RecordedArea({1280, 0, 1920, 1080}, 3200, 1080), {1280, 0, 1920, 1080}));
    EXPECT_FALSE(RecordedArea({1300, 0, 100, 100}, 1280, 720));
    EXPECT_FALSE(RecordedArea({10, 10, 1, 100}, 1280, 720));
    EXPECT_FALSE(RecordedArea({2147483000, 0, 2147483000, 10}, 1280, 720)); // no overflow
}

TEST(CaptureChoice, SettingsTextsReadBackAndJunkIsNone)
{
    for (const CaptureKind kind : {CaptureKind::Desktop, CaptureKind::Screen, CaptureKind::Area, CaptureKind::Window})
        EXPECT_EQ(CaptureKindFromText(CaptureKindText(kind)), kind);
    EXPECT_EQ(CaptureKindFromText("Area"), CaptureKind::Desktop);
    EXPECT_TRUE(same(AreaFromText(AreaText({-1280, 5, 640, 480})), {-1280, 5, 640, 480}));
    for (const char* junk : {"", "1,2,3", "1,2,3,4,5", "1,2,0,4", "a,b,c,d", "1,2,3,4 "})
        EXPECT_FALSE(AreaFromText(junk)) << junk;
}

// The window runs under XWayland on a Wayland desktop that has it, so that
// the embedded player can draw; a user's own choice stands.
TEST(WindowSystem, XWaylandWhereThereIsOneAndNoChoiceWasMade)
{
    EXPECT_EQ(QtPlatformToUse(nullptr, "wayland-1", ":1"), "xcb");
    EXPECT_EQ(QtPlatformToUse("wayland", "wayland-1", ":1"), "");
    EXPECT_EQ(QtPlatformToUse(nullptr, "wayland-1", nullptr), "");
    EXPECT_EQ(QtPlatformToUse("", "", ":0"), "");
}
