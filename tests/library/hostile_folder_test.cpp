// A folder of years of recordings with everything else a folder can hold:
// the listing and the lengths come back whole, and nothing waits forever.
#include "library/duration_cache.h"
#include "library/recordings_listing.h"

#include "editing/stream_ops.h"
#include "encoder/tool.h"

#include "../support/test_support.h"
#include "media/recording_length.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

using encoder::EnsureToolFolder;
using media::ProbeDuration;
using library::DurationCache;
using library::listRecordings;
using library::RecordingListing;
using library::sortNewestFirst;
using library::VideoFileInfo;
using media::DurationProbe;

namespace fs = std::filesystem;
using namespace testing_support;

TEST(HostileFolder, TenThousandEntriesWithLoopsPipesAndVanishingFilesListAndFillWhole)
{
    EnsureToolFolder();
    TempFolder home;
    const fs::path folder = home.path() / "recordings";
    fs::create_directory(folder);
    const std::string real = home.file("real.mp4");
    ASSERT_EQ(makeRecording(real, 2), "");
    const std::string length = ProbeDuration(real);
    ASSERT_EQ(length, "00:00:02");

    // Hard links: thousands of real recordings for the room of one.
    constexpr int kRecordings = 9000;
    for (int i = 0; i < kRecordings; ++i)
        fs::create_hard_link(real, folder / ("rec-" + std::to_string(i) + ".mp4"));
    for (int i = 0; i < 990; ++i)
        writeFile((folder / ("note-" + std::to_string(i) + ".txt")).string(), "x");
    writeFile((folder / "text.mp4").string(), "words, not a recording");
    writeFile((folder / "empty.mp4").string(), "");
    writeFile((folder / "vanishing.mp4").string(), "soon gone");
    writeFile((folder / "swapped.mp4").string(), "soon a pipe");
    ASSERT_EQ(::mkfifo((folder / "pipe.mp4").c_str(), 0600), 0);
    fs::create_symlink(folder / "loop.mp4", folder / "loop.mp4");
    fs::create_symlink(folder / "nowhere", folder / "dangling.mp4");
    fs::create_directory_symlink(folder, folder / "round.mp4"); // a folder loop
    fs::create_directory(folder / "folder.mp4");

    RecordingListing listing;
    ASSERT_TRUE(listRecordings(folder.string(), listing));
    sortNewestFirst(listing);
    std::map<std::string, const VideoFileInfo*> byName;
    for (const VideoFileInfo& r : listing)
        byName[r.name] = &r;
    // Only the pipe is left out; links, loops and folders with a recording's
    // name are listed as a file dialog shows them.
    EXPECT_EQ(listing.size(), static_cast<std::size_t>(kRecordings + 8));
    EXPECT_EQ(byName.count("pipe.mp4"), 0u);

    // Between listing and reading, one file goes and one becomes a pipe.
    fs::remove(folder / "vanishing.mp4");
    fs::remove(folder / "swapped.mp4");
    ASSERT_EQ(::mkfifo((folder / "swapped.mp4").c_str(), 0600), 0);

    std::atomic<int> probes{0};
    const DurationProbe probe = [&](const std::string& path) {
        ++probes;
        return ProbeDuration(path);
    };
    const std::string cacheFile = home.file("lengths");
    {
        DurationCache cache(cacheFile);
        cache.fill(folder.string(), listing, probe);
    }
    int known = 0;
    for (const VideoFileInfo& r : listing) {
        if (r.name.rfind("rec-", 0) == 0)
            known += r.duration == length;
        else
            EXPECT_EQ(r.duration, "") << r.name;
    }
    EXPECT_EQ(known, kRecordings);
    EXPECT_EQ(probes.load(), 1) << "only the text file is left to the probe";

    // After a restart every length comes from the cache; what failed is
    // tried again.
    for (VideoFileInfo& r : listing)
        r.duration.clear();
    DurationCache restarted(cacheFile);
    restarted.fill(folder.string(), listing, probe);
    EXPECT_EQ(byName.at("rec-0.mp4")->duration, length);
    EXPECT_EQ(probes.load(), 2);
}
