#pragma once
// One recording: a run of the encoder that lasts until its stop is
// requested. Runs on the recording worker thread. Qt-free.
#include "capture/frame_pipe_record.h"
#include "capture/pipewire_record.h"
#include "capture/sound_capture.h"
#include "recording/record_command.h"
#include "recording/run_output.h"
#include "recording/run_pause.h"
#include "encoder/runner.h"
#include "takes/take_finish.h"

#include <memory>
#include <optional>
#include <string>

namespace recording {

class ReadyEncoder;

// What the user chose at the moment the recording started.
struct RecordSettings {
    RecordSources sources;
    std::string saveFolder;
    // A Wayland desktop: the portal's stream, opened by the caller. Without
    // it such a desktop is not recorded at all (an X11 grab sees black).
    const capture::PipeWireStream* screenCast = nullptr;
    // Replaces the reading of that stream in this process (see
    // PipeWireStream::inProcess); given to the stream RecordScreenCast opens.
    capture::CastStreamOpener castInProcess;
    // The part of the desktop to record, in desktop coordinates; all of it
    // when none. Clamped to the desktop at Start (see RecordedArea).
    std::optional<platform::ScreenArea> part;
    // A window the part follows where the grab can (this program's own X11
    // grab); 0 for none.
    std::uint64_t window = 0;
    // The sources as this program reads them (where it can): the take's
    // sound then comes from them through pipes, from the very press. Null
    // for a source the encoder is to open itself.
    std::shared_ptr<capture::SoundCapture> computerSoundCapture;
    std::shared_ptr<capture::SoundCapture> microphoneCapture;
    // The helper that finishes a take when this program dies mid-take
    // (see crash_finish.h); none leaves it to the next start's recovery.
    std::string takeFinisher;
    // An encoder started ahead (see ready_encoder.h); the first stretch
    // takes it when it was started for this very recording.
    std::shared_ptr<ReadyEncoder> ready;
};

// Names the take after the local time in the save folder (made if missing,
// one level), tells `output` its working file, and runs the encoder until a
// stop is requested or it ends; then finishes the take (see take_finish.h)
// and tells `output` the recording. A mode whose device is missing starts no
// encoder: no file appears, which the recording session answers by recording
// without sound. Returns a FramePipeStatus for a screen cast, else
// FramePipeRecorded;
// `finished`, when given, gets how the take ended (left as it was when no
// file came).
// While `pause` says so, nothing is recorded: each stretch between pauses is
// a take of its own ("<stem>-part<n>.mp4" once finished), and at the end
// they are joined into the one recording (see stretch_join.h).
// `output`, when given, is told the files and the encoder's words as they come.
capture::FramePipeStatus RecordRun(const RecordSettings& settings, const encoder::RunStop& stop,
                                   takes::FinishedTake* finished = nullptr, const RunPause* pause = nullptr,
                                   RunOutput* output = nullptr);

} // namespace recording
