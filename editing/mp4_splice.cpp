#include "editing/mp4_splice.h"

#include <algorithm>

namespace editing {

using media::CodecHeaderIn;
using media::Mp4Tag;
using media::Mp4Movie;
using media::Mp4Sample;
using media::Mp4Track;

namespace {

void put32(std::string& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((v >> shift) & 0xff));
}

void put64(std::string& out, std::uint64_t v)
{
    put32(out, static_cast<std::uint32_t>(v >> 32));
    put32(out, static_cast<std::uint32_t>(v));
}

std::string box(const char (&type)[5], const std::string& body)
{
    std::string out;
    put32(out, static_cast<std::uint32_t>(body.size() + 8));
    out.append(type, 4);
    return out + body;
}

// A full box's body starts with its version and flags, here all zero.
std::string fullBox(const char (&type)[5], const std::string& body) { return box(type, std::string(4, '\0') + body); }

// The duration field of a copied movie, track or media header, rewritten.
// Each has it after the times (and, in the track header, the id and a
// reserved word), four or eight bytes wide by its version.
std::string withDuration(std::string header, std::size_t narrowAt, std::size_t wideAt, std::uint64_t duration)
{
    if (header.size() < 9)
        return header;
    const bool wide = header[8] == 1;
    const std::size_t at = wide ? wideAt : narrowAt;
    if (at + (wide ? 8 : 4) > header.size())
        return header;
    std::string field;
    if (wide)
        put64(field, duration);
    else
        put32(field, static_cast<std::uint32_t>(std::min<std::uint64_t>(duration, 0xffffffffu)));
    return header.replace(at, field.size(), field);
}

std::uint64_t rescale(std::uint64_t units, std::uint32_t from, std::uint32_t to)
{
    return from == 0 ? 0 : static_cast<std::uint64_t>((static_cast<unsigned __int128>(units) * to + from / 2) / from);
}

// One sample as it is written: where its bytes now lie.
struct Written {
    std::uint64_t offset;
    std::uint32_t size;
    std::uint32_t duration;
    bool key;
};

// Where a source byte went, given that `ranges` were copied one after the
// other from `at` on.
class RangeMap {
public:
    RangeMap(const std::vector<ByteRange>& ranges, std::uint64_t at) : ranges_(ranges)
    {
        for (const ByteRange& r : ranges) {
            starts_.push_back(at);
            at += r.size;
        }
    }
    std::uint64_t operator()(std::uint64_t offset) const
    {
        const auto it = std::upper_bound(ranges_.begin(), ranges_.end(), offset,
                                         [](std::uint64_t o, const ByteRange& r) { return o < r.offset; });
        if (it == ranges_.begin())
            return 0;
        const std::size_t k = static_cast<std::size_t>(it - ranges_.begin()) - 1;
        return starts_[k] + offset - ranges_[k].offset;
    }

private:
    const std::vector<ByteRange>& ranges_;
    std::vector<std::uint64_t> starts_;
};

std::string sampleTable(const std::string& stsd, const std::vector<Written>& samples, bool allKeys)
{
    std::string stts;
    std::uint32_t entries = 0;
    for (std::size_t k = 0; k < samples.size();) {
        std::size_t run = k;
        while (run < samples.size() && samples[run].duration == samples[k].duration)
            ++run;
        put32(stts, static_cast<std::uint32_t>(run - k));
        put32(stts, samples[k].duration);
        ++entries;
        k = run;
    }
    std::string sttsBody;
    put32(sttsBody, entries);
    std::string table = stsd + fullBox("stts", sttsBody + stts);

    if (!allKeys) {
        std::string keys;
        std::uint32_t count = 0;
        for (std::size_t k = 0; k < samples.size(); ++k)
            if (samples[k].key) {
                put32(keys, static_cast<std::uint32_t>(k + 1));
                ++count;
            }
        std::string body;
        put32(body, count);
        table += fullBox("stss", body + keys);
    }

    // Samples that follow one another in the file share a chunk.
    std::vector<std::uint64_t> chunkOffsets;
    std::vector<std::uint32_t> chunkSamples;
    for (std::size_t k = 0; k < samples.size(); ++k) {
        if (k > 0 && samples[k].offset == samples[k - 1].offset + samples[k - 1].size) {
            ++chunkSamples.back();
            continue;
        }
        chunkOffsets.push_back(samples[k].offset);
        chunkSamples.push_back(1);
    }
    std::string stsc;
    std::uint32_t stscEntries = 0;
    for (std::size_t c = 0; c < chunkSamples.size(); ++c) {
        if (c > 0 && chunkSamples[c] == chunkSamples[c - 1])
            continue;
        put32(stsc, static_cast<std::uint32_t>(c + 1));
        put32(stsc, chunkSamples[c]);
        put32(stsc, 1);
        ++stscEntries;
    }
    std::string body;
    put32(body, stscEntries);
    table += fullBox("stsc", body + stsc);

    std::string sizes;
    put32(sizes, 0);
    put32(sizes, static_cast<std::uint32_t>(samples.size()));
    for (const Written& s : samples)
        put32(sizes, s.size);
    table += fullBox("stsz", sizes);

    std::string offsets;
    put32(offsets, static_cast<std::uint32_t>(chunkOffsets.size()));
    for (std::uint64_t o : chunkOffsets)
        put64(offsets, o);
    table += fullBox("co64", offsets);
    return box("stbl", table);
}

// One edit, perhaps after an empty one: the track starts `delay` late (in
// the movie's time scale) and shows its media from `mediaTime` for `shown`.
std::string edits(std::uint64_t delay, std::int64_t mediaTime, std::uint64_t shown)
{
    std::string body;
    put32(body, delay > 0 ? 2 : 1);
    if (delay > 0) {
        put64(body, delay);
        put64(body, static_cast<std::uint64_t>(-1));
        put32(body, 0x00010000);
    }
    put64(body, shown);
    put64(body, static_cast<std::uint64_t>(mediaTime));
    put32(body, 0x00010000);
    std::string elst = box("elst", std::string(1, '\1') + std::string(3, '\0') + body);
    return box("edts", elst);
}

std::string trackBox(const Mp4Track& track, const std::vector<Written>& samples, std::uint64_t movieLength,
                     std::uint64_t delay, std::int64_t mediaTime)
{
    std::uint64_t mediaLength = 0;
    bool allKeys = true;
    for (const Written& s : samples) {
        mediaLength += s.duration;
        allKeys = allKeys && s.key;
    }
    const std::string minf = box("minf", track.mediaInfo + sampleTable(track.stsd, samples, allKeys));
    const std::string mdia = box("mdia", withDuration(track.mdhd, 24, 32, mediaLength) + track.hdlr + minf);
    return box("trak", withDuration(track.tkhd, 28, 36, movieLength) + edits(delay, mediaTime, movieLength - delay) + mdia);
}

void mergeInto(std::vector<ByteRange>& ranges)
{
    std::sort(ranges.begin(), ranges.end(), [](const ByteRange& a, const ByteRange& b) { return a.offset < b.offset; });
    std::vector<ByteRange> merged;
    for (const ByteRange& r : ranges) {
        if (!merged.empty() && r.offset <= merged.back().offset + merged.back().size) {
            ByteRange& m = merged.back();
            m.size = std::max(m.offset + m.size, r.offset + r.size) - m.offset;
            continue;
        }
        merged.push_back(r);
    }
    ranges = std::move(merged);
}

} // namespace

bool CanSplice(const Mp4Movie& movie)
{
    if (!movie.readable)
        return false;
    const Mp4Track* video = movie.track(Mp4Tag("vide"));
    const bool plainSound = std::all_of(movie.tracks.begin(), movie.tracks.end(), [](const Mp4Track& t) {
        return t.handler != Mp4Tag("soun") || (t.plainEdits && !t.reorders);
    });
    return video && !video->samples.empty() && !video->reorders && video->plainEdits && video->editMediaTime == 0
        && plainSound;
}

std::int64_t ShownLate(const Mp4Movie& movie)
{
    const Mp4Track* video = movie.track(Mp4Tag("vide"));
    return video ? static_cast<std::int64_t>(rescale(video->editDelay, movie.timescale, video->timescale)) : 0;
}

PacketScan ScanOfSamples(const Mp4Movie& movie, std::size_t from, std::size_t until)
{
    PacketScan scan;
    const Mp4Track* video = movie.track(Mp4Tag("vide"));
    if (!video)
        return scan;
    scan.ticksPerSecond = video->timescale;
    scan.grid = video->grid();
    const std::int64_t late = ShownLate(movie);
    for (std::size_t k = from; k < until && k < video->samples.size(); ++k) {
        const Mp4Sample& s = video->samples[k];
        scan.packets.push_back({s.dts + late, s.dts + late, s.duration, s.key});
    }
    return scan;
}

std::vector<ByteRange> RangesOfSamples(const Mp4Track& track)
{
    std::vector<ByteRange> ranges;
    for (const Mp4Sample& s : track.samples)
        ranges.push_back({s.offset, s.size});
    mergeInto(ranges);
    return ranges;
}

SpliceSource PlanSplice(const Mp4Movie& source, const ExactCutPlan& plan)
{
    SpliceSource part;
    const Mp4Track* video = source.track(Mp4Tag("vide"));
    if (!plan.possible || !video || plan.ticksPerSecond != video->timescale)
        return part;
    const auto& frames = video->samples;
    const std::int64_t late = ShownLate(source);
    part.firstFrame = video->sampleAt(plan.first - late);
    const std::size_t lastFrame = video->sampleAt(plan.last - late);
    if (lastFrame >= frames.size() || frames[lastFrame].dts != plan.last - late || part.firstFrame > lastFrame
        || frames[part.firstFrame].dts != plan.first - late)
        return part;
    part.videoUntil = lastFrame + 1;
    // Shown as decoded, so every frame from a keyframe on decodes from it:
    // the copy runs from the first keyframe to the last frame, and only the
    // frames before that keyframe are encoded again.
    part.videoFrom = part.videoUntil;
    for (std::size_t k = part.firstFrame; k < part.videoUntil; ++k)
        if (frames[k].key) {
            part.videoFrom = k;
            break;
        }
    part.length = plan.end - plan.start;
    part.firstCut = plan.start - plan.first;
    part.lastDuration = plan.end - plan.last;
    for (std::size_t k = part.videoFrom; k < part.videoUntil; ++k)
        part.ranges.push_back({frames[k].offset, frames[k].size});

    for (std::size_t t = 0; t < source.tracks.size(); ++t) {
        const Mp4Track* sound = &source.tracks[t];
        if (sound->handler != Mp4Tag("soun") || sound->samples.empty())
            continue;
        SoundSpan span{t};
        // The sound at the first frame's instant, in the sound's media time.
        const std::int64_t delayUnits =
            static_cast<std::int64_t>(rescale(sound->editDelay, source.timescale, sound->timescale));
        const std::int64_t from = static_cast<std::int64_t>(rescale(plan.start, video->timescale, sound->timescale))
            + sound->editMediaTime - delayUnits;
        const std::int64_t until =
            from + static_cast<std::int64_t>(rescale(part.length, video->timescale, sound->timescale));
        const auto& s = sound->samples;
        if (from < s.front().dts) {
            span.delay = rescale(static_cast<std::uint64_t>(s.front().dts - from), sound->timescale, source.timescale);
        } else {
            // The packet that holds the instant, and one before it: a sound
            // decoder needs the packet before to give the first one whole.
            std::size_t holding = sound->sampleAt(from + 1);
            holding = holding > 0 ? holding - 1 : 0;
            span.from = holding > 0 ? holding - 1 : 0;
            span.skip = from - s[span.from].dts;
        }
        span.until = std::max(span.from, sound->sampleAt(until));
        for (std::size_t k = span.from; k < span.until; ++k)
            part.ranges.push_back({s[k].offset, s[k].size});
        part.sounds.push_back(span);
    }
    mergeInto(part.ranges);
    part.possible = part.length > 0;
    return part;
}

std::string SpliceMediaHeader(std::uint64_t payload)
{
    std::string out;
    put32(out, 1);
    out += "mdat";
    put64(out, payload + 16);
    return out;
}

std::string SpliceFileStart(const Mp4Movie& source, std::uint64_t payload)
{
    return source.ftyp + SpliceMediaHeader(payload);
}

std::string SplicedMovie(const Mp4Movie& source, const SpliceSource& part, std::uint64_t sourceAt,
                         const Mp4Track* head, std::uint64_t headAt)
{
    const Mp4Track* video = source.track(Mp4Tag("vide"));
    if (!video || !part.possible)
        return {};
    const std::size_t headFrames = part.videoFrom - part.firstFrame;
    if ((headFrames > 0) != (head != nullptr))
        return {};
    const RangeMap fromSource(part.ranges, sourceAt);

    std::vector<Written> pictures;
    if (head) {
        if (head->samples.size() != headFrames || !head->samples.front().key
            || CodecHeaderIn(head->stsd) != CodecHeaderIn(video->stsd) || CodecHeaderIn(video->stsd).empty())
            return {};
        const std::vector<ByteRange> headRanges = RangesOfSamples(*head);
        const RangeMap fromHead(headRanges, headAt);
        // The piece keeps the source's times; its own last duration is a guess.
        for (std::size_t k = 0; k < headFrames; ++k)
            pictures.push_back({fromHead(head->samples[k].offset), head->samples[k].size,
                                video->samples[part.firstFrame + k].duration, head->samples[k].key});
    }
    for (std::size_t k = part.videoFrom; k < part.videoUntil; ++k) {
        const Mp4Sample& s = video->samples[k];
        pictures.push_back({fromSource(s.offset), s.size, s.duration, s.key});
    }
    // The first and last pictures last as long as they are in the cut.
    if (pictures.size() == 1) {
        pictures.front().duration = static_cast<std::uint32_t>(part.length);
    } else {
        if (part.firstCut < 0 || part.firstCut >= pictures.front().duration || part.lastDuration <= 0)
            return {};
        pictures.front().duration -= static_cast<std::uint32_t>(part.firstCut);
        pictures.back().duration = static_cast<std::uint32_t>(part.lastDuration);
    }
    const std::uint64_t movieLength = rescale(static_cast<std::uint64_t>(part.length), video->timescale, source.timescale);
    // The tracks in the source's order: the sound tracks keep their order
    // and, in their handler boxes, their titles.
    std::string tracks;
    for (std::size_t t = 0; t < source.tracks.size(); ++t) {
        if (&source.tracks[t] == video)
            tracks += trackBox(*video, pictures, movieLength, 0, 0);
        const auto span = std::find_if(part.sounds.begin(), part.sounds.end(),
                                       [t](const SoundSpan& s) { return s.track == t; });
        if (span == part.sounds.end() || span->until <= span->from || span->delay >= movieLength)
            continue;
        const Mp4Track& sound = source.tracks[t];
        std::vector<Written> samples;
        for (std::size_t k = span->from; k < span->until && k < sound.samples.size(); ++k) {
            const Mp4Sample& s = sound.samples[k];
            samples.push_back({fromSource(s.offset), s.size, s.duration, true});
        }
        tracks += trackBox(sound, samples, movieLength, span->delay, span->skip);
    }
    return box("moov", withDuration(source.mvhd, 24, 32, movieLength) + tracks);
}

} // namespace editing
