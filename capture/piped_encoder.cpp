#include "capture/piped_encoder.h"

#include <utility>

namespace capture {

PipedEncoder::~PipedEncoder()
{
    if (pictures_ >= 0)
        platform::closeDescriptor(pictures_);
    for (const std::intptr_t s : sounds_)
        platform::closeDescriptor(s);
    for (const std::intptr_t r : readEnds_)
        platform::closeDescriptor(r);
}

bool PipedEncoder::start(const std::string& commandLine, std::size_t soundPipes, const std::string& afterOwnerDeath)
{
    return makePipes(soundPipes) && startReading(commandLine, afterOwnerDeath);
}

bool PipedEncoder::makePipes(std::size_t soundPipes)
{
    std::intptr_t readEnd = -1;
    if (!platform::makeDataPipe(readEnd, pictures_))
        return false;
    process_.passDescriptor(readEnd, 3);
    readEnds_.push_back(readEnd);
    for (std::size_t i = 0; i < soundPipes; ++i) {
        std::intptr_t r = -1, w = -1;
        if (!platform::makeDataPipe(r, w))
            return false;
        process_.passDescriptor(r, 4 + static_cast<int>(i));
        readEnds_.push_back(r);
        sounds_.push_back(w);
    }
    return true;
}

bool PipedEncoder::startReading(const std::string& commandLine, const std::string& afterOwnerDeath)
{
    commandLine_ = commandLine;
    process_.afterOwnerDeath(afterOwnerDeath);
    const bool started = process_.start(commandLine);
    // Only the encoder reads: its ends end our writes.
    for (const std::intptr_t r : readEnds_)
        platform::closeDescriptor(r);
    readEnds_.clear();
    return started;
}

std::intptr_t PipedEncoder::takePictures() { return std::exchange(pictures_, -1); }

std::vector<std::intptr_t> PipedEncoder::takeSounds() { return std::exchange(sounds_, {}); }

} // namespace capture
