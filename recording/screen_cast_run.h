#pragma once
// A recording of a Wayland desktop: the portal is asked for the screen (with
// the stored restore token), then RecordRun records its stream. Runs on the
// recording worker.
#include "recording/record_run.h"

namespace recording {

// The text key of what the window must say after the run, or null when the
// recording went as asked; `finished`, `pause` and `output` as for RecordRun. `detail`,
// when given, gets what the text's %1 names (the capture's missing parts).
const char* RecordScreenCast(recording::RecordSettings settings, const std::string& settingsPath,
                             const encoder::RunStop& stop, takes::FinishedTake* finished = nullptr,
                             const recording::RunPause* pause = nullptr, recording::RunOutput* output = nullptr,
                             std::string* detail = nullptr);

} // namespace recording
