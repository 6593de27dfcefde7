// Real recordings of a private Wayland desktop (scripts/wayland-session.sh):
// the portal, the PipeWire capture and the encoder together.
#include "capture/frame_pipe_record.h"
#include "capture/pipewire_record.h"
#include "recording/record_command.h"
#include "tests/support/plain_record_command.h"
#include "encoder/tool.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/live_children.h"
#include "portal/screencast_portal.h"
#include "recording/screen_cast_run.h"
#include "recording/run_pause.h"

#include "../support/test_support.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <stop_token>
#include <thread>

using recording::AudioComputerSound;
using recording::BuildFramePipeRecordArgs;
using capture::CastReader;
using capture::CastStreamOpener;
using testing_support::BuildRecordCommandLine;
using recording::RunOutput;
using encoder::EnsureToolFolder;
using capture::FramePipeFormat;
using capture::FramePipeHooks;
using capture::FramePipeNoFrames;
using takes::kRecordFps;
using capture::LastReportedFrame;
using capture::PipeWireStream;
using recording::RecordSettings;
using recording::RecordSources;
using capture::RunFramePipeRecord;
using capture::OpenScreenCastFrameSource;
using portal::ScreenCastPortal;
using recording::RecordScreenCast;

using namespace testing_support;

namespace {

bool waylandSession() { return std::getenv("WAYLAND_DISPLAY") && std::getenv("DBUS_SESSION_BUS_ADDRESS"); }

// A window that fills the output: its colour changes every 100 ms and the
// clock printed on it every 5 ms, so the screen is never still.
class ChangingWindow {
public:
    ChangingWindow()
    {
        // Builtins only: no process per step, so the pace holds under load.
        const std::string script = "exec 3<> <(:); while :; do t=${EPOCHREALTIME/./}; "
                                   "case $((t / 100000 % 4)) in 0) c=e04040;; 1) c=40c040;; 2) c=4060e0;; "
                                   "*) c=e0e040;; esac; printf '\\e]11;#%s\\a\\e[H%s' \"$c\" \"$t\"; "
                                   "read -t 0.005 -u 3; done";
        terminal_.start("foot --app-id=vtr-changing -o font=monospace:size=60 bash -c "
                        + platform::quoteArgument(script));
        // Slow to appear on a busy machine: wait until sway shows it.
        for (int i = 0; i < 100 && running(); ++i) {
            if (runAndCapture("swaymsg -t get_tree").find("vtr-changing") != std::string::npos)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // drawing
    }
    ~ChangingWindow()
    {
        terminal_.kill();
        terminal_.waitForExit(1000);
    }
    bool running() { return !terminal_.waitForExit(0); }

private:
    platform::ChildProcess terminal_;
};

struct Recorded {
    int status = -1;
    long frames = -1;
};

// Records the portal's stream for `ms` through the same reader and encoder
// as the program; `inProcess` replaces its reading in this process.
Recorded record(const ScreenCastPortal& portal, const std::string& path, int ms, CastReader* reader = nullptr,
                const CastStreamOpener& inProcess = {})
{
    PipeWireStream stream{portal.pipeWireFd(), portal.node(), portal.width(), portal.height(), inProcess};
    const auto source = OpenScreenCastFrameSource(stream, "gst-launch-1.0", reader);
    const FramePipeFormat format{stream.width & ~1, stream.height & ~1, kRecordFps, platform::wallClockMicros(), false};
    const std::string encoder =
        BuildRecordCommandLine("ffmpeg", BuildFramePipeRecordArgs({}, format.width, format.height, 0), path);
    std::stop_source stop;
    std::thread timer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        stop.request_stop();
    });
    Recorded r;
    FramePipeHooks hooks;
    hooks.frames = &r.frames;
    if (source)
        r.status = RunFramePipeRecord(*source, format, encoder, {path}, stop.get_token(), hooks);
    timer.join();
    return r;
}

// Frames that differ from the one before, and whether a black stretch of
// half a second or more was seen.
void analyse(const std::string& path, long& distinct, bool& black)
{
    const std::string out = runAndCapture("ffmpeg -nostdin -i " + platform::quoteArgument(path)
                                          + " -vf blackdetect=d=0.5:pix_th=0.1,mpdecimate -f null -");
    distinct = LastReportedFrame(out);
    black = out.find("black_start") != std::string::npos;
}

class WaylandRecordTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!waylandSession())
            GTEST_SKIP() << "needs scripts/wayland-session.sh";
    }
    TempFolder dir;
};

} // namespace

TEST_F(WaylandRecordTest, StillScreenLeavesNoFileAndSaysSo)
{
    // Nothing is drawn: the compositor sends no frame at all. (First: a
    // window that closed a moment ago would still send one.)
    {
        // A first cast gets what was drawn before it: let one take that.
        ScreenCastPortal first;
        ASSERT_EQ(first.open({}), ScreenCastPortal::Ok) << first.errorText().toStdString();
        record(first, dir.file("before.mp4"), 500);
    }
    ScreenCastPortal portal;
    ASSERT_EQ(portal.open({}), ScreenCastPortal::Ok) << portal.errorText().toStdString();
    const std::string path = dir.file("still.mp4");
    const Recorded r = record(portal, path, 1500);
    EXPECT_EQ(r.status, FramePipeNoFrames);
    EXPECT_FALSE(platform::fileExists(path));
    EXPECT_EQ(platform::liveChildCount(), 0);
}

TEST_F(WaylandRecordTest, ChangingWindowGivesAValidMovingMp4OfTheRecordedTime)
{
    ChangingWindow window;
    ASSERT_TRUE(window.running()) << "foot did not start";
    const int childrenBefore = platform::liveChildCount(); // the window's

    // The program's own path: portal, token, file name, capture and encoder.
    EnsureToolFolder(); // as the window does at start-up
    RecordSettings settings;
    settings.saveFolder = dir.file("it's a $test -1 \u03a9");
    // With the computer's sound: its input never ends by itself, so only a
    // "q" the encoder reads can finish the file.
    settings.sources = RecordSources{AudioComputerSound, "spk.monitor", ""};
    std::stop_source stop;
    // The file is named to the window when the first frame has come: the
    // recording must cover the time from then to the stop.
    RunOutput output;
    const std::string before = output.path();
    std::uint64_t firstAt = 0, stopAt = 0;
    std::thread timer([&] {
        const std::uint64_t start = platform::tickCount();
        while (platform::tickCount() - start < 4000) {
            if (!firstAt && output.path() != before)
                firstAt = platform::tickCount();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        stopAt = platform::tickCount();
        stop.request_stop();
    });
    const char* notice = RecordScreenCast(settings, dir.file("ScreenRecord.ini"), stop.get_token(), nullptr, nullptr, &output);
    timer.join();
    EXPECT_EQ(notice, nullptr) << notice;
    EXPECT_EQ(platform::liveChildCount(), childrenBefore) << "a child outlived the run";

    const std::string path = output.path();
    ASSERT_TRUE(platform::fileExists(path)) << path;
    ASSERT_NE(firstAt, 0u) << "no first frame in 4 s";
    const std::string streams = probe(path, "stream=codec_name");
    EXPECT_TRUE(streams == "h264\naac\n" || streams == "aac\nh264\n") << streams;
    const double seconds = probeDuration(path);
    // The first progress report comes after the first frame: the file is
    // about as long as the time since it (a starved capture loses a little),
    // and never longer than the run.
    EXPECT_GT(seconds, (stopAt - firstAt) / 1000.0 - 1.0);
    EXPECT_LT(seconds, 4.3);
    long distinct = 0;
    bool black = true;
    analyse(path, distinct, black);
    // The pace itself is the benchmark's (bench/wayland_record): a loaded
    // machine slows the compositor. Here the picture must move: the window
    // shows a new colour every 100 ms.
    std::printf("Wayland: %.2f s (first frame after %.2f s), %ld distinct frames (%.1f per second)\n", seconds,
                (firstAt - (stopAt - 4000)) / 1000.0, distinct, distinct / seconds);
    EXPECT_GE(distinct, 3);
    EXPECT_FALSE(black);
}

// After a pause on a still screen the compositor sends nothing new, yet the
// stretch after it is recorded whole.
TEST_F(WaylandRecordTest, APauseOnAStillScreenKeepsTheStretchAfterIt)
{
    auto window = std::make_unique<ChangingWindow>();
    ASSERT_TRUE(window->running()) << "foot did not start";
    EnsureToolFolder();
    RecordSettings settings;
    settings.saveFolder = dir.path().string();
    std::stop_source stop;
    recording::RunPause pause;
    takes::FinishedTake take;
    RunOutput output;
    const std::string before = output.path();
    const std::uint64_t startedAt = platform::tickCount();
    std::thread worker([&] {
        RecordScreenCast(settings, dir.file("ScreenRecord.ini"), stop.get_token(), &take, &pause, &output);
    });
    for (int i = 0; i < 400 && output.path() == before; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::uint64_t firstAt = platform::tickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    window.reset(); // the screen stands still from here on
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    pause.pause();
    const std::uint64_t pausedAt = platform::tickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    pause.resume();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    stop.request_stop();
    worker.join();
    ASSERT_EQ(take.end, takes::TakeEnd::Whole) << take.path;
    // The take starts between the start and its first frame's report.
    const double seconds = probeDuration(take.path);
    EXPECT_GT(seconds, (pausedAt - firstAt) / 1000.0 + 1.0 - 0.3);
    EXPECT_LT(seconds, (pausedAt - startedAt) / 1000.0 + 1.0 + 0.3);
}

// The cast is read in this process; where that fails the capturing child
// reads it instead, over the remote the failed reading already talked on.
// The fault is faked: the real reading is given no time to agree on a
// format, which a working desktop never makes it fail otherwise.
TEST_F(WaylandRecordTest, CastIsReadInProcessAndByTheChildOnAFakeFault)
{
    ChangingWindow window;
    ASSERT_TRUE(window.running()) << "foot did not start";
    const CastStreamOpener fakeFault = [](const PipeWireStream& s, std::string& why) {
        return platform::openScreenCastStream(s.remoteFd, s.node, s.width, s.height, 0, why);
    };
    for (const bool faulty : {false, true}) {
        SCOPED_TRACE(faulty ? "fake fault" : "in process");
        ScreenCastPortal portal;
        ASSERT_EQ(portal.open({}), ScreenCastPortal::Ok) << portal.errorText().toStdString();
        CastReader reader = faulty ? CastReader::InProcess : CastReader::Child;
        const std::string path = dir.file(faulty ? "child.mp4" : "in-process.mp4");
        const Recorded r = record(portal, path, 2000, &reader, faulty ? fakeFault : CastStreamOpener());
        EXPECT_EQ(reader, faulty ? CastReader::Child : CastReader::InProcess);
        EXPECT_EQ(r.status, capture::FramePipeRecorded);
        long distinct = 0;
        bool black = true;
        analyse(path, distinct, black);
        EXPECT_GE(distinct, 3);
        EXPECT_FALSE(black);
    }
}

// Qt keeps the first session bus it reached for the rest of the process: the
// check runs in a fresh run of this program, given a bus address where no bus
// listens, whatever bus the session has.
TEST(ScreenCastPortalTest, NoSessionBusIsNoPortal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // No socket can be made there.
            ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/proc/self/no-bus", 1);
            ScreenCastPortal portal;
            const bool noPortal = portal.open({}) == ScreenCastPortal::NoPortal;
            std::fprintf(stderr, "%s: %s\n", noPortal ? "NoPortal" : "other", qPrintable(portal.errorText()));
            std::exit(noPortal ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "NoPortal: no session bus");
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv); // QtDBus wants one
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
