#include "media/stretch_join.h"

#include "encoder/files_only.h"
#include "encoder/runner.h"
#include "encoder/tool.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "util/debug_log.h"
#include "util/files.h"
#include "media/mp4_duration.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace media {

using util::ClaimFreeName;
using util::DebugLog;
using media::Mp4Tracks;
using media::ReadMp4Tracks;
using encoder::PrepareTool;
using encoder::RunTool;
using encoder::kFilesOnly;

namespace {

// The encoder's AAC packets hold 1024 samples, and its first packet is
// priming that decodes to nothing of the recording.
constexpr std::uint64_t kPacketSamples = 1024;

std::string seconds(std::int64_t micros)
{
    char text[48];
    std::snprintf(text, sizeof text, "%lld.%06lld", static_cast<long long>(micros / 1000000),
                  static_cast<long long>(micros % 1000000));
    return text;
}

std::string listEntry(const std::string& path, std::int64_t outpointMicros)
{
    return ConcatListFile(path) + "inpoint 0\noutpoint " + seconds(outpointMicros) + "\n";
}

} // namespace

bool ListablePath(const std::string& path) { return path.find_first_of("\r\n") == std::string::npos; }

std::string ConcatListFile(const std::string& path)
{
    if (!ListablePath(path))
        return {};
    std::string quoted = "'file:";
    for (const char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return "file " + quoted + "'\n";
}

StretchLists BuildStretchJoinLists(const std::vector<StretchTiming>& stretches)
{
    if (!std::all_of(stretches.begin(), stretches.end(), [](const StretchTiming& s) { return ListablePath(s.path); }))
        return {};
    StretchLists lists;
    lists.picture = "ffconcat version 1.0\n";
    const bool sound = !stretches.empty()
        && std::all_of(stretches.begin(), stretches.end(), [](const StretchTiming& s) { return s.soundRate > 0; });
    if (sound)
        lists.sound = lists.picture;
    std::int64_t pictures = 0; // where the next stretch's pictures start
    std::int64_t sounds = 0;   // where its sound starts
    for (const StretchTiming& s : stretches) {
        lists.picture += listEntry(s.path, s.videoMicroseconds);
        pictures += s.videoMicroseconds;
        if (!sound)
            continue;
        const double packetMicros = 1e6 * kPacketSamples / s.soundRate;
        const auto held = static_cast<std::int64_t>(
            s.soundUnits > kPacketSamples ? (s.soundUnits - kPacketSamples + kPacketSamples - 1) / kPacketSamples : 0);
        const std::int64_t packets =
            std::clamp<std::int64_t>(std::llround(static_cast<double>(pictures - sounds) / packetMicros), 0, held);
        // Just before the first packet left out: the list keeps the packets
        // that start before its end.
        const std::int64_t end =
            std::max<std::int64_t>(0, static_cast<std::int64_t>(std::ceil(packets * packetMicros)) - 1);
        lists.sound += listEntry(s.path, end);
        sounds += end;
    }
    return lists;
}

std::string BuildStretchJoinCommandLine(const std::string& quotedTool, const std::string& pictureList,
                                        const std::string& soundList, const std::string& target)
{
    using platform::quoteArgument;
    std::string line = quotedTool + " -f concat -safe 0" + kFilesOnly + " -i " + quoteArgument(pictureList);
    if (!soundList.empty())
        line += " -f concat -safe 0" + std::string(kFilesOnly) + " -i " + quoteArgument(soundList) + " -map 0:v -map 1:a";
    else
        line += " -map 0:v";
    return line + " -codec copy -y -f mp4 " + quoteArgument(target) + " ";
}

bool JoinStretches(const std::vector<std::string>& stretches, const std::string& target)
{
    std::vector<StretchTiming> timings;
    std::int64_t pictures = 0;
    for (const std::string& path : stretches) {
        const Mp4Tracks tracks = ReadMp4Tracks(path);
        if (!tracks.readable || !tracks.video)
            return false;
        timings.push_back({path, tracks.videoMicroseconds, tracks.sound ? tracks.soundTimescale : 0,
                           tracks.soundUnits});
        pictures += tracks.videoMicroseconds;
    }
    const StretchLists lists = BuildStretchJoinLists(timings);
    const std::string pictureList =
        lists.picture.empty() ? std::string() : ClaimFreeName(target + ".pictures.txt", lists.picture);
    const std::string soundList =
        lists.sound.empty() ? std::string() : ClaimFreeName(target + ".sound.txt", lists.sound);
    bool joined = !pictureList.empty() && soundList.empty() == lists.sound.empty();
    if (joined) {
        const std::string line = BuildStretchJoinCommandLine(PrepareTool(), pictureList, soundList, target);
        DebugLog(line);
        int exitCode = -1;
        RunTool(line, {}, {}, &exitCode);
        // Every stretch's pictures are there, to a frame's rounding each.
        const Mp4Tracks joinedTracks = ReadMp4Tracks(target);
        joined = exitCode == 0 && joinedTracks.readable && joinedTracks.video
            && std::llabs(joinedTracks.videoMicroseconds - pictures)
                < 1000 * static_cast<std::int64_t>(stretches.size())
            && joinedTracks.sound == !soundList.empty();
    }
    if (!pictureList.empty())
        platform::removeFile(pictureList);
    if (!soundList.empty())
        platform::removeFile(soundList);
    if (!joined)
        platform::removeFile(target);
    else
        platform::flushFileToDisk(target);
    return joined;
}

} // namespace media
