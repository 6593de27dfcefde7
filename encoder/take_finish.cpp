#include "encoder/take_finish.h"

#include "encoder/files_only.h"
#include "encoder/record_command.h"
#include "encoder/runner.h"
#include "encoder/tool.h"
#include "util/mp4_duration.h"
#include "util/ts_span.h"
#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/folder_listing.h"
#include "util/debug_log.h"

#include <algorithm>
#include <cstdlib>

namespace encoder {

using util::DebugLog;
using util::Mp4DurationMicroseconds;
using util::Mp4Tracks;
using util::ReadMp4Tracks;
using util::ReadTsSpan;
using util::TsSpan;

namespace {

// Two readings of one take agree when their pictures last the same to
// within a frame: a copy may leave out a last frame cut off by a power cut.
constexpr std::int64_t kFrameMicros = static_cast<std::int64_t>(1e6 / kRecordFps) + 100;
// The encoder opens a transport stream with its tables (three packets of 188
// bytes): a working file no larger holds nothing of the take.
constexpr std::int64_t kStreamTablesBytes = 3 * 188;

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

bool sameTake(const Mp4Tracks& mp4, const TsSpan& ts)
{
    return mp4.readable && mp4.video && ts.readable && ts.video && mp4.sound == ts.sound
        && std::llabs(mp4.videoMicroseconds - ts.videoMicroseconds) <= kFrameMicros;
}

// "<stem>.mp4", or the first free "<stem>(n).mp4": a recording of the same
// name made meanwhile (or copied in) is never replaced.
std::string freeRecordingName(const std::string& recording)
{
    std::string name = recording;
    const std::string stem = recording.substr(0, recording.size() - 4);
    for (int n = 1; platform::fileExists(name) && n < 10000; ++n)
        name = stem + "(" + std::to_string(n) + ").mp4";
    return name;
}

bool copyWorking(const TakeFiles& files, bool sound)
{
    platform::removeFile(files.workingMp4);
    const std::string line = BuildTakeCopyCommandLine(PrepareTool(), files.working, sound, files.workingMp4);
    DebugLog(line);
    int exitCode = -1;
    RunTool(line, {}, {}, &exitCode);
    return exitCode == 0;
}

// Only a recording that is on the disk under its own name lets the working
// file go.
FinishedTake keep(const TakeFiles& files, TakeEnd end)
{
    const std::string recording = freeRecordingName(files.recording);
    if (!platform::flushFileToDisk(files.workingMp4) || !platform::moveToFreeName(files.workingMp4, recording))
        return {TakeEnd::KeptWorking, files.working, 0, {}};
    platform::removeFile(files.working);
    return {end, recording, std::max<std::int64_t>(0, Mp4DurationMicroseconds(recording)), {}};
}

} // namespace

std::string BuildTakeCopyCommandLine(const std::string& quotedTool, const std::string& working, bool sound,
                                     const std::string& target)
{
    // Sound first, as the encoder lays out a recording with sound.
    return quotedTool + " -y" + (sound ? kSoundPriming : "") + kFilesOnly + " -i " + platform::quoteArgument(working)
        + " -map 0:a? -map 0:v -c copy" + kStreamOnlyUnits + kPictureTimescale + " -f mp4 "
        + platform::quoteArgument(target) + " ";
}

FinishedTake FinishTake(const TakeFiles& files)
{
    const TsSpan take = ReadTsSpan(files.working);
    const Mp4Tracks written = ReadMp4Tracks(files.workingMp4);
    if (!take.readable) {
        // The encoder finished its MP4: that tells what was recorded, even
        // when the working file is gone.
        if (written.readable) {
            if (written.video && written.videoMicroseconds > 0)
                return keep(files, TakeEnd::Whole);
        } else if (platform::fileSize(files.working) > kStreamTablesBytes) {
            // Something reached the working file that cannot be read: it is
            // the user's, to try elsewhere.
            return {TakeEnd::KeptWorking, files.working, 0, {}};
        }
        platform::removeFile(files.working);
        platform::removeFile(files.workingMp4);
        return {};
    }
    if (!platform::fileExists(files.workingMp4) && sameTake(ReadMp4Tracks(files.recording), take)) {
        // Finished already: the end came between the move and the removal.
        platform::removeFile(files.working);
        return {TakeEnd::Whole, files.recording, std::max<std::int64_t>(0, Mp4DurationMicroseconds(files.recording)), {}};
    }
    if (sameTake(written, take))
        return keep(files, TakeEnd::Whole);
    if (!copyWorking(files, take.sound) || !sameTake(ReadMp4Tracks(files.workingMp4), take)) {
        DebugLog("the working file could not be copied: " + files.working);
        platform::removeFile(files.workingMp4);
        return {TakeEnd::KeptWorking, files.working, 0, {}};
    }
    return keep(files, TakeEnd::SavedFromWorking);
}

std::vector<FinishedTake> FinishLeftTakes(const std::string& folder,
                                          const std::function<bool(const std::string& working)>& inUse)
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
        // Asked just before: a recording may have begun since the listing.
        if (!inUse || !inUse(prefix + name))
            finished.push_back(FinishTake(*TakeOfWorkingFile(prefix + name)));
    }
    return finished;
}

} // namespace encoder
