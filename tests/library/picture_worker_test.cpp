#include "library/picture_worker.h"

#include "../support/test_support.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <set>

using library::PictureCache;
using library::PictureKey;
using library::PictureKind;
using library::PictureMaker;
using library::PictureWorker;

using namespace testing_support;

// The encoder cannot be held mid-run on cue: a maker that waits for its
// release shows the order, the bound and the stop.
TEST(PictureWorker, RowsInViewFirstTwoRunsAtMostAndAStopEndsIt_FakeMakerHolds)
{
    TempFolder dir;
    auto cache = std::make_shared<PictureCache>(dir.file("pictures"));
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0, most = 0, told = 0;
    bool release = false, finished = false;
    std::vector<std::string> order;
    const PictureMaker make = [&](const std::string& source, const std::string& output, PictureKind,
                                  std::stop_token stop) {
        // A stop wakes the wait below, as it ends an encoder run.
        const std::stop_callback wake(stop, [&] {
            const std::lock_guard held(mutex);
            changed.notify_all();
        });
        std::unique_lock lock(mutex);
        order.push_back(source);
        most = std::max(most, ++running);
        changed.notify_all();
        changed.wait_for(lock, std::chrono::seconds(30), [&] { return release || stop.stop_requested(); });
        --running;
        changed.notify_all();
        writeFile(output, "png");
        return true;
    };
    std::vector<PictureKey> jobs;
    for (int i = 0; i < 20; ++i)
        jobs.push_back({"r" + std::to_string(i), 1, 1, PictureKind::Row});
    PictureWorker::Callbacks callbacks;
    callbacks.known = [&](std::size_t, const std::string&) {
        const std::lock_guard lock(mutex);
        ++told;
    };
    callbacks.finished = [&] {
        const std::lock_guard lock(mutex);
        finished = true;
        changed.notify_all();
    };
    {
        // One run at a time, so that the order the maker sees is the order
        // the rows were taken in (with two, either may reach the maker first).
        PictureWorker worker(cache, make, 1);
        worker.start(jobs, callbacks);
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(30), [&] { return running == 1; }));
        // Scrolled while the first runs. The worker's lock is never taken
        // under this test's: its callbacks take them the other way.
        lock.unlock();
        worker.prefer(10, 12);
        lock.lock();
        release = true;
        changed.notify_all();
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(30), [&] { return finished; }));
        EXPECT_EQ(told, 20);
        ASSERT_EQ(order.size(), 20u);
        EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + 5),
                  (std::vector<std::string>{"r0", "r10", "r11", "r12", "r1"}));
    }
    {
        // Anew, changed files, two runs at most: a stop drops the rest and
        // tells nothing more.
        PictureWorker worker(cache, make, 2);
        for (PictureKey& job : jobs)
            job.stamp = 2;
        std::unique_lock lock(mutex);
        release = false;
        told = 0;
        lock.unlock();
        worker.start(jobs, callbacks);
        lock.lock();
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(30), [&] { return running == 2; }));
        EXPECT_FALSE(changed.wait_for(lock, std::chrono::milliseconds(100), [&] { return running > 2; }));
        lock.unlock();
        worker.stop();
        lock.lock();
        EXPECT_EQ(told, 0);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(30), [&] { return running == 0; }));
        EXPECT_EQ(most, 2);
    }
    EXPECT_EQ(told, 0);
    EXPECT_EQ(order.size(), 22u) << "nothing pending was started after the stop";
    EXPECT_EQ(cache->find(jobs[0]), PictureCache::State::Unknown) << "a stopped run says nothing of its file";
}
