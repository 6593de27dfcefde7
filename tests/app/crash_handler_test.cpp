// A real program with the crash handler installed and a real ffmpeg recording
// through the runner is made to crash in different ways.
#include "platform/clock.h"
#include "platform/command_line.h"

#include "../support/test_support.h"

#include <algorithm>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

constexpr char kReportHeader[] = "Vantreel Screen Recorder crash report\n";

struct Crash {
    int signal = 0; // that ended the program; 0 when it exited
    int exitCode = -1;
    long long readySecond = 0; // wall-clock second just before the crash
    long long endSecond = 0;
    std::uint64_t crashToEndMs = 0;
    std::vector<pid_t> encoders;
    bool encodersEndedFirst = false; // none still ran the moment the program died
};

bool ended(pid_t pid)
{
    int status = 0;
    // Our orphans come back to us (subreaper): 0 means it still runs. One the
    // program reaped itself is no child of ours at all.
    return ::waitpid(pid, &status, WNOHANG) != 0;
}

Crash crash(const std::string& mode, const std::string& encoder, const fs::path& folder, const std::string& output,
            const std::string& info)
{
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.c_str()) != 0)
            ::_exit(5);
        ::execl(VTR_CRASH_CHILD_PATH, "crash_child", mode.c_str(), encoder.c_str(), output.c_str(), info.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(6);
    }
    Crash c;
    int status = 0;
    const std::uint64_t deadline = platform::tickCount() + 60000;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (platform::tickCount() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "the crashing program did not end";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const std::uint64_t endMs = platform::tickCount();
    c.encodersEndedFirst = true; // checked below, before anything else can end them
    std::ifstream in(info);
    std::uint64_t readyMs = 0;
    in >> c.readySecond >> readyMs;
    for (pid_t p = 0; in >> p;)
        c.encoders.push_back(p);
    for (pid_t p : c.encoders)
        c.encodersEndedFirst = c.encodersEndedFirst && ended(p);
    c.endSecond = std::time(nullptr);
    c.crashToEndMs = endMs - readyMs;
    c.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    c.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return c;
}

// Waits a little for encoders ended by force, then ends any still left.
bool encodersGone(const Crash& c)
{
    bool gone = true;
    for (pid_t p : c.encoders) {
        const std::uint64_t deadline = platform::tickCount() + 1000;
        while (!ended(p) && platform::tickCount() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!ended(p)) {
            gone = false;
            ::kill(p, SIGKILL);
            ::waitpid(p, nullptr, 0);
        }
    }
    return gone;
}

std::string dumpName(long long second)
{
    const std::time_t t = static_cast<std::time_t>(second);
    std::tm tm{};
    ::localtime_r(&t, &tm);
    char name[64];
    std::snprintf(name, sizeof name, "%d-%d-%d&%d-%d-%d.dmp", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                  tm.tm_min, tm.tm_sec);
    return name;
}

bool namedFromCrashTime(const std::string& name, const Crash& c)
{
    for (long long s = c.readySecond; s <= c.endSecond; ++s)
        if (dumpName(s) == name)
            return true;
    return false;
}

std::vector<std::string> dumps(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code none;
    for (const auto& e : fs::directory_iterator(folder / "D-Error", none))
        names.push_back(e.path().filename().string());
    return names;
}

std::string probe(const std::string& mp4)
{
    int code = -1;
    const std::string out = runAndCapture(
        "ffprobe -v error -show_entries stream=codec_name -of csv=p=0 " + platform::quoteArgument(mp4), &code);
    return code == 0 ? out : "ffprobe failed: " + out;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct CrashCase {
    const char* mode;
    int signal;
    const char* signalLine;
};

std::ostream& operator<<(std::ostream& out, const CrashCase& k) { return out << k.mode; }

// The crashing program runs in a current folder of its own, where its
// reports go, inside a temporary folder for the rest.
class CrashReport : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(cwd); }

    TempFolder dir;
    const fs::path cwd = dir.path() / "current";
};

class CrashWhileRecording : public CrashReport, public ::testing::WithParamInterface<CrashCase> { };
class KilledWhileRecording : public CrashReport { };

} // namespace

TEST_P(CrashWhileRecording, OneReportNamedFromTheTimeAndARecordingThatStillPlays)
{
    const CrashCase& k = GetParam();
    const std::string mp4 = dir.file("recording.mp4");
    const Crash c = crash(k.mode, "ffmpeg", cwd, mp4, dir.file("info"));

    EXPECT_EQ(c.signal, k.signal);
    ASSERT_EQ(c.encoders.size(), 1u);
    EXPECT_TRUE(c.encodersEndedFirst) << "an encoder still ran when the program died";
    EXPECT_TRUE(encodersGone(c));
    EXPECT_EQ(probe(mp4), "h264\n");

    const std::vector<std::string> names = dumps(cwd);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(namedFromCrashTime(names[0], c)) << names[0];
    const std::string report = readFile((cwd / "D-Error" / names[0]).string());
    EXPECT_EQ(report.rfind(kReportHeader, 0), 0u);
    EXPECT_TRUE(contains(report, k.signalLine)) << report.substr(0, 400);
    EXPECT_TRUE(contains(report, "\nBacktrace:\n"));
    EXPECT_TRUE(contains(report, "crash_child(")) << "no frame of the program in the backtrace";
    EXPECT_TRUE(contains(report, "\nMemory map:\n"));
    EXPECT_TRUE(contains(report, "[stack]\n"));
    EXPECT_TRUE(contains(report, "\nEncoders: 1 running, asked to quit; 0 ended by force\n"));
    if (std::string(k.mode) == "segv") {
        EXPECT_TRUE(contains(report, "\nFault address: 0x0\n"));
    }
    if (std::string(k.mode) == "terminate-thread") {
        EXPECT_TRUE(contains(report, "\nReason: uncaught exception: worker failed\n"));
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, CrashWhileRecording,
                         ::testing::Values(CrashCase{"segv", SIGSEGV, "\nSignal: 11 SIGSEGV"},
                                           CrashCase{"abort", SIGABRT, "\nSignal: 6 SIGABRT"},
                                           CrashCase{"terminate-thread", SIGABRT, "\nSignal: 6 SIGABRT"},
                                           CrashCase{"overflow", SIGSEGV, "\nSignal: 11 SIGSEGV"},
                                           CrashCase{"overflow-thread", SIGSEGV, "\nSignal: 11 SIGSEGV"}),
                         [](const auto& info) {
                             std::string name = info.param.mode;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// SIGKILL runs no handler: the encoder must be told by someone else, once.
// Told several times, ffmpeg quits at once and leaves a file with no index.
TEST_F(KilledWhileRecording, TheEncoderFinishesAFileThatHoldsTheTake)
{
    const std::string mp4 = dir.file("recording.mp4");
    const Crash c = crash("killed", "ffmpeg", cwd, mp4, dir.file("info"));

    EXPECT_EQ(c.signal, SIGKILL);
    ASSERT_EQ(c.encoders.size(), 1u);
    int status = 0;
    const std::uint64_t deadline = platform::tickCount() + 10000;
    while (::waitpid(c.encoders[0], &status, WNOHANG) == 0 && platform::tickCount() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(encodersGone(c)) << "the encoder was never told";
    // ffmpeg ends with 255 after finishing on SIGTERM, with 123 when it gave up.
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 255) << status;
    int code = -1;
    const std::string length = runAndCapture(
        "ffprobe -v error -show_entries format=duration -of csv=p=0 " + platform::quoteArgument(mp4), &code);
    ASSERT_EQ(code, 0) << length;
    EXPECT_GE(std::atof(length.c_str()), 4.0) << length;
}

TEST_F(CrashReport, ASecondCrashInTheSameSecondReplacesTheReport)
{
    fs::create_directories(cwd / "D-Error");
    // Reports of an earlier crash for every second the next one may fall in.
    const long long now = std::time(nullptr);
    for (long long s = now - 1; s <= now + 60; ++s)
        writeFile((cwd / "D-Error" / dumpName(s)).string(), std::string(100000, 'x'));
    const std::size_t before = dumps(cwd).size();

    const Crash c = crash("segv", "ffmpeg", cwd, dir.file("recording.mp4"), dir.file("info"));
    EXPECT_EQ(c.signal, SIGSEGV);
    EXPECT_TRUE(encodersGone(c));

    EXPECT_EQ(dumps(cwd).size(), before);
    int replaced = 0;
    for (const std::string& name : dumps(cwd)) {
        const std::string content = readFile((cwd / "D-Error" / name).string());
        if (content.rfind(kReportHeader, 0) != 0)
            continue;
        ++replaced;
        EXPECT_TRUE(namedFromCrashTime(name, c)) << name;
        EXPECT_FALSE(contains(content, "xxxx")) << "the earlier report was not replaced";
    }
    EXPECT_EQ(replaced, 1);
}

TEST_F(CrashReport, FaultChildIgnoringQuitIsKilledAfterTheGraceTime)
{
    const std::string count = dir.file("quits");
    const Crash c = crash("segv", "ignore-q", cwd, count, dir.file("info"));

    EXPECT_EQ(c.signal, SIGSEGV);
    ASSERT_EQ(c.encoders.size(), 1u);
    EXPECT_GE(c.crashToEndMs, 2900u);
    EXPECT_LT(c.crashToEndMs, 6000u);
    EXPECT_TRUE(encodersGone(c));
    EXPECT_FALSE(fs::exists(count)) << "the child ran to its own end instead of being killed";
    const std::vector<std::string> names = dumps(cwd);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(contains(readFile((cwd / "D-Error" / names[0]).string()),
                         "\nEncoders: 1 running, asked to quit; 1 ended by force\n"));
}

TEST_F(CrashReport, CurrentFolderTooLongForThePathBufferGivesNoReportButStillEndsTheEncoders)
{
    const fs::path deep = dir.path() / std::string(100, 'a') / std::string(100, 'b') / std::string(100, 'c');
    fs::create_directories(deep);
    const std::string mp4 = dir.file("recording.mp4");
    const Crash c = crash("segv", "ffmpeg", deep, mp4, dir.file("info"));

    EXPECT_EQ(c.signal, SIGSEGV);
    ASSERT_EQ(c.encoders.size(), 1u);
    EXPECT_TRUE(c.encodersEndedFirst);
    EXPECT_TRUE(encodersGone(c));
    EXPECT_EQ(probe(mp4), "h264\n");
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
        EXPECT_NE(e.path().filename(), "D-Error") << e.path();
}
