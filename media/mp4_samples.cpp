#include "media/mp4_samples.h"

#include "media/file_reader.h"
#include "media/mp4_boxes.h"

#include <algorithm>
#include <numeric>
#include <optional>

namespace media {

namespace {

// Ten hours of 60 pictures a second with sound are about 3.7 million
// samples; each costs 32 bytes here.
constexpr std::uint64_t kMaxSamples = 8u << 20;

std::string wholeBox(const std::string& data, const Mp4Box& box)
{
    return data.substr(static_cast<std::size_t>(box.start), static_cast<std::size_t>(box.end - box.start));
}

class TableReader {
public:
    TableReader(const std::string& data, const Mp4Box& box)
        : data_(data), at_(static_cast<std::size_t>(box.body)), end_(static_cast<std::size_t>(box.end))
    {
    }
    bool has(std::uint64_t bytes) const { return bytes <= end_ - at_; }
    std::uint32_t u32()
    {
        if (!has(4)) {
            ok = false;
            return 0;
        }
        const std::uint32_t v = Mp4Be32(reinterpret_cast<const std::uint8_t*>(data_.data()) + at_);
        at_ += 4;
        return v;
    }
    std::uint64_t u64()
    {
        const std::uint64_t high = u32();
        return (high << 32) | u32();
    }
    // A count of entries of `each` bytes that the box holds.
    std::uint32_t count(std::size_t each)
    {
        const std::uint32_t n = u32();
        if (!has(std::uint64_t(n) * each))
            ok = false;
        return ok ? n : 0;
    }
    bool ok = true;

private:
    const std::string& data_;
    std::size_t at_;
    std::size_t end_;
};

// The time scale of a movie or media header: after the two times, which
// are four or eight bytes wide by its version. 0 when the box is too short.
std::uint32_t timescaleOf(const std::string& data, const Mp4Box& header)
{
    TableReader r(data, header);
    const bool wide = (r.u32() >> 24) == 1;
    if (wide)
        r.u64(), r.u64();
    else
        r.u32(), r.u32();
    const std::uint32_t scale = r.u32();
    return r.ok ? scale : 0;
}

struct Tables {
    std::uint64_t fileSize = 0; // every sample lies inside the file, so no more samples than bytes
    std::vector<std::uint32_t> sizes;
    std::vector<std::uint64_t> chunkOffsets;
    std::vector<std::uint32_t> chunkFirst, chunkSamples; // stsc, 1-based chunk numbers
    std::vector<std::uint32_t> sttsCount, sttsDelta;
    std::optional<std::vector<std::uint32_t>> keys; // 1-based sample numbers
};

bool readTable(const std::string& data, const Mp4Box& box, Tables& t, Mp4Track& track)
{
    TableReader r(data, box);
    r.u32(); // version and flags
    switch (box.type) {
    case Mp4Tag("stsz"): {
        const std::uint32_t fixed = r.u32();
        const std::uint32_t n = fixed ? r.u32() : r.count(4);
        if (n > kMaxSamples || n > t.fileSize)
            return false;
        t.sizes.assign(n, fixed);
        if (!fixed)
            for (auto& s : t.sizes)
                s = r.u32();
        break;
    }
    case Mp4Tag("stco"):
    case Mp4Tag("co64"): {
        const bool wide = box.type == Mp4Tag("co64");
        const std::uint32_t n = r.count(wide ? 8 : 4);
        t.chunkOffsets.resize(n);
        for (auto& o : t.chunkOffsets)
            o = wide ? r.u64() : r.u32();
        break;
    }
    case Mp4Tag("stsc"): {
        const std::uint32_t n = r.count(12);
        for (std::uint32_t k = 0; k < n; ++k) {
            t.chunkFirst.push_back(r.u32());
            t.chunkSamples.push_back(r.u32());
            r.u32();
        }
        break;
    }
    case Mp4Tag("stts"): {
        const std::uint32_t n = r.count(8);
        for (std::uint32_t k = 0; k < n; ++k) {
            t.sttsCount.push_back(r.u32());
            t.sttsDelta.push_back(r.u32());
        }
        break;
    }
    case Mp4Tag("stss"): {
        const std::uint32_t n = r.count(4);
        t.keys.emplace(n);
        for (auto& k : *t.keys)
            k = r.u32();
        break;
    }
    case Mp4Tag("ctts"): {
        const std::uint32_t n = r.count(8);
        for (std::uint32_t k = 0; k < n; ++k) {
            r.u32();
            track.reorders = track.reorders || r.u32() != 0;
        }
        break;
    }
    case Mp4Tag("stsd"):
        track.stsd = wholeBox(data, box);
        break;
    case Mp4Tag("stz2"):
        return false; // compact sizes: no encoder this program meets writes them
    default:
        break;
    }
    return r.ok;
}

bool buildSamples(const Tables& t, Mp4Track& track)
{
    const std::size_t n = t.sizes.size();
    std::uint64_t timed = 0;
    for (std::uint32_t c : t.sttsCount)
        timed += c;
    if (timed != n || t.chunkFirst.empty() || t.chunkFirst.front() != 1)
        return false;
    track.samples.resize(n);
    std::int64_t dts = 0;
    std::size_t s = 0;
    for (std::size_t e = 0; e < t.sttsCount.size(); ++e)
        for (std::uint32_t k = 0; k < t.sttsCount[e]; ++k, ++s) {
            track.samples[s].dts = dts;
            track.samples[s].duration = t.sttsDelta[e];
            dts += t.sttsDelta[e];
        }
    s = 0;
    for (std::size_t e = 0; e < t.chunkFirst.size() && s < n; ++e) {
        const std::uint64_t until = e + 1 < t.chunkFirst.size() ? t.chunkFirst[e + 1] : t.chunkOffsets.size() + 1;
        if (t.chunkFirst[e] < 1 || until < t.chunkFirst[e] || until > t.chunkOffsets.size() + 1)
            return false;
        for (std::uint64_t chunk = t.chunkFirst[e]; chunk < until && s < n; ++chunk) {
            std::uint64_t offset = t.chunkOffsets[chunk - 1];
            for (std::uint32_t k = 0; k < t.chunkSamples[e] && s < n; ++k, ++s) {
                if (offset > t.fileSize || t.sizes[s] > t.fileSize - offset)
                    return false;
                track.samples[s].offset = offset;
                track.samples[s].size = t.sizes[s];
                offset += t.sizes[s];
            }
        }
    }
    if (s != n)
        return false;
    if (!t.keys) {
        for (auto& sample : track.samples)
            sample.key = true;
    } else {
        for (std::uint32_t k : *t.keys)
            if (k >= 1 && k <= n)
                track.samples[k - 1].key = true;
    }
    return true;
}

bool readEdits(const std::string& data, const Mp4Box& elst, Mp4Track& track)
{
    TableReader r(data, elst);
    const bool wide = (r.u32() >> 24) == 1;
    const std::uint32_t n = r.count(wide ? 20 : 12);
    std::vector<std::pair<std::uint64_t, std::int64_t>> edits;
    for (std::uint32_t k = 0; k < n && r.ok; ++k) {
        const std::uint64_t duration = wide ? r.u64() : r.u32();
        const std::int64_t media = wide ? static_cast<std::int64_t>(r.u64()) : static_cast<std::int32_t>(r.u32());
        if (r.u32() != 0x00010000)
            track.plainEdits = false;
        edits.emplace_back(duration, media);
    }
    if (!edits.empty() && edits.front().second == -1) {
        track.editDelay = edits.front().first;
        edits.erase(edits.begin());
    }
    if (edits.size() > 1 || (edits.size() == 1 && edits.front().second < 0))
        track.plainEdits = false;
    if (!edits.empty())
        track.editMediaTime = edits.front().second;
    return r.ok;
}

// One track's boxes from the movie box `data`, which the walk reads.
bool readTrack(Mp4BoxWalker& boxes, const std::string& data, const Mp4Box& trak, Mp4Track& track)
{
    Tables tables;
    tables.fileSize = boxes.fileSize();
    const bool ok = boxes.children(data, trak, [&](const Mp4Box& b) {
        if (b.type == Mp4Tag("tkhd"))
            track.tkhd = wholeBox(data, b);
        if (b.type == Mp4Tag("edts"))
            return boxes.children(data, b, [&](const Mp4Box& e) {
                return e.type != Mp4Tag("elst") || readEdits(data, e, track);
            });
        if (b.type != Mp4Tag("mdia"))
            return true;
        return boxes.children(data, b, [&](const Mp4Box& m) {
            if (m.type == Mp4Tag("mdhd")) {
                track.mdhd = wholeBox(data, m);
                track.timescale = timescaleOf(data, m);
            }
            if (m.type == Mp4Tag("hdlr")) {
                track.hdlr = wholeBox(data, m);
                TableReader r(data, m);
                r.u32(), r.u32();
                track.handler = r.u32();
                return r.ok;
            }
            if (m.type != Mp4Tag("minf"))
                return true;
            return boxes.children(data, m, [&](const Mp4Box& i) {
                if (i.type != Mp4Tag("stbl")) {
                    track.mediaInfo += wholeBox(data, i);
                    return true;
                }
                return boxes.children(data, i, [&](const Mp4Box& t) { return readTable(data, t, tables, track); });
            });
        });
    });
    return ok && track.timescale > 0 && !track.tkhd.empty() && !track.stsd.empty() && buildSamples(tables, track);
}

} // namespace

std::size_t Mp4Track::sampleAt(std::int64_t dts) const
{
    return static_cast<std::size_t>(
        std::lower_bound(samples.begin(), samples.end(), dts, [](const Mp4Sample& s, std::int64_t t) { return s.dts < t; })
        - samples.begin());
}

std::uint32_t Mp4Track::grid() const
{
    std::uint32_t step = 0;
    for (const Mp4Sample& s : samples)
        step = std::gcd(step, s.duration);
    return step > 0 && static_cast<double>(timescale) / step <= kMostGridFps ? step : 0;
}

std::int64_t StandingPictureMs(const Mp4Movie& movie, std::int64_t atMs)
{
    const Mp4Track* video = movie.readable ? movie.track(Mp4Tag("vide")) : nullptr;
    if (!video || video->timescale == 0 || movie.timescale == 0 || video->samples.empty() || video->reorders
        || !video->plainEdits || atMs < 0)
        return atMs;
    // As the encoder's reader shows a sample: after the empty edit, from
    // the media time the edit starts at.
    const std::int64_t late = static_cast<std::int64_t>(static_cast<unsigned __int128>(video->editDelay)
                                                        * video->timescale / movie.timescale)
        - video->editMediaTime;
    const std::int64_t at = atMs * video->timescale / 1000;
    const std::size_t after = video->sampleAt(at - late + 1);
    if (after == 0)
        return atMs;
    const std::int64_t shown = video->samples[after - 1].dts + late;
    return shown < 0 ? atMs : std::min(atMs, shown * 1000 / video->timescale);
}

const Mp4Track* Mp4Movie::track(std::uint32_t handler) const
{
    for (const Mp4Track& t : tracks)
        if (t.handler == handler)
            return &t;
    return nullptr;
}

Mp4Movie ReadMp4Movie(std::uint64_t size, const Mp4Bytes& readAt)
{
    Mp4BoxWalker boxes(size, readAt);
    Mp4Movie movie;
    // The first movie box, as the encoder takes it, read whole.
    std::string moov;
    Mp4Box moovBox;
    const bool walked = boxes.top([&](const Mp4Box& box) {
        // A file cut off, or fragmented, holds samples no table lists.
        if (box.end > size || box.type == Mp4Tag("moof"))
            return false;
        if (box.type == Mp4Tag("ftyp") && movie.ftyp.empty())
            return boxes.load(box, Mp4Limits::kBytesRead, movie.ftyp);
        if (box.type == Mp4Tag("moov") && moov.empty()) {
            moovBox = Mp4BoxWalker::Loaded(box);
            return boxes.load(box, Mp4Limits::kBytesRead, moov);
        }
        return true;
    });
    if (!walked || moov.empty() || movie.ftyp.empty())
        return {};
    std::uint64_t samples = 0;
    const bool ok = boxes.children(moov, moovBox, [&](const Mp4Box& b) {
        if (b.type == Mp4Tag("mvex"))
            return false;
        if (b.type == Mp4Tag("mvhd")) {
            movie.mvhd = wholeBox(moov, b);
            movie.timescale = timescaleOf(moov, b);
        }
        if (b.type != Mp4Tag("trak"))
            return true;
        Mp4Track track;
        if (movie.tracks.size() >= Mp4Limits::kTracks || !readTrack(boxes, moov, b, track))
            return false;
        samples += track.samples.size();
        movie.tracks.push_back(std::move(track));
        return samples <= kMaxSamples;
    });
    if (!ok || movie.mvhd.empty() || movie.timescale == 0)
        return {};
    movie.readable = true;
    return movie;
}

Mp4Movie ReadMp4Movie(const std::string& path)
{
    return ReadFileWith(path, Mp4Movie{}, [](std::uint64_t size, const ReadAt& readAt) { return ReadMp4Movie(size, readAt); });
}

std::string CodecHeaderIn(const std::string& stsd)
{
    // stsd: full box header, count, then one sample entry whose boxes follow
    // its fixed fields; the codec header is the box named like 'avcC' after them.
    for (const char* name : {"avcC", "hvcC"}) {
        const std::size_t at = stsd.find(name);
        if (at == std::string::npos || at < 4)
            continue;
        const auto* p = reinterpret_cast<const std::uint8_t*>(stsd.data()) + at - 4;
        const std::uint32_t size = Mp4Be32(p);
        if (size >= 8 && at - 4 + size <= stsd.size())
            return stsd.substr(at - 4, size);
    }
    return {};
}

} // namespace media
