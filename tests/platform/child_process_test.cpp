#include "platform/child_output.h"
#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/live_children.h"

#include "../support/test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(ChildProcess, ArgumentsReachTheChildExactly)
{
    TempFolder dir;
    const std::string out = dir.file("args.bin");
    const std::vector<std::string> args = {
        "with blanks", R"(a "quoted" word)", "$HOME", "`id`", "a;b", "-leading", "中文 录像", R"(C:\trail\)", "",
    };
    std::string line = platform::quoteArgument(faultChild()) + " args " + platform::quoteArgument(out);
    std::string expected;
    for (const std::string& a : args) {
        line += " " + platform::quoteArgument(a);
        expected += a + '\0';
    }
    int code = -1;
    runAndCapture(line, &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(readFile(out), expected);
}

TEST(ChildProcess, MissingProgramDoesNotStart)
{
    platform::ChildProcess child;
    EXPECT_FALSE(child.start("\"/nonexistent/tool\" -i x"));
    EXPECT_FALSE(child.start("no-such-program-anywhere -version"));
    EXPECT_FALSE(child.start(""));
    EXPECT_EQ(platform::liveChildCount(), 0);
}

TEST(ChildProcess, LiveTableFollowsTheChildren)
{
    EXPECT_EQ(platform::liveChildCount(), 0);
    {
        platform::ChildProcess child;
        ASSERT_TRUE(child.start(platform::quoteArgument(faultChild()) + " frames"));
        EXPECT_EQ(platform::liveChildCount(), 1);
        // What shutdown and the crash handler do: ask, wait, and only then force.
        platform::askLiveChildrenToQuit();
        EXPECT_TRUE(platform::waitLiveChildren(3000));
        EXPECT_TRUE(child.waitForExit(0));
        EXPECT_EQ(child.exitCode(), 0);
    }
    {
        TempFolder dir;
        platform::ChildProcess child;
        ASSERT_TRUE(child.start(platform::quoteArgument(faultChild()) + " ignore-q 30000 "
                                + platform::quoteArgument(dir.file("q"))));
        platform::askLiveChildrenToQuit();
        EXPECT_FALSE(platform::waitLiveChildren(200));
        platform::killLiveChildren();
        EXPECT_TRUE(platform::waitLiveChildren(3000));
    }
    EXPECT_EQ(platform::liveChildCount(), 0);
}

TEST(ChildProcess, AnOwnerThatLeavesEarlyLeavesNoZombie)
{
    {
        platform::ChildProcess child;
        ASSERT_TRUE(child.start(platform::quoteArgument(faultChild()) + " frames"));
        // The owner closes its pipe ends while the child still runs.
    }
    // The child dies on its broken pipe; the live table reaps it.
    EXPECT_TRUE(platform::waitLiveChildren(5000));
}

TEST(ChildOutputReader, HandsOverEveryByteInBoundedChunksAndKeepsOnlyTheLatest)
{
    // The encoder's full help runs to hundreds of kilobytes: many chunks.
    const std::string command = "ffmpeg -hide_banner -h full";
    platform::ChildProcess child;
    ASSERT_TRUE(child.start(command));
    constexpr std::size_t kKept = 1000;
    platform::ChildOutputReader reader(kKept);
    std::string all;
    bool bounded = true;
    const auto take = [&](const char* chunk, std::size_t size) {
        bounded = bounded && size <= platform::ChildOutputReader::kChunkMax && chunk[size] == '\0';
        all.append(chunk, size);
    };
    bool ended = false;
    for (int pass = 0; pass < 6000 && !ended; ++pass) {
        child.waitForExit(5);
        ended = reader.drain(child, take).ended;
    }
    EXPECT_TRUE(ended);
    EXPECT_TRUE(bounded);
    ASSERT_GT(all.size(), 20 * platform::ChildOutputReader::kChunkMax);
    EXPECT_EQ(all, platform::runForOutput(command));
    EXPECT_EQ(reader.kept(), all.substr(all.size() - kKept));
}
