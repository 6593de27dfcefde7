#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/live_children.h"

#include "../support/test_support.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <unistd.h>

using namespace testing_support;

// The owner closes a child's pipes and then waits up to a second for it; a
// file opened meanwhile gets the closed descriptor numbers. Shutdown's "q"
// must not land in it.
TEST(LiveChildren, QuitNeverWritesIntoADescriptorItsOwnerHasClosed)
{
    TempFolder dir;
    auto child = std::make_unique<platform::ChildProcess>();
    ASSERT_TRUE(child->start(platform::quoteArgument(faultChild()) + " close-output 1500"));
    for (int i = 0; i < 500 && child->peekOutput() >= 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_LT(child->peekOutput(), 0);
    std::thread owner([&child] { child.reset(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    const int first = ::open(dir.file("first").c_str(), O_WRONLY | O_CREAT, 0600);
    const int second = ::open(dir.file("second").c_str(), O_WRONLY | O_CREAT, 0600);
    platform::askLiveChildrenToQuit();
    ::close(first);
    ::close(second);
    owner.join();
    EXPECT_EQ(readFile(dir.file("first")), "");
    EXPECT_EQ(readFile(dir.file("second")), "");
    EXPECT_TRUE(platform::waitLiveChildren(3000));
}

// Children that end on their own while quit requests keep coming: the one
// that noticed the end lets go of the slot, and its owner's close must wait
// for a request under way (ThreadSanitizer saw the write and the close race).
TEST(LiveChildren, QuitRequestsRacingChildrenThatEndNeverOutliveTheirInput)
{
    std::atomic<bool> done{false};
    std::thread asker([&done] {
        while (!done)
            platform::askLiveChildrenToQuit();
    });
    for (int i = 0; i < 40; ++i) {
        platform::ChildProcess child;
        ASSERT_TRUE(child.start(platform::quoteArgument(faultChild()) + " exit-now"));
        while (!child.waitForExit(5)) { }
    }
    done = true;
    asker.join();
    EXPECT_EQ(platform::liveChildCount(), 0);
}
