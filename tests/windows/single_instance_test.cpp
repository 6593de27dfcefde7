// The machine-wide mutex and raising the running copy's window, each seen
// from a second process as a second copy of the program would see them.
#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/paths.h"
#include "platform/single_instance.h"
#include "platform/win32/wide.h"

#include "../support/test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

using platform::quoteArgument;

namespace {

std::string helper(const std::string& args)
{
    return quoteArgument(platform::programFolder() + "\\windows_helper.exe") + " " + args;
}

// Starts the helper and waits for its first line.
std::string startAndRead(platform::ChildProcess& child, const std::string& args)
{
    if (!child.start(helper(args)))
        return "not started";
    std::string out;
    char buffer[256];
    for (int waited = 0; out.find('\n') == std::string::npos && waited < 10000; waited += 5) {
        child.waitForExit(5);
        const long waiting = child.peekOutput();
        if (waiting < 0)
            break;
        if (waiting > 0) {
            const long got = child.readOutput(buffer, sizeof buffer);
            if (got > 0)
                out.append(buffer, static_cast<std::size_t>(got));
        }
    }
    return out;
}

void quit(platform::ChildProcess& child)
{
    child.writeInput("q\r\n", 3);
    EXPECT_TRUE(child.waitForExit(10000));
}

} // namespace

TEST(WinSingleInstance, SecondCopySeesAlreadyExistsUntilTheFirstEnds)
{
    platform::ChildProcess first;
    ASSERT_EQ(startAndRead(first, "hold-lock"), "first\n");
    {
        // The call the second copy makes, and the error it reads.
        const HANDLE mutex =
            ::CreateMutexW(nullptr, TRUE, platform::win32::widen(platform::kSingleInstanceName).c_str());
        ASSERT_NE(mutex, nullptr);
        EXPECT_EQ(::GetLastError(), 183u);
        ::CloseHandle(mutex);
    }
    platform::ChildProcess second;
    EXPECT_EQ(startAndRead(second, "hold-lock"), "second\n");
    quit(second);
    quit(first);
    // The system dropped the first copy's mutex with its process.
    platform::ChildProcess third;
    EXPECT_EQ(startAndRead(third, "hold-lock"), "first\n");
    quit(third);
}

TEST(WinSingleInstance, RunningCopysWindowIsShownByItsTitle)
{
    const std::string title = "Vantreel Screen Recorder 录屏 " + std::to_string(::GetCurrentProcessId());
    EXPECT_FALSE(platform::ShowWindowTitled(title)); // nobody has it yet

    platform::ChildProcess running;
    ASSERT_EQ(startAndRead(running, "window " + quoteArgument(title)), "ready\n");
    const HWND window = ::FindWindowW(nullptr, platform::win32::widen(title).c_str());
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_TRUE(platform::ShowWindowTitled(title));
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_FALSE(::IsIconic(window));
    // Minimised, it comes back in its normal state.
    ::ShowWindow(window, SW_MINIMIZE);
    EXPECT_TRUE(platform::ShowWindowTitled(title));
    EXPECT_FALSE(::IsIconic(window));
    // The title must match exactly.
    EXPECT_FALSE(platform::ShowWindowTitled(title.substr(0, title.size() - 1)));
    quit(running);
}
