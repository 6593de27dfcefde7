#pragma once
// A folder's recordings and their lengths, found on a thread of its own: the
// caller hears of the listing first, then of each length as it is read, and
// never waits for a disk, a probe or the thread. Qt-free.
#include "library/duration_cache.h"
#include "library/recordings_listing.h"
#include "media/recording_length.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace library {

class FolderScan {
public:
    // Made on the scan's thread, one after the other; a caller with an event
    // loop passes them on to its own thread. They may not call start() or
    // cancel().
    struct Callbacks {
        // Newest first, with the lengths the cache knew; `searched` is false,
        // with an empty listing, when the folder cannot be searched.
        std::function<void(const RecordingListing& listing, bool searched)> listed;
        // The record's index in that listing, newest first as reading starts.
        // Without it no length is read: the listing comes with what the cache
        // knew.
        std::function<void(std::size_t record, const std::string& duration)> lengthKnown;
        std::function<void()> finished;
    };

    // How long the destructor waits for a scan's thread to end.
    static constexpr int kJoinWithinMs = 3000;

    FolderScan(std::shared_ptr<DurationCache> cache, media::DurationProbe probe);
    // Stops every scan and joins its thread. A thread held longer than
    // kJoinWithinMs (a read stuck on a vanished network mount) is let go
    // instead, as joining it could hold the program's exit for minutes.
    ~FolderScan();
    FolderScan(const FolderScan&) = delete;
    FolderScan& operator=(const FolderScan&) = delete;

    // Scans `folder`, after cancelling the scan under way.
    void start(const std::string& folder, Callbacks callbacks);
    // No callback comes after this returns. It waits only for a callback
    // being made, never for the reading, which ends after the files under way.
    void cancel();

private:
    struct State;
    struct Run {
        std::shared_ptr<State> state;
        std::jthread thread;
    };
    void reapEnded();

    std::shared_ptr<DurationCache> cache_;
    media::DurationProbe probe_;
    std::vector<Run> runs_; // the current scan last; the others stopping
};

} // namespace library
