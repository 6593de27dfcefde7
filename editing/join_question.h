#pragma once
// The question the merge page asks before a merge that converts parts:
// which parts are converted and why, from the language files' texts. Pure
// and Qt-free; UTF-8.
#include "editing/job_text.h"
#include "media/media_match.h"

#include <string>
#include <vector>

namespace editing {

// The language key of the text that names `reason`; kindred reasons share
// one (the codec, its profile and its header are all "the picture's coding").
const char* MismatchKey(media::PartMismatch reason);

// Empty when nothing is converted. Otherwise the question's text with one
// line per converted part: its file name (without the folder) and its
// reasons, each named once, in the order of `MismatchKey`s first use.
std::string JoinQuestionText(const std::vector<std::string>& paths, const media::JoinPlan& plan,
                             const LanguageText& text);

} // namespace editing
