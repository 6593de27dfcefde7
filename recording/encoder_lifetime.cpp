#include "recording/encoder_lifetime.h"

#include "encoder/run_stop.h"
#include "encoder/shutdown.h"
#include "encoder/tool.h"

namespace recording {

void PrepareEncoders() { encoder::EnsureToolFolder(); }

int QuitWaitMs() { return encoder::kTerminateAfterMs + encoder::kKillAfterMs + 1000; }

void EndEncodersAtQuit() { encoder::EndOurEncoders(); }

} // namespace recording
