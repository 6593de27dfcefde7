#include "library/mp4_duration.h"

#include "platform/files.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

namespace {

constexpr std::uint32_t tag(const char (&t)[5])
{
    return (std::uint32_t(std::uint8_t(t[0])) << 24) | (std::uint32_t(std::uint8_t(t[1])) << 16)
        | (std::uint32_t(std::uint8_t(t[2])) << 8) | std::uint32_t(std::uint8_t(t[3]));
}

// Bounds that keep a hostile file from costing more than a real one: a
// fragment's boxes are a few kilobytes, a day of one-second fragments is
// under 200,000 top-level boxes.
constexpr std::uint64_t kMaxFragmentHeader = 16u << 20;
constexpr std::uint64_t kMaxSmallBox = 1u << 16;
constexpr int kMaxTopLevelBoxes = 1000000;

std::uint32_t be32(const std::uint8_t* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

std::uint64_t be64(const std::uint8_t* p) { return (std::uint64_t(be32(p)) << 32) | be32(p + 4); }

// a * b / c rounded to nearest, without overflow for a time scale c < 2^32.
std::int64_t rescale(std::uint64_t a, std::uint64_t b, std::uint64_t c)
{
    return static_cast<std::int64_t>(a / c * b + ((a % c) * b + c / 2) / c);
}

struct Box {
    std::uint32_t type = 0;
    std::uint64_t body = 0; // offset of the content
    std::uint64_t end = 0;  // one past the last byte, as the header claims
};

// Bytes of a box held in memory, for the small boxes and the fragments.
struct Bytes {
    std::vector<std::uint8_t> data;
    bool has(std::size_t at, std::size_t n) const { return at <= data.size() && n <= data.size() - at; }
};

struct Track {
    std::uint32_t timescale = 0;
    std::uint64_t mediaDuration = 0; // samples held in the movie box itself
    std::uint32_t defaultSampleDuration = 0;
    std::optional<std::uint64_t> firstFragmentStart;
    std::int64_t firstShown = 0; // the first sample's composition offset: where its pictures start
    std::uint64_t end = 0;       // in the track's time scale
    bool fragmented = false;
};

class Mp4Reader {
public:
    explicit Mp4Reader(const std::string& path) : file_(path) { }

    std::int64_t length()
    {
        if (!file_.isOpen() || file_.size() < 8)
            return kFileUnreadable;
        if (!walkTop())
            return kBoxesDoNotTell;
        if (!sawMovie_)
            return kBoxesDoNotTell;
        if (!fragmented_)
            return movieTimescale_ > 0 && movieDuration_ > 0 ? rescale(movieDuration_, 1000000, movieTimescale_)
                                                             : kBoxesDoNotTell;
        return fragmentedLength();
    }

private:
    // Reads a box header at `at`; false at the end of `limit` or on nonsense.
    bool header(std::uint64_t at, std::uint64_t limit, Box& box)
    {
        std::uint8_t h[16];
        if (limit - at < 8 || file_.readAt(at, h, 8) != 8)
            return false;
        std::uint64_t size = be32(h);
        box.type = be32(h + 4);
        std::uint64_t headerSize = 8;
        if (size == 1) {
            if (limit - at < 16 || file_.readAt(at + 8, h + 8, 8) != 8)
                return false;
            size = be64(h + 8);
            headerSize = 16;
        } else if (size == 0) {
            size = limit - at;
        }
        if (size < headerSize)
            return false;
        box.body = at + headerSize;
        box.end = size > UINT64_MAX - at ? UINT64_MAX : at + size;
        return true;
    }

    bool load(const Box& box, std::uint64_t max, Bytes& bytes)
    {
        if (box.end - box.body > max)
            return false;
        bytes.data.resize(static_cast<std::size_t>(box.end - box.body));
        return file_.readAt(box.body, bytes.data.data(), bytes.data.size())
            == static_cast<long long>(bytes.data.size());
    }

    bool walkTop()
    {
        const std::uint64_t size = file_.size();
        std::uint64_t at = 0;
        for (int count = 0; size - at >= 8; ++count) {
            Box box;
            if (count >= kMaxTopLevelBoxes || !header(at, size, box))
                return false;
            if (count == 0 && !startsAnMp4(box.type))
                return false;
            const bool cutOff = box.end > size;
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

    template <typename Visit>
    bool children(const Box& parent, Visit visit)
    {
        for (std::uint64_t at = parent.body; at < parent.end;) {
            Box box;
            if (!header(at, parent.end, box) || box.end > parent.end || !visit(box))
                return false;
            at = box.end;
        }
        return true;
    }

    bool readMovie(const Box& moov)
    {
        return children(moov, [&](const Box& box) {
            if (box.type == tag("mvhd")) {
                Bytes b;
                if (!load(box, kMaxSmallBox, b) || !timesOf(b, movieTimescale_, movieDuration_))
                    return false;
            } else if (box.type == tag("trak")) {
                return readTrack(box);
            } else if (box.type == tag("mvex")) {
                fragmented_ = true;
                return children(box, [&](const Box& inner) {
                    Bytes b;
                    if (inner.type != tag("trex"))
                        return true;
                    if (!load(inner, kMaxSmallBox, b) || !b.has(0, 16))
                        return false;
                    tracks_[be32(&b.data[4])].defaultSampleDuration = be32(&b.data[12]);
                    return true;
                });
            }
            return true;
        });
    }

    // Time scale and duration of an mvhd or mdhd.
    static bool timesOf(const Bytes& b, std::uint32_t& timescale, std::uint64_t& duration)
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
        bool edited = false;
        const bool ok = children(trak, [&](const Box& box) {
            Bytes b;
            if (box.type == tag("tkhd")) {
                if (!load(box, kMaxSmallBox, b) || !b.has(0, 1))
                    return false;
                const std::size_t at = b.data[0] == 1 ? 20 : 12;
                if (!b.has(at, 4))
                    return false;
                id = be32(&b.data[at]);
            } else if (box.type == tag("edts")) {
                edited = true;
            } else if (box.type == tag("mdia")) {
                return children(box, [&](const Box& inner) {
                    Bytes m;
                    if (inner.type != tag("mdhd"))
                        return true;
                    return load(inner, kMaxSmallBox, m) && timesOf(m, timescale, duration);
                });
            }
            return true;
        });
        if (!ok || !id || timescale == 0)
            return false;
        Track& track = tracks_[*id];
        track.timescale = timescale;
        track.mediaDuration = duration;
        track.end = duration;
        editedTrack_ = editedTrack_ || edited;
        return true;
    }

    bool readFragment(const Box& moof)
    {
        Bytes b;
        if (!load(moof, kMaxFragmentHeader, b))
            return false;
        // The children of the fragment, walked in memory.
        for (std::size_t at = 0; at + 8 <= b.data.size();) {
            const std::uint64_t size = be32(&b.data[at]);
            if (size < 8 || size > b.data.size() - at)
                return false;
            if (be32(&b.data[at + 4]) == tag("traf")) {
                Bytes traf;
                traf.data.assign(b.data.begin() + static_cast<std::ptrdiff_t>(at + 8),
                                 b.data.begin() + static_cast<std::ptrdiff_t>(at + size));
                if (!readTrackFragment(traf))
                    return false;
            }
            at += static_cast<std::size_t>(size);
        }
        return true;
    }

    bool readTrackFragment(const Bytes& b)
    {
        Track* track = nullptr;
        std::uint32_t defaultDuration = 0;
        std::optional<std::uint64_t> base;
        std::uint64_t runs = 0;
        for (std::size_t at = 0; at + 8 <= b.data.size();) {
            const std::uint64_t size = be32(&b.data[at]);
            if (size < 12 || size > b.data.size() - at)
                return false;
            const std::uint32_t type = be32(&b.data[at + 4]);
            const std::size_t body = at + 8;
            const std::size_t end = at + static_cast<std::size_t>(size);
            const std::uint32_t flags = be32(&b.data[body]) & 0xffffff;
            if (type == tag("tfhd")) {
                if (end - body < 8)
                    return false;
                const auto found = tracks_.find(be32(&b.data[body + 4]));
                if (found == tracks_.end())
                    return false;
                track = &found->second;
                defaultDuration = track->defaultSampleDuration;
                std::size_t field = body + 8 + ((flags & 0x1) ? 8 : 0) + ((flags & 0x2) ? 4 : 0);
                if (flags & 0x8) {
                    if (field + 4 > end)
                        return false;
                    defaultDuration = be32(&b.data[field]);
                }
            } else if (type == tag("tfdt")) {
                const bool wide = b.data[body] == 1;
                if (end - body < (wide ? 12u : 8u))
                    return false;
                base = wide ? be64(&b.data[body + 4]) : be32(&b.data[body + 4]);
            } else if (type == tag("trun")) {
                if (!track || end - body < 8)
                    return false;
                const std::uint64_t count = be32(&b.data[body + 4]);
                std::size_t field = body + 8 + ((flags & 0x1) ? 4 : 0) + ((flags & 0x4) ? 4 : 0);
                const std::size_t perSample = 4
                    * (((flags & 0x100) ? 1 : 0) + ((flags & 0x200) ? 1 : 0) + ((flags & 0x400) ? 1 : 0)
                       + ((flags & 0x800) ? 1 : 0));
                if (field > end || count * perSample > end - field)
                    return false;
                if ((flags & 0x800) && count > 0 && runs == 0 && !track->fragmented && track->mediaDuration == 0) {
                    const std::uint32_t offset = be32(&b.data[field + perSample - 4]);
                    const bool isSigned = b.data[body] == 1;
                    track->firstShown =
                        isSigned ? static_cast<std::int32_t>(offset) : static_cast<std::int64_t>(offset);
                }
                if (flags & 0x100) {
                    for (std::uint64_t i = 0; i < count; ++i, field += perSample)
                        runs += be32(&b.data[field]);
                } else {
                    runs += count * defaultDuration;
                }
            }
            at = end;
        }
        if (!track)
            return false;
        if (!track->fragmented && track->mediaDuration == 0)
            track->firstFragmentStart = base.value_or(0);
        track->fragmented = true;
        track->end = base.value_or(track->end) + runs;
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
        // the latest end, and at least as long as its longest track.
        std::int64_t longest = 0;
        std::int64_t earliest = INT64_MAX;
        std::int64_t latest = INT64_MIN;
        for (const auto& [id, track] : tracks_) {
            if (track.timescale == 0 || track.firstFragmentStart.value_or(0) != 0)
                return kBoxesDoNotTell;
            const std::int64_t length = rescale(track.end, 1000000, track.timescale);
            const std::int64_t start = track.firstShown < 0
                ? -rescale(static_cast<std::uint64_t>(-track.firstShown), 1000000, track.timescale)
                : rescale(static_cast<std::uint64_t>(track.firstShown), 1000000, track.timescale);
            longest = std::max(longest, length);
            earliest = std::min(earliest, start);
            latest = std::max(latest, start + length);
        }
        longest = std::max(longest, latest - earliest);
        return longest > 0 ? longest : kBoxesDoNotTell;
    }

    platform::ReadOnlyFile file_;
    bool sawMovie_ = false;
    bool sawFragment_ = false;
    bool fragmented_ = false;
    bool editedTrack_ = false;
    std::uint32_t movieTimescale_ = 0;
    std::uint64_t movieDuration_ = 0;
    std::map<std::uint32_t, Track> tracks_;
};

} // namespace

std::int64_t Mp4DurationMicroseconds(const std::string& path) { return Mp4Reader(path).length(); }

std::string DurationText(std::int64_t microseconds)
{
    // The encoder adds half a hundredth before cutting to hundredths.
    const std::int64_t seconds = (microseconds + 5000) / 1000000;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02d:%02d", static_cast<long long>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return std::string(text).substr(0, 8);
}

bool IsDurationText(const std::string& text)
{
    if (text.size() != 8 || text[2] != ':' || text[5] != ':')
        return false;
    for (std::size_t i : {0, 1, 3, 4, 6, 7})
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

std::string RecordingLength(const std::string& path, const DurationProbe& probe)
{
    const std::int64_t length = Mp4DurationMicroseconds(path);
    if (length >= 0)
        return DurationText(length);
    if (length == kFileUnreadable)
        return {};
    std::string probed = probe(path);
    return IsDurationText(probed) ? probed : std::string();
}
