#include "platform/crash_handler.h"

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cxxabi.h>
#include <exception>
#include <execinfo.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <typeinfo>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kMaxFrames = 128;

// Local time minus UTC for the next years, taken at install time.
UtcOffsetTable g_utcOffsets;
// The thread writing the report, 0 while none is: a second crash on another
// thread waits for the first to end the process.
std::atomic<long> g_reportingThread{0};
// Why std::terminate ran, set before it raises SIGABRT; read by the handler.
char g_reason[512];
std::atomic<bool> g_hasReason{false};
// Static rather than SIGSTKSZ-sized: SIGSTKSZ is no longer a constant.
constexpr std::size_t kAlternateStackSize = 64 * 1024;
alignas(16) char g_alternateStack[kAlternateStackSize];
void* g_frames[kMaxFrames];
char g_copyBuffer[4096];

void put(int fd, const char* text)
{
    if (fd >= 0)
        (void)!::write(fd, text, std::strlen(text));
}

void putNumber(int fd, long long value)
{
    char digits[24];
    char text[24];
    int n = 0;
    unsigned long long v =
        value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    int at = 0;
    if (value < 0)
        text[at++] = '-';
    while (n)
        text[at++] = digits[--n];
    text[at] = '\0';
    put(fd, text);
}

void putHex(int fd, std::uintptr_t value)
{
    char text[2 + 2 * sizeof value + 1];
    int at = 0;
    text[at++] = '0';
    text[at++] = 'x';
    bool started = false;
    for (int shift = static_cast<int>(8 * sizeof value) - 4; shift >= 0; shift -= 4) {
        const unsigned digit = (value >> shift) & 0xf;
        if (digit || started || shift == 0) {
            text[at++] = "0123456789abcdef"[digit];
            started = true;
        }
    }
    text[at] = '\0';
    put(fd, text);
}

const char* signalName(int sig)
{
    switch (sig) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "signal";
    }
}

LocalTime nowLocal()
{
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return civilTime(static_cast<long long>(ts.tv_sec) + g_utcOffsets.at(ts.tv_sec));
}

// Opens the report file, creating "D-Error" first; -1 when the current folder
// cannot be read, the path does not fit or the file cannot be made.
int openReport()
{
    char folder[kDumpPathSize];
    if (!::getcwd(folder, sizeof folder))
        return -1; // longer than the buffer, among others
    char path[kDumpPathSize];
    const std::size_t folderLength = buildDumpPath(path, folder, '/', nowLocal());
    if (folderLength == 0)
        return -1;
    char dumpFolder[kDumpPathSize];
    std::memcpy(dumpFolder, path, folderLength);
    dumpFolder[folderLength] = '\0';
    ::mkdir(dumpFolder, 0777); // an existing folder is fine
    // Truncated: a second crash in the same second replaces the first report.
    return ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

void copyFile(int fd, const char* path)
{
    const int in = ::open(path, O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return;
    for (;;) {
        const ssize_t got = ::read(in, g_copyBuffer, sizeof g_copyBuffer);
        if (got <= 0)
            break;
        (void)!::write(fd, g_copyBuffer, static_cast<std::size_t>(got));
    }
    ::close(in);
}

void writeReport(int fd, int sig, const siginfo_t* info, long thread)
{
    put(fd, "Vantreel Screen Recorder crash report\nSignal: ");
    putNumber(fd, sig);
    put(fd, " ");
    put(fd, signalName(sig));
    put(fd, " (code ");
    putNumber(fd, info ? info->si_code : 0);
    put(fd, ")\nFault address: ");
    putHex(fd, info ? reinterpret_cast<std::uintptr_t>(info->si_addr) : 0);
    put(fd, "\nProcess: ");
    putNumber(fd, ::getpid());
    put(fd, "\nThread: ");
    putNumber(fd, thread);
    put(fd, "\n");
    if (g_hasReason.load()) {
        put(fd, "Reason: ");
        put(fd, g_reason);
        put(fd, "\n");
    }
    put(fd, "Backtrace:\n");
    const int frames = ::backtrace(g_frames, kMaxFrames);
    ::backtrace_symbols_fd(g_frames, frames, fd);
    put(fd, "Memory map:\n");
    copyFile(fd, "/proc/self/maps");
}

[[noreturn]] void dieWith(int sig)
{
    struct sigaction sa { };
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    ::sigaction(sig, &sa, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, sig);
    ::pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    ::raise(sig);
    ::_exit(128 + sig); // only if the signal could not end us
}

void onCrashSignal(int sig, siginfo_t* info, void*)
{
    const long thread = static_cast<long>(::syscall(SYS_gettid));
    long none = 0;
    if (!g_reportingThread.compare_exchange_strong(none, thread)) {
        if (none == thread)
            dieWith(sig); // failed while reporting: end without a second try
        for (;;)
            ::pause(); // the reporting thread ends the process
    }
    const int fd = openReport();
    if (fd >= 0)
        writeReport(fd, sig, info, thread);

    // The encoders finish their files before anything is ended by force: an
    // MP4 cut off without its index cannot be played.
    const CrashEncoderEnd end = endEncodersAfterCrash(kCrashGraceMs);
    put(fd, "Encoders: ");
    putNumber(fd, end.running);
    put(fd, " running, asked to quit; ");
    putNumber(fd, end.killed);
    put(fd, " ended by force\n");
    if (fd >= 0)
        ::close(fd);
    dieWith(sig);
}

void keepReason(const char* a, const char* b)
{
    std::size_t at = 0;
    for (const char* part : {a, b})
        for (const char* c = part; c && *c && at + 1 < sizeof g_reason; ++c)
            g_reason[at++] = *c == '\n' ? ' ' : *c;
    g_reason[at] = '\0';
    g_hasReason.store(true);
}

// Not a signal context: the exception can still be looked at. The report
// itself is written by the SIGABRT handler, from where abort() is called, so
// the backtrace still shows the throw.
long localOffsetAt(long long utcSeconds)
{
    const std::time_t t = static_cast<std::time_t>(utcSeconds);
    std::tm local{};
    return ::localtime_r(&t, &local) ? local.tm_gmtoff : 0;
}

[[noreturn]] void onTerminate()
{
    if (const std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            keepReason("uncaught exception: ", e.what());
        } catch (...) {
            const std::type_info* type = abi::__cxa_current_exception_type();
            keepReason("uncaught exception of type ", type ? type->name() : "unknown");
        }
    } else {
        keepReason("std::terminate called without an exception", nullptr);
    }
    std::abort();
}

} // namespace

void installCrashHandler()
{
    static std::atomic<bool> installed{false};
    if (installed.exchange(true))
        return;
    // The first backtrace() loads the unwinder and allocates; do it now, not
    // in the handler.
    ::backtrace(g_frames, 2);

    // Two years ahead is longer than any run of the program is expected to be.
    const long long now = std::time(nullptr);
    g_utcOffsets.build(now, now + 2 * 366 * 86400LL, localOffsetAt);

    stack_t stack{};
    stack.ss_sp = g_alternateStack;
    stack.ss_size = sizeof g_alternateStack;
    ::sigaltstack(&stack, nullptr);

    struct sigaction sa { };
    sa.sa_sigaction = onCrashSignal;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    // Another fault while reporting ends the process at once.
    sigemptyset(&sa.sa_mask);
    for (int sig : kCrashSignals)
        sigaddset(&sa.sa_mask, sig);
    for (int sig : kCrashSignals)
        ::sigaction(sig, &sa, nullptr);
    std::set_terminate(onTerminate);
}

ThreadCrashGuard::ThreadCrashGuard()
{
    // Mapped, not allocated: a thread may start while memory is short, and
    // the guard must never throw.
    void* stack = ::mmap(nullptr, kAlternateStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (stack == MAP_FAILED)
        return;
    stack_t alternate{};
    alternate.ss_sp = stack;
    alternate.ss_size = kAlternateStackSize;
    if (::sigaltstack(&alternate, nullptr) != 0) {
        ::munmap(stack, kAlternateStackSize);
        return;
    }
    stack_ = stack;
}

ThreadCrashGuard::~ThreadCrashGuard()
{
    if (!stack_)
        return;
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    ::sigaltstack(&off, nullptr);
    ::munmap(stack_, kAlternateStackSize);
}

} // namespace platform
