// One file: the bounded box walk, its limits and the two answers made from
// it (the length, the tracks) share one reader whose every count and size is
// checked against the same bounds; split, a bound could be missed in one.
#include "media/mp4_duration.h"

#include "media/file_reader.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

namespace media {

namespace {

constexpr std::uint32_t tag(const char (&t)[5])
{
    return (std::uint32_t(std::uint8_t(t[0])) << 24) | (std::uint32_t(std::uint8_t(t[1])) << 16)
        | (std::uint32_t(std::uint8_t(t[2])) << 8) | std::uint32_t(std::uint8_t(t[3]));
}

// The files come from anywhere, so every count, size and sum is bounded. A
// file past any bound gets no length from its boxes and goes to the probe,
// as an unknown file does; each bound is far above what a real recording
// needs, and together they keep a file to well under a second and a few MB.
//
// Top level: a recording is ftyp, moov and mdat, or a moof and an mdat per
// fragment. Ten hours of one-second fragments are 72,000 boxes; this allows
// two days of them. Each costs one small read.
constexpr std::uint32_t kMaxTopLevelBoxes = 400000;
// Inside one box: a movie box holds its header and one box per track beside
// a few others, a track or a fragment a handful.
constexpr std::uint32_t kMaxChildBoxes = 1024;
// All boxes looked at in a file: the top level and the dozen inside each
// fragment's header, about ten times the top level.
constexpr std::uint32_t kMaxBoxes = 4000000;
// The reader descends only moov/trak/mdia/minf/stbl and moof/traf, six levels; real
// files nest about eight deep where it does not look.
constexpr int kMaxDepth = 8;
// A recording has a picture and a sound track; other writers add a few
// (subtitles, chapters, time codes). Each costs a map entry.
constexpr std::size_t kMaxTracks = 64;
// The headers read into memory: a movie or media header is about 100 bytes;
// a fragment's header about 16 bytes a sample, so a megabyte holds over ten
// minutes of 60 pictures a second in one fragment.
constexpr std::uint64_t kMaxSmallBox = 1u << 16;
constexpr std::uint64_t kMaxFragmentHeader = 1u << 20;
// Ten hours of one-second fragments read about 20 MB of fragment headers
// (about 560 bytes each at 61 pictures a second with sound); this is over
// ten times that.
constexpr std::uint64_t kMaxBytesRead = 256u << 20;
// No recording runs for ten years; longer lengths are nonsense, and keep
// every sum of microseconds far from overflowing.
constexpr std::uint64_t kLongestSeconds = 10ull * 366 * 24 * 3600;

std::uint32_t be32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

std::uint64_t be64(const std::uint8_t* p) { return (std::uint64_t(be32(p)) << 32) | be32(p + 4); }

// units / timescale in microseconds, rounded to nearest; empty past the
// longest length.
std::optional<std::int64_t> microseconds(std::uint64_t units, std::uint32_t timescale)
{
    if (timescale == 0 || units / timescale > kLongestSeconds)
        return std::nullopt;
    const std::uint64_t rest = units % timescale; // below 2^32, so rest * 10^6 fits
    return static_cast<std::int64_t>(units / timescale * 1000000 + (rest * 1000000 + timescale / 2) / timescale);
}

bool add(std::uint64_t& sum, std::uint64_t value)
{
    if (value > UINT64_MAX - sum)
        return false;
    sum += value;
    return true;
}

struct Box {
    std::uint32_t type = 0;
    std::uint64_t body = 0; // offset of the content
    std::uint64_t end = 0;  // one past the last byte, as the header claims
};

// Bytes of a box held in memory, and a part of them.
struct View {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    bool has(std::size_t at, std::size_t n) const { return at <= size && n <= size - at; }
};

struct Track {
    std::uint32_t timescale = 0;
    std::uint64_t mediaDuration = 0; // samples held in the movie box itself
    std::uint32_t defaultSampleDuration = 0;
    std::optional<std::uint64_t> firstFragmentStart;
    std::int64_t firstShown = 0; // the first sample's composition offset: where its pictures start
    std::uint64_t end = 0;       // in the track's time scale
    bool fragmented = false;
    std::uint32_t handler = 0; // what the track holds: 'vide', 'soun', ...
    std::uint32_t format = 0;  // its first sample description: 'avc1', 'mp4a', ...
};

class Mp4Reader {
public:
    Mp4Reader(std::uint64_t size, const Mp4ReadAt& readAt) : size_(size), readAt_(readAt) { }

    std::int64_t length()
    {
        if (size_ < 8)
            return kFileUnreadable;
        if (!walkTop() || !sawMovie_)
            return kBoxesDoNotTell;
        if (!fragmented_)
            return movieDuration_ > 0 ? microseconds(movieDuration_, movieTimescale_).value_or(kBoxesDoNotTell)
                                      : kBoxesDoNotTell;
        return fragmentedLength();
    }

    Mp4Tracks tracks()
    {
        Mp4Tracks answer;
        if (size_ < 8 || !walkTop() || !sawMovie_ || fragmented_ || sawFragment_)
            return answer;
        int pictures = 0, sounds = 0, others = 0;
        // By track id, which the encoder gives in the order it writes them.
        for (const auto& [id, track] : tracks_) {
            if (track.handler == tag("vide") && track.format == tag("avc1"))
                ++pictures;
            else if (track.handler == tag("soun") && track.format == tag("mp4a"))
                ++sounds;
            else
                ++others;
            if (track.handler == tag("vide") && !answer.video) {
                const auto length = microseconds(track.mediaDuration, track.timescale);
                if (!length)
                    return {};
                answer.video = true;
                answer.videoMicroseconds = *length;
            }
            if (track.handler == tag("soun") && !answer.sound) {
                answer.sound = true;
                answer.soundTimescale = track.timescale;
                answer.soundUnits = track.mediaDuration;
            }
        }
        answer.recorderTracks = pictures == 1 && sounds <= 1 && others == 0;
        answer.readable = true;
        return answer;
    }

private:
    bool read(std::uint64_t at, void* buffer, std::size_t count)
    {
        if (count == 0)
            return true; // an empty box has no bytes, and maybe no buffer
        if (count > kMaxBytesRead - bytesRead_)
            return false;
        bytesRead_ += count;
        return readAt_(at, buffer, count) == static_cast<long long>(count);
    }

    bool countBox() { return ++boxes_ <= kMaxBoxes; }

    // Reads a box header at `at`, inside `limit`; false on nonsense.
    bool header(std::uint64_t at, std::uint64_t limit, Box& box)
    {
        std::uint8_t h[16];
        if (at > limit || limit - at < 8 || !countBox() || !read(at, h, 8))
            return false;
        std::uint64_t size = be32(h);
        box.type = be32(h + 4);
        std::uint64_t headerSize = 8;
        if (size == 1) {
            if (limit - at < 16 || !read(at + 8, h + 8, 8))
                return false;
            size = be64(h + 8);
            headerSize = 16;
        } else if (size == 0) {
            size = limit - at; // to the end of what holds it
        }
        if (size < headerSize)
            return false;
        box.body = at + headerSize;
        box.end = size > UINT64_MAX - at ? UINT64_MAX : at + size;
        return true;
    }

    bool load(const Box& box, std::uint64_t max, std::vector<std::uint8_t>& bytes)
    {
        if (box.end > size_ || box.end - box.body > max)
            return false;
        bytes.resize(static_cast<std::size_t>(box.end - box.body));
        return read(box.body, bytes.data(), bytes.size());
    }

    bool walkTop()
    {
        std::uint64_t at = 0;
        for (std::uint32_t count = 0; size_ - at >= 8; ++count) {
            Box box;
            if (count >= kMaxTopLevelBoxes || !header(at, size_, box))
                return false;
            if (count == 0 && !startsAnMp4(box.type))
                return false;
            const bool cutOff = box.end > size_;
            if (box.type == tag("moov") && !sawMovie_) {
                if (cutOff || !readMovie(box))
                    return false;
                sawMovie_ = true;
            } else if (box.type == tag("moof")) {
                // A fragment cut off in its header leaves the encoder with no
                // answer either; one cut off in its data still counts.
                if (cutOff || !sawMovie_ || !readFragment(box))
                    return false;
                sawFragment_ = true;
            } else if (box.type == tag("sidx")) {
                return false; // the encoder may take the index's times
            }
            if (cutOff)
                break;
            at = box.end;
        }
        return true;
    }

    static bool startsAnMp4(std::uint32_t type)
    {
        for (std::uint32_t t : {tag("ftyp"), tag("moov"), tag("mdat"), tag("free"), tag("skip"), tag("wide")})
            if (type == t)
                return true;
        return false;
    }

    // The boxes inside `parent`, which sits `depth` levels below the top.
    template <typename Visit>
    bool children(const Box& parent, int depth, Visit visit)
    {
        if (depth >= kMaxDepth)
            return false;
        std::uint32_t count = 0;
        for (std::uint64_t at = parent.body; at < parent.end;) {
            Box box;
            if (++count > kMaxChildBoxes || !header(at, parent.end, box) || box.end > parent.end || !visit(box))
                return false;
            at = box.end;
        }
        return true;
    }

    // The same for a box held in memory; bytes too few for a header at the
    // end are left, as the encoder leaves them.
    template <typename Visit>
    bool children(View parent, int depth, Visit visit)
    {
        if (depth >= kMaxDepth)
            return false;
        std::uint32_t count = 0;
        for (std::size_t at = 0; parent.size - at >= 8;) {
            if (++count > kMaxChildBoxes || !countBox())
                return false;
            std::uint64_t size = be32(parent.data + at);
            std::size_t headerSize = 8;
            if (size == 1) {
                if (parent.size - at < 16)
                    return false;
                size = be64(parent.data + at + 8);
                headerSize = 16;
            } else if (size == 0) {
                size = parent.size - at;
            }
            if (size < headerSize || size > parent.size - at)
                return false;
            const View body{parent.data + at + headerSize, static_cast<std::size_t>(size) - headerSize};
            if (!visit(be32(parent.data + at + 4), body))
                return false;
            at += static_cast<std::size_t>(size);
        }
        return true;
    }

    Track* trackOf(std::uint32_t id)
    {
        const auto found = tracks_.find(id);
        if (found != tracks_.end())
            return &found->second;
        if (tracks_.size() >= kMaxTracks)
            return nullptr;
        return &tracks_[id];
    }

    bool readMovie(const Box& moov)
    {
        return children(moov, 1, [&](const Box& box) {
            std::vector<std::uint8_t> b;
            if (box.type == tag("mvhd"))
                return load(box, kMaxSmallBox, b) && timesOf(View{b.data(), b.size()}, movieTimescale_, movieDuration_);
            if (box.type == tag("trak"))
                return readTrack(box);
            if (box.type == tag("mvex")) {
                fragmented_ = true;
                return children(box, 2, [&](const Box& inner) {
                    if (inner.type != tag("trex"))
                        return true;
                    std::vector<std::uint8_t> t;
                    if (!load(inner, kMaxSmallBox, t) || t.size() < 16)
                        return false;
                    Track* track = trackOf(be32(&t[4]));
                    if (!track)
                        return false;
                    track->defaultSampleDuration = be32(&t[12]);
                    return true;
                });
            }
            return true;
        });
    }

    // Time scale and duration of an mvhd or mdhd.
    static bool timesOf(View b, std::uint32_t& timescale, std::uint64_t& duration)
    {
        if (!b.has(0, 1))
            return false;
        if (b.data[0] == 1) {
            if (!b.has(20, 12))
                return false;
            timescale = be32(&b.data[20]);
            duration = be64(&b.data[24]);
        } else {
            if (!b.has(12, 8))
                return false;
            timescale = be32(&b.data[12]);
            duration = be32(&b.data[16]);
        }
        return true;
    }

    bool readTrack(const Box& trak)
    {
        std::optional<std::uint32_t> id;
        std::uint32_t timescale = 0;
        std::uint64_t duration = 0;
        std::uint32_t handler = 0;
        std::uint32_t format = 0;
        bool edited = false;
        const bool ok = children(trak, 2, [&](const Box& box) {
            std::vector<std::uint8_t> b;
            if (box.type == tag("tkhd")) {
                if (!load(box, kMaxSmallBox, b) || b.empty())
                    return false;
                const std::size_t at = b[0] == 1 ? 20 : 12;
                if (b.size() < at + 4)
                    return false;
                id = be32(&b[at]);
            } else if (box.type == tag("edts")) {
                edited = true;
            } else if (box.type == tag("mdia")) {
                return children(box, 3, [&](const Box& inner) {
                    std::vector<std::uint8_t> m;
                    if (inner.type == tag("hdlr"))
                        return handlerOf(inner, handler);
                    if (inner.type == tag("minf"))
                        return formatOf(inner, format);
                    if (inner.type != tag("mdhd"))
                        return true;
                    return load(inner, kMaxSmallBox, m) && timesOf(View{m.data(), m.size()}, timescale, duration);
                });
            }
            return true;
        });
        if (!ok || !id || timescale == 0)
            return false;
        Track* track = trackOf(*id);
        if (!track)
            return false;
        track->timescale = timescale;
        track->mediaDuration = duration;
        track->end = duration;
        track->handler = handler;
        track->format = format;
        editedTrack_ = editedTrack_ || edited;
        return true;
    }

    // The format of the first sample description, in minf/stbl/stsd after
    // the description's version, flags, count and size. None when missing.
    bool formatOf(const Box& minf, std::uint32_t& format)
    {
        return children(minf, 4, [&](const Box& stbl) {
            if (stbl.type != tag("stbl"))
                return true;
            return children(stbl, 5, [&](const Box& stsd) {
                std::uint8_t b[16];
                if (stsd.type != tag("stsd") || stsd.end - stsd.body < sizeof b)
                    return true;
                if (!read(stsd.body, b, sizeof b))
                    return false;
                format = be32(b + 12);
                return true;
            });
        });
    }

    // The handler type of an hdlr box, after its version, flags and a zero
    // field. A shorter box names none; no length depends on it.
    bool handlerOf(const Box& hdlr, std::uint32_t& handler)
    {
        std::uint8_t b[12];
        if (hdlr.end - hdlr.body < sizeof b)
            return true;
        if (!read(hdlr.body, b, sizeof b))
            return false;
        handler = be32(b + 8);
        return true;
    }

    bool readFragment(const Box& moof)
    {
        std::vector<std::uint8_t> b;
        if (!load(moof, kMaxFragmentHeader, b))
            return false;
        return children(View{b.data(), b.size()}, 1,
                        [&](std::uint32_t type, View body) { return type != tag("traf") || readTrackFragment(body); });
    }

    bool readTrackFragment(View traf)
    {
        Track* track = nullptr;
        std::uint32_t defaultDuration = 0;
        std::optional<std::uint64_t> base;
        std::uint64_t runs = 0;
        bool sawRun = false;
        const bool ok = children(traf, 2, [&](std::uint32_t type, View b) {
            if (type != tag("tfhd") && type != tag("tfdt") && type != tag("trun"))
                return true;
            if (!b.has(0, 4))
                return false;
            const std::uint32_t flags = be32(b.data) & 0xffffff;
            if (type == tag("tfhd")) {
                if (!b.has(4, 4))
                    return false;
                const auto found = tracks_.find(be32(b.data + 4));
                if (found == tracks_.end())
                    return false;
                track = &found->second;
                defaultDuration = track->defaultSampleDuration;
                const std::size_t field = 8 + ((flags & 0x1) ? 8 : 0) + ((flags & 0x2) ? 4 : 0);
                if (flags & 0x8) {
                    if (!b.has(field, 4))
                        return false;
                    defaultDuration = be32(b.data + field);
                }
            } else if (type == tag("tfdt")) {
                const bool wide = b.data[0] == 1;
                if (!b.has(4, wide ? 8 : 4))
                    return false;
                base = wide ? be64(b.data + 4) : be32(b.data + 4);
            } else {
                if (!track || !b.has(4, 4))
                    return false;
                const std::uint64_t count = be32(b.data + 4);
                std::size_t field = 8 + ((flags & 0x1) ? 4 : 0) + ((flags & 0x4) ? 4 : 0);
                const std::size_t perSample = 4
                    * (((flags & 0x100) ? 1 : 0) + ((flags & 0x200) ? 1 : 0) + ((flags & 0x400) ? 1 : 0)
                       + ((flags & 0x800) ? 1 : 0));
                // count < 2^32 and perSample <= 16: the product cannot overflow.
                if (field > b.size || count * perSample > b.size - field)
                    return false;
                if ((flags & 0x800) && count > 0 && !sawRun && !track->fragmented && track->mediaDuration == 0) {
                    const std::uint32_t offset = be32(b.data + field + perSample - 4);
                    const bool isSigned = b.data[0] == 1;
                    track->firstShown =
                        isSigned ? static_cast<std::int32_t>(offset) : static_cast<std::int64_t>(offset);
                }
                sawRun = sawRun || count > 0;
                if (flags & 0x100) {
                    for (std::uint64_t i = 0; i < count; ++i, field += perSample)
                        if (!add(runs, be32(b.data + field)))
                            return false;
                } else if (!add(runs, count * defaultDuration)) {
                    return false;
                }
            }
            return true;
        });
        if (!ok || !track)
            return false;
        if (!track->fragmented && track->mediaDuration == 0)
            track->firstFragmentStart = base.value_or(0);
        track->fragmented = true;
        std::uint64_t end = base.value_or(track->end);
        if (!add(end, runs))
            return false;
        track->end = end;
        return true;
    }

    std::int64_t fragmentedLength() const
    {
        // Edit lists or a late first fragment move the start, which the
        // encoder then takes off; those shapes are left to it.
        if (!sawFragment_ || editedTrack_ || tracks_.empty())
            return kBoxesDoNotTell;
        // As the encoder sums up streams: each ends where its first picture
        // shows plus its length; the file lasts from the earliest start to
        // the latest end, and at least as long as its longest track. Every
        // term is under the longest length, so no sum overflows.
        std::int64_t longest = 0;
        std::int64_t earliest = INT64_MAX;
        std::int64_t latest = INT64_MIN;
        for (const auto& [id, track] : tracks_) {
            if (track.timescale == 0 || track.firstFragmentStart.value_or(0) != 0)
                return kBoxesDoNotTell;
            const auto length = microseconds(track.end, track.timescale);
            const auto shown = microseconds(static_cast<std::uint64_t>(std::abs(track.firstShown)), track.timescale);
            if (!length || !shown)
                return kBoxesDoNotTell;
            const std::int64_t start = track.firstShown < 0 ? -*shown : *shown;
            longest = std::max(longest, *length);
            earliest = std::min(earliest, start);
            latest = std::max(latest, start + *length);
        }
        longest = std::max(longest, latest - earliest);
        return longest > 0 ? longest : kBoxesDoNotTell;
    }

    const std::uint64_t size_;
    const Mp4ReadAt& readAt_;
    std::uint64_t bytesRead_ = 0;
    std::uint32_t boxes_ = 0;
    bool sawMovie_ = false;
    bool sawFragment_ = false;
    bool fragmented_ = false;
    bool editedTrack_ = false;
    std::uint32_t movieTimescale_ = 0;
    std::uint64_t movieDuration_ = 0;
    std::map<std::uint32_t, Track> tracks_;
};

} // namespace

std::int64_t Mp4DurationMicroseconds(const std::string& path)
{
    return ReadFileWith(path, kFileUnreadable, [](std::uint64_t size, const Mp4ReadAt& readAt) {
        return Mp4DurationMicroseconds(size, readAt);
    });
}

std::int64_t Mp4DurationMicroseconds(std::uint64_t size, const Mp4ReadAt& readAt)
{
    return Mp4Reader(size, readAt).length();
}

Mp4Tracks ReadMp4Tracks(const std::string& path)
{
    return ReadFileWith(path, Mp4Tracks{},
                        [](std::uint64_t size, const Mp4ReadAt& readAt) { return ReadMp4Tracks(size, readAt); });
}

Mp4Tracks ReadMp4Tracks(std::uint64_t size, const Mp4ReadAt& readAt) { return Mp4Reader(size, readAt).tracks(); }

} // namespace media
