#pragma once
// The work of a cut: the stretch between the marks, copied into a folder.
// Qt-free.
#include "editing/job_work.h"

#include <cstdint>
#include <string>

namespace editing {

// Copies the stretch of `recording` from `startMs` to `endMs` into `folder`
// (see editing::CutExactly). Takes everything by value: the job never reads
// the window.
JobWork CutWork(std::string folder, std::string recording, std::int64_t startMs, std::int64_t endMs);

} // namespace editing
