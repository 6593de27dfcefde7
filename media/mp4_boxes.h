#pragma once
// The boxes an MP4 is made of, walked within one set of bounds that hold
// whatever a file holds: every reader of MP4 boxes here goes through this
// one, so that no reader can miss a bound. Qt-free.
#include "media/file_reader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace media {

constexpr std::uint32_t Mp4Tag(const char (&t)[5])
{
    return (std::uint32_t(std::uint8_t(t[0])) << 24) | (std::uint32_t(std::uint8_t(t[1])) << 16)
        | (std::uint32_t(std::uint8_t(t[2])) << 8) | std::uint32_t(std::uint8_t(t[3]));
}

inline std::uint32_t Mp4Be32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

inline std::uint64_t Mp4Be64(const std::uint8_t* p) { return (std::uint64_t(Mp4Be32(p)) << 32) | Mp4Be32(p + 4); }

// The files come from anywhere, so every count, size and sum is bounded. A
// file past any bound is read as one the readers do not understand; each
// bound is far above what a real recording needs, and together they keep a
// file to well under a second and a bounded amount of memory.
struct Mp4Limits {
    // Top level: a plain file is ftyp, moov and mdat; a fragmented one a moof
    // and an mdat per fragment, so this holds 50,000 fragments: almost
    // fourteen hours of one-second ones. Each costs one small read; a longer
    // fragmented file gets its length from the probe.
    static constexpr std::uint32_t kTopLevelBoxes = 100000;
    // Inside one box: a movie box holds its header and one box per track
    // beside a few others, a track or a table a handful.
    static constexpr std::uint32_t kChildBoxes = 1024;
    // All boxes looked at in a file: the top level and the dozen inside each
    // fragment's header, or the few dozen inside a movie box.
    static constexpr std::uint32_t kBoxes = 4000000;
    // The readers descend moov/trak/mdia/minf/stbl and moof/traf, six levels;
    // real files nest about eight deep where they do not look.
    static constexpr int kDepth = 8;
    // A recording has a picture and a sound track; other writers add a few
    // (subtitles, chapters, time codes).
    static constexpr std::size_t kTracks = 64;
    // Every byte read from the file, a movie box read whole included: a
    // ten-hour recording's movie box is about 10 MB, and its fragment headers
    // when fragmented about 20 MB.
    static constexpr std::uint64_t kBytesRead = 256u << 20;
};

struct Mp4Box {
    std::uint32_t type = 0;
    std::uint64_t start = 0; // its header
    std::uint64_t body = 0;  // its content, after a 64-bit size or a uuid's own type
    std::uint64_t end = 0;   // one past its last byte, as its header claims
    int depth = 0;           // 0 at the top of the file
};

// Walks the boxes of `size` bytes that `readAt` reads as a file would (the
// count read at an offset, fewer at the end, -1 on failure), and of boxes it
// has read whole, counting what each costs against Mp4Limits. Every walk
// answers false when a box is nonsense, a bound is passed or `visit` answers
// false; bytes too few for a box header at the end of a box are left, as the
// encoder leaves them.
class Mp4BoxWalker {
public:
    Mp4BoxWalker(std::uint64_t size, const ReadAt& readAt) : size_(size), readAt_(readAt) { }

    std::uint64_t fileSize() const { return size_; }

    // Each box at the top of the file. One that runs past the file's end is
    // the last one visited: `visit` judges whether a file cut off there will do.
    template <typename Visit>
    bool top(Visit visit)
    {
        return walk(Cursor{0, size_, 0, Mp4Limits::kTopLevelBoxes, true}, {}, visit);
    }

    // Each box inside `parent`, which lies in the file.
    template <typename Visit>
    bool children(const Mp4Box& parent, Visit visit)
    {
        return parent.depth + 1 < Mp4Limits::kDepth && walk(inside(parent), {}, visit);
    }

    // Each box inside `parent`, which lies in `bytes` with offsets counted
    // from their start (see Loaded).
    template <typename Visit>
    bool children(std::string_view bytes, const Mp4Box& parent, Visit visit)
    {
        return parent.depth + 1 < Mp4Limits::kDepth && parent.end <= bytes.size() && walk(inside(parent), bytes, visit);
    }

    // `count` bytes at `at` of the file.
    bool read(std::uint64_t at, void* buffer, std::size_t count);
    // The whole box, header included, when it lies in the file and its
    // content holds at most `maxBody` bytes.
    bool load(const Mp4Box& box, std::uint64_t maxBody, std::string& bytes);
    // `box` as it lies in the bytes `load` gave: offsets from its start.
    static Mp4Box Loaded(const Mp4Box& box);

private:
    struct Cursor {
        std::uint64_t at = 0;
        std::uint64_t limit = 0;
        int depth = 0;
        std::uint32_t most = 0; // boxes it may hold
        bool top = false;       // its last box may run past `limit`
        std::uint32_t count = 0;
        bool failed = false;
    };

    static Cursor inside(const Mp4Box& parent)
    {
        return Cursor{parent.body, parent.end, parent.depth + 1, Mp4Limits::kChildBoxes, false};
    }

    template <typename Visit>
    bool walk(Cursor cursor, std::string_view bytes, Visit& visit)
    {
        Mp4Box box;
        while (next(cursor, bytes, box))
            if (!visit(box))
                return false;
        return !cursor.failed;
    }

    // The box at the cursor, from `bytes`, or from the file when they point
    // nowhere; false at the end or on failure, which the cursor then says.
    bool next(Cursor& cursor, std::string_view bytes, Mp4Box& box);
    bool fetch(std::string_view bytes, std::uint64_t at, std::uint8_t* buffer, std::size_t count);

    const std::uint64_t size_;
    const ReadAt& readAt_;
    std::uint64_t bytesRead_ = 0;
    std::uint32_t boxes_ = 0;
};

} // namespace media
