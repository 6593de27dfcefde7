#include "library/duration_cache.h"

#include <atomic>
#include <gtest/gtest.h>

namespace {

RecordingListing listingOf(int count)
{
    RecordingListing listing;
    for (int i = 0; i < count; ++i)
        listing.push_back({static_cast<std::uint64_t>(1000 + i), "", "2026-12-07  10:00:00", "r" + std::to_string(i) + ".mp4"});
    return listing;
}

} // namespace

TEST(DurationCache, ProbesEachNewFileOnceAndEachChangedFileAgain)
{
    std::atomic<int> probes{0};
    // The answer names the file it was asked about, so a mix-up between
    // records probed at the same time shows.
    const DurationProbe probe = [&](const std::string& path) {
        ++probes;
        return "len:" + path;
    };
    DurationCache cache;
    RecordingListing listing = listingOf(50);
    cache.fill("/rec", listing, probe);
    EXPECT_EQ(probes.load(), 50);
    for (const VideoFileInfo& r : listing)
        ASSERT_EQ(r.duration, "len:" + RecordingPath("/rec", r.name));

    RecordingListing again = listingOf(50);
    again[7].size += 1;                        // grew: still being written
    again[9].date = "2026-12-07  10:00:01";    // rewritten
    cache.fill("/rec", again, probe);
    EXPECT_EQ(probes.load(), 52);
    EXPECT_EQ(again[3].duration, "len:" + RecordingPath("/rec", "r3.mp4"));

    RecordingListing elsewhere = listingOf(2);
    cache.fill("/other", elsewhere, probe);
    EXPECT_EQ(probes.load(), 54);

    RecordingListing none;
    cache.fill("/rec", none, probe);
    EXPECT_EQ(probes.load(), 54);
}

TEST(DurationCache, AFailedProbeIsAskedAgain)
{
    int probes = 0;
    const DurationProbe probe = [&](const std::string&) { return ++probes == 1 ? "" : "00:00:02"; };
    DurationCache cache;
    RecordingListing listing = listingOf(1);
    cache.fill("/rec", listing, probe);
    EXPECT_EQ(listing[0].duration, "");
    listing = listingOf(1);
    cache.fill("/rec", listing, probe);
    EXPECT_EQ(listing[0].duration, "00:00:02");
}
