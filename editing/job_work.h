#pragma once
// What the job runner runs: a job's work, and how it reports. Qt-free.
#include "editing/stream_ops.h"

#include <functional>
#include <stop_token>
#include <string>

namespace editing {

// One report of a job: percent, the file worked on, the file produced, the
// status so far.
using JobNotify = editing::JobNotify;
// A job's work, run on the worker; returns the final status. On a failure it
// puts the encoder's most telling line into `why` before its last report,
// which carries it.
using JobWork = std::function<int(const JobNotify& notify, std::stop_token stop, std::string& why)>;

} // namespace editing
