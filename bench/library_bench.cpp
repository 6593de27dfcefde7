// A folder of many recordings below the window: how long listing a folder
// takes, and until every length is known, on a first visit, a second one and
// after a restart; beside the same for one probe process per file.
//   build/bench/library_bench [--full-probe] [COUNT...]     (default 100 1000 10000)
// Without --full-probe, the probe of folders over 200 files is timed on
// their first 200 and scaled.
#include "encoder/runner.h"
#include "editing/stream_ops.h"
#include "encoder/tool.h"
#include "library/duration_cache.h"
#include "library/folder_scan.h"
#include "media/mp4_duration.h"
#include "library/recordings_listing.h"
#include "platform/command_line.h"
#include "seed_recordings.h"
#include "media/recording_length.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using encoder::EnsureToolFolder;
using media::ProbeDuration;
using library::DurationCache;
using library::FolderScan;
using library::listRecordings;
using library::RecordingListing;
using library::sortNewestFirst;
using library::VideoFileInfo;
using media::RecordingLength;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Visit {
    double shown = 0, all = 0, callerWaits = 0;
    std::size_t known = 0;
};

Visit visit(FolderScan& scan, const std::string& folder)
{
    Visit v;
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false;
    const auto start = Clock::now();
    scan.start(folder,
               {[&](const RecordingListing& listing, bool) {
                    v.shown = msSince(start);
                    for (const VideoFileInfo& r : listing)
                        v.known += !r.duration.empty();
                },
                [&](std::size_t, const std::string& duration) { v.known += !duration.empty(); },
                [&] {
                    const std::lock_guard lock(mutex);
                    finished = true;
                    ended.notify_all();
                }});
    v.callerWaits = msSince(start);
    std::unique_lock lock(mutex);
    ended.wait(lock, [&] { return finished; });
    v.all = msSince(start);
    return v;
}

// Each figure the median of its own; the callers' waits the longest.
Visit median(std::vector<Visit> runs)
{
    Visit m;
    auto middle = [&](double Visit::*figure) {
        std::sort(runs.begin(), runs.end(), [&](const Visit& a, const Visit& b) { return a.*figure < b.*figure; });
        return runs[runs.size() / 2].*figure;
    };
    m.shown = middle(&Visit::shown);
    m.all = middle(&Visit::all);
    m.known = runs.front().known;
    for (const Visit& v : runs) {
        m.callerWaits = std::max(m.callerWaits, v.callerWaits);
        m.known = std::min(m.known, v.known);
    }
    return m;
}

RecordingListing listNewestFirst(const std::string& folder)
{
    RecordingListing listing;
    listRecordings(folder, listing);
    sortNewestFirst(listing);
    return listing;
}

} // namespace

int main(int argc, char** argv)
{
    bool fullProbe = false;
    for (int i = 1; i < argc; ++i)
        fullProbe = fullProbe || std::string(argv[i]) == "--full-probe";
    const std::vector<int> counts = FolderSizes(argc, argv, {100, 1000, 10000});

    EnsureToolFolder();
    // A few real recordings, shaped as the recorder writes them, and one
    // fragmented.
    const auto [root, seeds] = MakeSeededFolder("vtr-library-bench", "1500K");
    if (seeds.empty())
        return std::fprintf(stderr, "ffmpeg failed\n"), 1;

    std::printf("One length, mean of the seeds' (%zu files):\n", seeds.size());
    double boxesMs = 0, probeMs = 0;
    int agree = 0;
    for (const fs::path& seed : seeds) {
        constexpr int kRounds = 20;
        const auto a = Clock::now();
        std::string fromBoxes;
        for (int i = 0; i < kRounds; ++i)
            fromBoxes = RecordingLength(seed.string(), [](const std::string&) { return std::string(); });
        boxesMs += msSince(a) / kRounds;
        const auto b = Clock::now();
        const std::string probed = ProbeDuration(seed.string());
        probeMs += msSince(b);
        agree += fromBoxes == probed && !probed.empty();
    }
    boxesMs /= static_cast<double>(seeds.size());
    probeMs /= static_cast<double>(seeds.size());
    std::printf("  from the boxes %.3f ms, probe process %.1f ms: %.0fx; boxes equal the probe on %d of %zu\n\n",
                boxesMs, probeMs, probeMs / boxesMs, agree, seeds.size());

    std::printf("%7s | %-26s | %-26s | %-9s | %-30s\n", "files", "list shown", "all lengths known", "caller",
                "probe per file: list and lengths");
    std::printf("%7s | %8s %8s %8s | %8s %8s %8s | %9s | %10s %8s %10s\n", "", "first", "second", "restart", "first",
                "second", "restart", "waits", "first", "second", "restart");
    for (int count : counts) {
        const fs::path folder = FillRecordingFolder(root / std::to_string(count), seeds, count);
        const std::string dir = folder.string();
        const std::string cacheFile = (root / ("lengths-" + std::to_string(count))).string();

        // Through the scan, as the window uses it: first visit, second visit
        // in the same run, and after a restart (the cache read back from its
        // file on the scan's thread). Each the median of three.
        Visit visits[3];
        std::vector<Visit> runs[3];
        for (int round = 0; round < 3; ++round) {
            fs::remove(cacheFile);
            {
                FolderScan scan(std::make_shared<DurationCache>(cacheFile), ProbeDuration);
                runs[0].push_back(visit(scan, dir));
                runs[1].push_back(visit(scan, dir));
            }
            FolderScan scan(std::make_shared<DurationCache>(cacheFile), ProbeDuration);
            runs[2].push_back(visit(scan, dir));
        }
        for (int kind = 0; kind < 3; ++kind)
            visits[kind] = median(runs[kind]);
        double callerWaits = 0;
        for (const Visit& v : visits) {
            callerWaits = std::max(callerWaits, v.callerWaits);
            if (v.known != static_cast<std::size_t>(count))
                std::fprintf(stderr, "only %zu of %d lengths known\n", v.known, count);
        }

        // The probe per file: every first visit and every restart probes it
        // all; a second visit in the same run had its lengths in memory.
        const std::size_t probed =
            fullProbe ? static_cast<std::size_t>(count) : std::min<std::size_t>(static_cast<std::size_t>(count), 200);
        RecordingListing listing = listNewestFirst(dir);
        const auto t = Clock::now();
        ProbeEachFile(dir, listing, probed);
        const double probeAllMs = msSince(t) * static_cast<double>(count) / static_cast<double>(probed);
        const auto t2 = Clock::now();
        listing = listNewestFirst(dir);
        const double relistMs = msSince(t2);

        const char* scaled = probed < listing.size() ? "*" : " ";
        std::printf("%7d | %8.1f %8.1f %8.1f | %8.1f %8.1f %8.1f | %9.3f | %9.0f%s %8.1f %9.0f%s\n", count,
                    visits[0].shown, visits[1].shown, visits[2].shown, visits[0].all, visits[1].all, visits[2].all,
                    callerWaits, probeAllMs, scaled, relistMs, probeAllMs, scaled);
        std::fflush(stdout);
    }
    std::printf("\nms on this machine, medians of three. 'caller waits': the longest a call to start the scan\n"
                "kept its caller.\n"
                "The probe per file shows its list only once every length is known (and its second visit\n"
                "only in the same run). * scaled from the first 200 files (--full-probe for all).\n");
    fs::remove_all(root);
    return 0;
}
