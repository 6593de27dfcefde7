#pragma once
// One recording: a run of the encoder that lasts until the recording flag is
// cleared. Runs on the recording worker thread. Qt-free.
#include "encoder/record_command.h"

#include <atomic>
#include <string>

// True from a recording's start to its stop. The interface thread writes it,
// the recording run polls it about every 5 ms.
extern std::atomic<bool> g_recording;

// What the user chose at the moment the recording started.
struct RecordSettings {
    RecordSources sources;
    std::string saveFolder;
};

// Names the output after the local time in the save folder (made if missing,
// one level), stores it as the current output path, and runs the encoder
// until g_recording is clear and the file is finished. A mode whose device is
// missing starts no encoder: no file appears, which the recording controller
// answers by recording without sound.
void RecordRun(const RecordSettings& settings);

// The file the latest run writes (or was to write). Safe from any thread.
std::string CurrentOutputPath();
