// The job runner with stand-in jobs: no encoder, window or screen.
#include "editing/job_runner.h"

#include "encoder/runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

using editing::JobKind;
using editing::JobRunner;
using encoder::RunEnded;
using encoder::RunStopRequested;

namespace {

struct Report {
    int id, percent, status;
};

// Collects every report, from whichever thread sends it.
struct Reports {
    explicit Reports(JobRunner& runner)
    {
        QObject::connect(
            &runner, &JobRunner::progress, &runner,
            [this](int id, int, int percent, QString, QString, int status) {
                std::lock_guard lock(mutex);
                all.push_back({id, percent, status});
            },
            Qt::DirectConnection);
    }
    std::vector<Report> of(int id)
    {
        std::lock_guard lock(mutex);
        std::vector<Report> out;
        for (const Report& r : all)
            if (r.id == id)
                out.push_back(r);
        return out;
    }
    std::mutex mutex;
    std::vector<Report> all;
};

// A job that runs until it is stopped, then reports its end.
JobRunner::Work untilStopped(std::atomic<int>& ran)
{
    return [&ran](const JobRunner::Notify& notify, std::stop_token stop, std::string&) {
        ++ran;
        while (!stop.stop_requested())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        notify(100, "in", "out", RunStopRequested);
        return int(RunStopRequested);
    };
}

bool waitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 500 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

} // namespace

TEST(JobRunner, AJobAskedForWhileTheLastWindsDownWaitsAndAStopBeforeItRunsIsKept)
{
    JobRunner runner;
    Reports reports(runner);
    std::atomic<int> ran{0};
    const int first = runner.start(JobKind::Cut, untilStopped(ran));
    ASSERT_TRUE(waitFor([&] { return ran == 1; }));
    const int second = runner.start(JobKind::Merge, untilStopped(ran)); // returns at once: queued
    const int third = runner.start(JobKind::Merge, [](const JobRunner::Notify& notify, std::stop_token, std::string&) {
        notify(100, "a", "b", RunEnded);
        return int(RunEnded);
    });
    runner.stop(second); // before its worker ever looked at it
    EXPECT_TRUE(runner.busy());
    runner.stop(first);
    ASSERT_TRUE(runner.waitUntilIdle(5000));
    EXPECT_EQ(ran, 1) << "the stopped job ran";
    ASSERT_EQ(reports.of(second).size(), 1u);
    EXPECT_EQ(reports.of(second)[0].percent, 100);
    EXPECT_EQ(reports.of(second)[0].status, RunStopRequested);
    ASSERT_EQ(reports.of(third).size(), 1u);
    EXPECT_EQ(reports.of(third)[0].status, RunEnded);

    // An idle runner starts the next job on a new worker.
    const int fourth = runner.start(JobKind::Cut, untilStopped(ran));
    ASSERT_TRUE(waitFor([&] { return ran == 2; }));
    // Ended while the reports still listen: its last report would reach
    // them after they are gone (found by ThreadSanitizer).
    runner.stop(fourth);
    ASSERT_TRUE(runner.waitUntilIdle(5000));
}

TEST(JobRunner, ItsEndStopsEveryJobAndWaitsForThem)
{
    std::atomic<int> ran{0};
    {
        JobRunner runner;
        runner.start(JobKind::Cut, untilStopped(ran));
        runner.start(JobKind::Cut, untilStopped(ran));
    }
    EXPECT_LE(ran, 1);
}
