#include "library/duration_cache.h"

#include "library/cache_text.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/thread_priority.h"
#include "platform/worker_thread.h"
#include "media/recording_length.h"

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>
#include <vector>

namespace library {

using media::DurationProbe;
using media::IsDurationText;
using media::RecordingLength;

namespace {

// Each probe is a short run of the encoder, mostly its start-up: a few at
// once keep the cores busy without crowding them.
constexpr unsigned kMaxParallelReads = 4;

// One entry a line: size, stamp, length, path (see cache_text.h).
constexpr std::string_view kFirstLine = "lengths 1\n";
constexpr std::uint64_t kMaxFileSize = 64u << 20;

} // namespace

using cache_text::escaped;
using cache_text::field;
using cache_text::unescaped;

DurationCache::DurationCache(std::string file) : file_(std::move(file)) { }

void DurationCache::load() const
{
    // On first use, so that whoever makes the cache does not wait for a disk.
    if (loaded_)
        return;
    loaded_ = true;
    cache_text::readLines(file_, kFirstLine, kMaxFileSize, [this](std::string_view line) {
        Entry entry;
        std::string path;
        if (!field(line, entry.size) || !field(line, entry.stamp) || line.size() < 9 || line[8] != '\t')
            return;
        entry.duration = std::string(line.substr(0, 8));
        if (IsDurationText(entry.duration) && unescaped(line.substr(9), path))
            known_[path] = std::move(entry);
    });
}

std::string DurationCache::find(const std::string& path, std::uint64_t size, std::int64_t stamp) const
{
    const std::lock_guard lock(mutex_);
    load();
    const auto found = known_.find(path);
    if (found == known_.end() || found->second.size != size || found->second.stamp != stamp)
        return {};
    return found->second.duration;
}

void DurationCache::remember(const std::string& path, std::uint64_t size, std::int64_t stamp,
                             const std::string& duration)
{
    if (!IsDurationText(duration))
        return;
    const std::lock_guard lock(mutex_);
    load();
    known_[path] = {size, stamp, duration};
    changed_ = true;
}

bool DurationCache::save()
{
    std::string text(kFirstLine);
    {
        const std::lock_guard lock(mutex_);
        if (file_.empty() || !changed_)
            return true;
        for (const auto& [path, entry] : known_)
            text += std::to_string(entry.size) + '\t' + std::to_string(entry.stamp) + '\t' + entry.duration + '\t'
                + escaped(path) + '\n';
        changed_ = false;
    }
    if (cache_text::write(file_, text))
        return true;
    const std::lock_guard lock(mutex_);
    changed_ = true;
    return false;
}

void DurationCache::forgetGone(const std::string& folder, const RecordingListing& listing)
{
    const std::string prefix = RecordingPath(folder, "");
    std::set<std::string_view> names;
    for (const VideoFileInfo& r : listing)
        names.insert(r.name);
    const std::lock_guard lock(mutex_);
    load();
    for (auto it = known_.begin(); it != known_.end();) {
        const std::string_view name = cache_text::nameIn(it->first, prefix);
        if (!name.empty() && names.count(name) == 0) {
            it = known_.erase(it);
            changed_ = true;
        } else {
            ++it;
        }
    }
}

std::vector<std::size_t> DurationCache::lookUp(const std::string& folder, RecordingListing& listing) const
{
    std::vector<std::size_t> missing;
    for (std::size_t i = 0; i < listing.size(); ++i) {
        VideoFileInfo& r = listing[i];
        r.duration = find(RecordingPath(folder, r.name), r.size, r.stamp);
        if (r.duration.empty())
            missing.push_back(i);
    }
    return missing;
}

void DurationCache::readMissing(const std::string& folder, RecordingListing& listing,
                                const std::vector<std::size_t>& missing, const DurationProbe& probe,
                                const LengthKnown& known, const std::atomic<bool>* stop)
{
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t at = next++; at < missing.size() && !(stop && *stop); at = next++) {
            VideoFileInfo& r = listing[missing[at]];
            const std::string path = RecordingPath(folder, r.name);
            r.duration = RecordingLength(path, probe);
            remember(path, r.size, r.stamp, r.duration);
            if (known)
                known(missing[at], r.duration);
        }
    };
    const unsigned workers = std::min<unsigned>(
        {kMaxParallelReads, std::max(1u, std::thread::hardware_concurrency()), static_cast<unsigned>(missing.size())});
    std::vector<std::jthread> threads;
    for (unsigned i = 1; i < workers; ++i)
        threads.push_back(platform::startWorker([&] {
            // Readers in the background never take the processor from the window.
            platform::lowerThisThreadPriority();
            work();
        }));
    work();
    for (std::jthread& t : threads)
        t.join();

    if (!(stop && *stop))
        forgetGone(folder, listing);
    save();
}

void DurationCache::fill(const std::string& folder, RecordingListing& listing, const DurationProbe& probe)
{
    readMissing(folder, listing, lookUp(folder, listing), probe);
}

std::string DefaultDurationCacheFile()
{
    const std::string folder = platform::userCacheFolder();
    if (folder.empty())
        return {};
    const char sep = platform::separator();
    return folder + sep + "VantreelScreenRecorder" + sep + "lengths";
}

} // namespace library
