#pragma once

namespace encoder {

// Ending the encoders this program started, and no other process, when the
// program quits. Qt-free.

// How long quitting waits for the encoders to finish their files.
constexpr int kShutdownGraceMs = 2000;

// Asks every live encoder to quit ("q"), waits up to `graceMs` for them to
// finish their files, returning as soon as none is left, and then ends by
// force whatever still runs. True when every encoder ended on its own.
// Called from the main window's destructor, after the recording flag is
// cleared.
bool EndOurEncoders(int graceMs = kShutdownGraceMs);

} // namespace encoder
