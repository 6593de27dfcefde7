// The encoder runner on the Win32 pipes, against the Windows fault child.
#include "encoder/runner.h"

#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/live_children.h"

#include "../support/runner_helpers.h"
#include "../support/test_support.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

using encoder::RunEnded;
using encoder::RunInvalidData;
using encoder::RunNotStarted;
using encoder::RunStopRequested;
using encoder::RunTool;

using namespace testing_support;
using platform::quoteArgument;

namespace {

double threadCpuSeconds()
{
    FILETIME created, ended, kernel, user;
    ::GetThreadTimes(::GetCurrentThread(), &created, &ended, &kernel, &user);
    const auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

} // namespace

TEST(WinRunTool, StatusOfEachWayAChildEnds)
{
    EXPECT_EQ(RunTool(child("exit-now")), RunEnded);
    // The child's own exit code is not the run's status.
    EXPECT_EQ(RunTool(child("exit-code 5")), RunEnded);
    EXPECT_EQ(RunTool(child("frames"), {}, stopAfter(200)), RunStopRequested);
    EXPECT_EQ(RunTool(child("invalid"), invalidData), RunInvalidData);
    EXPECT_EQ(RunTool(child("split-invalid")), RunEnded);
    EXPECT_EQ(RunTool("\"C:\\no\\such\\tool.exe\" -i x"), RunNotStarted);
    EXPECT_EQ(RunTool("\"C:\\no\\such\\tool.exe\" -i x", invalidData, stopAfter(0)), RunNotStarted);
    EXPECT_EQ(platform::liveChildCount(), 0);
}

TEST(WinRunTool, InvalidDataEndsTheChildBeforeTheRunReturns)
{
    const std::uint64_t start = platform::tickCount();
    EXPECT_EQ(RunTool(child("invalid"), invalidData), RunInvalidData);
    EXPECT_LT(platform::tickCount() - start, 5000u); // "q" ends the child's 10 s wait
    EXPECT_EQ(platform::liveChildCount(), 0) << "the encoder outlived its run";
}

TEST(WinRunTool, MarkerSplitAcrossTwoWritesIsNotSeen)
{
    std::string seen;
    int chunks = 0;
    const int status = RunTool(child("split-invalid"), [&](const char* chunk, std::size_t size) {
        EXPECT_EQ(std::strlen(chunk), size);
        seen.append(chunk, size);
        ++chunks;
        return invalidData(chunk, size);
    });
    EXPECT_EQ(status, RunEnded);
    EXPECT_GE(chunks, 2);
    EXPECT_NE(seen.find("Invalid data"), std::string::npos);
}

TEST(WinRunTool, QuitIsWrittenOnEveryPassUntilTheChildEnds)
{
    TempFolder dir;
    const std::string count = dir.file("quits");
    EXPECT_EQ(RunTool(child("ignore-q 600 " + quoteArgument(count)), {}, stopAfter(0)), RunStopRequested);
    EXPECT_GT(std::stoi(readFile(count)), 20);
    // And a child that listens ends on the first one: "q\r\n" reaches it whole.
    const std::uint64_t start = platform::tickCount();
    EXPECT_EQ(RunTool(child("frames"), {}, stopAfter(0)), RunStopRequested);
    EXPECT_LT(platform::tickCount() - start, 3000u);
}

TEST(WinRunTool, FloodingChildIsDrainedInBoundedChunksAtItsOwnPace)
{
    std::size_t total = 0;
    std::size_t largest = 0;
    const int status = RunTool(child("flood 8000000"), [&](const char*, std::size_t size) {
        total += size;
        largest = std::max(largest, size);
        return false;
    });
    EXPECT_EQ(status, RunEnded);
    EXPECT_GE(total, 8000000u);
    EXPECT_LE(largest, 4096u);
    // Its pace is the runner benchmark's: a loaded machine slows a healthy
    // drain as much as a wait per read would.
    EXPECT_EQ(RunTool(child("flood 2000000")), RunEnded);
}

TEST(WinRunTool, StaysCheapWhileAChildRunsForSeconds)
{
    const double before = threadCpuSeconds();
    EXPECT_EQ(RunTool(child("frames"), {}, stopAfter(2000)), RunStopRequested);
    const double used = threadCpuSeconds() - before;
    EXPECT_LT(used, 0.5) << "runner used " << used << " s of CPU in 2 s";
}

TEST(WinChildProcess, AChildThatNeverReadsNeverBlocksOurWrites)
{
    platform::ChildProcess child;
    ASSERT_TRUE(child.start(quoteArgument(faultChild()) + " deaf 5000"));
    // Far more than any pipe buffer holds: a blocking write would hang here.
    const std::string block(64 * 1024, 'q');
    const std::uint64_t start = platform::tickCount();
    int refused = 0;
    for (int i = 0; i < 64; ++i)
        refused += child.writeInput(block.data(), block.size()) ? 0 : 1;
    EXPECT_GT(refused, 0);
    EXPECT_LT(platform::tickCount() - start, 2000u);
    platform::killLiveChildren();
    EXPECT_TRUE(platform::waitLiveChildren(3000));
}

TEST(WinChildProcess, ChildrenStartedOnOtherThreadsDoNotHoldOurPipeOpen)
{
    // A recording and a probe run on different threads. Had a long-lived child
    // of one inherited the other's pipe ends, the other's output pipe would
    // not break when its own child ended: its run would drain on until the
    // countdown instead of ending with the child.
    std::vector<std::unique_ptr<platform::ChildProcess>> strangers;
    std::atomic<bool> done{false};
    std::thread starter([&] {
        while (!done && strangers.size() < 40) {
            strangers.push_back(std::make_unique<platform::ChildProcess>());
            strangers.back()->start(child("deaf 5000"));
        }
    });
    int heldOpen = 0;
    for (int i = 0; i < 30; ++i) {
        platform::ChildProcess own;
        ASSERT_TRUE(own.start(child("exit-now")));
        ASSERT_TRUE(own.waitForExit(10000));
        // Its only writer is gone: the pipe breaks (Wine takes a moment).
        long waiting = 0;
        for (int ms = 0; waiting >= 0 && ms < 1000; ms += 5) {
            waiting = own.peekOutput();
            ::Sleep(5);
        }
        heldOpen += waiting >= 0 ? 1 : 0;
    }
    done = true;
    starter.join();
    EXPECT_EQ(heldOpen, 0);
    platform::killLiveChildren();
    EXPECT_TRUE(platform::waitLiveChildren(5000));
}

// Data and what a child says come apart on the Win32 pipes, each whole.
TEST(WinRunTool, ApartKeepsStandardOutputFromStandardError)
{
    std::string data;
    std::string said;
    EXPECT_EQ(encoder::RunToolApart(child("apart"), keepInto(data), keepInto(said)), RunEnded);
    EXPECT_EQ(data, "one\ntwo\n");
    EXPECT_EQ(said, std::string(300000, 'e'));
}
