#include "library/picture_ops.h"

#include "library/picture_command.h"
#include "encoder/runner.h"
#include "encoder/tool.h"
#include "platform/files.h"
#include "media/mp4_duration.h"
#include "media/mp4_samples.h"
#include "media/recording_length.h"

#include <vector>

namespace library {

using media::kFileUnreadable;
using media::Mp4DurationMicroseconds;
using media::ProbeDuration;
using media::RecordingMicroseconds;
using encoder::RunStop;
using encoder::PrepareTool;
using encoder::RunEnded;
using encoder::RunTool;

namespace {

bool makeInto(const std::string& commandLine, const std::string& output, const std::stop_token& stop)
{
    // A picture left by an earlier, stopped run must not pass for this one's.
    platform::removeFile(output);
    int exitCode = -1;
    // The output is drained and dropped: only errors are printed, and the
    // file tells whether it worked.
    const int status = RunTool(commandLine, {}, RunStop::escalating(stop), &exitCode);
    // An instant past the end gives no frame, and the encoder ends cleanly
    // without writing the file.
    if (status == RunEnded && exitCode == 0 && platform::fileSize(output) > 0)
        return true;
    platform::removeFile(output);
    return false;
}

} // namespace

bool MakeRowPicture(const std::string& source, const std::string& output, std::stop_token stop)
{
    const std::int64_t lengthUs = Mp4DurationMicroseconds(source);
    if (lengthUs == kFileUnreadable)
        return false;
    // A second in, past a fade or a window still opening; the middle of a
    // recording of less than two seconds (one of exactly a second has no
    // frame at 1.000).
    const std::int64_t atMs = media::StandingPictureMs(media::ReadMp4Movie(source),
                                                       lengthUs >= 0 && lengthUs < 2000000 ? lengthUs / 2000 : 1000);
    const std::string tool = PrepareTool();
    if (makeInto(BuildPictureCommandLine(tool, source, atMs, kRowPictureWidth, output), output, stop))
        return true;
    if (stop.stop_requested() || atMs == 0)
        return false;
    // The boxes told no length, or more than the video holds: its first
    // frame. A broken file costs two runs at most, once.
    return makeInto(BuildPictureCommandLine(tool, source, 0, kRowPictureWidth, output), output, stop);
}

bool MakeStripPicture(const std::string& source, const std::string& output, std::stop_token stop)
{
    const std::int64_t lengthUs = RecordingMicroseconds(source, ProbeDuration);
    if (lengthUs < 0 || stop.stop_requested())
        return false;
    // The middle of each of kStripPictures equal stretches.
    std::vector<std::int64_t> atMs;
    const media::Mp4Movie movie = media::ReadMp4Movie(source);
    for (int i = 0; i < kStripPictures; ++i)
        atMs.push_back(media::StandingPictureMs(movie, lengthUs * (2 * i + 1) / (2 * kStripPictures) / 1000));
    return makeInto(BuildStripCommandLine(PrepareTool(), source, atMs, kStripPictureWidth, output), output, stop);
}

} // namespace library
