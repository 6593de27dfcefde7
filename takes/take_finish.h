#pragma once
// Turning a take into its recording: at the end of a run, and for the
// working files a crash, a kill or a power cut left behind. The MP4 the
// encoder finished is kept when it holds the whole take; else the working
// transport stream is copied into a new MP4 without re-encoding. Either is
// checked against the working file, flushed to disk and given the
// recording's name before the working file goes. Only files that are plainly
// the encoder's are touched: regular files of this user's, holding an H.264
// picture and at most AAC sound. Qt-free.
#include "takes/take_files.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace takes {

enum class TakeEnd {
    Whole,             // the encoder finished the MP4, and it holds the whole take
    SavedFromWorking,  // the encoder did not finish it: the recording was made from the working file
    KeptWorking,       // nothing could be made of the working file: it stays, untouched
    Empty,             // no picture was recorded at all: nothing is left
    KeptParts,         // a paused take whose stretches could not be joined: each is a recording of its own
    LeftAlone,         // not plainly the encoder's, or its copy was stopped: every file stays as it was
};

// The separate sound tracks' titles, in the user's language. A transport
// stream holds no titles, so a take saved from its working file gets
// these; empty ones leave its tracks untitled.
struct SoundTitles {
    std::string computer;
    std::string microphone;
};

struct FinishedTake {
    TakeEnd end = TakeEnd::Empty;
    std::string path;              // the recording; the working file when it was kept
    std::int64_t microseconds = 0; // the recording's length
    std::vector<std::string> parts; // KeptParts: the stretches' recordings, in order
};

// Makes the recording of `files`, as above. Blocks while the encoder copies;
// a `stop` ends the copy and leaves the take as it was.
FinishedTake FinishTake(const TakeFiles& files, const std::stop_token& stop = {}, const SoundTitles& titles = {});

// Finishes the take whose working file is `working`, unless someone holds
// its working files locked (a recorder here or in another running copy,
// or another such recovery); none then, or when it was not plainly the
// encoder's.
std::optional<FinishedTake> FinishLeftTake(const std::string& working, const std::stop_token& stop = {},
                                           const SoundTitles& titles = {});

// Finishes every take whose working file is in `folder` (not below it),
// oldest name first, until `stop`. Left out: those `inUse` says are being
// recorded, those whose working files someone holds locked (a recorder here
// or in another running copy, or another such recovery), and those not
// plainly the encoder's.
std::vector<FinishedTake> FinishLeftTakes(const std::string& folder,
                                          const std::function<bool(const std::string& working)>& inUse = {},
                                          const std::stop_token& stop = {}, const SoundTitles& titles = {});

// The copy of a working file with `soundTracks` sound tracks into an MP4
// whose timing is that of the MP4 the encoder writes itself; a take's
// three tracks (the mix, then each source) get their titles. Pure.
std::string BuildTakeCopyCommandLine(const std::string& quotedTool, const std::string& working, int soundTracks,
                                     const std::string& target, const SoundTitles& titles = {});

} // namespace takes
