#include "media/stretch_join.h"

#include "encoder/files_only.h"
#include "encoder/job_step.h"
#include "encoder/tool.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "util/files.h"
#include "media/mp4_duration.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>

namespace media {

using util::ClaimFreeName;
using media::Mp4Tracks;
using media::ReadMp4Tracks;
using encoder::PrepareTool;
using encoder::RunEnded;
using encoder::RunInvalidData;
using encoder::RunStatus;
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
        // Every sound track, in order, with its title.
        line += " -f concat -safe 0" + std::string(kFilesOnly) + " -i " + quoteArgument(soundList) + " -map 0:v -map 1:a";
    else
        line += " -map 0:v";
    return line + " -codec copy -y -f mp4 " + quoteArgument(target) + " ";
}

RunStatus JoinByStreamCopy(const std::vector<StretchTiming>& parts, const std::string& target,
                           const std::function<void(int)>& onFrame, std::string* why, const std::stop_token& stop)
{
    const StretchLists lists = BuildStretchJoinLists(parts);
    const std::string pictureList =
        lists.picture.empty() ? std::string() : ClaimFreeName(target + ".pictures.txt", lists.picture);
    const std::string soundList =
        lists.sound.empty() ? std::string() : ClaimFreeName(target + ".sound.txt", lists.sound);
    RunStatus status = RunInvalidData;
    std::string failure;
    if (lists.picture.empty()) {
        const auto unlisted = std::find_if(parts.begin(), parts.end(),
                                           [](const StretchTiming& p) { return !ListablePath(p.path); });
        failure = "A name with a line break cannot be joined: "
            + (unlisted == parts.end() ? std::string() : unlisted->path);
    } else if (pictureList.empty() || soundList.empty() != lists.sound.empty()) {
        failure = encoder::NoNewFileReason(target + ".pictures.txt");
    } else {
        status = encoder::RunJobStep(
            BuildStretchJoinCommandLine(PrepareTool(), pictureList, soundList, target),
            [&onFrame](int soFar) {
                if (onFrame)
                    onFrame(soFar);
            },
            &failure, stop);
        // The encoder may end well after failing to write the file's end (a
        // full disk): the joined file must hold every part's pictures.
        std::int64_t pictures = 0;
        for (const StretchTiming& p : parts)
            pictures += p.videoMicroseconds;
        const Mp4Tracks joined = ReadMp4Tracks(target);
        if (status == RunEnded
            && !(joined.readable && joined.video && joined.sound == !soundList.empty()
                 && (soundList.empty() || joined.soundTracks == parts.front().soundTracks)
                 && std::llabs(joined.videoMicroseconds - pictures) < 1000 * static_cast<std::int64_t>(parts.size())))
            status = RunInvalidData;
    }
    if (!pictureList.empty())
        platform::removeFile(pictureList);
    if (!soundList.empty())
        platform::removeFile(soundList);
    if (status != RunEnded)
        platform::removeFile(target);
    if (why)
        *why = status == RunInvalidData ? failure : std::string();
    return status;
}

bool JoinStretches(const std::vector<std::string>& stretches, const std::string& target)
{
    std::vector<StretchTiming> timings;
    for (const std::string& path : stretches) {
        const Mp4Tracks tracks = ReadMp4Tracks(path);
        if (!tracks.readable || !tracks.video) {
            platform::removeFile(target);
            return false;
        }
        timings.push_back({path, tracks.videoMicroseconds, tracks.sound ? tracks.soundTimescale : 0,
                           tracks.soundUnits, tracks.soundTracks});
    }
    if (JoinByStreamCopy(timings, target) != RunEnded)
        return false;
    platform::flushFileToDisk(target);
    return true;
}

} // namespace media
