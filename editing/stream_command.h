#pragma once
// The keyframe cut's command line, the names of a cut's and a merge's
// outputs, and how far a merge has come. Pure and Qt-free.
#include "platform/clock.h"

#include <cstdint>
#include <string>

namespace editing {

// `quotedTool` is PrepareTool()'s answer; each path is quoted so that it
// comes back whole, whatever letters it holds.
// The stretch from `startMs` lasting `lengthMs` milliseconds, the seek after
// the input: it starts at the first keyframe from there. Every picture
// (but a cover image) and every sound track is kept, in order.
std::string BuildCutCommandLine(const std::string& quotedTool, const std::string& source, std::int64_t startMs,
                                std::int64_t lengthMs, const std::string& output);
// "12.345" for 12345 milliseconds.
std::string MillisecondsAsSeconds(std::int64_t ms);

// "Cut_" and the file name of `source` (after its last '\' or '/'), in
// `outputFolder` (which ends without a separator).
std::string CutOutputPath(const std::string& outputFolder, const std::string& source, char separator);
// "Merge2018-03-03-14-05-09.mp4" in `outputFolder`.
std::string MergeOutputPath(const std::string& outputFolder, const platform::LocalTime& t, char separator);


// How far a merge has come: a count of status lines against an estimate of
// twenty per file and twenty for the join.
struct MergeProgress {
    std::int64_t count = 0;
    std::int64_t estimate = 0;

    void reset(std::size_t files);
    // Counts one status line, held at the estimate, and answers the
    // percentage. It stops at 99: only the merge's last report says 100, so
    // a join that prints more status lines than estimated is never taken
    // for finished.
    int advance();
};

} // namespace editing
