#include "editing/part_convert.h"

#include "encoder/files_only.h"
#include "platform/command_line.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace editing {

using platform::quoteArgument;
using encoder::kFilesOnly;
using media::JoinForm;
using media::MediaPictureStream;
using media::MediaProbe;
using media::MediaSoundStream;
using media::PartMatch;

namespace {

std::string seconds(std::int64_t micros)
{
    char text[48];
    std::snprintf(text, sizeof text, "%lld.%06lld", static_cast<long long>(micros / 1000000),
                  static_cast<long long>(micros % 1000000));
    return text;
}

std::string rateOf(const MediaPictureStream& p)
{
    if (!p.frameRateText.empty())
        return p.frameRateText;
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", p.frameRate > 0 ? p.frameRate : 30.0);
    return text;
}

// A layout the silence source knows: its name, or "<n>c" for one without.
std::string layoutOf(const MediaSoundStream& s)
{
    if (s.layout.empty() || s.layout.find(" channels") != std::string::npos)
        return std::to_string(s.channels > 0 ? s.channels : 2) + "c";
    return s.layout;
}

std::string profileOf(const MediaPictureStream& p)
{
    if (p.profile == "High")
        return "high";
    if (p.profile == "Main")
        return "main";
    if (p.profile == "Constrained Baseline" || p.profile == "Baseline")
        return "baseline";
    return {};
}

// Square pixels first, then fitted whole into the form's shown size and
// padded with black, then to the form's stored size and aspect.
std::string pictureFilter(const MediaPictureStream& in, const MediaPictureStream& form)
{
    const int sarNum = form.sarNum > 0 && form.sarDen > 0 ? form.sarNum : 1;
    const int sarDen = form.sarNum > 0 && form.sarDen > 0 ? form.sarDen : 1;
    const long long shownWidth = std::llround(static_cast<double>(form.width) * sarNum / sarDen / 2) * 2;
    const std::string w = std::to_string(shownWidth);
    const std::string h = std::to_string(form.height);
    std::string chain;
    if (in.sarNum > 0 && in.sarDen > 0 && in.sarNum != in.sarDen)
        chain += "scale=trunc(iw*" + std::to_string(in.sarNum) + "/" + std::to_string(in.sarDen) + "/2)*2:ih,";
    chain += "setsar=1,scale=" + w + ":" + h + ":force_original_aspect_ratio=decrease:force_divisible_by=2,pad=" + w
        + ":" + h + ":(ow-iw)/2:(oh-ih)/2";
    if (shownWidth != form.width)
        chain += ",scale=" + std::to_string(form.width) + ":" + h;
    return chain + ",setsar=" + std::to_string(sarNum) + "/" + std::to_string(sarDen) + ",fps=" + rateOf(form);
}

} // namespace

std::string BuildPartConvertCommandLine(const std::string& quotedTool, const std::string& input, const MediaProbe& part,
                                        const JoinForm& form, const PartMatch& match, std::int64_t lengthMicros,
                                        const std::string& output)
{
    const MediaPictureStream& pf = form.pictureForm;
    const MediaSoundStream& sf = form.soundForm;
    std::string line = quotedTool + " -hide_banner" + kFilesOnly + " -i " + quoteArgument(input);
    int inputs = 1;
    std::string pictureInput = "0:V:0";
    std::string silence; // the input that gives silence, for a track the part lacks
    if (form.picture && !part.hasPicture) {
        line += " -f lavfi -i "
            + quoteArgument("color=c=black:s=" + std::to_string(pf.width) + "x" + std::to_string(pf.height)
                            + ":r=" + rateOf(pf));
        pictureInput = std::to_string(inputs++) + ":v";
    }
    const int partTracks = part.hasSound ? std::max(1, part.soundTracks) : 0;
    const int formTracks = std::max(1, form.soundTracks);
    if (form.sound && partTracks < formTracks) {
        line += " -f lavfi -i " + quoteArgument("anullsrc=r=" + std::to_string(sf.sampleRate) + ":cl=" + layoutOf(sf));
        silence = std::to_string(inputs++) + ":a";
    }
    if (form.picture) {
        line += " -map " + pictureInput;
        if (match.encodePicture) {
            if (part.hasPicture)
                line += " -vf " + quoteArgument(pictureFilter(part.picture, pf));
            line += " -c:v libx264 -preset superfast -crf 26 -bf 0";
            if (!pf.pixelFormat.empty())
                line += " -pix_fmt " + pf.pixelFormat;
            if (const std::string profile = profileOf(pf); !profile.empty())
                line += " -profile:v " + profile;
        } else {
            line += " -c:v copy";
        }
        if (pf.timeBaseNum == 1 && pf.timeBaseDen > 0)
            line += " -video_track_timescale " + std::to_string(pf.timeBaseDen);
    }
    // A part's tags are not the joined file's, but its sound tracks keep
    // their titles; a track it lacks is silent, one too many is left out.
    std::string titles = " -map_metadata -1";
    if (form.sound) {
        for (int k = 0; k < formTracks; ++k) {
            const std::string track = std::to_string(k);
            if (k < partTracks) {
                line += " -map 0:a:" + track;
                titles += " -map_metadata:s:a:" + track + " 0:s:a:" + track;
            } else {
                line += " -map " + silence;
            }
        }
        if (match.encodeSound) {
            line += " -af "
                + quoteArgument("aresample=" + std::to_string(sf.sampleRate)
                                + ",aformat=sample_fmts=fltp:channel_layouts=" + layoutOf(sf) + ",apad");
            line += " -c:a aac -ar " + std::to_string(sf.sampleRate);
        } else {
            line += " -c:a copy";
        }
    }
    if (lengthMicros > 0)
        line += " -t " + seconds(lengthMicros);
    line += titles;
    return line + " -y -f mp4 " + quoteArgument(output) + " ";
}

} // namespace editing
