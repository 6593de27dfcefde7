#include "editing/cut_job.h"

#include "editing/exact_cut.h"

namespace editing {

JobWork CutWork(std::string folder, std::string recording, std::int64_t startMs, std::int64_t endMs)
{
    return [folder = std::move(folder), job = editing::CutJob{std::move(recording), startMs, endMs}](
               const JobNotify& notify, std::stop_token stop, std::string& why) {
        return editing::CutExactly(folder, job, notify, &why, stop);
    };
}

} // namespace editing
