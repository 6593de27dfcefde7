#include "takes/take_finish.h"

#include "encoder/files_only.h"
#include "encoder/runner.h"
#include "encoder/tool.h"
#include "media/mp4_duration.h"
#include "media/ts_span.h"
#include "platform/command_line.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "util/files.h"
#include "platform/folder_listing.h"
#include "util/debug_log.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace takes {

using util::DebugLog;
using media::Mp4DurationMicroseconds;
using media::Mp4Tracks;
using media::ReadMp4Tracks;
using media::ReadTsSpan;
using media::TsSpan;
using encoder::RunStop;
using encoder::PrepareTool;
using encoder::RunTool;
using encoder::kFilesOnly;

namespace {

// Two readings of one take agree when their pictures last the same to
// within a frame: a copy may leave out a last frame cut off by a power cut.
// The stream does not say how long its last picture stands (on a still
// screen it may stand seconds); an MP4 gives it one frame.
constexpr std::int64_t kFrameMicros = static_cast<std::int64_t>(1e6 / kRecordFps) + 100;

bool sameLength(std::int64_t mp4, const TsSpan& ts)
{
    const std::int64_t run = ts.videoMicroseconds - ts.videoLastStepMicros;
    return std::llabs(mp4 - ts.videoMicroseconds) <= kFrameMicros || (mp4 >= run && mp4 - run <= 2 * kFrameMicros);
}

// The AAC encoder starts every sound with 1024 samples of its own, which the
// MP4 it writes skips by an edit list. A transport stream cannot say so: it
// carries the samples as sound, and the copy would play them, and with them
// all of the sound 23 ms late. The copy moves everything that much earlier,
// so the edit list comes back and the picture keeps its place.
constexpr const char* kSoundPriming = " -itsoffset -0.023220";
// The time scale the encoder gives the picture of a 60.97 fps recording. The
// stream's 90 kHz times are exact to 11 us, so the copy gets back the very
// same frame times.
constexpr const char* kPictureTimescale = " -video_track_timescale 12194";
// What the transport stream adds to each frame (a delimiter, and the codec
// headers at each keyframe), which the MP4 keeps in its header instead.
constexpr const char* kStreamOnlyUnits = " -bsf:v filter_units=remove_types=7|8|9";

// What a recording of ours is: a whole MP4 of the encoder's tracks.
bool sameTake(const Mp4Tracks& mp4, const TsSpan& ts)
{
    return mp4.readable && mp4.recorderTracks && mp4.video && ts.readable && ts.video && mp4.sound == ts.sound
        && mp4.soundTracks == ts.aacStreams && sameLength(mp4.videoMicroseconds, ts);
}

// The MP4 the encoder writes beside the working file, as far as it got.
enum class Part {
    Missing,
    Whole,      // its movie box was written, with the encoder's tracks
    Unfinished, // begun as an MP4 (or not at all), no movie box yet
    Foreign,    // anything else: not the encoder's
};

// What the encoder writes of an MP4 before its first picture: its file type
// box, and the head of the media box.
constexpr std::int64_t kMp4StartBytes = 1024;

bool beganAsMp4(const std::string& path)
{
    platform::ReadOnlyFile file(path);
    char head[8];
    return file.isOpen()
        && (file.size() == 0 || (file.readAt(0, head, sizeof head) == 8 && std::memcmp(head + 4, "ftyp", 4) == 0));
}

Part partOf(const std::string& path, Mp4Tracks& written)
{
    if (!platform::nameTaken(path))
        return Part::Missing;
    if (!platform::isOwnPlainFile(path))
        return Part::Foreign;
    written = ReadMp4Tracks(path);
    if (written.readable)
        return written.recorderTracks ? Part::Whole : Part::Foreign;
    return beganAsMp4(path) ? Part::Unfinished : Part::Foreign;
}

FinishedTake keptWorking(const TakeFiles& files) { return {TakeEnd::KeptWorking, files.working, 0, {}}; }
FinishedTake leftAlone(const TakeFiles& files) { return {TakeEnd::LeftAlone, files.working, 0, {}}; }

// The working file copied into a new file beside it, made by us before the
// encoder writes it; its name, or empty when the copy failed or was stopped
// (nothing of it is left then).
std::string copyWorking(const TakeFiles& files, int soundTracks, const std::stop_token& stop,
                        const SoundTitles& titles)
{
    const std::string stem = files.working.substr(0, files.working.size() - std::strlen(kWorkingSuffix));
    const std::string copy = util::ClaimFreeName(stem + ".recording.copy");
    if (copy.empty())
        return {};
    const std::string line = BuildTakeCopyCommandLine(PrepareTool(), files.working, soundTracks, copy, titles);
    DebugLog(line);
    int exitCode = -1;
    RunTool(line, {}, RunStop::escalating(stop), &exitCode);
    if (exitCode != 0 || stop.stop_requested()) {
        platform::removeFile(copy);
        return {};
    }
    return copy;
}

// Only a recording that is on the disk under its own name lets the working
// files go. `made` is the recording as made: the encoder's MP4, or a copy.
FinishedTake keep(const TakeFiles& files, const std::string& made, TakeEnd end)
{
    const std::string recording =
        platform::flushFileToDisk(made) ? util::MoveToFreeName(made, files.recording) : std::string();
    if (recording.empty()) {
        if (made != files.workingMp4)
            platform::removeFile(made);
        return keptWorking(files);
    }
    if (made != files.workingMp4)
        platform::removeFile(files.workingMp4); // the unfinished one the copy stands for
    platform::removeFile(files.working);
    return {end, recording, std::max<std::int64_t>(0, Mp4DurationMicroseconds(recording)), {}};
}

} // namespace

std::string BuildTakeCopyCommandLine(const std::string& quotedTool, const std::string& working, int soundTracks,
                                     const std::string& target, const SoundTitles& titles)
{
    std::string named;
    const auto title = [&named](int track, const std::string& text) {
        if (!text.empty())
            named += " -metadata:s:a:" + std::to_string(track) + " " + platform::quoteArgument("handler_name=" + text);
    };
    if (soundTracks == 3) {
        title(1, titles.computer);
        title(2, titles.microphone);
    }
    // Sound first, as the encoder lays out a recording with sound; every
    // sound track, in order.
    return quotedTool + " -y" + (soundTracks > 0 ? kSoundPriming : "") + kFilesOnly + " -i "
        + platform::quoteArgument(working) + " -map 0:a? -map 0:v -c copy" + kStreamOnlyUnits + kPictureTimescale
        + named + " -f mp4 " + platform::quoteArgument(target) + " ";
}

FinishedTake FinishTake(const TakeFiles& files, const std::stop_token& stop, const SoundTitles& titles)
{
    Mp4Tracks written;
    const Part part = partOf(files.workingMp4, written);
    const bool workingThere = platform::nameTaken(files.working);
    const TsSpan take = workingThere && platform::isOwnPlainFile(files.working) ? ReadTsSpan(files.working) : TsSpan{};
    // What is not plainly the encoder's is the user's, whatever its name.
    if (part == Part::Foreign || (workingThere && !take.recorderStreams))
        return leftAlone(files);
    if (!take.readable) {
        // The encoder finished its MP4: that tells what was recorded, even
        // when the working file is gone.
        if (part == Part::Whole && written.video && written.videoMicroseconds > 0)
            return keep(files, files.workingMp4, TakeEnd::Whole);
        // Something reached the working file that cannot be read: it is the
        // user's, to try elsewhere.
        if (workingThere && !take.tablesOnly)
            return keptWorking(files);
        // Nothing but what the encoder writes before the first picture.
        if (part == Part::Unfinished && platform::fileSize(files.workingMp4) > kMp4StartBytes)
            return keptWorking(files);
        platform::removeFile(files.working);
        platform::removeFile(files.workingMp4);
        return {};
    }
    if (part == Part::Missing && platform::isOwnPlainFile(files.recording)
        && sameTake(ReadMp4Tracks(files.recording), take)) {
        // Finished already: the end came between the move and the removal.
        platform::removeFile(files.working);
        return {TakeEnd::Whole, files.recording, std::max<std::int64_t>(0, Mp4DurationMicroseconds(files.recording)), {}};
    }
    if (part == Part::Whole && sameTake(written, take))
        return keep(files, files.workingMp4, TakeEnd::Whole);
    // The recorder makes both files before its encoder starts: a stream
    // without the MP4 beside it is some other program's, kept as it is.
    if (part == Part::Missing)
        return leftAlone(files);
    const std::string copy = copyWorking(files, take.sound ? std::max(1, take.aacStreams) : 0, stop, titles);
    if (stop.stop_requested())
        return leftAlone(files);
    if (copy.empty() || !sameTake(ReadMp4Tracks(copy), take)) {
        DebugLog("the working file could not be copied: " + files.working);
        if (!copy.empty())
            platform::removeFile(copy);
        return keptWorking(files);
    }
    return keep(files, copy, TakeEnd::SavedFromWorking);
}

std::vector<FinishedTake> FinishLeftTakes(const std::string& folder,
                                          const std::function<bool(const std::string& working)>& inUse,
                                          const std::stop_token& stop, const SoundTitles& titles)
{
    std::vector<std::string> working;
    platform::listFolder(folder, [&](const platform::FolderEntry& entry) {
        if (!entry.isFolder && !entry.isDevice && TakeOfWorkingFile(entry.name))
            working.push_back(entry.name);
    });
    // The names begin with the local time they were started at.
    std::sort(working.begin(), working.end());
    std::vector<FinishedTake> finished;
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != platform::separator())
        prefix += platform::separator();
    for (const std::string& name : working) {
        if (stop.stop_requested())
            break;
        // Asked just before: a recording may have begun since the listing.
        if (inUse && inUse(prefix + name))
            continue;
        if (std::optional<FinishedTake> take = FinishLeftTake(prefix + name, stop, titles))
            finished.push_back(std::move(*take));
    }
    return finished;
}

std::optional<FinishedTake> FinishLeftTake(const std::string& working, const std::stop_token& stop,
                                           const SoundTitles& titles)
{
    const std::optional<TakeFiles> files = TakeOfWorkingFile(working);
    if (!files)
        return std::nullopt;
    // Held for as long as the take is finished, so that no one else
    // finishes it meanwhile; a link, or another's file, is not taken.
    const platform::FileLock lock = platform::FileLock::takeExisting(files->working);
    if (!lock.held() || platform::isLockedByAnyone(files->workingMp4))
        return std::nullopt;
    FinishedTake take = FinishTake(*files, stop, titles);
    if (take.end == TakeEnd::LeftAlone)
        return std::nullopt;
    return take;
}

} // namespace takes
