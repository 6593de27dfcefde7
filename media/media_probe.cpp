#include "media/media_probe.h"

#include "media/mp4_samples.h"

#include "encoder/files_only.h"
#include "encoder/runner.h"
#include "encoder/tool.h"
#include "platform/command_line.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

namespace media {

using encoder::PrepareTool;
using encoder::RunToolApart;
using encoder::kFilesOnly;

namespace {

// More than any listing of one file takes.
constexpr std::size_t kOutputMax = 256 * 1024;

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool startsWith(std::string_view s, std::string_view head) { return s.substr(0, head.size()) == head; }

bool endsWith(std::string_view s, std::string_view tail)
{
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

int toInt(std::string_view s) { return std::atoi(std::string(s).c_str()); }

// "a/b" or "a:b".
bool ratio(std::string_view s, int& num, int& den)
{
    const std::size_t at = s.find_first_of("/:");
    if (at == std::string_view::npos)
        return false;
    num = toInt(trim(s.substr(0, at)));
    den = toInt(trim(s.substr(at + 1)));
    return true;
}

// A rate as the encoder prints it: "60.97", "30", "90k".
double rateValue(std::string_view s)
{
    const double value = std::strtod(std::string(s).c_str(), nullptr);
    return endsWith(s, "k") ? value * 1000 : value;
}

// The layouts the encoder names, with their channels: the only names that
// reach a command line.
constexpr std::pair<std::string_view, int> kLayouts[] = {
    {"mono", 1},         {"stereo", 2},        {"downmix", 2},         {"binaural", 2},   {"2.1", 3},
    {"3.0", 3},          {"3.0(back)", 3},     {"4.0", 4},             {"quad", 4},       {"quad(side)", 4},
    {"3.1", 4},          {"5.0", 5},           {"5.0(side)", 5},       {"4.1", 5},        {"5.1", 6},
    {"5.1(side)", 6},    {"6.0", 6},           {"6.0(front)", 6},      {"hexagonal", 6},  {"3.1.2", 6},
    {"6.1", 7},          {"6.1(back)", 7},     {"6.1(front)", 7},      {"7.0", 7},        {"7.0(front)", 7},
    {"7.1", 8},          {"7.1(wide)", 8},     {"7.1(wide-side)", 8},  {"7.1(top)", 8},   {"octagonal", 8},
    {"cube", 8},         {"5.1.2", 8},         {"5.1.4", 10},          {"7.1.2", 10},     {"7.1.4", 12},
    {"7.2.3", 12},       {"9.1.4", 14},        {"9.1.6", 16},          {"hexadecagonal", 16}, {"22.2", 24},
};

bool onlyOf(std::string_view s, std::string_view allowed)
{
    return s.find_first_not_of(allowed) == std::string_view::npos;
}

constexpr std::string_view kDigits = "0123456789";
constexpr std::string_view kNameChars = "abcdefghijklmnopqrstuvwxyz0123456789_";

// The sound's layout as a command line may take it: a name the encoder
// knows, "<n> channels", or channel names ("FL+FR+LFE") dropped to their
// count. False for anything else: the file is then not read at all.
bool settleLayout(MediaSoundStream& s)
{
    if (s.layout.empty())
        return true;
    for (const auto& [name, channels] : kLayouts)
        if (s.layout == name) {
            s.channels = channels;
            return true;
        }
    const std::string_view layout = s.layout;
    if (endsWith(layout, " channels")) {
        const std::string_view count = layout.substr(0, layout.size() - 9);
        if (count.empty() || count.size() > 3 || !onlyOf(count, kDigits))
            return false;
        s.channels = toInt(count);
        return true;
    }
    if (layout.find('+') == std::string_view::npos
        || !onlyOf(layout, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+"))
        return false;
    s.channels = static_cast<int>(std::count(layout.begin(), layout.end(), '+')) + 1;
    s.layout = std::to_string(s.channels) + " channels";
    return true;
}

// Every text of `probe` that a command line may carry, as plain as its kind
// allows; a rate in thousands ("90k") is no rate to give back, so it is
// left to the number.
bool settleForCommandLines(MediaProbe& probe)
{
    MediaPictureStream& p = probe.picture;
    if (!p.frameRateText.empty() && endsWith(p.frameRateText, "k"))
        p.frameRateText.clear();
    return onlyOf(p.codec, kNameChars) && onlyOf(p.pixelFormat, kNameChars) && onlyOf(p.frameRateText, "0123456789./")
        && onlyOf(probe.sound.codec, kNameChars) && settleLayout(probe.sound);
}

// The description's fields, split at the commas outside brackets.
std::vector<std::string_view> fields(std::string_view s)
{
    std::vector<std::string_view> out;
    int depth = 0;
    std::size_t from = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '(' || s[i] == '[')
            ++depth;
        else if ((s[i] == ')' || s[i] == ']') && depth > 0)
            --depth;
        else if (s[i] == ',' && depth == 0) {
            out.push_back(trim(s.substr(from, i - from)));
            from = i + 1;
        }
    }
    out.push_back(trim(s.substr(from)));
    return out;
}

// "h264 (High) (avc1 / 0x31637661)": the codec's name and its profile, the
// bracket that is not a tag.
void codecAndProfile(std::string_view field, std::string& codec, std::string& profile)
{
    const std::size_t space = field.find(' ');
    codec = std::string(field.substr(0, space));
    for (std::size_t at = field.find('(', space == std::string_view::npos ? field.size() : space);
         at != std::string_view::npos; at = field.find('(', at + 1)) {
        const std::size_t end = field.find(')', at);
        if (end == std::string_view::npos)
            break;
        const std::string_view inside = field.substr(at + 1, end - at - 1);
        if (inside.find(" / 0x") == std::string_view::npos) {
            profile = std::string(inside);
            return;
        }
    }
}

// "  Stream #0:1(und): Video: ...": the stream's number and the text after
// its kind, or -1 for another line.
int describedStream(std::string_view line, std::string_view kind, std::string_view& rest)
{
    line = trim(line);
    if (!startsWith(line, "Stream #0:"))
        return -1;
    const std::size_t at = line.find(kind);
    if (at == std::string_view::npos)
        return -1;
    rest = line.substr(at + kind.size());
    return toInt(line.substr(10));
}

void readPicture(std::string_view text, MediaPictureStream& p)
{
    const std::vector<std::string_view> f = fields(text);
    codecAndProfile(f[0], p.codec, p.profile);
    double tbr = 0;
    double fps = 0;
    for (std::size_t i = 1; i < f.size(); ++i) {
        const std::string_view field = f[i];
        if (i == 1 && !(field[0] >= '0' && field[0] <= '9')) {
            p.pixelFormat = std::string(field.substr(0, field.find('(')));
        } else if (const std::size_t x = field.find('x'); p.width == 0 && x != std::string_view::npos && x > 0
                   && field[0] >= '1' && field[0] <= '9' && field.find(' ') > x) {
            p.width = toInt(field.substr(0, x));
            p.height = toInt(field.substr(x + 1));
            if (const std::size_t sar = field.find("[SAR "); sar != std::string_view::npos && p.sarDen == 0)
                ratio(field.substr(sar + 5, field.find(' ', sar + 5) - sar - 5), p.sarNum, p.sarDen);
        } else if (endsWith(field, " tbr")) {
            tbr = rateValue(field.substr(0, field.size() - 4));
            if (p.frameRateText.empty() || fps == 0)
                p.frameRateText = std::string(field.substr(0, field.size() - 4));
        } else if (endsWith(field, " fps")) {
            fps = rateValue(field.substr(0, field.size() - 4));
        }
    }
    p.frameRate = tbr > 0 ? tbr : fps;
}

void readSound(std::string_view text, MediaSoundStream& s)
{
    const std::vector<std::string_view> f = fields(text);
    codecAndProfile(f[0], s.codec, s.profile);
    for (std::size_t i = 1; i < f.size(); ++i) {
        const std::string_view field = f[i];
        if (endsWith(field, " Hz")) {
            if (s.sampleRate == 0)
                s.sampleRate = toInt(field);
            // The layout follows the rate.
            if (i + 1 < f.size() && s.layout.empty()) {
                s.layout = std::string(f[i + 1]);
            }
        }
    }
}

} // namespace

std::string BuildMediaProbeCommandLine(const std::string& quotedTool, const std::string& path)
{
    return quotedTool + " -hide_banner" + kFilesOnly + " -i " + platform::quoteArgument(path)
        + " -map 0:V:0? -map 0:a? -c copy -frames:v 1 -frames:a 1 -f framecrc - ";
}

namespace {

// Each line of `text`, at a line feed or a carriage return.
template <typename Each> void forEachLine(const std::string& text, Each each)
{
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t end = text.find_first_of("\r\n", from);
        if (end == std::string::npos)
            end = text.size();
        each(std::string_view(text.data() + from, end - from));
        from = end + 1;
    }
}

} // namespace

MediaProbe ParseMediaProbe(const std::string& listing, const std::string& said)
{
    MediaProbe probe;
    // Output number -> description. A file's name is repeated in what the
    // encoder says and may hold line breaks: only the last output section
    // counts, which comes after every name.
    std::map<int, std::string> descriptions;
    bool inOutput = false;
    forEachLine(said, [&](std::string_view line) {
        if (startsWith(line, "Output #0")) {
            inOutput = true;
            descriptions.clear();
        } else if (startsWith(line, "Input #") || startsWith(line, "Stream mapping")) {
            inOutput = false;
        }
        if (startsWith(trim(line), "Duration: ")) {
            const std::string_view t = trim(line).substr(10);
            if (t.size() >= 11 && t[2] == ':' && t[5] == ':')
                probe.durationMicros = (toInt(t.substr(0, 2)) * 3600LL + toInt(t.substr(3, 2)) * 60LL) * 1000000
                    + static_cast<std::int64_t>(std::strtod(std::string(t.substr(6, 5)).c_str(), nullptr) * 1e6 + 0.5);
            return;
        }
        if (!inOutput)
            return;
        std::string_view rest;
        int n = describedStream(line, "Video: ", rest);
        if (n < 0)
            n = describedStream(line, "Audio: ", rest);
        if (n >= 0)
            descriptions[n] = std::string(rest);
    });

    // Output number -> kind, from the listing; the description of the
    // output says the rest.
    std::map<int, std::string> kinds;
    // The codec header's "size, crc" and the time base by output number:
    // they come before the kinds.
    std::map<int, std::string> headers;
    std::map<int, std::string> timeBases;
    forEachLine(listing, [&](std::string_view line) {
        if (line.empty() || line[0] != '#')
            return;
        // "#key N: value"
        const std::size_t space = line.find(' ');
        const std::size_t colon = line.find(": ");
        if (space == std::string_view::npos || colon == std::string_view::npos || colon < space)
            return;
        const std::string_view key = line.substr(1, space - 1);
        const int n = toInt(line.substr(space + 1));
        const std::string_view value = trim(line.substr(colon + 2));
        if (key == "media_type") {
            kinds[n] = std::string(value);
            return;
        }
        const auto kind = kinds.find(n);
        MediaPictureStream* p = kind != kinds.end() && kind->second == "video" ? &probe.picture : nullptr;
        MediaSoundStream* s = kind != kinds.end() && kind->second == "audio" ? &probe.sound : nullptr;
        if (key == "extradata")
            headers[n] = std::string(value);
        else if (key == "tb")
            timeBases[n] = std::string(value);
        else if (p && key == "codec_id") {
            p->codec = std::string(value);
        } else if (s && key == "codec_id") {
            s->codec = std::string(value);
        } else if (p && key == "dimensions") {
            p->width = toInt(value);
            p->height = toInt(value.substr(value.find('x') + 1));
        } else if (p && key == "sar") {
            ratio(value, p->sarNum, p->sarDen);
        } else if (s && key == "sample_rate") {
            s->sampleRate = toInt(value);
        } else if (s && key == "channel_layout_name") {
            s->layout = std::string(value);
        }
    });
    for (const auto& [n, kind] : kinds) {
        const bool picture = kind == "video";
        if (kind == "audio")
            ++probe.soundTracks;
        if (!picture && kind != "audio")
            continue;
        if ((picture && probe.hasPicture) || (!picture && probe.hasSound))
            continue;
        // The listing's values stand; the description adds what it alone says.
        if (const auto d = descriptions.find(n); d != descriptions.end()) {
            if (picture) {
                MediaPictureStream described;
                readPicture(d->second, described);
                MediaPictureStream& p = probe.picture;
                p.profile = described.profile;
                p.pixelFormat = described.pixelFormat;
                p.frameRate = described.frameRate;
                p.frameRateText = described.frameRateText;
                if (p.codec.empty())
                    p.codec = described.codec;
                if (p.width == 0) {
                    p.width = described.width;
                    p.height = described.height;
                }
                if (p.sarDen == 0) {
                    p.sarNum = described.sarNum;
                    p.sarDen = described.sarDen;
                }
            } else {
                MediaSoundStream described;
                readSound(d->second, described);
                MediaSoundStream& s = probe.sound;
                s.profile = described.profile;
                if (s.codec.empty())
                    s.codec = described.codec;
                if (s.sampleRate == 0)
                    s.sampleRate = described.sampleRate;
                if (s.layout.empty()) {
                    s.layout = described.layout;
                    s.channels = described.channels;
                }
            }
        }
        int& tbNum = picture ? probe.picture.timeBaseNum : probe.sound.timeBaseNum;
        int& tbDen = picture ? probe.picture.timeBaseDen : probe.sound.timeBaseDen;
        if (const auto tb = timeBases.find(n); tb != timeBases.end())
            ratio(tb->second, tbNum, tbDen);
        int& bytes = picture ? probe.picture.headerBytes : probe.sound.headerBytes;
        std::uint32_t& crc = picture ? probe.picture.headerCrc : probe.sound.headerCrc;
        if (const auto x = headers.find(n); x != headers.end()) {
            // "37, 0xd48d0a70"
            bytes = toInt(x->second);
            const std::size_t hex = x->second.find("0x");
            if (hex != std::string::npos)
                crc = static_cast<std::uint32_t>(std::strtoul(x->second.c_str() + hex + 2, nullptr, 16));
        }
        (picture ? probe.hasPicture : probe.hasSound) = true;
    }
    // A value that could not be given back as it is makes the file unread.
    probe.readable = (probe.hasPicture || probe.hasSound) && settleForCommandLines(probe);
    return probe;
}

namespace {

std::string RateText(double rate)
{
    // As the encoder prints a rate.
    char text[32];
    const long long hundredths = std::llround(rate * 100);
    if (hundredths % 100 != 0)
        std::snprintf(text, sizeof text, "%3.2f", rate);
    else if (hundredths % 100000 != 0)
        std::snprintf(text, sizeof text, "%1.0f", rate);
    else
        std::snprintf(text, sizeof text, "%1.0fk", rate / 1000);
    return text;
}

} // namespace

void UseSampleGrid(const Mp4Movie& movie, MediaPictureStream& p)
{
    const Mp4Track* track = movie.readable ? movie.track(Mp4Tag("vide")) : nullptr;
    const std::uint32_t grid = track && track->samples.size() >= 2 ? track->grid() : 0;
    if (grid == 0)
        return;
    const double rate = static_cast<double>(track->timescale) / static_cast<double>(grid);
    if (rate < p.frameRate - 0.005)
        return;
    p.frameRate = rate;
    p.frameRateText = RateText(rate);
}

MediaProbe ProbeMedia(const std::string& path, std::string* said)
{
    std::string listing;
    std::string description;
    const auto keep = [](std::string& into) {
        return [&into](const char* chunk, std::size_t size) {
            if (into.size() < kOutputMax)
                into.append(chunk, size);
            return false;
        };
    };
    RunToolApart(BuildMediaProbeCommandLine(PrepareTool(), path), keep(listing), keep(description));
    MediaProbe probe = ParseMediaProbe(listing, description);
    if (probe.readable && probe.hasPicture)
        UseSampleGrid(ReadMp4Movie(path), probe.picture);
    if (said)
        *said = std::move(description);
    return probe;
}

} // namespace media
