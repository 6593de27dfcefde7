#include "library/folder_scan.h"

#include "platform/crash_handler.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <utility>

struct FolderScan::State {
    std::mutex mutex;           // held while a callback is made
    bool cancelled = false;
    std::atomic<bool> stop{false};
    Callbacks callbacks;

    template <typename... Args, typename F>
    void tell(F Callbacks::*which, Args&&... args)
    {
        const std::lock_guard lock(mutex);
        if (!cancelled && callbacks.*which)
            (callbacks.*which)(std::forward<Args>(args)...);
    }
};

FolderScan::FolderScan(std::shared_ptr<DurationCache> cache, DurationProbe probe)
    : cache_(std::move(cache)), probe_(std::move(probe))
{
}

FolderScan::~FolderScan() { cancel(); }

void FolderScan::start(const std::string& folder, Callbacks callbacks)
{
    cancel();
    auto state = std::make_shared<State>();
    state->callbacks = std::move(callbacks);
    current_ = state;
    // Detached: a file on a vanished network mount may hold its reader for
    // minutes, and nobody waits for it. What it uses it holds itself.
    std::thread([state, folder, cache = cache_, probe = probe_] {
        const platform::ThreadCrashGuard crashGuard;
        RecordingListing listing;
        const bool searched = listRecordings(folder, listing);
        sortNewestFirst(listing);
        const std::vector<std::size_t> missing = cache->lookUp(folder, listing);
        state->tell(&Callbacks::listed, std::as_const(listing), searched);
        if (!state->stop)
            cache->readMissing(folder, listing, missing, probe,
                               [&](std::size_t record, const std::string& duration) {
                                   state->tell(&Callbacks::lengthKnown, record, duration);
                               },
                               &state->stop);
        state->tell(&Callbacks::finished);
    }).detach();
}

void FolderScan::cancel()
{
    const std::shared_ptr<State> state = std::move(current_);
    if (!state)
        return;
    state->stop = true;
    const std::lock_guard lock(state->mutex);
    state->cancelled = true;
}
