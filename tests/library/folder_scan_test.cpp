#include "library/folder_scan.h"

#include "editing/stream_ops.h"
#include "encoder/tool.h"

#include "../support/test_support.h"
#include "media/recording_length.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using encoder::EnsureToolFolder;
using media::ProbeDuration;
using library::DurationCache;
using library::FolderScan;
using library::RecordingListing;
using library::VideoFileInfo;
using media::DurationProbe;

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
        return changed.wait_for(lock, std::chrono::seconds(60),
                                [&] { return !events.empty() && events.back() == event; });
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
struct HungProbe {
    std::mutex gate;
    std::condition_variable opened;
    bool entered = false, released = false;

    DurationProbe probe()
    {
        return [this](const std::string&) {
            std::unique_lock lock(gate);
            entered = true;
            opened.notify_all();
            opened.wait(lock, [&] { return released; });
            return std::string("00:00:05");
        };
    }
    bool waitEntered()
    {
        std::unique_lock lock(gate);
        return opened.wait_for(lock, std::chrono::seconds(60), [&] { return entered; });
    }
    void release()
    {
        {
            const std::lock_guard lock(gate);
            released = true;
        }
        opened.notify_all();
    }
};

TEST(FolderScan, CancelNeverWaitsForAHungReadAndTheEndJoinsTheThread_FakeProbeHangs)
{
    TempFolder dir;
    for (const char* name : {"a.mp4", "b.mp4", "c.mp4"})
        writeFile(dir.file(name), "no recording");
    HungProbe hung;
    const std::string cacheFile = dir.file("lengths");
    auto scan = std::make_unique<FolderScan>(std::make_shared<DurationCache>(cacheFile), hung.probe());
    Heard heard;
    scan->start(dir.path().string(), heard.callbacks());
    ASSERT_TRUE(hung.waitEntered());
    scan->cancel(); // a wait here would never end: the probe holds
    EXPECT_EQ(heard.events.size(), 1u) << "only the listing";
    hung.release();
    // The released reads run out, what they learnt is saved, and the thread
    // is joined before the scan is gone.
    scan.reset();
    EXPECT_TRUE(fs::exists(cacheFile));
    EXPECT_EQ(heard.events.size(), 1u);
}

TEST(FolderScan, TheEndLetsGoOfAReadHeldPastItsBound_FakeProbeHangs)
{
    TempFolder dir;
    writeFile(dir.file("a.mp4"), "no recording");
    // The thread let go outlives this test: it holds the probe itself.
    auto hung = std::make_shared<HungProbe>();
    const DurationProbe probe = [hung](const std::string& path) { return hung->probe()(path); };
    auto scan = std::make_unique<FolderScan>(std::make_shared<DurationCache>(), probe);
    Heard heard;
    scan->start(dir.path().string(), heard.callbacks());
    ASSERT_TRUE(hung->waitEntered());
    const auto start = std::chrono::steady_clock::now();
    scan.reset();
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, std::chrono::milliseconds(FolderScan::kJoinWithinMs + 5000));
    hung->release();
    // The thread let go ends on its own, silenced.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(heard.events.size(), 1u);
}

TEST(FolderScan, WithoutALengthCallbackNothingIsRead)
{
    TempFolder dir;
    writeFile(dir.file("a.mp4"), "no recording");
    int probed = 0;
    FolderScan scan(std::make_shared<DurationCache>(), [&](const std::string&) { return ++probed, std::string(); });
    Heard heard;
    FolderScan::Callbacks callbacks = heard.callbacks();
    callbacks.lengthKnown = nullptr;
    scan.start(dir.path().string(), callbacks);
    ASSERT_TRUE(heard.waitFor("finished"));
    EXPECT_EQ(heard.events.front(), "listed:a.mp4=;");
    EXPECT_EQ(probed, 0);
}
