#include "platform/child_process.h"

#include "platform/command_line.h"
#include "platform/live_children.h"
#include "platform/paths.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

void closeFd(std::intptr_t& fd)
{
    if (fd >= 0)
        ::close(static_cast<int>(fd));
    fd = -1;
}

// Writing "q" to a child that already ended must fail quietly, not kill us.
void ignoreSigpipeOnce()
{
    static const bool done = [] {
        struct sigaction sa { };
        sa.sa_handler = SIG_IGN;
        ::sigaction(SIGPIPE, &sa, nullptr);
        return true;
    }();
    (void)done;
}

void defaultSignals()
{
    // Ignored signals and the mask survive exec and fork; start from the defaults.
    struct sigaction sa { };
    sa.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig)
        ::sigaction(sig, &sa, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

// Its write end lives only in this process (close-on-exec), so its read end
// sees the end exactly once: when the last of our threads is gone.
int deathPipe()
{
    static const int readEnd = [] {
        int p[2];
        return ::pipe2(p, O_CLOEXEC) == 0 ? p[0] : -1;
    }();
    return readEnd;
}

// What the guard starts once the child has ended after this program died.
struct Finisher {
    const char* file = nullptr; // none when null
    char* const* argv = nullptr;
};

// After the child ended, this program's death within this long still
// counts as one during the child: a crash handler lets the child finish
// before the program goes.
constexpr int kDeathAfterChildMs = 3000;
// How often a child that closed its output, so is ending, is looked at.
constexpr int kEndingLookMs = 5;
// A child that outlives the program's death by this long is ended by force.
constexpr int kChildAfterDeathMs = 10000;

// The guard's last act: the finisher, detached from everything of ours.
[[noreturn]] void runFinisher(const Finisher& finisher)
{
    const int nothing = ::open("/dev/null", O_RDWR);
    if (nothing >= 0)
        for (int fd = 0; fd < 3; ++fd)
            ::dup2(nothing, fd);
    if (nothing > 2)
        ::close(nothing);
    ::execv(finisher.file, finisher.argv);
    ::_exit(127);
}

// The guard: a tiny process of its own that sends the child one SIGTERM when
// this program dies, and leaves when the child ends (after starting the
// finisher, when there is one). A parent-death signal cannot do it: it
// comes again each time a dying thread hands the child to another of our
// threads, and ffmpeg quits without its index on the fourth.
// Runs in the forked child before exec: only async-signal-safe calls.
bool startGuard(const Finisher& finisher)
{
    const int death = deathPipe(); // made before the fork
    int self = death < 0 ? -1 : static_cast<int>(::syscall(SYS_pidfd_open, ::getpid(), 0));
    if (self < 0)
        return false;
    const pid_t first = ::_Fork();
    if (first < 0) {
        ::close(self);
        return false;
    }
    if (first > 0) {
        int status = 0;
        while (::waitpid(first, &status, 0) < 0 && errno == EINTR) { }
        ::close(self); // close-on-exec anyway; the guard keeps its own copy
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    // Out of the child's group and session, so a terminal's signals miss it.
    ::setsid();
    const pid_t guard = ::_Fork();
    if (guard != 0)
        ::_exit(guard > 0 ? 0 : 1); // the guard's parent becomes init, which reaps it
    defaultSignals();
    if (self == 0)
        self = ::fcntl(self, F_DUPFD, 3);
    ::dup2(death, 0);
    ::dup2(self, 1);
    // Nothing else stays open: above all not the death pipe's write end.
    if (::syscall(SYS_close_range, 2U, ~0U, 0U) != 0)
        for (int fd = 2; fd < 4096; ++fd)
            ::close(fd);
    pollfd watch[2] = {{0, POLLIN, 0}, {1, POLLIN, 0}};
    bool ownerDied = false;
    for (;;) {
        const int ready = ::poll(watch, 2, ownerDied ? kChildAfterDeathMs : -1);
        if (ready < 0 && errno != EINTR)
            ::_exit(1);
        if (ready == 0) { // the child outlived its grace
            ::syscall(SYS_pidfd_send_signal, 1, SIGKILL, nullptr, 0U);
            continue;
        }
        if (ready < 0)
            continue;
        if (watch[0].revents && !ownerDied) {
            ::syscall(SYS_pidfd_send_signal, 1, SIGTERM, nullptr, 0U);
            if (!finisher.file)
                ::_exit(0);
            ownerDied = true;
            watch[0].fd = -1; // poll leaves it out from now on
        }
        if (watch[1].revents) { // the child ended
            if (!finisher.file)
                ::_exit(0);
            if (!ownerDied) {
                pollfd death{0, POLLIN, 0};
                int r;
                do
                    r = ::poll(&death, 1, kDeathAfterChildMs);
                while (r < 0 && errno == EINTR);
                if (r <= 0)
                    ::_exit(0); // the program lives on and does the rest itself
            }
            runFinisher(finisher);
        }
    }
}

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void execChild(int in, int out, int err, int report, pid_t parent, const char* file, char* const* argv,
                            const std::pair<std::intptr_t, int>* passed, int* parked, std::size_t passedCount,
                            const Finisher& finisher)
{
    ::setpgid(0, 0);
    // If the program dies outright, the encoder is still told and finishes
    // its file. Without a guard, a parent-death signal is the next best.
    if (!startGuard(finisher)) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::raise(SIGTERM);
    }
    defaultSignals();

    // Everything that a passed descriptor could land on is parked high first.
    const int parkedReport = ::fcntl(report, F_DUPFD_CLOEXEC, 512);
    if (parkedReport >= 0)
        report = parkedReport;
    bool failed = false;
    for (std::size_t i = 0; i < passedCount; ++i)
        failed |= (parked[i] = ::fcntl(static_cast<int>(passed[i].first), F_DUPFD_CLOEXEC, 512)) < 0;
    failed = failed || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0;
    for (std::size_t i = 0; i < passedCount && !failed; ++i)
        failed |= ::dup2(parked[i], passed[i].second) < 0; // the copy stays open across exec
    if (failed) {
        const int error = errno;
        (void)!::write(report, &error, sizeof error);
        ::_exit(127);
    }
    ::execv(file, argv);
    const int error = errno;
    (void)!::write(report, &error, sizeof error);
    ::_exit(127);
}

} // namespace

ChildProcess::~ChildProcess() { closeAll(); }

void ChildProcess::closeAll()
{
    // The table lets go of our input before it is closed: shutdown or a crash
    // must never write "q" into a descriptor number the system gave to
    // something else meanwhile.
    if (pid_ > 0)
        forgetLiveChildInput(pid_);
    closeFd(inWrite_);
    closeFd(outRead_);
    closeFd(errRead_);
    if (pid_ > 0 && !exited_) {
        int status = 0;
        pid_t r = ::waitpid(static_cast<pid_t>(pid_), &status, WNOHANG);
        // A child whose output end is closed is on its way out: give it a
        // moment so that a finished run leaves nothing running.
        for (int ms = 0; r == 0 && outputClosed_ && ms < 1000; ++ms) {
            ::usleep(1000);
            r = ::waitpid(static_cast<pid_t>(pid_), &status, WNOHANG);
        }
        if (r == 0)
            orphanLiveChild(pid_); // still running: the live table reaps it later
        else
            removeLiveChild(pid_);
    } else if (pid_ > 0) {
        removeLiveChild(pid_);
    }
    pid_ = 0;
}

bool ChildProcess::start(const std::string& commandLine)
{
    ignoreSigpipeOnce();
    std::vector<std::string> args = splitCommandLine(commandLine);
    if (args.empty() || args[0].empty())
        return false;
    std::string file = args[0];
    if (file.find('/') == std::string::npos) {
        file = findOnPath(file);
        if (file.empty())
            return false;
    }
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // Made before the fork: the guard may not allocate.
    std::vector<std::string> afterArgs = splitCommandLine(afterDeath_);
    afterDeath_.clear();
    if (!afterArgs.empty() && afterArgs[0].find('/') == std::string::npos)
        afterArgs[0] = findOnPath(afterArgs[0]);
    std::vector<char*> afterArgv;
    for (std::string& a : afterArgs)
        afterArgv.push_back(a.data());
    afterArgv.push_back(nullptr);
    Finisher finisher;
    if (!afterArgs.empty() && !afterArgs[0].empty())
        finisher = {afterArgs[0].c_str(), afterArgv.data()};

    int inPipe[2], outPipe[2], reportPipe[2];
    if (::pipe2(inPipe, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(outPipe, O_CLOEXEC) != 0) {
        ::close(inPipe[0]);
        ::close(inPipe[1]);
        return false;
    }
    int errPipe[2] = {-1, -1};
    const bool apart = separateErrors_;
    separateErrors_ = false;
    if ((apart && ::pipe2(errPipe, O_CLOEXEC) != 0) || ::pipe2(reportPipe, O_CLOEXEC) != 0) {
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
            if (fd >= 0)
                ::close(fd);
        return false;
    }

    deathPipe(); // made here: the forked child must only use it
    const std::vector<std::pair<std::intptr_t, int>> passed = std::move(passed_);
    passed_.clear();
    std::vector<int> parked(passed.size());
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0)
        execChild(inPipe[0], outPipe[1], apart ? errPipe[1] : outPipe[1], reportPipe[1], parent, file.c_str(), argv.data(), passed.data(), parked.data(),
                  passed.size(), finisher);

    ::close(inPipe[0]);
    ::close(outPipe[1]);
    ::close(reportPipe[1]);
    if (apart)
        ::close(errPipe[1]);
    if (pid < 0) {
        ::close(inPipe[1]);
        ::close(outPipe[0]);
        ::close(reportPipe[0]);
        if (apart)
            ::close(errPipe[0]);
        return false;
    }
    ::setpgid(pid, pid); // both sides set it, so no race with exec

    // The report pipe closes on a successful exec; an errno arrives otherwise.
    int error = 0;
    ssize_t got;
    do {
        got = ::read(reportPipe[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(reportPipe[0]);
    if (got > 0) {
        ::close(inPipe[1]);
        ::close(outPipe[0]);
        if (apart)
            ::close(errPipe[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return false;
    }

    // A child that never reads its input must not block us on a full pipe.
    ::fcntl(inPipe[1], F_SETFL, ::fcntl(inPipe[1], F_GETFL) | O_NONBLOCK);
    pid_ = pid;
    exited_ = false;
    outputClosed_ = false;
    inWrite_ = inPipe[1];
    outRead_ = outPipe[0];
    errRead_ = apart ? errPipe[0] : -1;
    addLiveChild(pid_, inWrite_, 0);
    return true;
}

WaitWake::WaitWake() { handle_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

WaitWake::~WaitWake()
{
    if (handle_ >= 0)
        ::close(static_cast<int>(handle_));
}

void WaitWake::raise()
{
    const std::uint64_t one = 1;
    if (handle_ >= 0)
        (void)!::write(static_cast<int>(handle_), &one, sizeof one);
}

bool ChildProcess::waitForExit(int ms, const WaitWake* wake)
{
    if (pid_ <= 0 || exited_)
        return true;
    int status = 0;
    pid_t r = ::waitpid(static_cast<pid_t>(pid_), &status, WNOHANG);
    if (r == 0 && ms > 0) {
        // A closed output pipe would end the poll at once: it is left out,
        // and a child that closed it, so is ending, is looked at every few
        // milliseconds.
        const bool open = outRead_ >= 0 && !outputClosed_;
        pollfd p[2] = {{open ? static_cast<int>(outRead_) : -1, POLLIN, 0},
                       {wake ? static_cast<int>(wake->handle()) : -1, POLLIN, 0}};
        ::poll(p, 2, open ? ms : std::min(ms, kEndingLookMs));
        r = ::waitpid(static_cast<pid_t>(pid_), &status, WNOHANG);
    }
    if (r == 0)
        return false;
    // r < 0 (ECHILD): someone else, e.g. the crash handler, reaped it.
    exited_ = true;
    exitStatus_ = status;
    removeLiveChild(pid_);
    return true;
}

long ChildProcess::peekOutput(ChildStream stream)
{
    const bool errors = stream == ChildStream::Errors;
    const std::intptr_t fd = errors ? errRead_ : outRead_;
    if (fd < 0)
        return -1;
    int waiting = 0;
    if (::ioctl(static_cast<int>(fd), FIONREAD, &waiting) != 0)
        return -1;
    if (waiting > 0)
        return waiting;
    // Nothing waiting: a closed writer side means the pipe is broken.
    pollfd p{static_cast<int>(fd), POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR))) {
        if (!errors)
            outputClosed_ = true;
        return -1;
    }
    return 0;
}

long ChildProcess::readOutput(char* buffer, std::size_t max, ChildStream stream)
{
    const std::intptr_t fd = stream == ChildStream::Errors ? errRead_ : outRead_;
    if (fd < 0)
        return -1;
    ssize_t got;
    do {
        got = ::read(static_cast<int>(fd), buffer, max);
    } while (got < 0 && errno == EINTR);
    return static_cast<long>(got);
}

bool ChildProcess::writeInput(const char* data, std::size_t size)
{
    if (inWrite_ < 0)
        return false;
    return ::write(static_cast<int>(inWrite_), data, size) > 0;
}

void ChildProcess::passDescriptor(std::intptr_t fd, int number) { passed_.emplace_back(fd, number); }

bool ChildProcess::interrupt() { return running() && ::kill(static_cast<pid_t>(pid_), SIGINT) == 0; }

bool ChildProcess::terminate() { return running() && ::kill(static_cast<pid_t>(pid_), SIGTERM) == 0; }

bool ChildProcess::kill() { return running() && ::kill(static_cast<pid_t>(pid_), SIGKILL) == 0; }

bool ChildProcess::running() const { return pid_ > 0 && !exited_; }

int ChildProcess::exitCode() const { return exited_ && WIFEXITED(exitStatus_) ? WEXITSTATUS(exitStatus_) : -1; }

std::int64_t ChildProcess::id() const { return pid_; }

bool makeDataPipe(std::intptr_t& readEnd, std::intptr_t& writeEnd)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    // Frames are megabytes: a larger pipe moves each in fewer wake-ups.
    ::fcntl(fds[1], F_SETPIPE_SZ, 1 << 20);
    readEnd = fds[0];
    writeEnd = fds[1];
    return true;
}

void closeDescriptor(std::intptr_t fd)
{
    if (fd >= 0)
        ::close(static_cast<int>(fd));
}

bool writeDescriptor(std::intptr_t fd, const void* data, std::size_t size)
{
    ignoreSigpipeOnce();
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t done = ::write(static_cast<int>(fd), at, size);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        at += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

long readDescriptor(std::intptr_t fd, void* buffer, std::size_t max, int ms)
{
    pollfd p{static_cast<int>(fd), POLLIN, 0};
    const int ready = ::poll(&p, 1, ms);
    if (ready < 0)
        return errno == EINTR ? 0 : -1;
    if (ready == 0)
        return 0;
    const ssize_t got = ::read(static_cast<int>(fd), buffer, max);
    if (got < 0)
        return errno == EINTR || errno == EAGAIN ? 0 : -1;
    return got == 0 ? -1 : static_cast<long>(got);
}

} // namespace platform
