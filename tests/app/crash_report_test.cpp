#include "platform/crash_handler.h"

#include <array>
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

using platform::buildDumpPath;
using platform::IsNtdllModule;
using platform::kDumpPathSize;
using platform::LocalTime;

TEST(DumpPath, NamedFromTheTimeWithoutPaddingInsideDError)
{
    char path[kDumpPathSize];
    std::size_t folder = buildDumpPath(path, "/home/user/work", '/', {2018, 3, 5, 9, 7, 2});
    EXPECT_STREQ(path, "/home/user/work/D-Error/2018-3-5&9-7-2.dmp");
    EXPECT_EQ(std::string(path, folder), "/home/user/work/D-Error/");

    // A root folder already ends with its separator.
    folder = buildDumpPath(path, "C:\\", '\\', {2018, 12, 31, 23, 59, 59});
    EXPECT_STREQ(path, "C:\\D-Error\\2018-12-31&23-59-59.dmp");
    EXPECT_EQ(folder, std::strlen("C:\\D-Error\\"));
}

TEST(DumpPath, APathThatDoesNotFitIsRefusedAndNothingIsWrittenPastTheBuffer)
{
    const LocalTime when{2018, 3, 5, 9, 7, 2};
    const std::size_t tail = std::strlen("/D-Error/2018-3-5&9-7-2.dmp");
    for (std::size_t length = 200; length <= 300; ++length) {
        std::array<char, kDumpPathSize + 64> buffer;
        buffer.fill('#');
        auto& path = *reinterpret_cast<char(*)[kDumpPathSize]>(buffer.data());
        const std::string folder = "/" + std::string(length - 1, 'a');
        const std::size_t folderLength = buildDumpPath(path, folder.c_str(), '/', when);

        const bool fits = length + tail <= kDumpPathSize - 1;
        EXPECT_EQ(folderLength > 0, fits) << length;
        EXPECT_EQ(std::strlen(path), fits ? length + tail : 0) << length;
        for (std::size_t i = kDumpPathSize; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], '#') << "written past the buffer at folder length " << length;
    }
}

TEST(CivilTime, AgreesWithTheCalendarAcrossCenturiesAndLeapDays)
{
    using namespace std::chrono;
    // Every day from 1899 to 2101, at a time of day that moves through the day.
    const sys_days first = year{1899} / January / 1;
    const sys_days last = year{2101} / December / 31;
    long long secondOfDay = 0;
    for (sys_days day = first; day <= last; day += days{1}) {
        secondOfDay = (secondOfDay + 3607) % 86400;
        const long long since = day.time_since_epoch().count() * 86400LL + secondOfDay;
        const year_month_day ymd{day};
        const LocalTime t = platform::civilTime(since);
        ASSERT_EQ(t.year, static_cast<int>(ymd.year())) << since;
        ASSERT_EQ(t.month, static_cast<int>(static_cast<unsigned>(ymd.month()))) << since;
        ASSERT_EQ(t.day, static_cast<int>(static_cast<unsigned>(ymd.day()))) << since;
        ASSERT_EQ(t.hour * 3600 + t.minute * 60 + t.second, secondOfDay) << since;
    }
}

TEST(IsNtdllModule, OnlyTheFileNamedNtdllInAnyCase)
{
    EXPECT_FALSE(IsNtdllModule(nullptr));
    EXPECT_TRUE(IsNtdllModule(L"C:\\Windows\\System32\\ntdll.dll"));
    EXPECT_TRUE(IsNtdllModule(L"C:\\WINDOWS\\SYSTEM32\\NTDLL.DLL"));
    EXPECT_TRUE(IsNtdllModule(L"NtDll"));
    EXPECT_TRUE(IsNtdllModule(L"C:ntdll.dll"));
    EXPECT_TRUE(IsNtdllModule(L"Z:/usr/lib/wine/ntdll.so"));

    EXPECT_FALSE(IsNtdllModule(L""));
    EXPECT_FALSE(IsNtdllModule(L"C:\\Windows\\System32\\"));
    EXPECT_FALSE(IsNtdllModule(L"C:\\Windows\\System32\\kernel32.dll"));
    EXPECT_FALSE(IsNtdllModule(L"C:\\Windows\\System32\\ntdll32.dll"));
    EXPECT_FALSE(IsNtdllModule(L"C:\\Windows\\System32\\myntdll.dll"));
    // Only the last extension goes; a dotted folder is not the file.
    EXPECT_FALSE(IsNtdllModule(L"C:\\Windows\\ntdll.dll.bak"));
    EXPECT_FALSE(IsNtdllModule(L"C:\\ntdll.dll\\kernel32.dll"));
    EXPECT_FALSE(IsNtdllModule(L"C:\\Windows\\.ntdll"));
}

namespace {

// Central European time from 2026 to 2027, the changes at 01:00 UTC; a
// change in the last days, half an hour long, lands between scan steps.
constexpr long long kSummer2026 = 1774746000;
constexpr long long kWinter2026 = 1792890000;
constexpr long long kSummer2027 = 1806195600;
constexpr long long kHalfHourShift = kSummer2027 + 200 * 86400LL + 1234;

long centralEuropeanOffset(long long t)
{
    if (t >= kHalfHourShift)
        return 5400;
    if (t >= kSummer2027)
        return 7200;
    if (t >= kWinter2026)
        return 3600;
    return t >= kSummer2026 ? 7200 : 3600;
}

} // namespace

TEST(UtcOffsetTable, EachChangeIsFoundToTheSecondAndTheLastOffsetHoldsBeyond)
{
    const long long from = 1767225600; // 2026-01-01
    platform::UtcOffsetTable table;
    table.build(from, from + 2 * 366 * 86400LL, centralEuropeanOffset);

    for (long long change : {kSummer2026, kWinter2026, kSummer2027, kHalfHourShift}) {
        EXPECT_EQ(table.at(change - 1), centralEuropeanOffset(change - 1)) << change;
        EXPECT_EQ(table.at(change), centralEuropeanOffset(change)) << change;
    }
    for (long long t = from; t < from + 2 * 366 * 86400LL; t += 977)
        ASSERT_EQ(table.at(t), centralEuropeanOffset(t)) << t;
    EXPECT_EQ(table.at(from + 10 * 366 * 86400LL), 5400);
    // Before the table's start the first offset is the best guess.
    EXPECT_EQ(table.at(from - 86400), 3600);

    // A zone that never changes gives its one offset everywhere.
    table.build(from, from + 86400, [](long long) { return -18000L; });
    EXPECT_EQ(table.at(from + 43200), -18000);
    EXPECT_EQ(table.at(from + 5 * 86400), -18000);
}
