#include "editing/join_question.h"

#include "editing/job_text.h"

#include <algorithm>

namespace editing {

using media::JoinPlan;
using media::PartMatch;
using media::PartMismatch;

const char* MismatchKey(PartMismatch reason)
{
    switch (reason) {
    case PartMismatch::PictureCodec:
    case PartMismatch::PictureProfile:
    case PartMismatch::PictureHeader:
        return "Messages/MSG1034";
    case PartMismatch::PictureSize:
    case PartMismatch::PixelAspect:
        return "Messages/MSG1035";
    case PartMismatch::PixelFormat:
        return "Messages/MSG1036";
    case PartMismatch::FrameRate:
    case PartMismatch::PictureTimeBase:
        return "Messages/MSG1037";
    case PartMismatch::NoPicture:
        return "Messages/MSG1038";
    case PartMismatch::SoundCodec:
    case PartMismatch::SoundHeader:
        return "Messages/MSG1039";
    case PartMismatch::SoundRate:
    case PartMismatch::SoundChannels:
        return "Messages/MSG1040";
    case PartMismatch::SoundTracks:
        return "Messages/MSG1042";
    case PartMismatch::NoSound:
        return "Messages/MSG1041";
    }
    return "Messages/MSG1034";
}

std::string JoinQuestionText(const std::vector<std::string>& paths, const JoinPlan& plan, const LanguageText& text)
{
    std::string lines;
    for (std::size_t k = 0; k < plan.parts.size() && k < paths.size(); ++k) {
        const PartMatch& m = plan.parts[k];
        if (m.matches)
            continue;
        std::vector<const char*> keys;
        for (const PartMismatch reason : m.reasons)
            if (std::find(keys.begin(), keys.end(), std::string_view(MismatchKey(reason))) == keys.end())
                keys.push_back(MismatchKey(reason));
        const std::size_t slash = paths[k].find_last_of("\\/");
        std::string line =
            std::to_string(k + 1) + ". " + (slash == std::string::npos ? paths[k] : paths[k].substr(slash + 1)) + ": ";
        for (std::size_t i = 0; i < keys.size(); ++i)
            line += (i ? ", " : "") + text(keys[i]);
        lines += (lines.empty() ? "" : "\n") + line;
    }
    if (lines.empty())
        return {};
    return ReplacePlaceholder(ExpandLineBreaks(text("Messages/MSG1033")), lines);
}

} // namespace editing
