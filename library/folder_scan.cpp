#include "library/folder_scan.h"

#include "platform/thread_priority.h"
#include "platform/worker_thread.h"
#include "media/recording_length.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace library {

using media::DurationProbe;

struct FolderScan::State {
    std::mutex mutex; // held while a callback is made
    bool cancelled = false;
    bool ended = false; // the thread has nothing left to do
    std::condition_variable endedChanged;
    std::atomic<bool> stop{false};
    Callbacks callbacks;

    template <typename... Args, typename F>
    void tell(F Callbacks::*which, Args&&... args)
    {
        const std::lock_guard lock(mutex);
        if (!cancelled && callbacks.*which)
            (callbacks.*which)(std::forward<Args>(args)...);
    }
    void cancel()
    {
        stop = true;
        const std::lock_guard lock(mutex);
        cancelled = true;
    }
};

FolderScan::FolderScan(std::shared_ptr<DurationCache> cache, DurationProbe probe)
    : cache_(std::move(cache)), probe_(std::move(probe))
{
}

FolderScan::~FolderScan()
{
    for (Run& run : runs_)
        run.state->cancel();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kJoinWithinMs);
    for (Run& run : runs_) {
        bool ended;
        {
            std::unique_lock lock(run.state->mutex);
            ended = run.state->endedChanged.wait_until(lock, until, [&] { return run.state->ended; });
        }
        if (ended)
            run.thread.join();
        else
            run.thread.detach(); // it holds what it uses itself
    }
}

void FolderScan::start(const std::string& folder, Callbacks callbacks)
{
    cancel();
    reapEnded();
    auto state = std::make_shared<State>();
    state->callbacks = std::move(callbacks);
    const bool readLengths = static_cast<bool>(state->callbacks.lengthKnown);
    std::jthread thread = platform::startWorker([state, folder, readLengths, cache = cache_, probe = probe_] {
        RecordingListing listing;
        const bool searched = listRecordings(folder, listing);
        sortNewestFirst(listing);
        const std::vector<std::size_t> missing = cache->lookUp(folder, listing);
        state->tell(&Callbacks::listed, std::as_const(listing), searched);
        // The listing is wanted at once; the reading behind it must never
        // take the processor from the window.
        platform::lowerThisThreadPriority();
        if (readLengths && !state->stop)
            cache->readMissing(
                folder, listing, missing, probe,
                [&](std::size_t record, const std::string& duration) {
                    state->tell(&Callbacks::lengthKnown, record, duration);
                },
                &state->stop);
        state->tell(&Callbacks::finished);
        const std::lock_guard lock(state->mutex);
        state->ended = true;
        state->endedChanged.notify_all();
    });
    runs_.push_back({std::move(state), std::move(thread)});
}

void FolderScan::cancel()
{
    if (!runs_.empty())
        runs_.back().state->cancel();
}

void FolderScan::reapEnded()
{
    const auto ended = [](Run& run) {
        const std::lock_guard lock(run.state->mutex);
        return run.state->ended;
    };
    for (auto it = runs_.begin(); it != runs_.end();) {
        if (ended(*it)) {
            it->thread.join();
            it = runs_.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace library
