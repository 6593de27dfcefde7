#include "recording/run_output.h"

namespace recording {

std::string RunOutput::path() const
{
    std::lock_guard lock(mutex_);
    return path_;
}

std::int64_t RunOutput::baseBytes() const
{
    std::lock_guard lock(mutex_);
    return baseBytes_;
}

std::string RunOutput::lastLine() const
{
    std::lock_guard lock(mutex_);
    return lastLine_;
}

void RunOutput::setPath(const std::string& path)
{
    std::lock_guard lock(mutex_);
    path_ = path;
    baseBytes_ = 0;
    stretch_ = 0;
    lastLine_.clear();
}

void RunOutput::setStretchPath(const std::string& path, std::int64_t baseBytes, int stretch)
{
    std::lock_guard lock(mutex_);
    if (stretch < stretch_)
        return;
    path_ = path;
    baseBytes_ = baseBytes;
    stretch_ = stretch;
}

void RunOutput::addOutput(const char* chunk, std::size_t size)
{
    std::lock_guard lock(mutex_);
    lines_.add(chunk, size, [this](const std::string& line) { lastLine_ = line; });
}

} // namespace recording
