#pragma once
// One recording: a run of the encoder that lasts until the recording flag is
// cleared. Runs on the recording worker thread. Qt-free.
#include "encoder/pipewire_record.h"
#include "encoder/record_command.h"

#include <atomic>
#include <string>

// True from a recording's start to its stop. The interface thread writes it,
// the recording run polls it about every 5 ms.
extern std::atomic<bool> g_recording;
// Counts recording starts. A run stops when the flag clears or when a newer
// start has taken over, so a quick stop and start never keeps the old
// encoder going.
extern std::atomic<unsigned> g_recordingRun;

// What the user chose at the moment the recording started.
struct RecordSettings {
    RecordSources sources;
    std::string saveFolder;
    unsigned run = 0; // the value of g_recordingRun this recording belongs to
    // A Wayland desktop: the portal's stream, opened by the caller. Without
    // it such a desktop is not recorded at all (an X11 grab sees black).
    const PipeWireStream* screenCast = nullptr;
};

// Names the output after the local time in the save folder (made if missing,
// one level), stores it as the current output path, and runs the encoder
// until g_recording is clear and the file is finished. A mode whose device is
// missing starts no encoder: no file appears, which the recording controller
// answers by recording without sound. Returns a PipeWireRunStatus for a
// screen cast, else 0.
int RecordRun(const RecordSettings& settings);

// The file the latest run writes (or was to write). Safe from any thread.
std::string CurrentOutputPath();
