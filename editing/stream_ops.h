#pragma once
// The operations on finished recordings: describing a file, cutting a
// stretch into a new file by stream copy, and joining several recordings,
// by stream copy where they match. Cuts and merges run on worker threads and report through a JobNotify; a stop
// requested on their token makes them ask the encoder to finish, and ends one that does not within kTerminateAfterMs.
// Qt-free.
#include "media/media_probe.h"
#include "editing/stream_command.h"

#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace editing {

// One progress report: a percentage, the file being worked on, the file
// being produced and the status so far (the runner's statuses). The last one
// of a job has 100 and the job's final status.
using JobNotify = std::function<void(int percent, const std::string& current, const std::string& target, int status)>;


// What a cut takes from the cut page: the recording and the marks, in
// milliseconds.
struct CutJob {
    std::string source;
    std::int64_t startMs = 0;
    std::int64_t endMs = 0;
};

// Copies the stretch from the first keyframe after the start mark to the end
// mark into "Cut_<name>" (or a free
// numbered variant) in `outputFolder`. Reports 5 while the encoder works,
// then 100 with the status, which it returns. A cut that did not finish
// cleanly, or that came out with nothing in it, leaves no file. On a failure
// `why`, when given, gets the encoder's most telling line (OutputTail), or
// nothing when it said nothing of use; it is set before the last report.
int CutStretch(const std::string& outputFolder, const CutJob& job, const JobNotify& notify, std::string* why = nullptr,
               std::stop_token stop = {});

// What a merge takes from the merge page: file names in their order, and the
// folder they live in; with no folder, the names are full paths.
struct MergeJob {
    std::vector<std::string> names;
    std::string folder;
    // What was read of the files already (ProbeMedia), in their order: a
    // readable one is not read again; the others are read by the merge.
    std::vector<media::MediaProbe> probes;
};

// Joins the files in order into "Merge<local time>.mp4" in `outputFolder`.
// Each part is read first (one report each), then compared with the first
// (PlanJoin): parts that match are joined by stream copy, the others are
// converted into the first part's form in a new folder of the job's own
// beside the target ("Merge<local time>.parts"), which is removed with its
// temporaries whatever happens; no other file is touched. The first part
// that cannot be read, fails to convert or is stopped ends the merge before
// the join; a target that did not come out cleanly is removed. Reports the
// last time with 100 and returns the status; `why` as for CutStretch.
int MergeFiles(const std::string& outputFolder, const MergeJob& job, MergeProgress& progress, const JobNotify& notify,
               std::string* why = nullptr, std::stop_token stop = {});

} // namespace editing
