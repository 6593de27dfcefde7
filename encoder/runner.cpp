#include "encoder/runner.h"

#include "encoder/escalation.h"

#include "platform/child_output.h"
#include "platform/child_process.h"
#include "platform/clock.h"

namespace encoder {

namespace {

constexpr int kPassWaitMs = 5;
// Passes that still drain output after the encoder has ended.
constexpr int kDrainPasses = 100;

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
    int countdown = kDrainPasses;
    RunStatus status = RunEnded;
    Escalation escalation;
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
    for (;;) {
        if (child.waitForExit(kPassWaitMs) && --countdown < 0)
            break;
        if (!errorsEnded)
            errorsEnded = errors.drain(child, scanSaid).ended;
        if (reader.drain(child, scan).ended && errorsEnded)
            break; // the encoder has ended and everything is read
        if (scanned) {
            // An encoder may go on writing its output after "Invalid data";
            // the next step must never read a file that is still growing.
            child.writeInput("q\r\n", 3);
        } else if (stop.stop.stop_requested()) {
            // Repeated every pass: an encoder still opening its inputs may
            // miss the first one. Writes after it ended fail harmlessly.
            child.writeInput("q\r\n", 3);
            status = RunStopRequested;
            escalation.pass(child, stop);
        }
    }
    if (escalation.forced())
        status = RunForcedEnd;
    if (exitCode && status != RunInvalidData) {
        // Its output is closed, so it is ending: a short wait settles it.
        for (int i = 0; i < kDrainPasses && !child.waitForExit(kPassWaitMs); ++i) { }
        if (child.waitForExit(0))
            *exitCode = child.exitCode();
    }
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
