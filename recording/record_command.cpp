#include "recording/record_command.h"

#include "platform/command_line.h"

#include <algorithm>
#include <cstdio>

namespace recording {

using takes::BuildTakeOutput;
using takes::TakeFiles;

namespace {

// A screen is mostly text, and text must stay readable. The quality is
// held constant (CRF) rather than the bit rate: at a fixed 1500K with the
// cheapest search (ultrafast), scrolling text was a blur of blocks (SSIM
// 0.64, 19 dB); superfast at CRF 26 keeps it crisp (SSIM 0.998, 43 dB) in a
// file about the size of the common recorders' default. B-frames would make
// it 2-4 % smaller at 1.3-1.5 times the encoder's CPU, and hold frames back
// at Stop; they are left out.
// Keyframes at every third whole second: a stream-copy cut starts at a
// keyframe, so without them a cut loses seconds of picture, or all of it.
// On a page of text the keyframes are most of the file: one every second
// made it 1.6 times as large, one every other second 1.4 times the common
// recorders' default (keyframes about 4 s apart).
#define VTR_KEYFRAMES " -force_key_frames expr:gte(t,n_forced*3)"
// The pixels are converted with the BT.601 matrix, which the stream now
// says: untagged, players take a picture of HD size for BT.709, and every
// colour shifts a little.
// Stitchable headers do not depend on what was recorded, so any two
// recordings of one size join by stream copy, and a frame-exact cut can
// re-encode its ends with headers equal to the copied middle's.
// Threads share each picture in slices rather than taking a picture each:
// a picture each held about one and a half times the cores' count of
// pictures back (4 on two cores, 13 on eight), 50-200 ms on a busy screen.
// Slices hold one, which x264 keeps until the next comes, to learn how long
// it stands: a still screen's first bytes wait for its first stand's end
// (force-cfr would not wait, but it takes every picture for one frame long
// and marks the headers with a fixed rate, which earlier recordings' and
// the exact cut's lack). Slices cost 2-3 % in size (5 % with eight) and
// about as much CPU, within the measure's noise.
#define VTR_PICTURE " -preset superfast -crf 26 -bf 0 -x264-params stitchable=1:sliced-threads=1 -colorspace smpte170m"

constexpr const char* kVideoSilent = " -vcodec libx264 -r 60.97 -pix_fmt yuv420p" VTR_PICTURE VTR_KEYFRAMES;
constexpr const char* kVideoWithSound =
    " -vcodec libx264 -r 60.97 -codec:a aac -ac 2 -ar 44100 -pix_fmt yuv420p" VTR_PICTURE VTR_KEYFRAMES;

#undef VTR_PICTURE
#undef VTR_KEYFRAMES

// Frames are grabbed at the rate they are written; the grab's own default
// (29.97) would leave every other written frame a copy.
constexpr const char* kGrabRate = " -framerate 60.97";

// The written rate is kept by repeating or dropping frames, and by default a
// frame is dropped only once it trails its place by over two frames: after
// the grab caught up on one late frame, every later frame stayed one or two
// frames (16-33 ms) behind its sound. A frame is now dropped once it trails by
// a whole frame, when the next capture belongs to its place; closer to its
// place it is the nearest capture there is. (The value counts from a frame
// behind, and 0 would turn the drop off.)
constexpr const char* kDropTrailingFrames = " -frame_drop_threshold 0.01";

// The frames come with their instants (see frame_stream.h), and only when
// the screen changed; each is written with its own instant and stands in the
// file until the next: a still screen costs the encoder nothing. The
// stream's head says all there is to know of it.
constexpr const char* kTimedFrames = " -f matroska -probesize 32 -analyzeduration 0 -i /dev/fd/3 ";
constexpr const char* kFramesAsTimed = " -fps_mode passthrough";

using InputOf = std::string (*)(const std::string& device);

std::string dshowInput(const std::string& device) { return " -f dshow -i audio=" + platform::quoteArgument(device); }

// Both sources mixed into the first sound track (unlabelled: the encoder
// writes it before the picture), each input first through `pad` when
// given; with separate tracks each source is also split off as [s0], [s1]
// (see trackMaps).
std::string mixOfTwo(const RecordSources& s, const std::string& pad)
{
    constexpr const char* mix = "amix=inputs=2:duration=first:dropout_transition=2";
    if (!s.separateTracks)
        return pad.empty() ? std::string(" -filter_complex ") + mix
                           : " -filter_complex [0:a]" + pad + "[a0];[1:a]" + pad + "[a1];[a0][a1]" + mix;
    const std::string first = pad.empty() ? std::string() : pad + ",";
    return " -filter_complex [0:a]" + first + "asplit[a0][s0];[1:a]" + first + "asplit[a1][s1];[a0][a1]" + mix;
}

std::string mixOfOne(const std::string& pad)
{
    return " -filter_complex " + (pad.empty() ? std::string() : pad + ",")
        + "amix=inputs=1:duration=first:dropout_transition=1";
}

std::string audioPart(const RecordSources& s, InputOf input)
{
    switch (s.audioMode) {
    case AudioComputerSound:
    case AudioMicrophone:
        return input(s.audioMode == AudioComputerSound ? s.computerSound : s.microphone) + mixOfOne({});
    case AudioComputerSoundAndMic:
        return input(s.computerSound) + input(s.microphone) + mixOfTwo(s, {});
    default:
        return {};
    }
}

// "-1796645464.372217": moves wall-clock stamps to the recording's start.
std::string originOffset(std::int64_t originMicros)
{
    char text[48];
    std::snprintf(text, sizeof text, " -itsoffset -%lld.%06lld", static_cast<long long>(originMicros / 1000000),
                  static_cast<long long>(originMicros % 1000000));
    return text;
}

// The screen and PulseAudio inputs stamp packets with the wall clock, but by
// default each input's first packet becomes its own zero, so the sound lagged
// the picture by however long the screen input opened after the sound one.
// -copyts keeps one clock for all, shifted so that the start is zero; each
// sound is then padded with silence from zero up to its first sample (and
// across any gap), so that late sound keeps its place and two sources mix in
// step. A sound device's clock is not the wall clock: counted by its
// samples, the sound drifted behind the picture by about 50 ms a minute, so
// the sound is stretched or squeezed (by at most 1000 samples a second,
// inaudibly) to keep to the input's wall-clock stamps. Following the stamps,
// the input's own 50 ms fragments place the sound as well as 5 ms ones did
// when the first stamp alone placed it, at a tenth of the wake-ups.
std::string pulsePart(const RecordSources& s, const std::string& offset)
{
    const auto input = [&](const std::string& device) {
        return offset + " -f pulse -i " + platform::quoteArgument(device);
    };
    constexpr const char* pad = "aresample=async=1000:first_pts=0";
    switch (s.audioMode) {
    case AudioComputerSound:
    case AudioMicrophone:
        return " -copyts" + input(s.audioMode == AudioComputerSound ? s.computerSound : s.microphone) + mixOfOne(pad);
    case AudioComputerSoundAndMic:
        return " -copyts" + input(s.computerSound) + input(s.microphone) + mixOfTwo(s, pad);
    default:
        return {};
    }
}

// Sound this program reads itself and hands over on descriptors 4 and 5,
// already on the frames' clock (see sound_pump.h): sample n stands for
// the instant n/44100 after the origin, as frame n for n/kRecordFps.
std::string pipedSoundPart(const RecordSources& s)
{
    const auto input = [](int fd) {
        return " -f s16le -ar 44100 -ac 2 -thread_queue_size 64 -probesize 32 -analyzeduration 0 -i /dev/fd/"
            + std::to_string(fd);
    };
    switch (s.audioMode) {
    case AudioComputerSound:
    case AudioMicrophone:
        return input(4) + mixOfOne({});
    case AudioComputerSoundAndMic:
        return input(4) + input(5) + mixOfTwo(s, {});
    default:
        return {};
    }
}

// With sound, the encoder waits for each sound input's first packet before
// it takes frames, and the grab then stops once its queue of 8 is full: the
// frames of the first few tenths of a second were lost or grabbed late, and
// later frames when the encoder fell behind for a moment. Half a second of
// frames, at most 256 MiB of them (a 4K screen keeps the default).
std::string grabQueue(int width, int height)
{
    constexpr long long budget = 256LL << 20;
    const long long frameBytes = 4LL * width * height;
    const long long frames = frameBytes > 0 ? std::clamp(budget / frameBytes, 8LL, 32LL) : 8;
    return " -thread_queue_size " + std::to_string(frames);
}

// A display name like ":0" stands bare, as users write it; anything odd is quoted.
std::string bareOrQuoted(const std::string& text)
{
    const bool plain = !text.empty() && text.find_first_of(" \t\"") == std::string::npos;
    return plain ? text : platform::quoteArgument(text);
}

const char* videoPart(const RecordSources& s) { return s.audioMode < 0 ? kVideoSilent : kVideoWithSound; }

// The separate tracks after the mix, with their titles.
std::string trackMaps(const RecordSources& s)
{
    if (!s.separateTracks || s.audioMode != AudioComputerSoundAndMic)
        return {};
    // An MP4 keeps a track's name as its handler's, not as a title.
    return " -map [s0] -map [s1] -metadata:s:a:1 " + platform::quoteArgument("handler_name=" + s.computerSoundTitle)
        + " -metadata:s:a:2 " + platform::quoteArgument("handler_name=" + s.microphoneTitle);
}

} // namespace

std::string BuildGdigrabRecordArgs(const RecordSources& sources, const platform::ScreenArea* part)
{
    // H.264 in 4:2:0 needs an even width and height; an odd desktop loses its
    // last column or row.
    const std::string grab = part ? " -offset_x " + std::to_string(part->x) + " -offset_y " + std::to_string(part->y)
            + " -video_size " + std::to_string(part->width) + "x" + std::to_string(part->height)
            + " -f gdigrab -i desktop "
                                  : std::string(" -f gdigrab -i desktop -vf crop=trunc(iw/2)*2:trunc(ih/2)*2 ");
    return audioPart(sources, dshowInput) + kGrabRate + grab + videoPart(sources);
}

std::string BuildX11RecordArgs(const RecordSources& sources, const platform::Desktop& desktop,
                               std::int64_t originMicros, const platform::ScreenArea* part)
{
    const bool sound = sources.audioMode >= 0;
    const std::string offset = sound ? originOffset(originMicros) : std::string();
    // An even size, as H.264 in 4:2:0 needs: an odd desktop loses its last
    // column or row.
    const int width = part ? part->width : desktop.width & ~1;
    const int height = part ? part->height : desktop.height & ~1;
    // The grab's input names its top left corner after the display.
    const std::string corner = part && (part->x != 0 || part->y != 0)
        ? "+" + std::to_string(part->x) + "," + std::to_string(part->y)
        : std::string();
    return pulsePart(sources, offset) + kDropTrailingFrames + kGrabRate + offset
        + (sound ? grabQueue(width, height) : std::string()) + " -f x11grab -video_size " + std::to_string(width) + "x"
        + std::to_string(height) + " -i " + bareOrQuoted(desktop.display + corner) + " " + videoPart(sources);
}

std::string BuildFramePipeRecordArgs(const RecordSources& sources, int width, int height, std::int64_t originMicros,
                                     bool pipedSound)
{
    // The frames count from the origin, so only the sound inputs are moved
    // by it. The pipe is named as a file: an input named "pipe:" makes the
    // encoder stop reading "q", and with sound nothing else would end it.
    const bool sound = sources.audioMode >= 0;
    return (pipedSound ? pipedSoundPart(sources)
                       : pulsePart(sources, sound ? originOffset(originMicros) : std::string()))
        + (sound ? grabQueue(width, height) : std::string()) + kTimedFrames + videoPart(sources) + kFramesAsTimed;
}

std::string BuildRecordArgs(const RecordSources& sources, const platform::Desktop& desktop, std::int64_t originMicros,
                            const platform::ScreenArea* part)
{
    switch (desktop.grab) {
    case platform::DesktopGrab::X11:
        return BuildX11RecordArgs(sources, desktop, originMicros, part);
    case platform::DesktopGrab::PipeWire:
        return BuildFramePipeRecordArgs(sources, part ? part->width : desktop.width & ~1,
                                        part ? part->height : desktop.height & ~1, originMicros);
    default:
        return BuildGdigrabRecordArgs(sources, part);
    }
}

std::string BuildTakeCommandLine(const std::string& quotedTool, const std::string& args, const RecordSources& sources,
                                 const TakeFiles& files)
{
    // The sound inputs come first, the picture after them.
    const int soundInputs = sources.audioMode == AudioComputerSoundAndMic ? 2 : sources.audioMode >= 0 ? 1 : 0;
    return quotedTool + args + BuildTakeOutput(soundInputs, files, trackMaps(sources)) + " ";
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

} // namespace recording
