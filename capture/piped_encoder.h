#pragma once
// The encoder of a recording whose pictures (its descriptor 3) and sound
// (4, 5, …) come through pipes from this program. Started ahead of the
// recording it waits on its picture pipe, costing nothing, and is ready to
// encode the first picture the moment it comes. Qt-free.
#include "platform/child_process.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace capture {

class PipedEncoder {
public:
    PipedEncoder() = default;
    // An encoder that never got its pictures' pipe closed ends by itself:
    // what waited for the first picture leaves nothing behind.
    ~PipedEncoder();
    PipedEncoder(const PipedEncoder&) = delete;
    PipedEncoder& operator=(const PipedEncoder&) = delete;

    // Starts `commandLine` with `soundPipes` sound pipes; `afterOwnerDeath`
    // as ChildProcess::afterOwnerDeath. False when a pipe or the process
    // could not be made.
    bool start(const std::string& commandLine, std::size_t soundPipes, const std::string& afterOwnerDeath);
    // The same in two steps: the pipes, which may be written to at once,
    // then the process that reads them.
    bool makePipes(std::size_t soundPipes);
    bool startReading(const std::string& commandLine, const std::string& afterOwnerDeath);

    const std::string& commandLine() const { return commandLine_; }
    platform::ChildProcess& process() { return process_; }
    // True while the process has not ended (asks the system).
    bool running() { return !process_.waitForExit(0); }
    // Our ends of the pipes, handed over once: their writer closes them.
    std::intptr_t takePictures();
    std::vector<std::intptr_t> takeSounds();

private:
    platform::ChildProcess process_;
    std::string commandLine_;
    std::intptr_t pictures_ = -1;
    std::vector<std::intptr_t> sounds_;
    std::vector<std::intptr_t> readEnds_; // the encoder's, until it runs
};

} // namespace capture
