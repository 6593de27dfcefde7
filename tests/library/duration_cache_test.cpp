#include "library/duration_cache.h"
#include "platform/files.h"

#include "../support/test_support.h"
#include "media/recording_length.h"

#include <atomic>
#include <gtest/gtest.h>

using library::DurationCache;
using library::RecordingListing;
using library::RecordingPath;
using media::DurationProbe;

using namespace testing_support;

namespace {

// Files of `dir` that are no MP4, so that every read goes to the probe.
RecordingListing listingOf(const TempFolder& dir, int count)
{
    RecordingListing listing;
    for (int i = 0; i < count; ++i) {
        const std::string name = "r" + std::to_string(i) + ".mp4";
        writeFile(dir.file(name), "no boxes in here");
        listing.push_back({16, "", "2026-12-07  10:00:00", name, 1000 + i});
    }
    return listing;
}

} // namespace

TEST(DurationCache, ProbesEachNewFileOnceAndEachChangedFileAgain)
{
    TempFolder dir;
    const std::string folder = dir.path().string();
    std::atomic<int> probes{0};
    // The answer names the file it was asked about, so a mix-up between
    // records probed at the same time shows.
    const DurationProbe probe = [&](const std::string& path) {
        ++probes;
        const std::string number = path.substr(path.rfind('r') + 1, path.size() - path.rfind('r') - 5);
        return number == "3" ? std::string() : "00:00:" + std::string(2 - number.size(), '0') + number;
    };
    DurationCache cache;
    RecordingListing listing = listingOf(dir, 50);
    cache.fill(folder, listing, probe);
    EXPECT_EQ(probes.load(), 50);
    EXPECT_EQ(listing[12].duration, "00:00:12");
    EXPECT_EQ(listing[5].duration, "00:00:05");
    EXPECT_EQ(listing[3].duration, "");

    RecordingListing again = listingOf(dir, 50);
    again[17].size += 1;  // grew: still being written
    again[19].stamp += 1; // rewritten within the same second
    cache.fill(folder, again, probe);
    EXPECT_EQ(probes.load(), 53) << "the changed files and the failed read, again";
    EXPECT_EQ(again[12].duration, "00:00:12");
}

TEST(DurationCache, KeptInItsFileAcrossRestartsWithOddPathsAndWithoutWhatIsGone)
{
    TempFolder dir;
    const std::string file = dir.file("cache/sub/lengths");
    const std::string odd = "a\\b\nc\td 录像 $'\".mp4";
    const auto in = [](const char* name) { return RecordingPath("/r", name); };
    {
        DurationCache cache(file);
        cache.remember(odd, 5, -7, "01:02:03");
        cache.remember(in("failed.mp4"), 5, 1, "");
        cache.remember(in("garbage.mp4"), 5, 1, "N/A, sta");
        cache.remember(in("gone.mp4"), 5, 1, "00:00:09");
        cache.remember(in("kept.mp4"), 6, 2, "00:00:08");
        cache.remember(RecordingPath(in("sub"), "other.mp4"), 6, 2, "00:00:07");
        RecordingListing listing{{6, "", "", "kept.mp4", 2}};
        cache.fill("/r", listing, [](const std::string&) { return std::string("never asked"); });
        EXPECT_EQ(listing[0].duration, "00:00:08");
    }
    // Half a line at the end, as a crash while writing would have left it
    // without the rename, is not taken.
    writeFile(file, readFile(file) + "6\t2\t00:00:01\t" + in("half"));

    DurationCache restarted(file);
    EXPECT_EQ(restarted.find(odd, 5, -7), "01:02:03");
    EXPECT_EQ(restarted.find(odd, 5, -6), "");
    EXPECT_EQ(restarted.find(in("kept.mp4"), 6, 2), "00:00:08");
    EXPECT_EQ(restarted.find(RecordingPath(in("sub"), "other.mp4"), 6, 2), "00:00:07") << "another folder's";
    for (const char* name : {"failed.mp4", "garbage.mp4", "gone.mp4", "half"})
        EXPECT_EQ(restarted.find(in(name), 5, 1) + restarted.find(in(name), 6, 2), "") << name;

    writeFile(file, "something else entirely\n1\t1\t00:00:01\t/x.mp4\n");
    EXPECT_EQ(DurationCache(file).find("/x.mp4", 1, 1), "") << "a file of another form is ignored";
}

TEST(DurationCache, AFailedProbeIsAskedAgain)
{
    int probes = 0;
    const DurationProbe probe = [&](const std::string&) { return ++probes == 1 ? "" : "00:00:02"; };
    TempFolder dir;
    DurationCache cache;
    RecordingListing listing = listingOf(dir, 1);
    cache.fill(dir.path().string(), listing, probe);
    EXPECT_EQ(listing[0].duration, "");
    listing = listingOf(dir, 1);
    cache.fill(dir.path().string(), listing, probe);
    EXPECT_EQ(listing[0].duration, "00:00:02");
}
