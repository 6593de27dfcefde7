#pragma once
// Lengths of recordings already probed, so that entering the merge page
// again probes only what is new or has changed. Qt-free; one thread at a
// time.
#include "library/recordings_listing.h"

#include <functional>
#include <map>
#include <string>
#include <tuple>

using DurationProbe = std::function<std::string(const std::string& path)>;

class DurationCache {
public:
    // Fills the duration of every record of `listing` (files of `folder`):
    // from the cache when the file's size and last-write time are as they
    // were, otherwise by `probe`, several at once. An empty answer is never
    // kept.
    void fill(const std::string& folder, RecordingListing& listing, const DurationProbe& probe);

private:
    // A file that changed, or one still being written, comes out as a new key.
    using Key = std::tuple<std::string, std::uint64_t, std::string>; // path, size, date
    std::map<Key, std::string> known_;
};
