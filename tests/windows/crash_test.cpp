// A real Windows program with the crash filter installed crashes; the dump,
// its name and the end of its encoder are checked from outside.
#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/paths.h"

#include "../support/test_support.h"

#include <windows.h>

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <utility>

namespace fs = std::filesystem;
using namespace testing_support;
using platform::quoteArgument;

namespace {

std::string utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::uint64_t asTicks(const SYSTEMTIME& t)
{
    FILETIME f;
    ::SystemTimeToFileTime(&t, &f);
    return (static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}

// Dump names for every local second from `from` to `to`.
std::set<std::string> namesBetween(const SYSTEMTIME& from, const SYSTEMTIME& to)
{
    std::set<std::string> names;
    for (std::uint64_t t = asTicks(from) / 10000000; t <= asTicks(to) / 10000000; ++t) {
        const std::uint64_t ticks = t * 10000000;
        const FILETIME f{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        SYSTEMTIME s;
        ::FileTimeToSystemTime(&f, &s);
        names.insert(std::to_string(s.wYear) + "-" + std::to_string(s.wMonth) + "-" + std::to_string(s.wDay) + "&"
                     + std::to_string(s.wHour) + "-" + std::to_string(s.wMinute) + "-" + std::to_string(s.wSecond)
                     + ".dmp");
    }
    return names;
}

struct Crash {
    std::string output;
    int exitCode = 0;
    std::set<std::string> possibleNames;
};

Crash crash(const TempFolder& folder, const std::string& how)
{
    Crash c;
    SYSTEMTIME before, after;
    ::GetLocalTime(&before);
    c.output = runAndCapture(quoteArgument(platform::programFolder() + "\\windows_helper.exe") + " crash "
                                 + quoteArgument(utf8(folder.path())) + " " + how,
                             &c.exitCode);
    ::GetLocalTime(&after);
    c.possibleNames = namesBetween(before, after);
    return c;
}

std::vector<fs::path> dumps(const TempFolder& folder)
{
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder.path() / "D-Error"))
        found.push_back(entry.path());
    return found;
}

// True once the process of that id has ended.
bool ended(const std::string& pidLine)
{
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::stoul(pidLine)));
    if (!process)
        return true;
    const bool done = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return done;
}

void expectOneDump(const TempFolder& folder, const Crash& c)
{
    ASSERT_TRUE(fs::is_directory(folder.path() / "D-Error")) << c.output;
    const std::vector<fs::path> found = dumps(folder);
    ASSERT_EQ(found.size(), 1u);
    const std::string name = utf8(found[0].filename());
    EXPECT_EQ(c.possibleNames.count(name), 1u) << name;
    const std::string content = readFile(utf8(found[0]));
    EXPECT_EQ(content.substr(0, 4), "MDMP");
    EXPECT_GT(content.size(), 1000u);
}

} // namespace

TEST(WinCrashFilter, AFaultOrAWorkerStackOverflowLeavesOneDumpNamedFromTheLocalTimeAndNoEncoder)
{
    const std::pair<const char*, DWORD> cases[] = {{"access", EXCEPTION_ACCESS_VIOLATION},
                                                   {"overflow-thread", EXCEPTION_STACK_OVERFLOW}};
    for (const auto& [how, code] : cases) {
        SCOPED_TRACE(how);
        TempFolder folder;
        const Crash c = crash(folder, how);
        // The filter answered EXECUTE_HANDLER: the process ended with the
        // exception's code, without a debugger or an error box.
        EXPECT_EQ(static_cast<DWORD>(c.exitCode), code) << c.output;
        expectOneDump(folder, c);
        ASSERT_FALSE(c.output.empty());
        // The encoder was asked with "q" and ended on it before the program died.
        EXPECT_TRUE(ended(c.output));
    }
}

TEST(WinCrashFilter, AnUncaughtExceptionLeavesADumpTooAndTheFolderIsReused)
{
    TempFolder folder;
    const Crash first = crash(folder, "throw");
    expectOneDump(folder, first);
    EXPECT_TRUE(ended(first.output));
    // Into the existing folder: its own file, or the first one replaced when
    // both crashes fall in the same second.
    const Crash second = crash(folder, "access");
    bool secondWrote = false;
    for (const fs::path& dump : dumps(folder)) {
        const std::string name = utf8(dump.filename());
        EXPECT_TRUE(first.possibleNames.count(name) || second.possibleNames.count(name)) << name;
        secondWrote = secondWrote || second.possibleNames.count(name);
        EXPECT_EQ(readFile(utf8(dump)).substr(0, 4), "MDMP");
    }
    EXPECT_TRUE(secondWrote);
    EXPECT_LE(dumps(folder).size(), 2u);
}
