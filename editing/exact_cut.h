#pragma once
// Cuts exact to the frame: the marked frames are the cut's first and last,
// the stretch between the keyframes inside the marks is copied and only the
// frames outside it are encoded again (see exact_cut_plan.h). A file whose
// pictures are shown as decoded (our recordings) is spliced instead: all
// from the first keyframe on is copied (see mp4_splice.h). A recording
// whose ends cannot be encoded to match is cut at keyframes, as CutStretch
// does. Qt-free; blocks while the encoder works.
#include "editing/stream_ops.h"

#include <stop_token>
#include <string>

namespace editing {

// Whether the cuts of `source` can be exact: its pictures are H.264 from
// x264, whose options it carries. Blocks while an MP4's tables are read, or
// for one short encoder run on other files.
bool CanCutExactly(const std::string& source);

// Copies the marked stretch of `job.source` into "Cut_<name>" (or a free
// numbered variant) in `outputFolder`: exactly, or at keyframes when it
// cannot be exact. Reports and returns as CutStretch does.
int CutExactly(const std::string& outputFolder, const CutJob& job, const JobNotify& notify,
               std::string* why = nullptr, std::stop_token stop = {});

} // namespace editing
