#include "platform/child_output.h"

#include "platform/child_process.h"

namespace platform {

std::string runForOutput(const std::string& commandLine, int* exitCode)
{
    ChildProcess child;
    if (!child.start(commandLine)) {
        if (exitCode)
            *exitCode = -1;
        return {};
    }
    std::string out;
    char buffer[4096];
    for (;;) {
        child.waitForExit(5);
        const long waiting = child.peekOutput();
        if (waiting < 0)
            break;
        const long got = waiting > 0 ? child.readOutput(buffer, sizeof buffer) : 0;
        if (got > 0)
            out.append(buffer, static_cast<std::size_t>(got));
    }
    while (!child.waitForExit(10)) { }
    if (exitCode)
        *exitCode = child.exitCode();
    return out;
}

} // namespace platform
