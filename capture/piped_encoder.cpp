#include "capture/piped_encoder.h"

#include <utility>

namespace capture {

PipedEncoder::~PipedEncoder()
{
    if (pictures_ >= 0)
        platform::closeDescriptor(pictures_);
    for (const std::intptr_t s : sounds_)
        platform::closeDescriptor(s);
}

bool PipedEncoder::start(const std::string& commandLine, std::size_t soundPipes, const std::string& afterOwnerDeath)
{
    commandLine_ = commandLine;
    std::intptr_t readEnd = -1;
    if (!platform::makeDataPipe(readEnd, pictures_))
        return false;
    process_.passDescriptor(readEnd, 3);
    std::vector<std::intptr_t> soundReads;
    for (std::size_t i = 0; i < soundPipes; ++i) {
        std::intptr_t r = -1, w = -1;
        if (!platform::makeDataPipe(r, w))
            break;
        process_.passDescriptor(r, 4 + static_cast<int>(i));
        soundReads.push_back(r);
        sounds_.push_back(w);
    }
    process_.afterOwnerDeath(afterOwnerDeath);
    const bool started = sounds_.size() == soundPipes && process_.start(commandLine);
    // Only the encoder reads: its ends end our writes.
    platform::closeDescriptor(readEnd);
    for (const std::intptr_t r : soundReads)
        platform::closeDescriptor(r);
    return started;
}

std::intptr_t PipedEncoder::takePictures() { return std::exchange(pictures_, -1); }

std::vector<std::intptr_t> PipedEncoder::takeSounds() { return std::exchange(sounds_, {}); }

} // namespace capture
