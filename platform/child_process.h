#pragma once
// A child process whose standard input comes from a pipe and whose standard
// output and error go into one pipe (or two, when asked), started without a
// console or shell.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// Which of a child's pipes: its output (with its errors, unless they were
// sent apart), or its errors alone.
enum class ChildStream { Output, Errors };

// Ends a wait for a child at once when another thread raises it (see
// ChildProcess::waitForExit): a stop then needs no short polling meanwhile.
class WaitWake {
public:
    WaitWake();
    ~WaitWake();
    WaitWake(const WaitWake&) = delete;
    WaitWake& operator=(const WaitWake&) = delete;
    // From any thread. It stays raised: every later wait ends at once too.
    void raise();
    std::intptr_t handle() const { return handle_; }

private:
    std::intptr_t handle_ = -1;
};

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the command line (split by splitCommandLine). False when the
    // pipes or the process could not be made; nothing runs then.
    bool start(const std::string& commandLine);
    // The next started child's standard error goes into a pipe of its own,
    // read as ChildStream::Errors: what a child writes as data is then never
    // mixed with what it says about its inputs.
    void separateErrors() { separateErrors_ = true; }

    // Waits at most `ms` milliseconds, returning early when output arrives
    // or `wake` is raised. True once the child has ended.
    bool waitForExit(int ms, const WaitWake* wake = nullptr);

    // Bytes waiting in the output pipe, or -1 once the child's end is closed
    // and nothing is left to read.
    long peekOutput(ChildStream stream = ChildStream::Output);
    // Reads at most `max` bytes; 0 or less on failure or end.
    long readOutput(char* buffer, std::size_t max, ChildStream stream = ChildStream::Output);
    // Never blocks: a full pipe drops the bytes. False when nothing was written.
    bool writeInput(const char* data, std::size_t size);

    // Hands `fd` to the next started child as its descriptor `number` (3 or
    // more); the caller keeps its own copy. POSIX only.
    void passDescriptor(std::intptr_t fd, int number);
    // When this program dies while the next started child runs, the child
    // is asked to end (as it always is), and once it has ended,
    // `commandLine` is started in its place, with no input or output: what
    // finishes the child's work. A death within a few seconds after the
    // child ended counts too (a crash handler that let the child finish).
    // POSIX only.
    void afterOwnerDeath(const std::string& commandLine) { afterDeath_ = commandLine; }
    // Asks the child to end as Ctrl+C would (SIGINT), or as a stop that was
    // not honoured does (SIGTERM), or ends it at once (SIGKILL). On Windows
    // only the last two work, and both end it outright. False when it is not
    // running.
    bool interrupt();
    bool terminate();
    bool kill();

    bool running() const;
    // Exit code once ended; -1 when it was ended by a signal or is running.
    int exitCode() const;
    // Process id (0 before start).
    std::int64_t id() const;

private:
    void closeAll();

    std::int64_t pid_ = 0;
    bool exited_ = false;
    bool outputClosed_ = false; // the child closed its end of the output pipe
    int exitStatus_ = 0;
    std::intptr_t inWrite_ = -1;                        // our end of the child's standard input
    std::intptr_t outRead_ = -1;                        // our end of the child's merged output
    std::intptr_t errRead_ = -1;                        // our end of its errors, when they are apart
    bool separateErrors_ = false;                       // for the next start
    std::intptr_t process_ = 0;                         // Windows process handle
    std::vector<std::pair<std::intptr_t, int>> passed_; // for the next start
    std::string afterDeath_;                            // for the next start
};

// A pipe that carries data from one child to another (see passDescriptor).
// Both ends stay out of every child they are not passed to. POSIX only.
bool makeDataPipe(std::intptr_t& readEnd, std::intptr_t& writeEnd);
void closeDescriptor(std::intptr_t fd);
// Writes all of `data`, waiting while the pipe is full. False once the
// reader has gone. POSIX only.
bool writeDescriptor(std::intptr_t fd, const void* data, std::size_t size);
// Reads what is there, waiting at most `ms` for something to come: the bytes
// read, 0 when nothing came, -1 at the end. POSIX only.
long readDescriptor(std::intptr_t fd, void* buffer, std::size_t max, int ms);

} // namespace platform
