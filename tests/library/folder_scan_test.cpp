#include "library/folder_scan.h"

#include "encoder/stream_ops.h"
#include "encoder/tool.h"

#include "../support/test_support.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

// What the scan's thread told, in order.
struct Heard {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> events;

    FolderScan::Callbacks callbacks()
    {
        return {[this](const RecordingListing& listing, bool searched) {
                    std::string names = searched ? "listed:" : "unsearchable:";
                    for (const VideoFileInfo& r : listing)
                        names += r.name + "=" + r.duration + ";";
                    add(names);
                },
                [this](std::size_t record, const std::string& duration) {
                    add("length:" + std::to_string(record) + "=" + duration);
                },
                [this] { add("finished"); }};
    }
    void add(const std::string& event)
    {
        const std::lock_guard lock(mutex);
        events.push_back(event);
        changed.notify_all();
    }
    bool waitFor(const std::string& event)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(60), [&] {
            return !events.empty() && events.back() == event;
        });
    }
};

void setAge(const fs::path& path, int secondsAgo)
{
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::seconds(secondsAgo));
}

} // namespace

TEST(FolderScan, TellsTheListingFirstThenEachLengthThenTheEnd)
{
    EnsureToolFolder();
    TempFolder dir;
    ASSERT_EQ(makeRecording(dir.file("old.mp4"), 1), "");
    setAge(dir.path() / "old.mp4", 100);
    writeFile(dir.file("new.mp4"), "no recording");
    auto cache = std::make_shared<DurationCache>();
    FolderScan scan(cache, ProbeDuration);

    Heard heard;
    scan.start(dir.path().string(), heard.callbacks());
    ASSERT_TRUE(heard.waitFor("finished"));
    EXPECT_EQ(heard.events.front(), "listed:new.mp4=;old.mp4=;");
    EXPECT_EQ(heard.events.size(), 4u);
    EXPECT_NE(std::find(heard.events.begin(), heard.events.end(), "length:1=00:00:01"), heard.events.end());

    // Again: the cache knew it, so it comes with the listing.
    Heard again;
    scan.start(dir.path().string(), again.callbacks());
    ASSERT_TRUE(again.waitFor("finished"));
    EXPECT_EQ(again.events.front(), "listed:new.mp4=;old.mp4=00:00:01;");

    Heard missing;
    scan.start(dir.file("missing"), missing.callbacks());
    ASSERT_TRUE(missing.waitFor("finished"));
    EXPECT_EQ(missing.events.front(), "unsearchable:");
}

// A probe that hangs until released stands in for a file on a network mount
// that stopped answering, which cannot be had here on demand.
TEST(FolderScan, CancelNeverWaitsForAHungReadAndSilencesTheScan_FakeProbeHangs)
{
    TempFolder dir;
    for (const char* name : {"a.mp4", "b.mp4", "c.mp4"})
        writeFile(dir.file(name), "no recording");

    std::mutex gate;
    std::condition_variable opened;
    bool entered = false, released = false;
    const DurationProbe hangs = [&](const std::string&) {
        std::unique_lock lock(gate);
        entered = true;
        opened.notify_all();
        opened.wait(lock, [&] { return released; });
        return std::string("00:00:05");
    };
    const std::string cacheFile = dir.file("lengths");
    auto cache = std::make_shared<DurationCache>(cacheFile);
    auto scan = std::make_unique<FolderScan>(cache, hangs);
    Heard heard;
    scan->start(dir.path().string(), heard.callbacks());
    {
        std::unique_lock lock(gate);
        ASSERT_TRUE(opened.wait_for(lock, std::chrono::seconds(60), [&] { return entered; }));
    }
    scan->cancel(); // a wait here would never end: the probe holds
    scan.reset();
    const std::size_t told = heard.events.size();
    EXPECT_EQ(told, 1u) << "only the listing";
    {
        const std::lock_guard lock(gate);
        released = true;
    }
    opened.notify_all();
    // The released reads run out on their own, and what they learnt is saved.
    for (int i = 0; i < 600 && !fs::exists(cacheFile); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(fs::exists(cacheFile));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(heard.events.size(), told);
}
