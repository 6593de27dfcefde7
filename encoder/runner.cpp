#include "encoder/runner.h"

#include "encoder/run_loop.h"

#include "platform/child_output.h"
#include "platform/child_process.h"

namespace encoder {

namespace {

// `said`, when given, gets the standard error apart from `scanner`'s output.
RunStatus run(const std::string& commandLine, const ToolScanner& scanner, const ToolScanner* said, const RunStop& stop,
              int* exitCode)
{
    if (exitCode)
        *exitCode = -1;
    platform::ChildProcess child;
    if (said)
        child.separateErrors();
    if (!child.start(commandLine))
        return RunNotStarted;

    platform::ChildOutputReader reader;
    platform::ChildOutputReader errors(0, platform::ChildStream::Errors);
    RunStatus status = RunEnded;
    bool scanned = false; // the scanner ended the run: only the encoder's end is awaited
    const auto scanWith = [&status, &scanned](const ToolScanner& each) {
        return [&status, &scanned, each](const char* chunk, std::size_t size) {
            if (each && !scanned && each(chunk, size)) {
                status = RunInvalidData;
                scanned = true;
            }
        };
    };
    const auto scan = scanWith(scanner);
    const auto scanSaid = scanWith(said ? *said : ToolScanner());
    bool errorsEnded = !said;
    RunLoop loop(child, stop);
    loop.drive(
        RunLoop::Until::OutputRead,
        [&] {
            if (!errorsEnded)
                errorsEnded = errors.drain(child, scanSaid).ended;
            return reader.drain(child, scan).ended && errorsEnded;
        },
        [&](bool) {
            if (scanned) {
                // An encoder may go on writing its output after "Invalid data";
                // the next step must never read a file that is still growing.
                loop.askToQuit();
            } else if (stop.stop.stop_requested()) {
                loop.askToQuit();
                status = RunStopRequested;
                loop.escalate();
            }
        });
    if (loop.forced())
        status = RunForcedEnd;
    if (exitCode && status != RunInvalidData && loop.settle())
        *exitCode = child.exitCode();
    return status;
}

} // namespace

RunStatus RunTool(const std::string& commandLine, const ToolScanner& scanner, const RunStop& stop, int* exitCode)
{
    return run(commandLine, scanner, nullptr, stop, exitCode);
}

RunStatus RunToolApart(const std::string& commandLine, const ToolScanner& data, const ToolScanner& said)
{
    return run(commandLine, data, &said, {}, nullptr);
}

} // namespace encoder
