#include "platform/child_process.h"

#include "platform/live_children.h"
#include "platform/win32/wide.h"

#include <mutex>

namespace platform {
namespace {

// A child inherits every inheritable handle of the process, not only the
// ones it is given. Starts on other threads (a recording and a duration probe)
// must not pass their pipe ends to each other's children, or a pipe would stay
// open after its own child ended and its reader would never see the break.
// Held from the moment inheritable ends exist until they are closed.
std::mutex g_inheritableHandles;

HANDLE asHandle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

void closeHandle(std::intptr_t& h, std::intptr_t none)
{
    if (h != none && h != 0)
        ::CloseHandle(asHandle(h));
    h = none;
}

// Makes `h` a non-inheritable duplicate of itself, closing the original
// (which the system closes even when the duplicate fails).
bool keepPrivate(HANDLE& h)
{
    HANDLE dup = nullptr;
    const HANDLE self = ::GetCurrentProcess();
    const bool ok = ::DuplicateHandle(self, h, self, &dup, 0, FALSE, DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE);
    h = ok ? dup : nullptr;
    return ok;
}

} // namespace

ChildProcess::~ChildProcess() { closeAll(); }

void ChildProcess::closeAll()
{
    // The table lets go of our handles before they are closed: a crash on
    // another thread must never write "q" into a handle number that the
    // system has already given to something else.
    bool orphaned = false;
    if (pid_ > 0) {
        if (!exited_ && ::WaitForSingleObject(asHandle(process_), 0) == WAIT_TIMEOUT) {
            orphanLiveChild(pid_); // the live table keeps the process handle from here on
            orphaned = true;
        } else {
            removeLiveChild(pid_);
        }
    }
    closeHandle(inWrite_, -1);
    closeHandle(outRead_, -1);
    closeHandle(errRead_, -1);
    if (orphaned)
        process_ = 0;
    closeHandle(process_, 0);
    pid_ = 0;
}

bool ChildProcess::start(const std::string& commandLine)
{
    if (pid_ > 0)
        return false;
    std::lock_guard<std::mutex> inheritable(g_inheritableHandles);
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    sa.bInheritHandle = TRUE;
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
    HANDLE errRead = nullptr, errWrite = nullptr;
    const bool apart = separateErrors_;
    separateErrors_ = false;
    auto fail = [&] {
        for (HANDLE h : {inRead, inWrite, outRead, outWrite, errRead, errWrite})
            if (h)
                ::CloseHandle(h);
        return false;
    };
    if (!::CreatePipe(&inRead, &inWrite, &sa, 0))
        return false;
    if (!::CreatePipe(&outRead, &outWrite, &sa, 0))
        return fail();
    if (apart && !::CreatePipe(&errRead, &errWrite, &sa, 0))
        return fail();
    // Only the child's ends may be inherited.
    if (!keepPrivate(inWrite) || !keepPrivate(outRead) || (apart && !keepPrivate(errRead)))
        return fail();

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead;
    si.hStdOutput = outWrite;
    si.hStdError = apart ? errWrite : outWrite;
    PROCESS_INFORMATION pi{};
    // CreateProcessW may write into the command line: it needs its own buffer.
    std::wstring line = win32::widen(commandLine);
    if (line.empty()
        || !::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP,
                             nullptr, nullptr, &si, &pi))
        return fail();
    ::CloseHandle(pi.hThread);
    // Only the child holds these now, so the output pipe breaks when it ends.
    ::CloseHandle(inRead);
    ::CloseHandle(outWrite);
    if (apart)
        ::CloseHandle(errWrite);

    // A child that never reads its input must not block us on a full pipe.
    DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
    ::SetNamedPipeHandleState(inWrite, &mode, nullptr, nullptr);

    pid_ = pi.dwProcessId;
    exited_ = false;
    exitStatus_ = 0;
    process_ = reinterpret_cast<std::intptr_t>(pi.hProcess);
    inWrite_ = reinterpret_cast<std::intptr_t>(inWrite);
    outRead_ = reinterpret_cast<std::intptr_t>(outRead);
    errRead_ = apart ? reinterpret_cast<std::intptr_t>(errRead) : -1;
    addLiveChild(pid_, inWrite_, process_);
    return true;
}

WaitWake::WaitWake() { handle_ = reinterpret_cast<std::intptr_t>(::CreateEventW(nullptr, TRUE, FALSE, nullptr)); }

WaitWake::~WaitWake()
{
    if (handle_ != 0)
        ::CloseHandle(asHandle(handle_));
}

void WaitWake::raise()
{
    if (handle_ != 0)
        ::SetEvent(asHandle(handle_));
}

bool ChildProcess::waitForExit(int ms, const WaitWake* wake)
{
    if (pid_ <= 0 || exited_)
        return true;
    // A pipe cannot be waited on, so output that is already there cuts the
    // wait short; otherwise a child that writes fast would be read at one
    // buffer per wait and slowed down to that pace on its full pipe.
    DWORD waiting = 0;
    if (outRead_ != -1 && ::PeekNamedPipe(asHandle(outRead_), nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0)
        ms = 0;
    const HANDLE handles[2] = {asHandle(process_), wake && wake->handle() != 0 ? asHandle(wake->handle()) : nullptr};
    if (::WaitForMultipleObjects(handles[1] ? 2 : 1, handles, FALSE, static_cast<DWORD>(ms)) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    ::GetExitCodeProcess(asHandle(process_), &code);
    exitStatus_ = static_cast<int>(code);
    exited_ = true;
    return true;
}

long ChildProcess::peekOutput(ChildStream stream)
{
    const std::intptr_t pipe = stream == ChildStream::Errors ? errRead_ : outRead_;
    DWORD waiting = 0;
    if (pipe == -1 || !::PeekNamedPipe(asHandle(pipe), nullptr, 0, nullptr, &waiting, nullptr))
        return -1;
    return static_cast<long>(waiting);
}

long ChildProcess::readOutput(char* buffer, std::size_t max, ChildStream stream)
{
    const std::intptr_t pipe = stream == ChildStream::Errors ? errRead_ : outRead_;
    DWORD got = 0;
    if (pipe == -1 || !::ReadFile(asHandle(pipe), buffer, static_cast<DWORD>(max), &got, nullptr))
        return -1;
    return static_cast<long>(got);
}

bool ChildProcess::writeInput(const char* data, std::size_t size)
{
    DWORD written = 0;
    return inWrite_ != -1 && ::WriteFile(asHandle(inWrite_), data, static_cast<DWORD>(size), &written, nullptr)
        && written > 0;
}

bool ChildProcess::running() const { return pid_ > 0 && !exited_; }

int ChildProcess::exitCode() const { return exited_ ? exitStatus_ : -1; }

std::int64_t ChildProcess::id() const { return pid_; }

// Passing descriptors and interrupting serve the Wayland capture only.
void ChildProcess::passDescriptor(std::intptr_t, int) { }

bool ChildProcess::interrupt() { return false; }

bool ChildProcess::terminate() { return kill(); }

bool ChildProcess::kill() { return running() && ::TerminateProcess(asHandle(process_), 1); }

bool makeDataPipe(std::intptr_t&, std::intptr_t&) { return false; }

bool writeDescriptor(std::intptr_t, const void*, std::size_t) { return false; }

long readDescriptor(std::intptr_t, void*, std::size_t, int) { return -1; }

void closeDescriptor(std::intptr_t) { }

} // namespace platform
