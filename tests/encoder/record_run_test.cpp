// Real recordings of the test session's X screen and PulseAudio sources.
#include "capture/pipewire_record.h"
#include "recording/ready_encoder.h"
#include "recording/record_run.h"
#include "encoder/tool.h"

#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/live_children.h"
#include "platform/process_info.h"
#include "platform/screen_layout.h"

#include "../support/test_support.h"
#include "fidelity.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

using recording::AudioComputerSound;
using recording::AudioComputerSoundAndMic;
using recording::AudioMicrophone;
using recording::AudioNone;
using encoder::EnsureToolFolder;
using takes::FinishedTake;
using capture::MissingCaptureParts;
using recording::RecordFileStem;
using recording::RecordRun;
using recording::RecordSettings;
using recording::RunOutput;
using recording::RunPause;
using takes::TakeEnd;
using takes::TakeFiles;
using takes::TakeOfWorkingFile;

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// What the latest run in this suite tells, as the window would see it.
RunOutput lastRun;

// Runs RecordRun on a worker as the recording controller does, requests its
// stop after `ms` and waits for the file to be finished. Returns the time the
// worker took after the stop.
std::uint64_t recordFor(const RecordSettings& settings, int ms)
{
    std::stop_source source;
    std::thread worker([&] { RecordRun(settings, source.get_token(), nullptr, nullptr, &lastRun); });
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    source.request_stop();
    const std::uint64_t stop = platform::tickCount();
    worker.join();
    return platform::tickCount() - stop;
}

// Runs RecordRun with no stop; returns how long it took to give up.
std::uint64_t failingRun(const RecordSettings& settings)
{
    const std::uint64_t start = platform::tickCount();
    RecordRun(settings, {}, nullptr, nullptr, &lastRun);
    return platform::tickCount() - start;
}

class RecordRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run inside scripts/headless-session.sh";
        EnsureToolFolder(); // so that each test runs alone too
    }
    RecordSettings settings(int mode, std::string computer = "spk.monitor", std::string mic = "vmic")
    {
        return {{mode, std::move(computer), std::move(mic)}, dir.path().string()};
    }
    TempFolder dir;
};

} // namespace

TEST_F(RecordRunTest, EachAudioChoiceGivesThePromisedStreams)
{
    struct Case {
        int mode;
        const char* streams;
    };
    const Case cases[] = {
        {AudioNone, "h264,yuv420p\n"},
        {AudioComputerSound, "aac,44100,2\nh264,yuv420p\n"},
        {AudioMicrophone, "aac,44100,2\nh264,yuv420p\n"},
        {AudioComputerSoundAndMic, "aac,44100,2\nh264,yuv420p\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("audio mode " + std::to_string(c.mode));
        recordFor(settings(c.mode), 3000);
        const std::string file = lastRun.path();
        ASSERT_TRUE(platform::fileExists(file));
        EXPECT_EQ(file.rfind(dir.path().string() + "/", 0), 0u);
        EXPECT_EQ(probe(file, "stream=codec_name,pix_fmt,sample_rate,channels"), c.streams);
        const double duration = probeDuration(file);
        EXPECT_GT(duration, 1.8);
        EXPECT_LT(duration, 4.0);
        // A stopped take is its recording alone: the working files are gone.
        platform::removeFile(file);
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    }
    EXPECT_EQ(platform::liveChildCount(), 0);
}

TEST_F(RecordRunTest, KeyframeAtLeastEveryThirdSecond)
{
    recordFor(settings(AudioComputerSound), 7000);
    const std::string list = probe(lastRun.path(), "packet=pts_time,flags", "-select_streams v");
    std::istringstream packets(list);
    std::vector<double> keys;
    for (std::string line; std::getline(packets, line);)
        if (line.find(",K") != std::string::npos)
            keys.push_back(std::stod(line));
    ASSERT_GE(keys.size(), 3u);
    // The picture starts where the first frame was grabbed, after the file's
    // start, and with a keyframe.
    EXPECT_NE(list.substr(0, list.find('\n')).find(",K"), std::string::npos) << list.substr(0, 40);
    // The frame at or just after every third whole second: at most one frame late.
    for (std::size_t i = 1; i < keys.size(); ++i)
        EXPECT_LE(keys[i] - keys[i - 1], 3.0 + 1.0 / 60.97 + 0.001) << "between " << keys[i - 1] << " and " << keys[i];
}

namespace {

// How busy the machine is, measured apart from any recording: the
// processes waiting for a core over the last minute, per core, and the share
// of a short spin this thread gets. Empty when it is free enough to judge a
// recording's pace.
std::string machineTooBusy()
{
    double perMinute = 0;
    std::ifstream("/proc/loadavg") >> perMinute;
    const double perCore = perMinute / std::max(1u, std::thread::hardware_concurrency());
    const auto cpu = [] {
        timespec t{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1000000000LL + t.tv_nsec;
    };
    const std::uint64_t wallFrom = platform::tickCount();
    const long long cpuFrom = cpu();
    while (platform::tickCount() - wallFrom < 300) { }
    const double share = (cpu() - cpuFrom) / 1e6 / static_cast<double>(platform::tickCount() - wallFrom);
    if (perCore < 1.0 && share > 0.8)
        return {};
    std::ostringstream why;
    why << "load " << perMinute << " on " << std::thread::hardware_concurrency() << " cores, a spin got "
        << static_cast<int>(share * 100) << "% of a core";
    return why.str();
}

} // namespace

// Loose bounds for a loaded machine; a return of either fault breaks them:
// a grab at 30 a second (never two new captures within 25 ms), sound late by
// whole input start-ups (70 ms and more).
TEST_F(RecordRunTest, FramesAreRealCapturesAndBeepsMeetTheirFlashes)
{
    const std::string busy = machineTooBusy();
    platform::ChildProcess scene;
    ASSERT_TRUE(scene.start(platform::quoteArgument(VTR_FIDELITY_SCENE) + " 7"));
    // The scene's first flash comes about 0.3 s after the start.
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    recordFor(settings(AudioComputerSound), 4500);
    while (!scene.waitForExit(100)) { }
    const Fidelity f = MeasureFidelity(lastRun.path());
    SCOPED_TRACE(FidelityRow("recording", f));
    ASSERT_TRUE(f.ok);
    // On a busy machine captures far apart say nothing of either fault;
    // on a free one they are a fault of their own.
    if (f.distinctPerSecond < 20 && !busy.empty())
        GTEST_SKIP() << "too loaded to judge (" << busy << "): " << FidelityRow("recording", f);
    EXPECT_GE(f.distinctPerSecond, 20);
    EXPECT_GT(f.quickShare, 0.25);
    EXPECT_GE(f.flashes, 3);
    // Sound shifted by whole flashes mismatches every one; a loaded machine
    // may starve the scene's beep once.
    EXPECT_LE(f.missing + f.mismatched, 1);
    EXPECT_LT(std::fabs(f.medianOffset), 0.06);
}

// Small text scrolling on the real screen, recorded through the grab and
// scored against what the screen showed in each frame (bench/text_score.py).
// The bounds are loose: the old video options (a fixed 1500K, ultrafast, no
// look-ahead) scored SSIM 0.94 and 28 dB on this scene at 1280x720; ours
// score about 0.997 and 42 dB.
TEST_F(RecordRunTest, ScrollingTextStaysReadableAndFramesFollowTheScreen)
{
    const platform::Desktop desktop = platform::currentDesktop();
    const std::string page = dir.file("page.bgr0");
    const std::string pageSize = "1920 " + std::to_string(desktop.height + 600);
    // Three columns of licence text, light on dark, as a terminal or an editor shows them.
    std::string columns;
    for (int c = 0; c < 3; ++c)
        columns += std::string(c ? "," : "")
            + "drawtext=fontfile=/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf:expansion=none:"
              "textfile=/usr/share/common-licenses/GPL-3:fontsize=15:fontcolor=0xdcdcdc:line_spacing=3:x="
            + std::to_string(24 + 640 * c) + ":y=" + std::to_string(12 - 2000 * c);
    int code = -1;
    const std::string made = runAndCapture(
        "ffmpeg -v error -f lavfi -i color=c=0x1e1e1e:s=1920x" + std::to_string(desktop.height + 600) + " -vf "
            + columns + " -frames:v 1 -f rawvideo -pix_fmt bgr0 " + platform::quoteArgument(page),
        &code);
    ASSERT_EQ(code, 0) << made;
    platform::ChildProcess scene;
    ASSERT_TRUE(
        scene.start(platform::quoteArgument(VTR_TEXT_SCENE) + " 5 " + platform::quoteArgument(page) + " " + pageSize));
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    recordFor(settings(AudioNone), 3000);
    while (!scene.waitForExit(100)) { }

    const std::string score = runAndCapture("python3 " + platform::quoteArgument(VTR_TEXT_SCORE) + " "
                                                + platform::quoteArgument(lastRun.path()) + " "
                                                + platform::quoteArgument(page) + " " + pageSize,
                                            &code);
    ASSERT_EQ(code, 0) << score;
    SCOPED_TRACE(score);
    const auto value = [&score](const char* key) {
        const std::size_t at = score.find(std::string(" ") + key + "=");
        return at == std::string::npos ? -1.0 : std::atof(score.c_str() + at + std::strlen(key) + 2);
    };
    EXPECT_GT(value("ssim"), 0.98);
    EXPECT_GT(value("psnr"), 36);
    // A picture is written where the screen changed, never more often than the rate.
    EXPECT_LE(value("written"), 60.97 + 1.0);
    EXPECT_EQ(value("backwards"), 0) << "a frame showed an older screen than the one before it";
    EXPECT_LE(value("unread"), 3);
    // Each written frame is a new capture of a screen that changes 90 times
    // a second; a loaded machine may starve the scene, not the fault's sign.
    EXPECT_GT(value("distinct"), 30);
}

// ctest also runs this on a screen of 1365x767 (RecordRunOddScreen).
TEST_F(RecordRunTest, OddScreenGivesAPictureOneColumnAndRowShort)
{
    const platform::Desktop desktop = platform::currentDesktop();
    if (desktop.width % 2 == 0 && desktop.height % 2 == 0)
        GTEST_SKIP() << "the screen is even";
    recordFor(settings(AudioComputerSound), 3000);
    EXPECT_EQ(probe(lastRun.path(), "stream=codec_name,width,height", "-select_streams v"),
              "h264," + std::to_string(desktop.width & ~1) + "," + std::to_string(desktop.height & ~1) + "\n");
}

// The encoder itself killed: the MP4 it was writing has no index, but the
// working file holds the take up to its death, and the run makes the
// recording from it and says so.
TEST_F(RecordRunTest, AKilledEncoderLeavesARecordingOfTheTakeUpToItsDeath)
{
    FinishedTake take;
    std::thread worker([&] { RecordRun(settings(AudioComputerSoundAndMic), {}, &take, nullptr, &lastRun); });
    const std::uint64_t deadline = platform::tickCount() + 20000;
    while (!platform::fileExists(lastRun.path()) && platform::tickCount() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(platform::fileExists(lastRun.path()));
    const TakeFiles files = *TakeOfWorkingFile(lastRun.path());
    std::this_thread::sleep_for(std::chrono::milliseconds(5000));
    const std::uint64_t killed = platform::tickCount();
    for (const std::int64_t pid : platform::childProcessIds())
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    worker.join();
    EXPECT_LT(platform::tickCount() - killed, 5000u);
    EXPECT_EQ(platform::liveChildCount(), 0);
    EXPECT_EQ(take.end, TakeEnd::SavedFromWorking);
    EXPECT_EQ(take.path, files.recording);
    EXPECT_EQ(lastRun.path(), files.recording);
    EXPECT_GE(probeDuration(files.recording), 4.0);
    EXPECT_EQ(probe(files.recording, "stream=codec_type"), "audio\nvideo\n");
    EXPECT_FALSE(platform::fileExists(files.working));
    EXPECT_FALSE(platform::fileExists(files.workingMp4));
}

TEST_F(RecordRunTest, TakenNameGetsACounterAndTrailingSeparatorWorks)
{
    // Occupy the names of this second and the next 20: a loaded machine may
    // take seconds to start the run.
    const std::time_t now = std::time(nullptr);
    for (int s = 0; s <= 20; ++s) {
        const std::time_t at = now + s;
        std::tm t{};
        ::localtime_r(&at, &t);
        writeFile(dir.file(RecordFileStem({t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec})
                           + ".mp4"),
                  "taken");
    }
    RecordSettings s = settings(AudioNone);
    s.saveFolder += "/"; // as a folder picker may give it: the path gets "//"
    recordFor(s, 1500);
    const std::string file = lastRun.path();
    EXPECT_NE(file.find("//"), std::string::npos);
    EXPECT_NE(file.find("(1).mp4"), std::string::npos) << file;
    EXPECT_EQ(probe(file, "stream=codec_name"), "h264\n");
}

namespace {

// The brightness blocks_scene shows at the desktop pixel (x, y): its magenta
// window over blocks of 16 pixels. Brightness alone: the colour is kept at
// half the size, and a colour edge at an odd pixel shows on both sides.
double sceneLuma(int x, int y, const platform::ScreenArea& window)
{
    const bool inside = x >= window.x && x < window.x + window.width && y >= window.y && y < window.y + window.height;
    const int r = inside ? 255 : 40 + x / 16 * 47 % 180;
    const int g = inside ? 0 : 40 + y / 16 * 61 % 180;
    const int b = inside ? 255 : 128;
    return 0.299 * r + 0.587 * g + 0.114 * b;
}

// How far a recorded frame of `part` (its brightness) is from the scene
// seen from `part` moved by (dx, dy): the mean difference.
double sceneDistance(const std::string& grey, const platform::ScreenArea& part, const platform::ScreenArea& window,
                     int dx, int dy)
{
    double sum = 0;
    for (int y = 0; y < part.height; ++y)
        for (int x = 0; x < part.width; ++x)
            sum += std::fabs(static_cast<unsigned char>(grey[static_cast<std::size_t>(y) * part.width + x])
                             - sceneLuma(part.x + dx + x, part.y + dy + y, window));
    return sum / (static_cast<double>(part.width) * part.height);
}

// The recording of `part` shows the scene from exactly there: close to it,
// and closer than from any corner one pixel away (a block's edge or the
// window's moves by that pixel).
void expectSceneFrom(const std::string& file, const platform::ScreenArea& part, const platform::ScreenArea& window)
{
    EXPECT_EQ(probe(file, "stream=width,height"),
              std::to_string(part.width) + "," + std::to_string(part.height) + "\n");
    const std::string grey = runAndCapture("ffmpeg -v error -ss 1 -i " + platform::quoteArgument(file)
                                           + " -frames:v 1 -f rawvideo -pix_fmt gray -");
    ASSERT_EQ(grey.size(), static_cast<std::size_t>(part.width) * part.height);
    const double exact = sceneDistance(grey, part, window, 0, 0);
    EXPECT_LT(exact, 3.0);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            if (dx || dy) {
                EXPECT_LT(exact, sceneDistance(grey, part, window, dx, dy)) << "moved by " << dx << "," << dy;
            }
        }
}

} // namespace

// The recorded pixels are exactly the chosen ones: the file's size is the
// part's (odd sizes one short), and its picture is the desktop's from the
// part's corner, not from a pixel beside it.
TEST_F(RecordRunTest, AnAreaAndAWindowRecordExactlyTheirPixels)
{
    const platform::ScreenArea magenta{600, 300, 200, 120};
    platform::ChildProcess scene;
    ASSERT_TRUE(scene.start(platform::quoteArgument(VTR_BLOCKS_SCENE) + " 30 600 300 200 120"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));

    RecordSettings area = settings(AudioNone);
    area.part = platform::ScreenArea{97, 49, 331, 201};
    recordFor(area, 2500);
    expectSceneFrom(lastRun.path(), {97, 49, 330, 200}, magenta);

    const std::string display = platform::currentDesktop().display;
    const auto window = platform::windowAt(display, 650, 350, {});
    ASSERT_TRUE(window);
    EXPECT_EQ(window->title, "blocks_scene window");
    RecordSettings picked = settings(AudioNone);
    picked.part = platform::windowArea(display, window->id);
    ASSERT_TRUE(picked.part);
    recordFor(picked, 2500);
    expectSceneFrom(lastRun.path(), magenta, magenta);
    // Around the window: its edges and the blocks beside them.
    RecordSettings around = settings(AudioNone);
    around.part = platform::ScreenArea{589, 291, 220, 140};
    recordFor(around, 2500);
    expectSceneFrom(lastRun.path(), *around.part, magenta);

    // A window moved while it is recorded is followed.
    picked.window = window->id;
    const std::string id = std::to_string(window->id);
    int moved = -1;
    std::thread mover([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        runAndCapture("xdotool windowmove " + id + " 130 70", &moved);
    });
    recordFor(picked, 2500);
    mover.join();
    ASSERT_EQ(moved, 0);
    const std::string geometry = runAndCapture("xdotool getwindowgeometry --shell " + id);
    EXPECT_NE(geometry.find("X=130\nY=70\n"), std::string::npos) << geometry;
    const platform::ScreenArea there{130, 70, 200, 120};
    expectSceneFrom(lastRun.path(), there, there);
    scene.kill();
}

// Three pauses: the stretches are joined into one file as long as they ran
// (each stretch ends within a few passes of its press), no paused second is
// in it, and the flashes keep their beeps across the joins.
TEST_F(RecordRunTest, ThreePausesGiveOneFileOfTheRunningStretchesInSync)
{
    platform::ChildProcess scene;
    ASSERT_TRUE(scene.start(platform::quoteArgument(VTR_FIDELITY_SCENE) + " 11"));
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    std::stop_source stop;
    RunPause pause;
    FinishedTake take;
    std::thread worker([&] { RecordRun(settings(AudioComputerSound), stop.get_token(), &take, &pause, &lastRun); });
    std::uint64_t running = 0;
    std::int64_t shownBefore = 0; // the size the window showed at the last pause
    for (const auto [run, rest] : {std::pair{1700, 800}, std::pair{1500, 600}, std::pair{1600, 900}}) {
        const std::uint64_t from = platform::tickCount();
        std::this_thread::sleep_for(std::chrono::milliseconds(run));
        // The size shown counts the earlier stretches too: it only grows.
        const std::int64_t shown = lastRun.baseBytes() + platform::fileSize(lastRun.path());
        EXPECT_GT(shown, shownBefore);
        shownBefore = shown;
        pause.pause();
        running += platform::tickCount() - from;
        std::this_thread::sleep_for(std::chrono::milliseconds(rest));
        pause.resume();
    }
    const std::uint64_t from = platform::tickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(1400));
    stop.request_stop();
    running += platform::tickCount() - from;
    worker.join();
    while (!scene.waitForExit(100)) { }

    ASSERT_EQ(take.end, TakeEnd::Whole);
    EXPECT_EQ(take.path, lastRun.path());
    // The parts are gone: the save folder holds the recording alone.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_NEAR(probeDuration(take.path), running / 1000.0, 0.2);
    const Fidelity f = MeasureFidelity(take.path);
    SCOPED_TRACE(FidelityRow("paused", f));
    ASSERT_TRUE(f.ok);
    EXPECT_GE(f.flashes, 4);
    EXPECT_LE(f.missing + f.mismatched, 1);
    EXPECT_LT(std::fabs(f.medianOffset), 0.06);
    EXPECT_LT(f.spread, 0.06);
}

TEST_F(RecordRunTest, SaveFolderIsMadeOneLevelDeep)
{
    RecordSettings s = settings(AudioNone);
    s.saveFolder = dir.file("新建 $folder");
    recordFor(s, 1200);
    EXPECT_TRUE(platform::isFolder(s.saveFolder));
    EXPECT_EQ(probe(lastRun.path(), "stream=codec_name"), "h264\n");
}

TEST_F(RecordRunTest, BadChoicesEndQuicklyWithoutAFileOrAnEncoder)
{
    struct Case {
        const char* what;
        RecordSettings settings;
    };
    const Case cases[] = {
        {"unknown device", settings(AudioMicrophone, "spk.monitor", "no-such-source")},
        {"empty slot", settings(AudioComputerSoundAndMic, "", "vmic")},
        {"missing parent", {{AudioNone, "", ""}, dir.file("missing/deeper")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // No stop comes: the run must end on its own.
        EXPECT_LT(failingRun(c.settings), 5000u);
        EXPECT_FALSE(platform::fileExists(lastRun.path()));
        EXPECT_EQ(platform::liveChildCount(), 0);
    }
}

// What a Wayland recording lacks is named before the desktop is asked: the
// tools themselves, or the elements of a GStreamer that has no plugins.
TEST(PipeWireCapture, MissingPartsAreNamed)
{
    EXPECT_EQ(MissingCaptureParts(), "");
    const std::string path = std::getenv("PATH");
    TempFolder empty;
    ::setenv("GST_PLUGIN_SYSTEM_PATH_1_0", empty.path().c_str(), 1);
    ::setenv("GST_PLUGIN_PATH_1_0", empty.path().c_str(), 1);
    ::setenv("GST_REGISTRY_1_0", (empty.path() / "registry.bin").c_str(), 1);
    EXPECT_EQ(MissingCaptureParts(), "pipewiresrc, videoscale, videoconvert, fdsink");
    ::unsetenv("GST_PLUGIN_SYSTEM_PATH_1_0");
    ::unsetenv("GST_PLUGIN_PATH_1_0");
    ::unsetenv("GST_REGISTRY_1_0");
    ::setenv("PATH", empty.path().c_str(), 1);
    EXPECT_EQ(MissingCaptureParts(), "gst-launch-1.0");
    ::setenv("PATH", path.c_str(), 1);
}

namespace {

// A tone played into the computer sound until the process is ended.
struct Tone {
    platform::ChildProcess player;
    Tone()
    {
        player.start("ffmpeg -v error -re -f lavfi -i sine=frequency=440:sample_rate=44100 -t 60 -f pulse -device spk "
                     "tone");
    }
    ~Tone() { player.kill(); }
};

// The quietest and loudest 10 ms (dBFS) of sound track `track`
// between its first and last tenth of a second.
std::pair<double, double> quietestAndLoudest(const std::string& file, int track, const std::string& raw)
{
    runAndCapture("ffmpeg -v error -y -i " + platform::quoteArgument(file) + " -map 0:a:" + std::to_string(track)
                  + " -ac 1 -f s16le " + platform::quoteArgument(raw));
    const std::string bytes = readFile(raw);
    const auto* s = reinterpret_cast<const std::int16_t*>(bytes.data());
    const std::size_t n = bytes.size() / 2, window = 441;
    double quietest = 0, loudest = -200;
    for (std::size_t at = 4410; at + window + 4410 <= n; at += window) {
        double squares = 0;
        for (std::size_t i = at; i < at + window; ++i)
            squares += (s[i] / 32768.0) * (s[i] / 32768.0);
        const double db = 10 * std::log10(squares / window + 1e-20);
        quietest = std::min(quietest, db);
        loudest = std::max(loudest, db);
    }
    return {quietest, loudest};
}

} // namespace

// Separate tracks hold each source after the mix, titled; the sound read by
// the program is there from each Resume on, without a stretch of silence.
TEST_F(RecordRunTest, SeparateTracksKeepEachSourceWithNoSilenceAfterAResume)
{
    const Tone tone;
    RecordSettings s = settings(AudioComputerSoundAndMic, "spk.monitor", "mic");
    s.sources.separateTracks = true;
    // Live before Start, as the page keeps it, and heard: the player takes
    // a second or two to be.
    s.computerSoundCapture = std::make_shared<capture::SoundCapture>("spk.monitor");
    for (int i = 0; i < 50 && s.computerSoundCapture->level().peakDb < -30; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    s.sources.computerSoundTitle = "Son de l'ordinateur $x";
    s.sources.microphoneTitle = "Микрофон";
    std::stop_source stop;
    RunPause pause;
    FinishedTake take;
    std::thread worker([&] { RecordRun(s, stop.get_token(), &take, &pause, &lastRun); });
    for (int i = 0; i < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        pause.pause();
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        pause.resume();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    stop.request_stop();
    worker.join();

    ASSERT_EQ(take.end, TakeEnd::Whole);
    EXPECT_EQ(soundTracksOf(take.path),
              (std::vector<std::string>{"SoundHandler tone", "Son de l'ordinateur $x tone", "Микрофон quiet"}));
    // The tone never drops out: not at the start, nor after a Resume.
    const auto [quietest, loudest] = quietestAndLoudest(take.path, 1, dir.file("computer.raw"));
    EXPECT_GT(quietest, -30.0) << "loudest " << loudest;
    EXPECT_LT(quietestAndLoudest(take.path, 2, dir.file("mic.raw")).second, -60.0);
}

// A microphone that goes away mid-recording is recorded as silence in step,
// said to be gone, and used again once it is back.
TEST_F(RecordRunTest, AMicrophoneThatGoesAwayIsSilenceInStepUntilItIsBack)
{
    const auto load = [] {
        return std::atoi(runAndCapture("pactl load-module module-null-source source_name=plugged").c_str());
    };
    int module = load();
    ASSERT_GT(module, 0);
    platform::ChildProcess scene;
    ASSERT_TRUE(scene.start(platform::quoteArgument(VTR_FIDELITY_SCENE) + " 9"));
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    RecordSettings s = settings(AudioComputerSoundAndMic, "spk.monitor", "plugged");
    s.sources.separateTracks = true;
    s.microphoneCapture = std::make_shared<capture::SoundCapture>("plugged");
    ASSERT_TRUE(s.microphoneCapture->opened());
    std::stop_source stop;
    FinishedTake take;
    std::thread worker([&] { RecordRun(s, stop.get_token(), &take, nullptr, &lastRun); });
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    runAndCapture("pactl unload-module " + std::to_string(module));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_FALSE(s.microphoneCapture->level().present);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    module = load();
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    EXPECT_TRUE(s.microphoneCapture->level().present) << "the microphone is used again";
    stop.request_stop();
    worker.join();
    while (!scene.waitForExit(100)) { }
    runAndCapture("pactl unload-module " + std::to_string(module));

    ASSERT_EQ(take.end, TakeEnd::Whole);
    // Both sources last the whole take.
    const std::vector<std::string> tracks = soundTracksOf(take.path);
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(tracks[2], "Microphone quiet");
    EXPECT_NEAR(probeDuration(take.path), 7.0, 0.5);
    const Fidelity f = MeasureFidelity(take.path);
    SCOPED_TRACE(FidelityRow("microphone gone", f));
    ASSERT_TRUE(f.ok);
    EXPECT_GE(f.flashes, 4);
    EXPECT_LT(std::fabs(f.medianOffset), 0.06);
}

// An encoder made ready before the press records the take named at the
// press through its links; one made for other choices is not used. Neither
// leaves its links, its folder or its process behind.
TEST_F(RecordRunTest, AReadyEncoderRecordsThePressedTakeAndLeavesNothingBehind)
{
    const TempFolder links;
    ::setenv("TMPDIR", links.path().c_str(), 1); // this test's process alone
    RecordSettings s = settings(AudioComputerSound);
    s.saveFolder = dir.file("new $folder");
    s.ready = recording::ReadyEncoder::Make(s);
    ASSERT_TRUE(s.ready);
    // The encoder learns the picture's size from the stream: any area fits.
    RecordSettings area = s;
    area.part = platform::ScreenArea{0, 0, 64, 64};
    EXPECT_TRUE(s.ready->fits(area));
    RecordSettings other = settings(AudioNone);
    other.ready = recording::ReadyEncoder::Make(other);
    ASSERT_TRUE(other.ready);
    EXPECT_FALSE(other.ready->fits(s));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    recordFor(s, 1500);
    EXPECT_TRUE(s.ready->taken());
    s.ready.reset();
    other.ready.reset();
    const std::string recording = lastRun.path();
    EXPECT_EQ(fs::path(recording).parent_path(), fs::path(s.saveFolder));
    EXPECT_EQ(probe(recording, "stream=codec_type"), "audio\nvideo\n");
    EXPECT_NEAR(probeDuration(recording), 1.5, 0.3);
    EXPECT_TRUE(fs::is_empty(links.path()));
    for (int i = 0; i < 100 && platform::liveChildCount() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(platform::liveChildCount(), 0);
}
