// Starting children with CreateProcessW: what command line arrives, how it is
// split, and the table of live children that shutdown and crashes use.
#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/live_children.h"
#include "platform/win32/wide.h"

#include "../support/test_support.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <gtest/gtest.h>

using namespace testing_support;
using platform::quoteArgument;

namespace {

const std::vector<std::string> kOddArguments = {
    "with blanks",  R"(a "quoted" word)", "$HOME", "%PATH%",    "`id`", "a;b&c|d", "-leading", "中文 录像", "Ελληνικά",
    R"(C:\trail\)", R"(\\server\share\)", "",      "tab\there", "\"",   "\\\"",
};

// What CommandLineToArgvW makes of a line, in UTF-8.
std::vector<std::string> windowsSplit(const std::string& line)
{
    int count = 0;
    wchar_t** list = ::CommandLineToArgvW(platform::win32::widen(line).c_str(), &count);
    std::vector<std::string> args;
    for (int i = 0; list && i < count; ++i)
        args.push_back(platform::win32::narrow(list[i]));
    ::LocalFree(list);
    return args;
}

} // namespace

TEST(WinChildProcess, ArgumentsAndTheExactCommandLineReachTheChild)
{
    TempFolder dir;
    const std::string argsFile = dir.file("args.bin");
    std::string line = quoteArgument(faultChild()) + " args " + quoteArgument(argsFile);
    std::string expected;
    for (const std::string& a : kOddArguments) {
        line += " " + quoteArgument(a);
        expected += a + '\0';
    }
    int code = -1;
    runAndCapture(line, &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(readFile(argsFile), expected);

    // The string handed to CreateProcessW is the child's command line, byte for
    // byte: nothing is re-quoted on the way.
    const std::string lineFile = dir.file("line.txt");
    const std::string exact = quoteArgument(faultChild()) + " command-line " + quoteArgument(lineFile)
        + " -f dshow -i audio=\"Microphone (USB \\\"Pro\\\")\"  -f gdigrab -i desktop  \"D:\\录像\\\\a.mp4\" ";
    runAndCapture(exact, &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(readFile(lineFile), exact);
}

TEST(WinChildProcess, OurSplitAgreesWithCommandLineToArgvW)
{
    // Where the two differ ours is wrong: the encoder splits its command line
    // the Windows way.
    std::vector<std::string> lines = {
        R"("C:\tool dir\tool.exe" -i "a b" c)",
        R"("C:\tool.exe"-i x)", // arguments glued to the closing quote
        R"(C:\tool.exe "a\"b" "c\\" d\\\"e "f""g" h\\i)",
        R"("C:\tool.exe" "" "  " x" y"z)",
        R"(tool   a    b	c)",
        R"(p "a""b"c d)", // "" inside a group ends it
        R"(p "a""b" c)",
        R"(p """a""" b "x\""y z" \""" ")",
        R"(p "" "")",
    };
    std::string odd = quoteArgument("C:\\tool dir\\tool.exe");
    for (const std::string& a : kOddArguments)
        odd += " " + quoteArgument(a);
    lines.push_back(odd);
    for (const std::string& line : lines)
        EXPECT_EQ(platform::splitCommandLine(line), windowsSplit(line)) << line;
}

TEST(WinChildProcess, MissingProgramDoesNotStart)
{
    platform::ChildProcess child;
    EXPECT_FALSE(child.start("\"C:\\nonexistent\\tool.exe\" -i x"));
    EXPECT_FALSE(child.start("no-such-program-anywhere -version"));
    EXPECT_FALSE(child.start(""));
    EXPECT_EQ(child.id(), 0);
    EXPECT_EQ(platform::liveChildCount(), 0);
}

TEST(WinChildProcess, LiveTableAsksThenForces)
{
    EXPECT_EQ(platform::liveChildCount(), 0);
    {
        platform::ChildProcess child;
        ASSERT_TRUE(child.start(quoteArgument(faultChild()) + " frames"));
        EXPECT_GT(child.id(), 0);
        EXPECT_EQ(platform::liveChildCount(), 1);
        platform::askLiveChildrenToQuit();
        EXPECT_TRUE(platform::waitLiveChildren(3000));
        EXPECT_TRUE(child.waitForExit(1000));
        EXPECT_EQ(child.exitCode(), 0); // it quit on "q", nobody forced it
    }
    {
        TempFolder dir;
        platform::ChildProcess child;
        ASSERT_TRUE(child.start(quoteArgument(faultChild()) + " ignore-q 30000 " + quoteArgument(dir.file("q"))));
        platform::askLiveChildrenToQuit();
        EXPECT_FALSE(platform::waitLiveChildren(200));
        platform::killLiveChildren();
        EXPECT_TRUE(platform::waitLiveChildren(3000));
        EXPECT_TRUE(child.waitForExit(1000));
    }
    EXPECT_EQ(platform::liveChildCount(), 0);
}

TEST(WinChildProcess, AChildWhoseOwnerLeftIsStillEndedByTheTable)
{
    std::int64_t pid = 0;
    {
        platform::ChildProcess child;
        ASSERT_TRUE(child.start(quoteArgument(faultChild()) + " deaf 30000"));
        pid = child.id();
    }
    // The owner is gone but the child runs on: the table still holds it.
    EXPECT_EQ(platform::liveChildCount(), 1);
    platform::killLiveChildren();
    EXPECT_TRUE(platform::waitLiveChildren(3000));
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process) { // an ended process may still be open by id while a handle to it lives
        EXPECT_EQ(::WaitForSingleObject(process, 0), WAIT_OBJECT_0);
        ::CloseHandle(process);
    }
}
