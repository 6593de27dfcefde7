#include "editing/stream_ops.h"

#include "encoder/job_step.h"
#include "media/media_match.h"
#include "media/media_probe.h"
#include "encoder/output_tail.h"
#include "editing/part_convert.h"
#include "encoder/runner.h"
#include "media/stretch_join.h"
#include "encoder/tool.h"
#include "platform/files.h"
#include "util/debug_log.h"
#include "util/files.h"
#include "media/mp4_duration.h"


namespace editing {

using util::ClaimFreeName;
using media::Mp4Tracks;
using media::ReadMp4Tracks;
using encoder::HasStreams;
using encoder::NoNewFileReason;
using encoder::OutputTail;
using encoder::PrepareTool;
using encoder::RunEnded;
using encoder::RunInvalidData;
using encoder::RunJobStep;
using encoder::RunStopRequested;
using media::JoinByStreamCopy;
using media::ListablePath;
using media::MediaProbe;
using media::ProbeMedia;
using media::StretchTiming;
using media::JoinPlan;

namespace {

// A new folder beside `target` for a merge's temporaries, so that no file of
// the user's can be taken for one of them; empty when none can be made.
std::string makePartsFolder(const std::string& target)
{
    return util::ClaimFreeFolder(target.substr(0, target.rfind('.')) + ".parts");
}

} // namespace

int CutStretch(const std::string& outputFolder, const CutJob& job, const JobNotify& notify, std::string* why,
               std::stop_token stop)
{
    const std::string wanted = CutOutputPath(outputFolder, job.source, platform::separator());
    const std::string output = ClaimFreeName(wanted);
    if (output.empty()) {
        if (why)
            *why = NoNewFileReason(wanted);
        notify(100, job.source, wanted, RunInvalidData);
        return RunInvalidData;
    }
    const std::string commandLine =
        BuildCutCommandLine(PrepareTool(), job.source, job.startMs, job.endMs - job.startMs, output);
    std::string failure;
    int status = RunJobStep(
        commandLine, [&](int soFar) { notify(5, job.source, output, soFar); }, &failure, stop);
    if (status == RunEnded && !HasStreams(output))
        status = RunInvalidData;
    if (why)
        *why = status == RunInvalidData ? failure : std::string();
    if (status != RunEnded)
        platform::removeFile(output); // ours, and a partial or empty file is no cut
    notify(100, job.source, output, status);
    return status;
}

namespace {

// Probes one part through a job step: a stop or a failure to read it ends
// the merge, with the encoder's telling line.
int probePart(const std::string& input, MediaProbe& probe, std::string* why, const std::stop_token& stop)
{
    if (stop.stop_requested())
        return RunStopRequested;
    std::string said;
    probe = ProbeMedia(input, &said);
    if (stop.stop_requested())
        return RunStopRequested;
    if (probe.readable)
        return RunEnded;
    if (why) {
        OutputTail tail;
        tail.add(said.data(), said.size());
        *why = tail.tellingLine();
    }
    return RunInvalidData;
}

// The length a part keeps in the join: its picture's as its boxes tell it,
// else the encoder's.
std::int64_t partLength(const std::string& path, const MediaProbe& probe)
{
    const Mp4Tracks tracks = ReadMp4Tracks(path);
    if (tracks.readable && tracks.video && tracks.videoMicroseconds > 0)
        return tracks.videoMicroseconds;
    return probe.durationMicros;
}

} // namespace

int MergeFiles(const std::string& outputFolder, const MergeJob& job, MergeProgress& progress, const JobNotify& notify,
               std::string* why, std::stop_token stop)
{
    const char sep = platform::separator();
    const std::string wanted = MergeOutputPath(outputFolder, platform::localTime(), sep);
    const std::string target = ClaimFreeName(wanted);
    progress.reset(job.names.size());

    std::string failure;
    const std::string parts = target.empty() ? std::string() : makePartsFolder(target);
    int status = parts.empty() ? RunInvalidData : RunEnded;
    if (parts.empty())
        failure = NoNewFileReason(target.empty() ? wanted : target);
    std::vector<std::string> inputs;
    for (const std::string& name : job.names)
        // Names without a folder are full paths.
        inputs.push_back(job.folder.empty() ? name : job.folder + sep + name);

    // The first part that fails or is stopped ends the merge: a join without
    // it would pass for a whole one.
    std::vector<MediaProbe> probes(inputs.size());
    for (std::size_t k = 0; status == RunEnded && k < inputs.size(); ++k) {
        if (k < job.probes.size() && job.probes[k].readable) {
            probes[k] = job.probes[k];
            status = stop.stop_requested() ? RunStopRequested : RunEnded;
        } else {
            status = probePart(inputs[k], probes[k], &failure, stop);
        }
        // A failure is said by the last report alone, which carries why.
        notify(progress.advance(), inputs[k], target, status == RunStopRequested ? status : RunEnded);
    }
    std::vector<std::string> temporaries;
    std::vector<StretchTiming> timings;
    const JoinPlan plan = status == RunEnded ? PlanJoin(probes) : JoinPlan();
    for (std::size_t k = 0; status == RunEnded && k < inputs.size(); ++k) {
        // A part that matches is joined as it is, unless its boxes cannot
        // tell its lengths: then it is copied into an MP4 first.
        // A name that cannot be listed is copied to one of ours.
        std::string joined = inputs[k];
        Mp4Tracks tracks = ReadMp4Tracks(joined);
        if (!plan.parts[k].matches || !tracks.readable || !ListablePath(joined)) {
            joined = ClaimFreeName(parts + sep + std::to_string(k + 1) + ".mp4");
            temporaries.push_back(joined);
            if (joined.empty()) {
                failure = NoNewFileReason(parts);
                status = RunInvalidData;
                break;
            }
            status = RunJobStep(
                BuildPartConvertCommandLine(PrepareTool(), inputs[k], probes[k], plan.form, plan.parts[k],
                                            partLength(inputs[k], probes[k]), joined),
                [&](int soFar) { notify(progress.advance(), inputs[k], target, soFar); }, &failure, stop);
            tracks = ReadMp4Tracks(joined);
        }
        if (status == RunEnded && !(tracks.readable && tracks.video))
            status = RunInvalidData;
        timings.push_back({joined, tracks.videoMicroseconds, tracks.sound ? tracks.soundTimescale : 0,
                           tracks.soundUnits, tracks.soundTracks});
    }

    // The joined file's pictures follow one another exactly; each part's
    // sound keeps to its own pictures (see BuildStretchJoinLists).
    if (status == RunEnded)
        status = JoinByStreamCopy(
            timings, target, [&](int soFar) { notify(progress.advance(), target, target, soFar); }, &failure, stop);

    for (const std::string& file : temporaries)
        if (!file.empty())
            platform::removeFile(file);
    if (!parts.empty())
        platform::removeEmptyFolder(parts);
    if (!target.empty() && status != RunEnded)
        platform::removeFile(target); // made new by this job above
    if (why)
        *why = status == RunInvalidData ? failure : std::string();
    const std::string& named = target.empty() ? wanted : target;
    notify(100, named, named, status);
    return status;
}

} // namespace editing
