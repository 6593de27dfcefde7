#include "editing/exact_cut_plan.h"

#include "encoder/files_only.h"
#include "media/stretch_join.h"
#include "platform/command_line.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>

namespace editing {

using platform::quoteArgument;
using encoder::kFilesOnly;
using media::ConcatListFile;
using media::ListablePath;

namespace {

// Frames encoded again are held this close to the ones they replace (SSIM
// of about 0.99 on detailed pictures); the cap is no header field, so the
// headers stay the source's. The pieces are encoded with the cheapest
// search: every setting that reaches the headers is given after it.
constexpr const char* kQualityCap = "qpmax=18";

std::int64_t toInt(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

std::string trimmed(const std::string& text)
{
    const auto begin = text.find_first_not_of(' ');
    const auto end = text.find_last_not_of(' ');
    return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

// Microseconds at or before `ticks`, or at or after it. A time base has at
// most a few hundred thousand ticks a second, so no product here comes near
// the range of 64 bits.
std::int64_t microsDown(std::int64_t ticks, std::int64_t perSecond)
{
    const std::int64_t scaled = ticks * 1000000;
    std::int64_t q = scaled / perSecond;
    if (scaled % perSecond != 0 && scaled < 0)
        --q;
    return q;
}

std::int64_t microsUp(std::int64_t ticks, std::int64_t perSecond)
{
    const std::int64_t down = microsDown(ticks, perSecond);
    return down * perSecond == ticks * 1000000 ? down : down + 1;
}

std::string micros(std::int64_t us)
{
    char text[48];
    std::snprintf(text, sizeof text, "%s%lld.%06lld", us < 0 ? "-" : "", static_cast<long long>(std::llabs(us) / 1000000),
                  static_cast<long long>(std::llabs(us) % 1000000));
    return text;
}

// The instant of a mark in ticks, half a millisecond late: the player
// tells the position of the frame it shows to the microsecond, and the
// mark keeps it to the millisecond.
std::int64_t markTicks(std::int64_t ms, std::int64_t perSecond)
{
    return (ms * 2 + 1) * perSecond / 2000;
}

// The frame on screen at `at`: the latest one that starts by then. None when
// the listing does not start with a keyframe at or before it.
std::optional<std::int64_t> frameAt(const PacketScan& scan, std::int64_t at)
{
    if (scan.packets.empty() || !scan.packets.front().key)
        return std::nullopt;
    std::optional<std::int64_t> found;
    for (const CutPacket& p : scan.packets)
        if (p.pts <= at && (!found || p.pts > *found))
            found = p.pts;
    return found;
}

int framesIn(const PacketScan& scan, std::int64_t from, std::int64_t until, bool untilIncluded)
{
    return static_cast<int>(std::count_if(scan.packets.begin(), scan.packets.end(), [&](const CutPacket& p) {
        return p.pts >= from && (untilIncluded ? p.pts <= until : p.pts < until);
    }));
}

// One frame's duration: the stream's grid where known, else the shortest of
// the packets' own, else the smallest step between their presentation
// times. A picture may stand for several.
std::int64_t frameDuration(const PacketScan& scan)
{
    if (scan.grid > 0)
        return scan.grid;
    std::int64_t shortest = 0;
    for (const CutPacket& p : scan.packets)
        if (p.duration > 0 && (shortest == 0 || p.duration < shortest))
            shortest = p.duration;
    if (shortest > 0)
        return shortest;
    std::vector<std::int64_t> times;
    for (const CutPacket& p : scan.packets)
        times.push_back(p.pts);
    std::sort(times.begin(), times.end());
    std::int64_t step = 0;
    for (std::size_t k = 1; k < times.size(); ++k)
        if (times[k] > times[k - 1] && (step == 0 || times[k] - times[k - 1] < step))
            step = times[k] - times[k - 1];
    return step;
}

// How long the frame at `pts` stands: until the next one listed, else its
// own duration, else one frame.
std::int64_t standing(const PacketScan& scan, std::int64_t pts, std::int64_t frame)
{
    std::optional<std::int64_t> next;
    std::int64_t own = 0;
    for (const CutPacket& p : scan.packets) {
        if (p.pts > pts && (!next || p.pts < *next))
            next = p.pts;
        if (p.pts == pts)
            own = p.duration;
    }
    return next ? *next - pts : own > 0 ? own : frame;
}

// A frame that stands for more than one and a half is a picture repeated
// in time: the marks cut it at their own frames' instants.
bool standsForMany(std::int64_t stands, std::int64_t frame) { return 2 * stands > 3 * frame; }

} // namespace

PacketScan ParsePacketScan(const std::string& listing)
{
    PacketScan scan;
    std::istringstream in(listing);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("#tb 0: 1/", 0) == 0) {
            scan.ticksPerSecond = toInt(line.substr(9));
            continue;
        }
        if (line.rfind("#extradata 0:", 0) == 0) {
            scan.headerCheck = trimmed(line.substr(13));
            continue;
        }
        if (line.rfind("0,", 0) != 0)
            continue;
        std::vector<std::string> fields;
        std::istringstream parts(line);
        std::string field;
        while (std::getline(parts, field, ','))
            fields.push_back(trimmed(field));
        if (fields.size() < 6)
            continue;
        CutPacket p;
        p.dts = toInt(fields[1]);
        p.pts = toInt(fields[2]);
        p.duration = toInt(fields[3]);
        // A packet without flags is a keyframe; otherwise bit 1 says so.
        p.key = true;
        for (std::size_t k = 6; k < fields.size(); ++k)
            if (fields[k].rfind("F=", 0) == 0)
                p.key = (std::strtol(fields[k].c_str() + 2, nullptr, 16) & 1) != 0;
        scan.packets.push_back(p);
    }
    return scan;
}

std::string X264OptionsIn(const std::string& bytes)
{
    static constexpr std::string_view kMarker = "options: ";
    const std::size_t at = bytes.find(kMarker);
    if (at == std::string::npos)
        return {};
    std::size_t end = at + kMarker.size();
    while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) >= 0x20 && bytes[end] != 0x7f)
        ++end;
    return bytes.substr(at + kMarker.size(), end - at - kMarker.size());
}

namespace {

// A value copied into the encoder's x264 settings: a number, and nothing
// that could start another setting (":") or name a file.
bool plainNumber(const std::string& value)
{
    return !value.empty() && value.find_first_not_of("0123456789.-") == std::string::npos;
}

// The words x264 writes for the few settings that are not numbers.
bool plainValue(const std::string& key, const std::string& value)
{
    if (key == "keyint" && value == "infinite")
        return true;
    if (key == "nal_hrd")
        return value == "none" || value == "vbr" || value == "cbr";
    return plainNumber(value);
}

// "1:a:b" is on with the two strengths, "0:a:b" off: as x264 takes them,
// from the numbers read, never the text.
std::optional<std::string> deblockSetting(const std::string& value)
{
    if (value.size() < 5 || (value[0] != '0' && value[0] != '1') || value[1] != ':')
        return std::nullopt;
    const std::size_t second = value.find(':', 2);
    if (second == std::string::npos)
        return std::nullopt;
    const std::string a = value.substr(2, second - 2);
    const std::string b = value.substr(second + 1);
    const auto integer = [](const std::string& t) {
        const std::size_t digits = t.rfind('-', 0) == 0 ? 1 : 0;
        return t.size() > digits && t.size() <= digits + 2
            && t.find_first_not_of("0123456789", digits) == std::string::npos;
    };
    if (!integer(a) || !integer(b))
        return std::nullopt;
    if (value[0] == '0')
        return std::string("no-deblock=1");
    return "deblock=" + std::to_string(std::stoi(a)) + "," + std::to_string(std::stoi(b));
}

} // namespace

std::string X264ParamsFor(const std::string& options)
{
    std::map<std::string, std::string> o;
    std::istringstream in(options);
    std::string token;
    while (in >> token) {
        const std::size_t eq = token.find('=');
        if (eq != std::string::npos)
            o[token.substr(0, eq)] = token.substr(eq + 1);
    }
    for (const char* needed : {"cabac", "ref", "deblock", "8x8dct", "bframes", "keyint", "rc", "chroma_qp_offset"})
        if (!o.count(needed))
            return {};
    if (o["interlaced"] != "0" && o.count("interlaced"))
        return {};
    if (o.count("fake_interlaced") && o["fake_interlaced"] != "0")
        return {};

    std::string params;
    const auto add = [&params](const std::string& setting) { params += (params.empty() ? "" : ":") + setting; };
    // Each of these is written into the headers, or decides what is. A file
    // is no more than a file: a value that is not plain refuses the lot.
    for (const char* key : {"cabac", "ref", "8x8dct", "bframes", "b_pyramid", "weightb", "weightp", "open_gop",
                            "keyint", "keyint_min", "constrained_intra", "stitchable", "bluray_compat",
                            "intra_refresh", "chroma_qp_offset", "vbv_maxrate", "vbv_bufsize", "nal_hrd"}) {
        if (!o.count(key))
            continue;
        if (!plainValue(key, o[key]))
            return {};
        std::string name = key;
        std::replace(name.begin(), name.end(), '_', '-');
        add(name + "=" + o[key]);
    }
    const auto deblock = deblockSetting(o["deblock"]);
    if (!deblock)
        return {};
    add(*deblock);
    if (o["cqm"] == "0" || !o.count("cqm"))
        add("cqm=flat");
    else
        return {}; // a custom matrix is not in the options text
    // The written chroma offset already holds what psy tuning added to it.
    add("psy=0");
    const std::string rc = o["rc"];
    const char* rate = rc == "crf" ? "crf" : rc == "cqp" ? "qp" : rc == "abr" || rc == "cbr" ? "bitrate" : nullptr;
    if (!rate || !o.count(rate) || !plainNumber(o[rate]))
        return {};
    add(std::string(rate) + "=" + o[rate]);
    add(kQualityCap);
    return params;
}

ExactCutPlan PlanExactCut(const PacketScan& nearStart, const PacketScan& nearEnd, std::int64_t startMs,
                          std::int64_t endMs)
{
    ExactCutPlan plan;
    const std::int64_t perSecond = nearStart.ticksPerSecond;
    if (perSecond <= 0 || nearEnd.ticksPerSecond != perSecond || endMs <= startMs)
        return plan;
    const auto first = frameAt(nearStart, markTicks(startMs, perSecond));
    const auto last = frameAt(nearEnd, markTicks(endMs, perSecond));
    if (!first || !last || *last < *first)
        return plan;
    plan.ticksPerSecond = perSecond;
    plan.first = *first;
    plan.last = *last;
    plan.frame = frameDuration(nearStart);
    if (plan.frame <= 0)
        return plan;
    const std::int64_t firstStands = standing(nearStart, plan.first, plan.frame);
    const std::int64_t lastStands = standing(nearEnd, plan.last, plan.frame);
    plan.start = plan.first;
    if (standsForMany(firstStands, plan.frame))
        plan.start += (markTicks(startMs, perSecond) - plan.first) / plan.frame * plan.frame;
    plan.end = plan.last + plan.frame;
    if (standsForMany(lastStands, plan.frame))
        plan.end = plan.last
            + std::min(lastStands, ((markTicks(endMs, perSecond) - plan.last) / plan.frame + 1) * plan.frame);
    if (plan.end <= plan.start)
        return plan;

    // The first keyframe from the first frame on, and the last one up to the
    // last frame. A copy that starts the cut must not start with pictures
    // decoded before they are shown (B-frames): the encoder would move the
    // pictures against the sound to keep its decoding times from going
    // below zero. Such a cut starts with frames encoded again.
    const bool reorders = std::any_of(nearStart.packets.begin(), nearStart.packets.end(),
                                      [](const CutPacket& p) { return p.dts != p.pts; });
    std::optional<std::int64_t> copyFrom;
    for (const CutPacket& p : nearStart.packets)
        if (p.key && (p.pts > plan.first || (p.pts == plan.first && !reorders)) && (!copyFrom || p.pts < *copyFrom))
            copyFrom = p.pts;
    const CutPacket* tailKey = nullptr;
    for (const CutPacket& p : nearEnd.packets)
        if (p.key && p.pts <= plan.last && (!tailKey || p.pts > tailKey->pts))
            tailKey = &p;

    if (!copyFrom || *copyFrom > plan.last || !tailKey) {
        // No keyframe among the kept frames: every one is encoded again.
        plan.headFrames = framesIn(nearStart, plan.first, plan.last, true);
        plan.possible = plan.headFrames > 0;
        return plan;
    }
    plan.headFrames = framesIn(nearStart, plan.first, *copyFrom, false);
    plan.copyFrom = *copyFrom;
    plan.copyUntil = tailKey->pts;
    plan.copyUntilDts = tailKey->dts;
    plan.copies = plan.copyUntil > plan.copyFrom;
    plan.tailFrames = framesIn(nearEnd, tailKey->pts, plan.last, true);
    plan.possible = plan.tailFrames > 0;
    return plan;
}

std::string TicksToSeconds(std::int64_t ticks, std::int64_t ticksPerSecond)
{
    return micros(microsDown(ticks, ticksPerSecond));
}

std::string BuildPacketScanCommandLine(const std::string& quotedTool, const std::string& source,
                                       const std::string& seconds)
{
    // Unparsed, a packet is a keyframe only where the container says a seek
    // can land: the parser also flags pictures that start no stretch of
    // their own (an encoder's scene cuts), which the copy cannot start at.
    return quotedTool + " -hide_banner -loglevel error -nostats -fflags +noparse -ss " + seconds + " -copyts" + kFilesOnly + " -i "
        + quoteArgument(source)
        + " -map 0:v:0 -c copy -f framecrc -";
}

std::string BuildOptionsProbeCommandLine(const std::string& quotedTool, const std::string& source)
{
    return quotedTool + " -hide_banner -loglevel error -nostats" + kFilesOnly + " -i " + quoteArgument(source)
        + " -map 0:v:0 -c copy -frames:v 1 -f h264 -";
}

std::string BuildPieceCommandLine(const std::string& quotedTool, const std::string& source,
                                  const std::string& seconds, int frames, const std::string& x264Params,
                                  const ExactCutPlan& plan, const std::string& output, std::int64_t shownFrom)
{
    const std::int64_t ticksPerSecond = plan.ticksPerSecond;
    // A picture may stand for many frames: the rate the encoder would guess
    // from a few of them is not the stream's.
    const std::string rate = plan.frame > 0
        ? " -r " + std::to_string(ticksPerSecond) + "/" + std::to_string(plan.frame)
        : std::string();
    // The first frame's clock moved on to where it is shown; the others keep theirs.
    const std::string later = shownFrom > 0
        ? " -vf " + quoteArgument("setpts='max(PTS-" + TicksToSeconds(shownFrom, ticksPerSecond) + "/TB,0)'")
        : std::string();
    return quotedTool + " -hide_banner -ss " + seconds + kFilesOnly + " -i " + quoteArgument(source)
        + " -map 0:v:0" + later + " -frames:v " + std::to_string(frames) + " -c:v libx264 -preset ultrafast -x264-params "
        + quoteArgument(x264Params) + " -map_metadata -1" + rate + " -fps_mode passthrough -video_track_timescale "
        + std::to_string(ticksPerSecond) + " -an -y -f mp4 " + quoteArgument(output);
}

std::string BuildExactCutList(const ExactCutPlan& plan, const std::string& source, const std::string& head,
                              const std::string& tail)
{
    if (!ListablePath(source) || !ListablePath(head) || !ListablePath(tail))
        return {};
    const std::int64_t tps = plan.ticksPerSecond;
    const auto duration = [tps](std::int64_t ticks) { return "duration " + TicksToSeconds(ticks, tps) + "\n"; };
    std::string list = "ffconcat version 1.0\n";
    const bool hasTail = plan.tailFrames > 0;
    const std::int64_t headEnd = hasTail ? (plan.copies ? plan.copyFrom : plan.copyUntil) : plan.end;
    if (!head.empty())
        list += ConcatListFile(head) + duration(headEnd - plan.start);
    if (plan.copies) {
        // The copy starts at its keyframe, never before it, and ends before
        // the decoding time of the next piece's keyframe.
        list += ConcatListFile(source) + "inpoint " + micros(microsUp(plan.copyFrom, tps)) + "\noutpoint "
            + micros(microsDown(plan.copyUntilDts, tps)) + "\n" + duration(plan.copyUntil - plan.copyFrom);
    }
    if (hasTail && !tail.empty())
        list += ConcatListFile(tail) + duration(plan.end - plan.copyUntil);
    return list;
}

std::string BuildExactJoinCommandLine(const std::string& quotedTool, const std::string& list,
                                      const ExactCutPlan& plan, const std::string& source,
                                      const std::string& output)
{
    // The timestamps are kept as the inputs give them: the list's pictures
    // already start at zero, and the sound is moved by the first frame's
    // time. Left to itself, the encoder would start the list where its first
    // file's earliest packet starts, which is sound when the copy comes
    // first, and move the pictures against the sound.
    const std::string first = TicksToSeconds(plan.start, plan.ticksPerSecond);
    return quotedTool + " -hide_banner -copyts -f concat -safe 0" + kFilesOnly + " -i " + quoteArgument(list) + " -ss "
        + first + " -itsoffset -" + first + kFilesOnly + " -i " + quoteArgument(source) + " -map 0:v -map 1:a? -c copy -t "
        + TicksToSeconds(plan.length(), plan.ticksPerSecond) + " -y -f mp4 " + quoteArgument(output);
}

std::string HeaderCheckOfMp4(const std::string& bytes)
{
    // The movie box follows the media data in the pieces this program
    // writes: the last 'avcC' is the header's, not picture data.
    const std::size_t at = bytes.rfind("avcC");
    if (at == std::string::npos || at < 4)
        return {};
    std::uint32_t size = 0;
    for (std::size_t k = at - 4; k < at; ++k)
        size = (size << 8) | static_cast<unsigned char>(bytes[k]);
    if (size < 8 || at - 4 + size > bytes.size())
        return {};
    // As the encoder's frame listing sums it: Adler-32 from 0.
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    for (std::size_t k = at + 4; k < at - 4 + size; ++k) {
        a = (a + static_cast<unsigned char>(bytes[k])) % 65521;
        b = (b + a) % 65521;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%u, 0x%08x", size - 8, (b << 16) | a);
    return text;
}

} // namespace editing
