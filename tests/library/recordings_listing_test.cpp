#include "library/recordings_listing.h"

#include "takes/take_files.h"
#include "platform/files.h"

#include "../support/test_support.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using takes::TakeFiles;
using takes::TakeFilesOf;
using library::IsRecordingName;
using library::ListingDateText;
using library::listRecordings;
using library::RecordingListing;
using library::RecordingPath;
using library::sortNewestFirst;
using library::VideoFileInfo;

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

fs::path u8path(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

// Gives `path` a last-write time of that many seconds since 1970.
void setLastWrite(const fs::path& path, long long seconds)
{
    const auto when = std::chrono::system_clock::time_point(std::chrono::seconds(seconds));
    fs::last_write_time(path, std::chrono::file_clock::from_sys(when));
}

// The listing's date text for that many seconds since 1970, worked out with
// the C library's local time.
std::string localDateText(long long seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    const std::tm* local = std::localtime(&t);
    return ListingDateText(
        {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday, local->tm_hour, local->tm_min, local->tm_sec});
}

std::vector<std::string> names(const RecordingListing& listing)
{
    std::vector<std::string> out;
    for (const VideoFileInfo& record : listing)
        out.push_back(record.name);
    return out;
}

} // namespace

TEST(RecordingName, CaseSensitiveAnywhereInTheNameAndNoHiddenFiles)
{
    for (const char* taken : {"a.mp4", "B.MP4", "clip.mp4.bak", "x.MP4.part", "录像.mp4", "-rf $1.mp4"})
        EXPECT_TRUE(IsRecordingName(taken)) << taken;
    for (const char* left : {"clip.Mp4", "clip.mP4", ".x.mp4", ".", "..", "", "movie.mov", "mp4"})
        EXPECT_FALSE(IsRecordingName(left)) << left;
    // A take being recorded is no recording yet.
    const TakeFiles take = TakeFilesOf("2026-12-08-05-41-01.mp4");
    EXPECT_FALSE(IsRecordingName(take.working));
    EXPECT_FALSE(IsRecordingName(take.workingMp4));
}

TEST(RecordingName, DateTextHasFixedWidthFieldsAndTwoBlanks)
{
    EXPECT_EQ(ListingDateText({2018, 3, 5, 14, 7, 9}), "2018-03-05  14:07:09");
    EXPECT_EQ(ListingDateText({2026, 12, 31, 0, 0, 0}), "2026-12-31  00:00:00");
}

TEST(ListRecordings, KeepsMatchingFilesAndFoldersWithSizeAndLocalDateNewestFirst)
{
    TempFolder dir;
    const long long ten = 1520244000; // 2018-03-05 10:00 UTC
    writeFile(dir.file("b.mp4"), "bbbb");
    setLastWrite(dir.path() / "b.mp4", ten);
    writeFile(dir.file("a.MP4"), "aaaaaaaa");
    setLastWrite(dir.path() / "a.MP4", ten + 3600);
    writeFile(dir.file("clip.Mp4"), "x");
    writeFile(dir.file(".x.mp4"), "x");
    writeFile(dir.file("notes.txt"), "x");
    writeFile(dir.file("clip.mp4.bak"), "x");
    setLastWrite(dir.path() / "clip.mp4.bak", ten - 60);
    fs::create_directory(dir.path() / "old.mp4"); // written now: the newest
    writeFile((dir.path() / u8path("录像 1.mp4")).string(), "x");
    setLastWrite(dir.path() / u8path("录像 1.mp4"), ten - 180);

    RecordingListing listing;
    ASSERT_TRUE(listRecordings(dir.path().string(), listing));
    sortNewestFirst(listing);
    EXPECT_EQ(names(listing), (std::vector<std::string>{"old.mp4", "a.MP4", "b.mp4", "clip.mp4.bak", "录像 1.mp4"}));
    EXPECT_EQ(listing[1].size, 8u);
    EXPECT_EQ(listing[2].size, 4u);
    EXPECT_EQ(listing[1].date, localDateText(ten + 3600));
    EXPECT_EQ(listing[2].date, localDateText(ten));
    for (const VideoFileInfo& record : listing)
        EXPECT_TRUE(record.duration.empty());
    EXPECT_EQ(RecordingPath(dir.path().string(), listing[1].name),
              dir.path().string() + platform::separator() + "a.MP4");
}

TEST(ListRecordings, ALargeRecordingKeepsItsWholeSize)
{
    TempFolder dir;
    const std::uint64_t big = 5ull << 30; // past what 32 bits hold
    {
        std::ofstream(dir.path() / "big.mp4");
    }
    fs::resize_file(dir.path() / "big.mp4", big); // sparse: takes no room
    RecordingListing listing;
    ASSERT_TRUE(listRecordings(dir.path().string(), listing));
    ASSERT_EQ(listing.size(), 1u);
    EXPECT_EQ(listing[0].size, big);
}

TEST(ListRecordings, AFolderThatCannotBeSearchedLeavesTheListingAsItWas)
{
    TempFolder dir;
    RecordingListing listing{{1, "", "2018-01-01  00:00:00", "kept.mp4", 0}};
    EXPECT_FALSE(listRecordings(dir.file("missing"), listing));
    writeFile(dir.file("file.mp4"), "x");
    EXPECT_FALSE(listRecordings(dir.file("file.mp4"), listing)); // a file, not a folder
    ASSERT_EQ(listing.size(), 1u);
    EXPECT_EQ(listing[0].name, "kept.mp4");

    // A listing is appended to.
    EXPECT_TRUE(listRecordings(dir.path().string(), listing));
    EXPECT_EQ(names(listing), (std::vector<std::string>{"kept.mp4", "file.mp4"}));
}
