#include "platform/child_output.h"

#include <limits>

namespace platform {

ChildOutputReader::Drained ChildOutputReader::drain(ChildProcess& child, const Sink& sink)
{
    Drained drained;
    // Only what waits at the start is read: a child that writes faster than
    // we read must not keep the caller from its other duties.
    long waiting = child.peekOutput(stream_);
    if (waiting < 0)
        drained.ended = true;
    while (waiting > 0) {
        const long got = child.readOutput(buffer_.data(), kChunkMax, stream_);
        if (got <= 0) {
            drained.ended = true;
            break;
        }
        waiting -= got;
        const auto size = static_cast<std::size_t>(got);
        drained.bytes += size;
        buffer_[size] = '\0';
        if (sink)
            sink(buffer_.data(), size);
        if (keptMax_ == 0)
            continue;
        kept_.append(buffer_.data(), size);
        if (kept_.size() > keptMax_)
            kept_.erase(0, kept_.size() - keptMax_);
    }
    return drained;
}

std::string runForOutput(const std::string& commandLine, int* exitCode)
{
    ChildProcess child;
    if (!child.start(commandLine)) {
        if (exitCode)
            *exitCode = -1;
        return {};
    }
    ChildOutputReader reader(std::numeric_limits<std::size_t>::max());
    do
        child.waitForExit(5);
    while (!reader.drain(child).ended);
    while (!child.waitForExit(10)) { }
    if (exitCode)
        *exitCode = child.exitCode();
    return std::move(reader.kept());
}

} // namespace platform
