#pragma once
// The work of a merge: reading its parts for the question asked before it,
// and joining them. Qt-free.
#include "editing/job_work.h"
#include "media/media_match.h"
#include "media/media_probe.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace editing {

// What was read of a merge's parts, in their order: up to the first that
// cannot be read. The plan only when every part was read.
struct MergeParts {
    std::vector<media::MediaProbe> probes;
    std::optional<media::JoinPlan> plan;
};

// Reads `paths` into `into` and ends with a report of 100; `into` is written
// before that report, so whoever waits for it may read it then.
JobWork ReadPartsWork(std::vector<std::string> paths, std::shared_ptr<MergeParts> into);

// Joins `paths` (full paths) in their order into `folder`. `probes`: what
// was read of them already, not read again (see editing::MergeFiles).
JobWork MergeWork(std::string folder, std::vector<std::string> paths, std::vector<media::MediaProbe> probes);

} // namespace editing
