#pragma once
// The encoders over the program's life: what start-up prepares for them, and
// how quitting ends them. Qt-free.

namespace recording {

// Makes the per-user folder the encoders run from; once, at start-up.
// Failures are ignored: a later run then fails to start and says so.
void PrepareEncoders();

// How long quitting waits for a recording or a job to end: the time in which
// an encoder that ignores the stop is ended by force, and a second to spare.
int QuitWaitMs();

// Ends every encoder this program started that still runs, and no other
// process; after the recording and the jobs were asked to stop.
void EndEncodersAtQuit();

} // namespace recording
