#include "editing/merge_job.h"

#include "encoder/runner.h"

namespace editing {

JobWork ReadPartsWork(std::vector<std::string> paths, std::shared_ptr<MergeParts> into)
{
    return [paths = std::move(paths), into = std::move(into)](const JobNotify& notify, std::stop_token stop,
                                                              std::string&) {
        std::vector<media::MediaProbe>& probes = into->probes;
        for (const std::string& path : paths) {
            if (stop.stop_requested())
                break;
            probes.push_back(media::ProbeMedia(path));
            if (!probes.back().readable)
                break;
        }
        if (!paths.empty() && probes.size() == paths.size() && probes.back().readable)
            into->plan = media::PlanJoin(probes);
        notify(100, {}, {}, encoder::RunEnded);
        return int(encoder::RunEnded);
    };
}

JobWork MergeWork(std::string folder, std::vector<std::string> paths, std::vector<media::MediaProbe> probes)
{
    // Full paths: the job needs no folder of its own.
    return [folder = std::move(folder), job = editing::MergeJob{std::move(paths), std::string(), std::move(probes)}](
               const JobNotify& notify, std::stop_token stop, std::string& why) {
        editing::MergeProgress progress;
        return editing::MergeFiles(folder, job, progress, notify, &why, stop);
    };
}

} // namespace editing
