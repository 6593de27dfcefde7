#include "library/duration_cache.h"

#include "platform/crash_handler.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

// Each probe is a short run of the encoder, mostly its start-up: a few at
// once keep the cores busy without crowding them.
constexpr unsigned kMaxParallelProbes = 4;

} // namespace

void DurationCache::fill(const std::string& folder, RecordingListing& listing, const DurationProbe& probe)
{
    std::vector<std::size_t> missing;
    for (std::size_t i = 0; i < listing.size(); ++i) {
        const VideoFileInfo& r = listing[i];
        const auto found = known_.find({RecordingPath(folder, r.name), r.size, r.date});
        if (found != known_.end())
            listing[i].duration = found->second;
        else
            missing.push_back(i);
    }

    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t at = next++; at < missing.size(); at = next++) {
            VideoFileInfo& r = listing[missing[at]];
            r.duration = probe(RecordingPath(folder, r.name));
        }
    };
    const unsigned workers =
        std::min<unsigned>({kMaxParallelProbes, std::max(1u, std::thread::hardware_concurrency()),
                            static_cast<unsigned>(missing.size())});
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < workers; ++i)
        threads.emplace_back([&] {
            const platform::ThreadCrashGuard crashGuard;
            work();
        });
    work();
    for (std::thread& t : threads)
        t.join();

    for (std::size_t i : missing) {
        const VideoFileInfo& r = listing[i];
        // No length may mean a probe that failed to start: ask again next time.
        if (!r.duration.empty())
            known_[{RecordingPath(folder, r.name), r.size, r.date}] = r.duration;
    }
}
