#pragma once
// Turning a take into its recording: at the end of a run, and for the
// working files a crash, a kill or a power cut left behind. The MP4 the
// encoder finished is kept when it holds the whole take; else the working
// transport stream is copied into a new MP4 without re-encoding. Either is
// checked against the working file, flushed to disk and given the
// recording's name before the working file goes. Qt-free.
#include "encoder/take_files.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace encoder {

enum class TakeEnd {
    Whole,             // the encoder finished the MP4, and it holds the whole take
    SavedFromWorking,  // the encoder did not finish it: the recording was made from the working file
    KeptWorking,       // nothing could be made of the working file: it stays, untouched
    Empty,             // no picture was recorded at all: nothing is left
    KeptParts,         // a paused take whose stretches could not be joined: each is a recording of its own
};

struct FinishedTake {
    TakeEnd end = TakeEnd::Empty;
    std::string path;              // the recording; the working file when it was kept
    std::int64_t microseconds = 0; // the recording's length
    std::vector<std::string> parts; // KeptParts: the stretches' recordings, in order
};

// Makes the recording of `files`, as above. Blocks while the encoder copies.
FinishedTake FinishTake(const TakeFiles& files);

// Finishes every take whose working file is in `folder` (not below it),
// oldest name first, but those `inUse` says are being recorded.
std::vector<FinishedTake> FinishLeftTakes(const std::string& folder,
                                          const std::function<bool(const std::string& working)>& inUse = {});

// The copy of a working file into an MP4 whose timing is that of the MP4
// the encoder writes itself. Pure.
std::string BuildTakeCopyCommandLine(const std::string& quotedTool, const std::string& working, bool sound,
                                     const std::string& target);

} // namespace encoder
