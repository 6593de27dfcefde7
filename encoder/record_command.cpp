#include "encoder/record_command.h"

#include "platform/command_line.h"

#include <cstdio>

namespace {

// Keyframes at every whole second: a stream-copy cut starts at a keyframe, so
// without them a cut loses seconds of picture, or all of it.
#define VTR_KEYFRAMES " -force_key_frames expr:gte(t,n_forced)"

constexpr const char* kVideoSilent =
    " -vcodec libx264 -r 60.97 -b:v 1500K -pix_fmt yuv420p -tune zerolatency -preset ultrafast" VTR_KEYFRAMES " -f mp4";
constexpr const char* kVideoWithSound =
    " -vcodec libx264 -r 60.97 -b:v 1500K -codec:a aac -ac 2 -ar 44100  -pix_fmt yuv420p -tune zerolatency -preset ultrafast" VTR_KEYFRAMES
    " -f mp4";

#undef VTR_KEYFRAMES

using InputOf = std::string (*)(const std::string& device);

std::string dshowInput(const std::string& device)
{
    return " -f dshow -i audio=" + platform::quoteArgument(device);
}

std::string pulseInput(const std::string& device)
{
    return " -f pulse -i " + platform::quoteArgument(device);
}

std::string audioPart(const RecordSources& s, InputOf input)
{
    switch (s.audioMode) {
    case AudioComputerSound:
    case AudioMicrophone:
        return input(s.audioMode == AudioComputerSound ? s.computerSound : s.microphone)
            + " -filter_complex amix=inputs=1:duration=first:dropout_transition=1";
    case AudioComputerSoundAndMic:
        return input(s.computerSound) + input(s.microphone)
            + " -filter_complex amix=inputs=2:duration=first:dropout_transition=2";
    default:
        return {};
    }
}

// A display name like ":0" stands bare, as users write it; anything odd is quoted.
std::string bareOrQuoted(const std::string& text)
{
    const bool plain = !text.empty() && text.find_first_of(" \t\"") == std::string::npos;
    return plain ? text : platform::quoteArgument(text);
}

const char* videoPart(const RecordSources& s) { return s.audioMode < 0 ? kVideoSilent : kVideoWithSound; }

} // namespace

std::string BuildGdigrabRecordArgs(const RecordSources& sources)
{
    return audioPart(sources, dshowInput) + " -f gdigrab -i desktop " + videoPart(sources);
}

std::string BuildX11RecordArgs(const RecordSources& sources, const platform::Desktop& desktop)
{
    return audioPart(sources, pulseInput) + " -f x11grab -video_size " + std::to_string(desktop.width) + "x"
        + std::to_string(desktop.height) + " -i " + bareOrQuoted(desktop.display) + " "
        + videoPart(sources);
}

std::string BuildRecordArgs(const RecordSources& sources, const platform::Desktop& desktop)
{
    return desktop.grab == platform::DesktopGrab::X11 ? BuildX11RecordArgs(sources, desktop)
                                                      : BuildGdigrabRecordArgs(sources);
}

std::string BuildRecordCommandLine(const std::string& quotedTool, const std::string& args,
                                   const std::string& outputPath)
{
    return quotedTool + args + " " + platform::quoteArgument(outputPath) + " ";
}

std::string RecordFileStem(const platform::LocalTime& t)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d-%02d-%02d-%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

bool RecordSourcesComplete(const RecordSources& s)
{
    switch (s.audioMode) {
    case AudioComputerSound:
        return !s.computerSound.empty();
    case AudioMicrophone:
        return !s.microphone.empty();
    case AudioComputerSoundAndMic:
        return !s.computerSound.empty() && !s.microphone.empty();
    default:
        return true;
    }
}
