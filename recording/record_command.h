#pragma once
// The encoder command line of one recording: the whole desktop, H.264, and
// AAC from one or two audio sources mixed. Pure and Qt-free; both platforms'
// shapes are built everywhere so that each can be checked everywhere.
#include "takes/take_files.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/screen_grab.h"

#include <cstdint>
#include <string>

namespace recording {

// Audio modes, as the record page's audio choices carry them.
enum AudioMode : int {
    AudioComputerSound = 0,
    AudioMicrophone = 1,
    AudioComputerSoundAndMic = 2,
    AudioNone = -2, // any negative mode means no sound
};

struct RecordSources {
    int audioMode = AudioNone;
    std::string computerSound; // device slot 0
    std::string microphone;    // device slot 1
    // With both sources: after the mix (the first sound track, which
    // players play), one track for each source, titled in the user's
    // language.
    bool separateTracks = false;
    std::string computerSoundTitle = "Computer sound";
    std::string microphoneTitle = "Microphone";
};

// Options after the encoder path, each piece starting with a blank: the audio
// inputs and their mix, then the desktop input and the encoding options; the
// output comes after them.
// originMicros is the recording's start on the wall clock
// (platform::wallClockMicros()); the file's time zero is that instant.
// `part`, when given, is the part of the desktop recorded (even-sized, on
// the desktop; see RecordedArea); else all of it.
std::string BuildGdigrabRecordArgs(const RecordSources& sources, const platform::ScreenArea* part = nullptr);
std::string BuildX11RecordArgs(const RecordSources& sources, const platform::Desktop& desktop,
                               std::int64_t originMicros, const platform::ScreenArea* part = nullptr);
// The desktop as raw I420 frames of `width`×`height` at kRecordFps on the
// encoder's descriptor 3, handed over by this program (see frame_pump.h):
// frame n stands for the instant originMicros + n/kRecordFps, so with sound
// the frames and every sound input share one clock. With `pipedSound` the
// sound comes on descriptors 4 (and 5) as this program's own capture hands
// it over (see sound_pump.h), else from the sound server.
std::string BuildFramePipeRecordArgs(const RecordSources& sources, int width, int height, std::int64_t originMicros,
                                     bool pipedSound = false);
// The shape of the platform the desktop belongs to: the encoder's own grab
// on X11 and Windows, the frame pipe for a screen cast.
std::string BuildRecordArgs(const RecordSources& sources, const platform::Desktop& desktop, std::int64_t originMicros,
                            const platform::ScreenArea* part = nullptr);

// quotedTool + args + the take's output (see take_files.h) + " ".
std::string BuildTakeCommandLine(const std::string& quotedTool, const std::string& args, const RecordSources& sources,
                                 const takes::TakeFiles& files);

// "2026-12-06-16-23-31": the name of a recording started at that time.
std::string RecordFileStem(const platform::LocalTime& t);

// False when the mode needs a device slot that is empty. Such a run cannot
// record what the user chose.
bool RecordSourcesComplete(const RecordSources& sources);

} // namespace recording
