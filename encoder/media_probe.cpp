#include "encoder/media_probe.h"

#include "encoder/runner.h"
#include "encoder/tool.h"
#include "platform/command_line.h"

#include <cstdlib>
#include <map>
#include <string_view>
#include <vector>

namespace encoder {

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

// Channels from a layout's name: "mono", "stereo", "5.1(side)", "6 channels".
int channelsOf(std::string_view layout)
{
    static const std::map<std::string_view, int> named = {
        {"mono", 1},       {"stereo", 2},    {"downmix", 2},   {"quad", 4},
        {"quad(side)", 4}, {"hexagonal", 6}, {"octagonal", 8}, {"hexadecagonal", 16},
    };
    if (const auto it = named.find(layout); it != named.end())
        return it->second;
    if (endsWith(layout, " channels"))
        return toInt(layout);
    // "5.1", "7.1(wide)": the main channels and the low-frequency ones.
    const std::size_t dot = layout.find('.');
    if (dot != std::string_view::npos && dot > 0 && dot + 1 < layout.size())
        return toInt(layout.substr(0, dot)) + (layout[dot + 1] - '0');
    return 0;
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
                s.channels = channelsOf(f[i + 1]);
            }
        }
    }
}

} // namespace

std::string BuildMediaProbeCommandLine(const std::string& quotedTool, const std::string& path)
{
    return quotedTool + " -hide_banner -i " + platform::quoteArgument(path)
        + " -map 0:V:0? -map 0:a:0? -c copy -frames:v 1 -frames:a 1 -f framecrc - ";
}

MediaProbe ParseMediaProbe(const std::string& output)
{
    MediaProbe probe;
    // Output number -> kind, from the listing; the description of the
    // output says the rest.
    std::map<int, std::string> kinds;
    std::map<int, std::string> descriptions;
    // The codec header's "size, crc" and the time base by output number:
    // they come before the kinds.
    std::map<int, std::string> headers;
    std::map<int, std::string> timeBases;
    bool inOutput = false;
    std::size_t from = 0;
    while (from < output.size()) {
        std::size_t end = output.find_first_of("\r\n", from);
        if (end == std::string::npos)
            end = output.size();
        const std::string_view line(output.data() + from, end - from);
        from = end + 1;
        if (startsWith(line, "Output #0"))
            inOutput = true;
        else if (startsWith(line, "Input #") || startsWith(line, "Stream mapping"))
            inOutput = false;
        if (startsWith(trim(line), "Duration: ")) {
            const std::string_view t = trim(line).substr(10);
            if (t.size() >= 11 && t[2] == ':' && t[5] == ':')
                probe.durationMicros = (toInt(t.substr(0, 2)) * 3600LL + toInt(t.substr(3, 2)) * 60LL) * 1000000
                    + static_cast<std::int64_t>(std::strtod(std::string(t.substr(6, 5)).c_str(), nullptr) * 1e6 + 0.5);
            continue;
        }
        if (inOutput) {
            std::string_view rest;
            int n = describedStream(line, "Video: ", rest);
            if (n < 0)
                n = describedStream(line, "Audio: ", rest);
            if (n >= 0)
                descriptions[n] = std::string(rest);
            continue;
        }
        if (line.empty() || line[0] != '#')
            continue;
        // "#key N: value"
        const std::size_t space = line.find(' ');
        const std::size_t colon = line.find(": ");
        if (space == std::string_view::npos || colon == std::string_view::npos || colon < space)
            continue;
        const std::string_view key = line.substr(1, space - 1);
        const int n = toInt(line.substr(space + 1));
        const std::string_view value = trim(line.substr(colon + 2));
        if (key == "media_type") {
            kinds[n] = std::string(value);
            continue;
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
            s->channels = channelsOf(value);
        }
    }
    for (const auto& [n, kind] : kinds) {
        const bool picture = kind == "video";
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
    probe.readable = probe.hasPicture || probe.hasSound;
    return probe;
}

MediaProbe ProbeMedia(const std::string& path, std::string* said)
{
    std::string output;
    RunTool(BuildMediaProbeCommandLine(PrepareTool(), path), [&](const char* chunk, std::size_t size) {
        if (output.size() < kOutputMax)
            output.append(chunk, size);
        return false;
    });
    MediaProbe probe = ParseMediaProbe(output);
    if (said)
        *said = std::move(output);
    return probe;
}

} // namespace encoder
