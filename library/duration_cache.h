#pragma once
// Lengths of recordings already read, keyed by path, size and last write, so
// that entering the merge page again, or after a restart, reads only what is
// new or has changed. Qt-free; safe on several threads.
#include "library/recordings_listing.h"
#include "media/mp4_duration.h"
#include "media/recording_length.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace library {

class DurationCache {
public:
    // Kept in memory only.
    DurationCache() = default;
    // Kept in `file` too: what it holds is read on first use; fill() writes
    // it back.
    explicit DurationCache(std::string file);

    // The length known for that file as it is now; empty when none is.
    std::string find(const std::string& path, std::uint64_t size, std::int64_t stamp) const;
    // Anything but a "HH:MM:SS" length (a failed read) is not kept, so the
    // file is read again next time.
    void remember(const std::string& path, std::uint64_t size, std::int64_t stamp, const std::string& duration);
    // Writes the file when anything changed since it was read or written.
    // False when it could not be written.
    bool save();

    // Fills the duration of every record of `listing` (files of `folder`):
    // from the cache when the file's size and last write are as they were,
    // otherwise by RecordingLength, several at once, in the listing's order.
    // What the cache held for files of `folder` that are gone is dropped, and
    // the file is saved.
    void fill(const std::string& folder, RecordingListing& listing, const media::DurationProbe& probe);

    // fill() in two steps, for a list shown before its lengths are known:
    // the known lengths, at once, with the records still to read...
    std::vector<std::size_t> lookUp(const std::string& folder, RecordingListing& listing) const;
    // ...then those read, in that order. `known` hears of each record as it
    // is read, on the reading threads; a set `stop` ends the reading after
    // the files under way, and the rest keep their empty length.
    using LengthKnown = std::function<void(std::size_t record, const std::string& duration)>;
    void readMissing(const std::string& folder, RecordingListing& listing, const std::vector<std::size_t>& missing,
                     const media::DurationProbe& probe, const LengthKnown& known = {},
                     const std::atomic<bool>* stop = nullptr);

private:
    struct Entry {
        std::uint64_t size = 0;
        std::int64_t stamp = 0;
        std::string duration;
    };
    void forgetGone(const std::string& folder, const RecordingListing& listing);
    void load() const; // with mutex_ held

    mutable std::mutex mutex_;
    std::string file_;
    mutable bool loaded_ = false;
    mutable std::unordered_map<std::string, Entry> known_; // by path
    bool changed_ = false;
};

// The cache's file in the user's cache folder; empty when there is none.
std::string DefaultDurationCacheFile();

} // namespace library
