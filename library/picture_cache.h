#pragma once
// Pictures of recordings already made, and recordings that gave none, keyed
// by path, size, last write and kind of picture: a changed file gets a new
// picture, and one that gave none is not tried again until it changes. The
// pictures are PNG files in one folder of the user's cache folder, with an
// index beside them that is read on first use. Qt-free; safe on several
// threads.
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace library {

enum class PictureKind : char { Row = 'r', Strip = 's' };

struct PictureKey {
    std::string path;
    std::uint64_t size = 0;
    std::int64_t stamp = 0;
    PictureKind kind = PictureKind::Row;
};

class PictureCache {
public:
    enum class State { Unknown, Made, None };

    // `folder` holds the pictures and the index. Empty: nothing can be kept,
    // and makeFolder() fails.
    explicit PictureCache(std::string folder);

    // Made only while the picture's file is still there.
    State find(const PictureKey& key) const;
    // Where the picture of `key` is written: named after the whole key, so
    // that a changed file's picture never overwrites the one still shown.
    std::string pictureFile(const PictureKey& key) const;
    // Makes the folder, before the first picture is written into it.
    bool makeFolder();
    // What making the picture gave. The picture of an earlier state of the
    // same file goes, file and all.
    void remember(const PictureKey& key, bool made);
    // Drops what is kept for files directly in `folder` whose names are not
    // among `names` (the folder's whole listing), pictures and all.
    void forgetGone(const std::string& folder, const std::vector<std::string>& names);
    // Writes the index when anything changed since it was read or written.
    bool save();

private:
    struct Entry {
        std::uint64_t size = 0;
        std::int64_t stamp = 0;
        bool made = false;
    };
    void load() const; // with mutex_ held
    std::string indexFile() const; // empty when nothing is kept

    std::mutex saveMutex_;     // one writer of the index at a time
    mutable std::mutex mutex_; // guards everything below
    std::string folder_;
    mutable bool loaded_ = false;
    mutable std::unordered_map<std::string, Entry> known_; // by kind and path
    bool changed_ = false;
};

// The pictures' folder in the user's cache folder; empty when there is none.
std::string DefaultPictureCacheFolder();

} // namespace library
