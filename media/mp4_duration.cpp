// The length and the tracks share one reader over the bounded box walk.
#include "media/mp4_duration.h"

#include "media/file_reader.h"
#include "media/mp4_boxes.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace media {

namespace {

// A file past any bound here, or past the box walk's, gets no length from
// its boxes and goes to the probe, as an unknown file does.
//
// The headers read into memory: a movie or media header is about 100 bytes;
// a fragment's header about 16 bytes a sample, so a megabyte holds over ten
// minutes of 60 pictures a second in one fragment.
constexpr std::uint64_t kMaxSmallBox = 1u << 16;
constexpr std::uint64_t kMaxFragmentHeader = 1u << 20;
// No recording runs for ten years; longer lengths are nonsense, and keep
// every sum of microseconds far from overflowing.
constexpr std::uint64_t kLongestSeconds = 10ull * 366 * 24 * 3600;

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

// The content of a box held in memory, and a part of it.
struct View {
    View(std::string_view bytes, const Mp4Box& box)
        : data(reinterpret_cast<const std::uint8_t*>(bytes.data()) + box.body), size(box.end - box.body)
    {
    }
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
    Mp4Reader(std::uint64_t size, const Mp4ReadAt& readAt) : size_(size), boxes_(size, readAt) { }

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
            if (track.handler == Mp4Tag("vide") && track.format == Mp4Tag("avc1"))
                ++pictures;
            else if (track.handler == Mp4Tag("soun") && track.format == Mp4Tag("mp4a"))
                ++sounds;
            else
                ++others;
            if (track.handler == Mp4Tag("vide") && !answer.video) {
                const auto length = microseconds(track.mediaDuration, track.timescale);
                if (!length)
                    return {};
                answer.video = true;
                answer.videoMicroseconds = *length;
            }
            if (track.handler == Mp4Tag("soun"))
                ++answer.soundTracks;
            if (track.handler == Mp4Tag("soun") && !answer.sound) {
                answer.sound = true;
                answer.soundTimescale = track.timescale;
                answer.soundUnits = track.mediaDuration;
            }
        }
        answer.recorderTracks = pictures == 1 && sounds <= kRecorderSoundTracks && others == 0;
        answer.readable = true;
        return answer;
    }

private:
    bool walkTop()
    {
        return boxes_.top([&](const Mp4Box& box) {
            if (box.start == 0 && !startsAnMp4(box.type))
                return false;
            const bool cutOff = box.end > size_;
            if (box.type == Mp4Tag("moov") && !sawMovie_) {
                if (cutOff || !readMovie(box))
                    return false;
                sawMovie_ = true;
            } else if (box.type == Mp4Tag("moof")) {
                // A fragment cut off in its header leaves the encoder with no
                // answer either; one cut off in its data still counts.
                if (cutOff || !sawMovie_ || !readFragment(box))
                    return false;
                sawFragment_ = true;
            } else if (box.type == Mp4Tag("sidx")) {
                return false; // the encoder may take the index's times
            }
            return true;
        });
    }

    // The content of a small box, read whole into `bytes`.
    std::optional<View> small(const Mp4Box& box, std::string& bytes)
    {
        if (!boxes_.load(box, kMaxSmallBox, bytes))
            return std::nullopt;
        return View(bytes, Mp4BoxWalker::Loaded(box));
    }

    static bool startsAnMp4(std::uint32_t type)
    {
        for (std::uint32_t t : {Mp4Tag("ftyp"), Mp4Tag("moov"), Mp4Tag("mdat"), Mp4Tag("free"), Mp4Tag("skip"), Mp4Tag("wide")})
            if (type == t)
                return true;
        return false;
    }

    Track* trackOf(std::uint32_t id)
    {
        const auto found = tracks_.find(id);
        if (found != tracks_.end())
            return &found->second;
        if (tracks_.size() >= Mp4Limits::kTracks)
            return nullptr;
        return &tracks_[id];
    }

    bool readMovie(const Mp4Box& moov)
    {
        return boxes_.children(moov, [&](const Mp4Box& box) {
            std::string bytes;
            if (box.type == Mp4Tag("mvhd")) {
                const auto b = small(box, bytes);
                return b && timesOf(*b, movieTimescale_, movieDuration_);
            }
            if (box.type == Mp4Tag("trak"))
                return readTrack(box);
            if (box.type == Mp4Tag("mvex")) {
                fragmented_ = true;
                return boxes_.children(box, [&](const Mp4Box& inner) {
                    if (inner.type != Mp4Tag("trex"))
                        return true;
                    const auto t = small(inner, bytes);
                    if (!t || !t->has(0, 16))
                        return false;
                    Track* track = trackOf(Mp4Be32(t->data + 4));
                    if (!track)
                        return false;
                    track->defaultSampleDuration = Mp4Be32(t->data + 12);
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
            timescale = Mp4Be32(&b.data[20]);
            duration = Mp4Be64(&b.data[24]);
        } else {
            if (!b.has(12, 8))
                return false;
            timescale = Mp4Be32(&b.data[12]);
            duration = Mp4Be32(&b.data[16]);
        }
        return true;
    }

    bool readTrack(const Mp4Box& trak)
    {
        std::optional<std::uint32_t> id;
        std::uint32_t timescale = 0;
        std::uint64_t duration = 0;
        std::uint32_t handler = 0;
        std::uint32_t format = 0;
        bool edited = false;
        const bool ok = boxes_.children(trak, [&](const Mp4Box& box) {
            std::string bytes;
            if (box.type == Mp4Tag("tkhd")) {
                const auto b = small(box, bytes);
                if (!b || !b->has(0, 1))
                    return false;
                const std::size_t at = b->data[0] == 1 ? 20 : 12;
                if (!b->has(at, 4))
                    return false;
                id = Mp4Be32(b->data + at);
            } else if (box.type == Mp4Tag("edts")) {
                edited = true;
            } else if (box.type == Mp4Tag("mdia")) {
                return boxes_.children(box, [&](const Mp4Box& inner) {
                    if (inner.type == Mp4Tag("hdlr"))
                        return handlerOf(inner, handler);
                    if (inner.type == Mp4Tag("minf"))
                        return formatOf(inner, format);
                    if (inner.type != Mp4Tag("mdhd"))
                        return true;
                    const auto m = small(inner, bytes);
                    return m && timesOf(*m, timescale, duration);
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
    bool formatOf(const Mp4Box& minf, std::uint32_t& format)
    {
        return boxes_.children(minf, [&](const Mp4Box& stbl) {
            if (stbl.type != Mp4Tag("stbl"))
                return true;
            return boxes_.children(stbl, [&](const Mp4Box& stsd) {
                std::uint8_t b[16];
                if (stsd.type != Mp4Tag("stsd") || stsd.end - stsd.body < sizeof b)
                    return true;
                if (!boxes_.read(stsd.body, b, sizeof b))
                    return false;
                format = Mp4Be32(b + 12);
                return true;
            });
        });
    }

    // The handler type of an hdlr box, after its version, flags and a zero
    // field. A shorter box names none; no length depends on it.
    bool handlerOf(const Mp4Box& hdlr, std::uint32_t& handler)
    {
        std::uint8_t b[12];
        if (hdlr.end - hdlr.body < sizeof b)
            return true;
        if (!boxes_.read(hdlr.body, b, sizeof b))
            return false;
        handler = Mp4Be32(b + 8);
        return true;
    }

    bool readFragment(const Mp4Box& moof)
    {
        std::string bytes;
        if (!boxes_.load(moof, kMaxFragmentHeader, bytes))
            return false;
        return boxes_.children(bytes, Mp4BoxWalker::Loaded(moof), [&](const Mp4Box& traf) {
            return traf.type != Mp4Tag("traf") || readTrackFragment(bytes, traf);
        });
    }

    bool readTrackFragment(std::string_view bytes, const Mp4Box& traf)
    {
        Track* track = nullptr;
        std::uint32_t defaultDuration = 0;
        std::optional<std::uint64_t> base;
        std::uint64_t runs = 0;
        bool sawRun = false;
        const bool ok = boxes_.children(bytes, traf, [&](const Mp4Box& box) {
            const std::uint32_t type = box.type;
            const View b(bytes, box);
            if (type != Mp4Tag("tfhd") && type != Mp4Tag("tfdt") && type != Mp4Tag("trun"))
                return true;
            if (!b.has(0, 4))
                return false;
            const std::uint32_t flags = Mp4Be32(b.data) & 0xffffff;
            if (type == Mp4Tag("tfhd")) {
                if (!b.has(4, 4))
                    return false;
                const auto found = tracks_.find(Mp4Be32(b.data + 4));
                if (found == tracks_.end())
                    return false;
                track = &found->second;
                defaultDuration = track->defaultSampleDuration;
                const std::size_t field = 8 + ((flags & 0x1) ? 8 : 0) + ((flags & 0x2) ? 4 : 0);
                if (flags & 0x8) {
                    if (!b.has(field, 4))
                        return false;
                    defaultDuration = Mp4Be32(b.data + field);
                }
            } else if (type == Mp4Tag("tfdt")) {
                const bool wide = b.data[0] == 1;
                if (!b.has(4, wide ? 8 : 4))
                    return false;
                base = wide ? Mp4Be64(b.data + 4) : Mp4Be32(b.data + 4);
            } else {
                if (!track || !b.has(4, 4))
                    return false;
                const std::uint64_t count = Mp4Be32(b.data + 4);
                std::size_t field = 8 + ((flags & 0x1) ? 4 : 0) + ((flags & 0x4) ? 4 : 0);
                const std::size_t perSample = 4
                    * (((flags & 0x100) ? 1 : 0) + ((flags & 0x200) ? 1 : 0) + ((flags & 0x400) ? 1 : 0)
                       + ((flags & 0x800) ? 1 : 0));
                // count < 2^32 and perSample <= 16: the product cannot overflow.
                if (field > b.size || count * perSample > b.size - field)
                    return false;
                if ((flags & 0x800) && count > 0 && !sawRun && !track->fragmented && track->mediaDuration == 0) {
                    const std::uint32_t offset = Mp4Be32(b.data + field + perSample - 4);
                    const bool isSigned = b.data[0] == 1;
                    track->firstShown =
                        isSigned ? static_cast<std::int32_t>(offset) : static_cast<std::int64_t>(offset);
                }
                sawRun = sawRun || count > 0;
                if (flags & 0x100) {
                    for (std::uint64_t i = 0; i < count; ++i, field += perSample)
                        if (!add(runs, Mp4Be32(b.data + field)))
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
    Mp4BoxWalker boxes_;
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
