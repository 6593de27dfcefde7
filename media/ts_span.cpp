#include "media/ts_span.h"

#include "media/file_reader.h"
#include "media/recorder_streams.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace media {

namespace {

// Every packet is this long; the 192- and 204-byte forms that carry a time
// code or error correction are not read.
constexpr std::size_t kPacketBytes = 188;
// The head holds the tables and the first frame of each stream: the encoder
// writes them before anything else, so a few hundred bytes would do; the
// rest is room for a file whose tables come late.
constexpr std::uint64_t kHeadBytes = 4u << 20;
// The tail must hold the starts of the last two pictures. A 4K screen of
// pure noise at the recorder's quality (libx264 superfast, crf 26) makes a
// 3.5 MB picture; two of them fit.
constexpr std::uint64_t kTailBytes = 8u << 20;
// Together at most 12 MB read a file: 67,000 packets, each looked at up to
// three times.
static_assert(kHeadBytes + kTailBytes == kTsSpanMostBytesRead);
// A stream that does not start at the first byte is looked for this far in:
// room for a header another program may have put before it.
constexpr std::size_t kSyncSearchBytes = 64u << 10;
// A sync byte at this many packet starts in a row: random bytes have one
// chance in 2^40 a place, and the tables' check sums must hold besides.
constexpr std::size_t kSyncPackets = 5;
// A program table section is at most 1024 bytes long.
constexpr std::size_t kMaxSectionBytes = 1024;
constexpr std::uint64_t kPtsWrap = 1ull << 33; // 90 kHz ticks
// A last step over a minute is no frame's length but pictures sent out of
// order, whose difference wraps round; it counts as none.
constexpr std::uint64_t kLongestStepTicks = 60 * 90000;
constexpr std::uint8_t kH264 = 0x1b;
constexpr std::uint8_t kAdtsAac = 0x0f;
constexpr std::uint16_t kServiceDescriptionPid = 0x11;
constexpr std::uint16_t kNoPid = 0xffff; // past the 13 bits a PID has

struct Packet {
    std::uint16_t pid = 0;
    bool unitStart = false; // a PES or a table section starts in it
    const std::uint8_t* payload = nullptr;
    std::size_t payloadSize = 0;
};

// The packet at `p`, kPacketBytes long; false for one without its sync
// byte, marked damaged or scrambled, or whose adaptation field overruns it.
bool packetAt(const std::uint8_t* p, Packet& packet)
{
    if (p[0] != 0x47 || (p[1] & 0x80) || (p[3] & 0xc0))
        return false;
    const int control = (p[3] >> 4) & 3;
    const std::size_t at = (control & 2) ? 5u + p[4] : 4u;
    if (control == 0 || at > kPacketBytes)
        return false;
    packet.pid = static_cast<std::uint16_t>(((p[1] & 0x1f) << 8) | p[2]);
    packet.unitStart = (p[1] & 0x40) != 0;
    packet.payload = p + at;
    packet.payloadSize = (control & 1) ? kPacketBytes - at : 0;
    return true;
}

constexpr auto kCrcTable = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 0x80000000u) ? (c << 1) ^ 0x04c11db7u : c << 1;
        table[i] = c;
    }
    return table;
}();

// A whole current section of that table, at least `least` bytes long, whose
// check sum holds (run over the sum itself, it gives zero).
bool isSection(const std::vector<std::uint8_t>& s, std::uint8_t table, std::size_t least)
{
    if (s.size() < least || s[0] != table || !(s[1] & 0x80) || !(s[5] & 1))
        return false;
    std::uint32_t crc = 0xffffffffu;
    for (std::uint8_t b : s)
        crc = (crc << 8) ^ kCrcTable[((crc >> 24) ^ b) & 0xff];
    return crc == 0;
}

// One table section of a PID, gathered over the packets that carry it.
class Section {
public:
    // True when `packet` completes a section, which bytes() then holds.
    bool add(const Packet& packet)
    {
        const std::uint8_t* data = packet.payload;
        const std::size_t size = packet.payloadSize;
        if (packet.unitStart) {
            // The pointer field says where the new section starts.
            collecting_ = size > 0 && data[0] < size - 1;
            if (collecting_)
                bytes_.assign(data + 1 + data[0], data + size);
        } else if (collecting_) {
            bytes_.insert(bytes_.end(), data, data + size);
        }
        if (!collecting_ || bytes_.size() < 3)
            return false;
        const std::size_t length = 3 + (((bytes_[1] & 0x0f) << 8) | bytes_[2]);
        if (length > kMaxSectionBytes) {
            collecting_ = false;
        } else if (bytes_.size() >= length) {
            bytes_.resize(length);
            collecting_ = false;
            return true;
        }
        return false;
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    bool collecting_ = false;
};

// Sound types: MPEG audio, AAC (ADTS, LATM, raw) and the AC-3, DTS and
// TrueHD family some broadcasters and discs give types of their own.
bool isSoundType(std::uint8_t type)
{
    return type == 0x03 || type == 0x04 || type == 0x0f || type == 0x11 || type == 0x1c
        || (type >= 0x81 && type <= 0x87);
}

// Sound carried as private data (type 0x06) names itself in a descriptor:
// AC-3, E-AC-3, DTS or AAC, or a registration of Opus, AC-3, E-AC-3 or DTS.
bool describesSound(const std::uint8_t* d, std::size_t size)
{
    for (std::size_t at = 0; size - at >= 2 && d[at + 1] <= size - at - 2; at += 2 + d[at + 1]) {
        const std::uint8_t tag = d[at];
        if (tag == 0x6a || tag == 0x7a || tag == 0x7b || tag == 0x7c)
            return true;
        if (tag == 0x05 && d[at + 1] >= 4) {
            const std::string name(reinterpret_cast<const char*>(d + at + 2), 4);
            for (const char* sound : {"Opus", "AC-3", "EAC3", "DTS1", "DTS2", "DTS3"})
                if (name == sound)
                    return true;
        }
    }
    return false;
}

// The PTS of a PES that starts in `packet`; none when its header is cut
// short, tells none, or breaks its marker bits.
std::optional<std::uint64_t> ptsOf(const Packet& packet)
{
    const std::uint8_t* b = packet.payload;
    if (!packet.unitStart || packet.payloadSize < 14 || b[0] != 0 || b[1] != 0 || b[2] != 1)
        return std::nullopt;
    if ((b[6] & 0xc0) != 0x80 || !(b[7] & 0x80) || b[8] < 5)
        return std::nullopt;
    const std::uint8_t* t = b + 9;
    if (!(t[0] & 1) || !(t[2] & 1) || !(t[4] & 1))
        return std::nullopt;
    return (std::uint64_t(t[0] >> 1 & 7) << 30) | (std::uint64_t(t[1]) << 22) | (std::uint64_t(t[2] >> 1) << 15)
        | (std::uint64_t(t[3]) << 7) | (t[4] >> 1);
}

struct Stream {
    std::uint16_t pid = kNoPid;
    std::optional<std::uint64_t> first;
    std::optional<std::uint64_t> last;
    std::optional<std::uint64_t> beforeLast;

    // The span in microseconds; the wrap of 33 bits taken off.
    std::int64_t microseconds() const
    {
        if (!first || !last)
            return 0;
        const std::uint64_t run = (*last - *first) & (kPtsWrap - 1);
        // Below 2^34 ticks, so times 100 fits; rounded to nearest.
        return static_cast<std::int64_t>(((run + lastStep()) * 100 + 4) / 9);
    }
    std::int64_t lastStepMicros() const { return static_cast<std::int64_t>((lastStep() * 100 + 4) / 9); }

private:
    std::uint64_t lastStep() const
    {
        const std::uint64_t step = beforeLast && last ? (*last - *beforeLast) & (kPtsWrap - 1) : 0;
        return step > kLongestStepTicks ? 0 : step;
    }
};

class TsReader {
public:
    TsReader(std::uint64_t size, const TsReadAt& readAt) : size_(size), readAt_(readAt) { }

    TsSpan span()
    {
        const std::vector<std::uint8_t> head = read(0, static_cast<std::size_t>(std::min(size_, kHeadBytes)));
        const auto sync = syncOf(head);
        if (!sync || !readTables(head, *sync))
            return {};
        TsSpan span;
        span.recorderStreams =
            programs_ == 1 && pictureStreams_ == 1 && aacStreams_ <= kRecorderSoundTracks && otherStreams_ == 0;
        span.aacStreams = aacStreams_;
        span.tablesOnly = *sync == 0 && size_ == head.size() && size_ % kPacketBytes == 0 && onlyTables(head);
        if (video_.pid == kNoPid)
            return span;
        // First and last in the order the file holds them: the recorder sends
        // no pictures out of order; for other files whose pictures come out
        // of order the span may miss a frame or two, which is good enough.
        eachPacket(head, *sync, [&](const Packet& packet) {
            for (Stream* stream : {&video_, &sound_})
                if (packet.pid == stream->pid && !stream->first)
                    stream->first = ptsOf(packet);
            return !video_.first || (sound_.pid != kNoPid && !sound_.first);
        });
        // The tail counts whole packets from the first, so a last one cut
        // short is left out.
        const std::uint64_t whole = (size_ - *sync) / kPacketBytes;
        const std::uint64_t tailPackets = std::min(whole, kTailBytes / kPacketBytes);
        const std::uint64_t tailAt = *sync + (whole - tailPackets) * kPacketBytes;
        std::vector<std::uint8_t> tail;
        const bool headHoldsAll = size_ <= head.size();
        if (!headHoldsAll)
            tail = read(tailAt, static_cast<std::size_t>(tailPackets * kPacketBytes));
        eachPacket(headHoldsAll ? head : tail, headHoldsAll ? *sync : 0, [&](const Packet& packet) {
            for (Stream* stream : {&video_, &sound_}) {
                if (packet.pid != stream->pid)
                    continue;
                if (const auto pts = ptsOf(packet)) {
                    stream->beforeLast = stream->last;
                    stream->last = pts;
                }
            }
            return true;
        });
        if (!video_.first || !video_.last)
            return span;
        span.readable = true;
        span.video = true;
        span.sound = sound_.pid != kNoPid;
        span.videoMicroseconds = video_.microseconds();
        span.videoLastStepMicros = video_.lastStepMicros();
        span.soundMicroseconds = span.sound ? sound_.microseconds() : 0;
        return span;
    }

private:
    std::vector<std::uint8_t> read(std::uint64_t at, std::size_t count)
    {
        std::vector<std::uint8_t> bytes(count);
        const long long got = count > 0 ? readAt_(at, bytes.data(), count) : 0;
        bytes.resize(got > 0 ? std::min(count, static_cast<std::size_t>(got)) : 0);
        return bytes;
    }

    // Where the packets start: the first place with sync bytes at packet
    // starts in a row, as many as the head holds up to kSyncPackets.
    static std::optional<std::size_t> syncOf(const std::vector<std::uint8_t>& head)
    {
        for (std::size_t at = 0; at < std::min(head.size(), kSyncSearchBytes); ++at) {
            const std::size_t packets = std::min(kSyncPackets, (head.size() - at) / kPacketBytes);
            if (packets == 0)
                break;
            std::size_t synced = 0;
            while (synced < packets && head[at + synced * kPacketBytes] == 0x47)
                ++synced;
            if (synced == packets)
                return at;
        }
        return std::nullopt;
    }

    // Each whole packet from `at` on, until `visit` returns false. Packets
    // without sync (zeros left by a power cut, say) are passed over.
    template <typename Visit>
    static void eachPacket(const std::vector<std::uint8_t>& bytes, std::size_t at, Visit visit)
    {
        Packet packet;
        for (; at <= bytes.size() && bytes.size() - at >= kPacketBytes; at += kPacketBytes)
            if (packetAt(bytes.data() + at, packet) && !visit(packet))
                return;
    }

    // True when every packet of `bytes` is a table's.
    bool onlyTables(const std::vector<std::uint8_t>& bytes) const
    {
        for (std::size_t at = 0; at + kPacketBytes <= bytes.size(); at += kPacketBytes) {
            Packet packet;
            if (!packetAt(bytes.data() + at, packet)
                || (packet.pid != 0 && packet.pid != mapPid_ && packet.pid != kServiceDescriptionPid))
                return false;
        }
        return true;
    }

    // The program association table, then the map of its first program; the
    // map is taken as the head first gives it.
    bool readTables(const std::vector<std::uint8_t>& head, std::size_t sync)
    {
        Section association;
        Section map;
        std::uint16_t& mapPid = mapPid_;
        bool mapped = false;
        eachPacket(head, sync, [&](const Packet& packet) {
            if (mapPid == kNoPid && packet.pid == 0 && association.add(packet)
                && isSection(association.bytes(), 0x00, 12))
                mapPid = programMapPid(association.bytes(), programs_);
            else if (packet.pid == mapPid && map.add(packet) && isSection(map.bytes(), 0x02, 16)) {
                readMap(map.bytes());
                mapped = true;
            }
            return !mapped;
        });
        return mapped;
    }

    // The PID of the first program's map; none when only the network is
    // listed. `programs` gets how many are listed besides the network.
    static std::uint16_t programMapPid(const std::vector<std::uint8_t>& s, int& programs)
    {
        std::uint16_t first = kNoPid;
        programs = 0;
        for (std::size_t at = 8; at + 4 <= s.size() - 4; at += 4)
            if (s[at] != 0 || s[at + 1] != 0) { // program 0 is the network's
                if (first == kNoPid)
                    first = static_cast<std::uint16_t>(((s[at + 2] & 0x1f) << 8) | s[at + 3]);
                ++programs;
            }
        return first;
    }

    // The first H.264 stream and the first sound stream of a program map.
    void readMap(const std::vector<std::uint8_t>& s)
    {
        const std::size_t end = s.size() - 4; // the check sum
        for (std::size_t at = 12 + (((s[10] & 0x0f) << 8) | s[11]); at + 5 <= end;) {
            const std::uint8_t type = s[at];
            const auto pid = static_cast<std::uint16_t>(((s[at + 1] & 0x1f) << 8) | s[at + 2]);
            const std::size_t described = ((s[at + 3] & 0x0f) << 8) | s[at + 4];
            if (described > end - at - 5) {
                ++otherStreams_; // a map cut short is no recorder's
                return;
            }
            if (type == kH264)
                ++pictureStreams_;
            else if (type == kAdtsAac)
                ++aacStreams_;
            else
                ++otherStreams_;
            if (type == kH264 && video_.pid == kNoPid)
                video_.pid = pid;
            else if (sound_.pid == kNoPid
                     && (isSoundType(type) || (type == 0x06 && describesSound(&s[at + 5], described))))
                sound_.pid = pid;
            at += 5 + described;
        }
    }

    const std::uint64_t size_;
    const TsReadAt& readAt_;
    std::uint16_t mapPid_ = kNoPid;
    int programs_ = 0;
    int pictureStreams_ = 0, aacStreams_ = 0, otherStreams_ = 0;
    Stream video_;
    Stream sound_;
};

} // namespace

TsSpan ReadTsSpan(const std::string& path)
{
    return ReadFileWith(path, TsSpan{},
                        [](std::uint64_t size, const TsReadAt& readAt) { return ReadTsSpan(size, readAt); });
}

TsSpan ReadTsSpan(std::uint64_t size, const TsReadAt& readAt) { return TsReader(size, readAt).span(); }

} // namespace media
