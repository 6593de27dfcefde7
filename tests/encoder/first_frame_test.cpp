// A recording starts at once: its first picture is the screen at the press.
#include "encoder/tool.h"
#include "recording/record_run.h"
#include "takes/take_files.h"

#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/desktop.h"

#include "../support/test_support.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

// A counter on the whole root window: the n-th value is a grey of 8 + 4 × (n mod 60),
// changed every frame; each value is told with the instant the server had drawn it.
class ScreenCounter {
public:
    struct Shown {
        int grey;
        std::int64_t fromMicros;
    };

    explicit ScreenCounter(const std::string& display) : connection_(xcb_connect(display.c_str(), nullptr))
    {
        if (xcb_connection_has_error(connection_))
            return;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        root_ = screen->root;
        width_ = screen->width_in_pixels;
        height_ = screen->height_in_pixels;
        gc_ = xcb_generate_id(connection_);
        xcb_create_gc(connection_, gc_, root_, 0, nullptr);
        thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
    }
    ~ScreenCounter()
    {
        if (thread_.joinable()) {
            thread_.request_stop();
            thread_.join();
        }
        xcb_disconnect(connection_);
    }
    bool running() const { return thread_.joinable(); }
    std::vector<Shown> shown() const
    {
        std::lock_guard lock(mutex_);
        return shown_;
    }

private:
    void run(const std::stop_token& stop)
    {
        const auto frame = std::chrono::microseconds(static_cast<long long>(1e6 / takes::kRecordFps));
        auto next = std::chrono::steady_clock::now();
        for (int n = 0; !stop.stop_requested(); ++n) {
            const int grey = 8 + 4 * (n % 60);
            const std::uint32_t pixel = static_cast<std::uint32_t>(grey * 0x010101);
            xcb_change_gc(connection_, gc_, XCB_GC_FOREGROUND, &pixel);
            const xcb_rectangle_t all{0, 0, width_, height_};
            xcb_poly_fill_rectangle(connection_, root_, gc_, 1, &all);
            // A round trip: the server has drawn it once it answers.
            free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
            {
                std::lock_guard lock(mutex_);
                shown_.push_back({grey, platform::wallClockMicros()});
            }
            next += frame;
            std::this_thread::sleep_until(next);
        }
    }

    xcb_connection_t* connection_;
    xcb_window_t root_ = 0;
    xcb_gcontext_t gc_ = 0;
    std::uint16_t width_ = 0, height_ = 0;
    mutable std::mutex mutex_;
    std::vector<Shown> shown_;
    std::jthread thread_;
};

} // namespace

TEST(FirstFrame, IsTheScreenAtThePress)
{
    const platform::Desktop desktop = platform::currentDesktop();
    if (desktop.grab != platform::DesktopGrab::X11)
        GTEST_SKIP() << "needs an X screen this program grabs (run inside scripts/headless-session.sh)";
    encoder::EnsureToolFolder();
    const TempFolder dir;
    ScreenCounter counter(desktop.display);
    ASSERT_TRUE(counter.running());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    recording::RecordSettings settings;
    settings.saveFolder = dir.path().string();
    std::stop_source stop;
    recording::RunOutput output;
    const std::int64_t pressed = platform::wallClockMicros();
    std::thread run([&] { recording::RecordRun(settings, stop.get_token(), nullptr, nullptr, &output); });
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    stop.request_stop();
    run.join();
    const std::vector<ScreenCounter::Shown> shown = counter.shown();

    // The first picture's grey, at a corner the pointer is far from.
    const std::string grey = runAndCapture("ffmpeg -v fatal -i " + platform::quoteArgument(output.path())
                                           + " -frames:v 1 -vf crop=2:2:4:4 -f rawvideo -pix_fmt gray -");
    ASSERT_EQ(grey.size(), 4u) << output.path();
    const int first = static_cast<unsigned char>(grey[0]);
    // The values on the screen from a frame before the press to a frame after it.
    const std::int64_t frame = static_cast<std::int64_t>(1e6 / takes::kRecordFps);
    std::vector<int> around;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const bool gone = i + 1 < shown.size() && shown[i + 1].fromMicros <= pressed - frame;
        if (!gone && shown[i].fromMicros <= pressed + frame)
            around.push_back(shown[i].grey);
    }
    ASSERT_FALSE(around.empty());
    const bool matches = std::any_of(around.begin(), around.end(), [&](int g) { return std::abs(g - first) <= 1; });
    std::string expected;
    for (const int g : around)
        expected += std::to_string(g) + " ";
    // How late it was, in frames, when the grey is one shown after the press.
    std::string late;
    for (const auto& s : shown)
        if (s.fromMicros > pressed && std::abs(s.grey - first) <= 1) {
            late = std::to_string(static_cast<double>(s.fromMicros - pressed) / static_cast<double>(frame));
            break;
        }
    EXPECT_TRUE(matches) << "first picture grey " << first << ", on the screen around the press: " << expected
                         << "(first shown " << late << " frames after the press)";
}
