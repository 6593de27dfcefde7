#pragma once
// An encoder started before the press of Start, waiting on its picture pipe
// at no cost, so that the first picture of a recording is encoded and in
// the file at once instead of after the system has started the encoder.
// The take's name comes from the press's time, so the encoder is told to
// write into links of a private folder, made to lead to the take's files at
// the press. Qt-free.
#include "capture/piped_encoder.h"
#include "recording/record_run.h"
#include "takes/take_files.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace recording {

class ReadyEncoder {
public:
    // An encoder ready for a recording of `settings` as it stands now; null
    // where such a recording cannot use one (the encoder grabs the screen
    // or reads the sound itself, so its command holds the press's instant;
    // a screen cast; no links) or it could not be started.
    static std::unique_ptr<ReadyEncoder> Make(const RecordSettings& settings);
    // Ends the encoder if it was not used and removes the links and the folder.
    ~ReadyEncoder();
    ReadyEncoder(const ReadyEncoder&) = delete;
    ReadyEncoder& operator=(const ReadyEncoder&) = delete;

    // The take the encoder writes: links that exist only once led.
    const takes::TakeFiles& files() const { return files_; }
    // True when it still waits and a recording of `settings` would run this
    // very command.
    bool fits(const RecordSettings& settings);
    // The encoder, with its files led to `take`, when it was started for
    // `commandLine` and still waits; null otherwise, and it is not used.
    capture::PipedEncoder* takeFor(const std::string& commandLine, const takes::TakeFiles& take);
    // True once a recording took the encoder; from any thread.
    bool taken() const { return taken_; }
    std::int64_t processId() { return encoder_.process().id(); }
    // The take is finished: the links and the folder go.
    void release();

private:
    ReadyEncoder() = default;
    std::string folder_;
    takes::TakeFiles files_;
    capture::PipedEncoder encoder_;
    bool led_ = false; // asked for a take, whether or not it could be led there
    std::atomic<bool> taken_{false}; // set by the recording, read by whoever watches it
};

// The command a piped recording of `settings` runs with `files` now: the
// same before and at the press, or empty when it would differ (see Make).
std::string ReadyCommandFor(const RecordSettings& settings, const std::string& quotedTool,
                            const takes::TakeFiles& files);

// The prefix of a ready encoder's private folder.
inline constexpr const char* kReadyFolderPrefix = "vantreel-ready-";

} // namespace recording
