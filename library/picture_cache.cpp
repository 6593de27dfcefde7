#include "library/picture_cache.h"

#include "library/cache_text.h"
#include "library/recordings_listing.h"
#include "platform/files.h"
#include "platform/paths.h"

#include <cstdio>
#include <set>

namespace library {

namespace {

// One entry a line: kind, size, stamp, made ('p') or none ('n'), path.
constexpr std::string_view kFirstLine = "pictures 1\n";
constexpr std::uint64_t kMaxIndexSize = 64u << 20;

std::string mapKey(PictureKind kind, const std::string& path) { return static_cast<char>(kind) + path; }

// FNV-1a over the whole key: 64 bits name a picture among millions without
// a clash worth guarding against.
std::string hashName(PictureKind kind, const std::string& path, std::uint64_t size, std::int64_t stamp)
{
    std::uint64_t hash = 14695981039346656037ull;
    const auto add = [&](std::string_view bytes) {
        for (unsigned char c : bytes) {
            hash ^= c;
            hash *= 1099511628211ull;
        }
        hash ^= 0xff; // a field's end, so that fields cannot slide into each other
        hash *= 1099511628211ull;
    };
    add(std::string(1, static_cast<char>(kind)));
    add(std::to_string(size));
    add(std::to_string(stamp));
    add(path);
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.png", static_cast<unsigned long long>(hash));
    return name;
}

} // namespace

PictureCache::PictureCache(std::string folder) : folder_(std::move(folder)) { }

std::string PictureCache::pictureFile(const PictureKey& key) const
{
    return folder_ + platform::separator() + hashName(key.kind, key.path, key.size, key.stamp);
}

std::string DefaultPictureCacheFolder()
{
    const std::string folder = platform::userCacheFolder();
    if (folder.empty())
        return {};
    const char sep = platform::separator();
    return folder + sep + "VantreelScreenRecorder" + sep + "pictures";
}

std::string PictureCache::indexFile() const
{
    return folder_.empty() ? std::string() : folder_ + platform::separator() + "index";
}

bool PictureCache::makeFolder() { return !folder_.empty() && platform::makeFolderPath(folder_); }

void PictureCache::load() const
{
    if (loaded_)
        return;
    loaded_ = true;
    cache_text::readLines(indexFile(), kFirstLine, kMaxIndexSize, [this](std::string_view line) {
        if (line.size() < 2 || (line[0] != 'r' && line[0] != 's') || line[1] != '\t')
            return;
        const auto kind = static_cast<PictureKind>(line[0]);
        line.remove_prefix(2);
        Entry entry;
        std::string path;
        if (!cache_text::field(line, entry.size) || !cache_text::field(line, entry.stamp) || line.size() < 2
            || (line[0] != 'p' && line[0] != 'n') || line[1] != '\t')
            return;
        entry.made = line[0] == 'p';
        if (cache_text::unescaped(line.substr(2), path))
            known_[mapKey(kind, path)] = entry;
    });
}

PictureCache::State PictureCache::find(const PictureKey& key) const
{
    bool made = false;
    {
        const std::lock_guard lock(mutex_);
        load();
        const auto found = known_.find(mapKey(key.kind, key.path));
        if (found == known_.end() || found->second.size != key.size || found->second.stamp != key.stamp)
            return State::Unknown;
        made = found->second.made;
    }
    if (!made)
        return State::None;
    // Someone may have emptied the cache folder: the picture is made again.
    return platform::fileSize(pictureFile(key)) > 0 ? State::Made : State::Unknown;
}

void PictureCache::remember(const PictureKey& key, bool made)
{
    std::string stale;
    {
        const std::lock_guard lock(mutex_);
        load();
        Entry& entry = known_[mapKey(key.kind, key.path)];
        if (entry.made && (entry.size != key.size || entry.stamp != key.stamp))
            stale = hashName(key.kind, key.path, entry.size, entry.stamp);
        entry = {key.size, key.stamp, made};
        changed_ = true;
    }
    if (!stale.empty())
        platform::removeFile(folder_ + platform::separator() + stale);
}

void PictureCache::forgetGone(const std::string& folder, const std::vector<std::string>& names)
{
    const std::string prefix = RecordingPath(folder, "");
    const std::set<std::string_view> present(names.begin(), names.end());
    std::vector<std::string> stale;
    {
        const std::lock_guard lock(mutex_);
        load();
        for (auto it = known_.begin(); it != known_.end();) {
            const std::string_view path = std::string_view(it->first).substr(1);
            const std::string_view name = cache_text::nameIn(path, prefix);
            if (name.empty() || present.count(name) > 0) {
                ++it;
                continue;
            }
            if (it->second.made)
                stale.push_back(hashName(static_cast<PictureKind>(it->first[0]), std::string(path), it->second.size,
                                         it->second.stamp));
            it = known_.erase(it);
            changed_ = true;
        }
    }
    for (const std::string& name : stale)
        platform::removeFile(folder_ + platform::separator() + name);
}

bool PictureCache::save()
{
    const std::lock_guard writing(saveMutex_);
    std::string text(kFirstLine);
    {
        const std::lock_guard lock(mutex_);
        if (folder_.empty() || !changed_)
            return true;
        for (const auto& [kindAndPath, entry] : known_)
            text += kindAndPath.substr(0, 1) + '\t' + std::to_string(entry.size) + '\t' + std::to_string(entry.stamp)
                + '\t' + (entry.made ? 'p' : 'n') + '\t' + cache_text::escaped(kindAndPath.substr(1)) + '\n';
        changed_ = false;
    }
    if (cache_text::write(indexFile(), text))
        return true;
    const std::lock_guard lock(mutex_);
    changed_ = true;
    return false;
}

} // namespace library
