#pragma once
// The command line that brings one part of a merge into the joined file's
// form, so that it joins by stream copy: the picture letterboxed into the
// form's size and aspect, at its pixel format and frame rate, encoded as
// this program's recordings are; the sound resampled to its rate and layout
// and padded or cut to the picture's length; black pictures or silence where
// the part has none, so that nothing after it shifts. A stream that already
// matches is copied. The picture's time base becomes the form's. Pure and
// Qt-free.
#include "media/media_match.h"

#include <cstdint>
#include <string>

namespace editing {

// `lengthMicros`: the part's length (its picture's, when it has one).
std::string BuildPartConvertCommandLine(const std::string& quotedTool, const std::string& input, const media::MediaProbe& part,
                                        const media::JoinForm& form, const media::PartMatch& match, std::int64_t lengthMicros,
                                        const std::string& output);

} // namespace editing
