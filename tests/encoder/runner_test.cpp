#include "encoder/runner.h"
#include "encoder/tool.h"

#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/live_children.h"

#include "../support/runner_helpers.h"
#include "../support/test_support.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>

using encoder::EnsureToolFolder;
using encoder::PrepareTool;
using encoder::RunEnded;
using encoder::RunForcedEnd;
using encoder::RunInvalidData;
using encoder::RunNotStarted;
using encoder::RunStopRequested;
using encoder::RunTool;

using namespace testing_support;
using platform::quoteArgument;

namespace {

double threadCpuSeconds()
{
    rusage r{};
    getrusage(RUSAGE_THREAD, &r);
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec)
        + static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

} // namespace

TEST(RunTool, StatusOfEachWayAChildEnds)
{
    EXPECT_EQ(RunTool(child("exit-now")), RunEnded);
    EXPECT_EQ(RunTool(child("frames"), {}, stopAfter(200)), RunStopRequested);
    EXPECT_EQ(RunTool(child("invalid"), invalidData), RunInvalidData);
    // Without a scanner nothing is looked for.
    EXPECT_EQ(RunTool(child("split-invalid")), RunEnded);
    EXPECT_EQ(RunTool("\"/no/such/encoder\" -i x"), RunNotStarted);
    EXPECT_EQ(RunTool("\"/no/such/encoder\" -i x", invalidData, stopAfter(0)), RunNotStarted);
    EXPECT_EQ(platform::liveChildCount(), 0);
}

TEST(RunTool, InvalidDataEndsTheChildBeforeTheRunReturns)
{
    const std::uint64_t start = platform::tickCount();
    EXPECT_EQ(RunTool(child("invalid"), invalidData), RunInvalidData);
    // The child would sit 10 s after its message; "q" ends it at once.
    EXPECT_LT(platform::tickCount() - start, 5000u);
    EXPECT_EQ(platform::liveChildCount(), 0) << "the encoder outlived its run";
}

TEST(RunTool, MarkerSplitAcrossTwoReadsIsNotSeen)
{
    std::string seen;
    int chunks = 0;
    const int status = RunTool(child("split-invalid"), [&](const char* chunk, std::size_t size) {
        EXPECT_EQ(std::strlen(chunk), size); // zero-terminated
        seen.append(chunk, size);
        ++chunks;
        return invalidData(chunk, size);
    });
    EXPECT_EQ(status, RunEnded);
    EXPECT_GE(chunks, 2);
    EXPECT_NE(seen.find("Invalid data"), std::string::npos); // it was all read, just in two pieces
}

TEST(RunTool, QuitIsWrittenOnEveryPassUntilTheChildEnds)
{
    TempFolder dir;
    const std::string count = dir.file("quits");
    EXPECT_EQ(RunTool(child("ignore-q 600 " + quoteArgument(count)), {}, stopAfter(0)), RunStopRequested);
    // About one "q" every 5 ms for 600 ms; far more than one, whatever the load.
    EXPECT_GT(std::stoi(readFile(count)), 20);
}

TEST(RunTool, AnIgnoredStopEndsTheChildByForce_FaultChildIgnoresQuitAndTerm)
{
    TempFolder dir;
    struct Case {
        const char* mode;
        std::uint64_t earliest, latest; // ms after the stop
        int status;
    };
    // A stop that does not escalate waits, as a recording run does.
    const Case cases[] = {{"ignore-q", 4900, 6500, RunForcedEnd}, {"ignore-term", 6900, 8500, RunForcedEnd}};
    std::vector<std::thread> runs;
    std::uint64_t took[2] = {};
    int status[2] = {};
    for (int i = 0; i < 2; ++i) {
        runs.emplace_back([&, i] {
            const std::uint64_t start = platform::tickCount();
            status[i] = RunTool(child(std::string(cases[i].mode) + " 60000 " + quoteArgument(dir.file("q"))), {},
                                StopAfter(0, true));
            took[i] = platform::tickCount() - start;
        });
    }
    std::stop_source plain;
    plain.request_stop();
    EXPECT_EQ(RunTool(child("ignore-q 6000 " + quoteArgument(dir.file("plain"))), {}, plain.get_token()),
              RunStopRequested);
    for (std::thread& t : runs)
        t.join();
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(cases[i].mode);
        EXPECT_EQ(status[i], cases[i].status);
        EXPECT_GE(took[i], cases[i].earliest);
        EXPECT_LT(took[i], cases[i].latest);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("q"))) << "a child ran to its own end";
    EXPECT_EQ(platform::liveChildCount(), 0);
}

TEST(RunTool, FloodingChildIsDrainedAndNeverDeadlocks)
{
    std::size_t total = 0;
    std::size_t largest = 0;
    const int status = RunTool(child("flood 20000000"), [&](const char*, std::size_t size) {
        total += size;
        largest = std::max(largest, size);
        return false;
    });
    EXPECT_EQ(status, RunEnded);
    EXPECT_GE(total, 20000000u);
    EXPECT_LE(largest, 4096u);
    // Without a scanner the output is drained all the same.
    EXPECT_EQ(RunTool(child("flood 20000000")), RunEnded);
}

TEST(RunTool, StaysCheapWhileAChildRunsForSeconds)
{
    const double before = threadCpuSeconds();
    EXPECT_EQ(RunTool(child("frames"), {}, stopAfter(2000)), RunStopRequested);
    const double used = threadCpuSeconds() - before;
    // A busy loop would burn the whole 2 s; polling costs a few percent.
    EXPECT_LT(used, 0.5) << "runner used " << used << " s of CPU in 2 s";
}

TEST(RunTool, RealEncoderStoppedThroughTheStopTest)
{
    EnsureToolFolder();
    TempFolder dir;
    const std::string out = dir.file("test source $1 \"q\".mp4");
    const std::string line = PrepareTool()
        + " -f lavfi -i testsrc=size=320x240:rate=25 -vcodec libx264 -pix_fmt yuv420p " + quoteArgument(out) + " ";
    EXPECT_EQ(RunTool(line, {}, stopAfter(1500)), RunStopRequested);
    int code = -1;
    const std::string probe = runAndCapture(
        "ffprobe -v error -show_entries stream=codec_name,pix_fmt -of csv=p=0 " + quoteArgument(out), &code);
    EXPECT_EQ(code, 0) << probe;
    EXPECT_EQ(probe, "h264,yuv420p\n");
    EXPECT_EQ(platform::liveChildCount(), 0);
}

// Data and what a child says come apart, each whole, even when it says a
// pipe's fill while its data waits.
TEST(RunTool, ApartKeepsStandardOutputFromStandardError)
{
    std::string data;
    std::string said;
    EXPECT_EQ(encoder::RunToolApart("/bin/sh -c " + quoteArgument("echo one; head -c 300000 /dev/zero >&2; echo two"),
                                    keepInto(data), keepInto(said)),
              RunEnded);
    EXPECT_EQ(data, "one\ntwo\n");
    EXPECT_EQ(said, std::string(300000, '\0'));
}
