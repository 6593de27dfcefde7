#pragma once
// A take whose program died mid-recording is finished at once, not at the
// next start: the encoder's guard lets the encoder finish its file and then
// starts the finishing helper installed beside the program, which makes the
// recording as the next start's recovery would. Qt-free.
#include <string>

namespace recording {

// The helper's file name beside the program.
inline constexpr const char* kTakeFinisherName = "vantreel-finish-take";

// The helper beside this program, quoted for a command line; empty when it
// is not there (a test binary's folder).
std::string InstalledTakeFinisher();
// The command line that finishes the take of `working` with `helper` (as
// InstalledTakeFinisher gives it); empty without a helper.
std::string TakeFinisherCommand(const std::string& helper, const std::string& working);
// The helper's work for `working`: 0 when the take is finished (or held
// nothing), 1 when it was left for the next start's recovery.
int FinishTakeAfterCrash(const std::string& working);

} // namespace recording
