#include "platform/file_lock.h"

namespace platform {

FileLock::~FileLock()
{
    if (handle_ != kClosed)
        release(handle_);
}

FileLock::FileLock(FileLock&& other) noexcept : handle_(other.handle_) { other.handle_ = kClosed; }

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        if (handle_ != kClosed)
            release(handle_);
        handle_ = other.handle_;
        other.handle_ = kClosed;
    }
    return *this;
}

} // namespace platform
