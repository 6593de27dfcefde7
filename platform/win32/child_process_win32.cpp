#include "platform/child_process.h"

#include "platform/live_children.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

HANDLE asHandle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

void closeHandle(std::intptr_t& h, std::intptr_t none)
{
    if (h != none && h != 0)
        ::CloseHandle(asHandle(h));
    h = none;
}

// Makes `h` a non-inheritable duplicate of itself, closing the original.
bool keepPrivate(HANDLE& h)
{
    HANDLE dup = nullptr;
    const HANDLE self = ::GetCurrentProcess();
    if (!::DuplicateHandle(self, h, self, &dup, 0, FALSE, DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE)) {
        return false;
    }
    h = dup;
    return true;
}

} // namespace

ChildProcess::~ChildProcess()
{
    closeAll();
}

void ChildProcess::closeAll()
{
    closeHandle(inWrite_, -1);
    closeHandle(outRead_, -1);
    if (pid_ > 0) {
        if (!exited_ && ::WaitForSingleObject(asHandle(process_), 0) == WAIT_TIMEOUT) {
            orphanLiveChild(pid_); // the live table keeps the handle from here on
            process_ = 0;
        } else {
            removeLiveChild(pid_);
        }
    }
    closeHandle(process_, 0);
    pid_ = 0;
}

bool ChildProcess::start(const std::string& commandLine)
{
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
    if (!::CreatePipe(&inRead, &inWrite, &sa, 0))
        return false;
    if (!::CreatePipe(&outRead, &outWrite, &sa, 0)) {
        ::CloseHandle(inRead);
        ::CloseHandle(inWrite);
        return false;
    }
    auto fail = [&] {
        for (HANDLE h : {inRead, inWrite, outRead, outWrite})
            if (h)
                ::CloseHandle(h);
        return false;
    };
    if (!keepPrivate(inWrite) || !keepPrivate(outRead))
        return fail();

    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inRead;
    si.hStdOutput = outWrite;
    si.hStdError = outWrite;
    PROCESS_INFORMATION pi{};
    std::wstring line = win32::widen(commandLine);
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                          CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &si, &pi))
        return fail();
    ::CloseHandle(pi.hThread);
    // Only the child holds these now, so the output pipe breaks when it ends.
    ::CloseHandle(inRead);
    ::CloseHandle(outWrite);

    // A child that never reads its input must not block us on a full pipe.
    DWORD mode = PIPE_NOWAIT;
    ::SetNamedPipeHandleState(inWrite, &mode, nullptr, nullptr);

    pid_ = pi.dwProcessId;
    exited_ = false;
    process_ = reinterpret_cast<std::intptr_t>(pi.hProcess);
    inWrite_ = reinterpret_cast<std::intptr_t>(inWrite);
    outRead_ = reinterpret_cast<std::intptr_t>(outRead);
    addLiveChild(pid_, inWrite_, process_);
    return true;
}

bool ChildProcess::waitForExit(int ms)
{
    if (pid_ <= 0 || exited_)
        return true;
    if (::WaitForSingleObject(asHandle(process_), static_cast<DWORD>(ms)) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    ::GetExitCodeProcess(asHandle(process_), &code);
    exitStatus_ = static_cast<int>(code);
    exited_ = true;
    return true;
}

long ChildProcess::peekOutput()
{
    DWORD waiting = 0;
    if (outRead_ == -1 || !::PeekNamedPipe(asHandle(outRead_), nullptr, 0, nullptr, &waiting, nullptr))
        return -1;
    return static_cast<long>(waiting);
}

long ChildProcess::readOutput(char* buffer, std::size_t max)
{
    DWORD got = 0;
    if (outRead_ == -1 || !::ReadFile(asHandle(outRead_), buffer, static_cast<DWORD>(max), &got, nullptr))
        return -1;
    return static_cast<long>(got);
}

bool ChildProcess::writeInput(const char* data, std::size_t size)
{
    DWORD written = 0;
    return inWrite_ != -1
        && ::WriteFile(asHandle(inWrite_), data, static_cast<DWORD>(size), &written, nullptr) && written > 0;
}

bool ChildProcess::running() const { return pid_ > 0 && !exited_; }

int ChildProcess::exitCode() const { return exited_ ? exitStatus_ : -1; }

std::int64_t ChildProcess::id() const { return pid_; }

} // namespace platform
