#pragma once
// What one recording run tells the window while it runs and after: the file
// it writes (its working file while it records, its recording once
// finished), what the earlier stretches of a paused take hold, and the
// encoder's last line. It belongs to the run: a new run gets a new one, so
// the window never shows the previous recording's file. Safe from any thread.
// Qt-free.
#include "encoder/output_lines.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace recording {

class RunOutput {
public:
    std::string path() const;
    // The take so far is this many bytes and the file at path().
    std::int64_t baseBytes() const;
    // The last complete, non-blank line of the encoder's output; empty when
    // none ran (its reason when it made no file).
    std::string lastLine() const;

    // The run's (first) file; the last line starts anew.
    void setPath(const std::string& path);
    // A stretch's file, after `baseBytes` of the earlier ones; one of an
    // earlier stretch (still finishing) never replaces a later one's.
    void setStretchPath(const std::string& path, std::int64_t baseBytes, int stretch);
    // Takes the encoder's output as it comes.
    void addOutput(const char* chunk, std::size_t size);

private:
    mutable std::mutex mutex_;
    std::string path_;
    std::int64_t baseBytes_ = 0;
    int stretch_ = 0;
    std::string lastLine_;
    encoder::OutputLines lines_; // two stretches overlapping a moment may mix one line
};

} // namespace recording
