#include "platform/crash_handler.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <windows.h>
// After windows.h, which it needs.
#include <dbghelp.h>

namespace platform {

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* info);
void WriteMiniDump(EXCEPTION_POINTERS* info, const char* path);
BOOL CALLBACK MiniDumpCallback(void* param, const MINIDUMP_CALLBACK_INPUT* input, MINIDUMP_CALLBACK_OUTPUT* output);

namespace {

// A second crash on another thread while the first is being reported waits
// for the first to end the process instead of writing the same file.
volatile LONG g_reporting = 0;
// The thread that crashed: the dump is written from a thread of its own.
DWORD g_crashedThread = 0;

[[noreturn]] void onTerminate()
{
    // An uncaught C++ exception never reaches the unhandled-exception filter.
    CrashFilter(nullptr);
    ::TerminateProcess(::GetCurrentProcess(), 3);
    std::abort();
}

} // namespace

BOOL CALLBACK MiniDumpCallback(void*, const MINIDUMP_CALLBACK_INPUT* input, MINIDUMP_CALLBACK_OUTPUT* output)
{
    if (!input || !output)
        return FALSE;
    switch (input->CallbackType) {
    case ModuleCallback:
        // Only ntdll keeps its data segments: they hold the loader's state.
        if ((output->ModuleWriteFlags & ModuleWriteDataSeg) && !IsNtdllModule(input->Module.FullPath))
            output->ModuleWriteFlags &= ~ModuleWriteDataSeg;
        return TRUE;
    case ThreadCallback:
    case ThreadExCallback:
    case IncludeThreadCallback:
    case IncludeModuleCallback:
        return TRUE;
    default:
        return FALSE;
    }
}

void WriteMiniDump(EXCEPTION_POINTERS* info, const char* path)
{
    const HANDLE file = ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!file || file == INVALID_HANDLE_VALUE)
        return;
    MINIDUMP_EXCEPTION_INFORMATION exception{};
    exception.ThreadId = g_crashedThread ? g_crashedThread : ::GetCurrentThreadId();
    exception.ExceptionPointers = info;
    exception.ClientPointers = FALSE;
    MINIDUMP_CALLBACK_INFORMATION callback{};
    callback.CallbackRoutine = reinterpret_cast<MINIDUMP_CALLBACK_ROUTINE>(MiniDumpCallback);
    callback.CallbackParam = nullptr;
    ::MiniDumpWriteDump(::GetCurrentProcess(), ::GetCurrentProcessId(), file, MiniDumpNormal,
                        info ? &exception : nullptr, nullptr, &callback);
    ::CloseHandle(file);
}

namespace {

DWORD WINAPI reportCrash(void* param)
{
    auto* info = static_cast<EXCEPTION_POINTERS*>(param);
    char folder[kDumpPathSize] = {};
    const DWORD length = ::GetCurrentDirectoryA(kDumpPathSize, folder);
    char path[kDumpPathSize] = {};
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    const LocalTime when{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    // A folder longer than the buffer gives a length beyond it and no folder.
    const std::size_t folderLength = length > 0 && length < kDumpPathSize ? buildDumpPath(path, folder, '\\', when) : 0;
    if (folderLength > 0) {
        char dumpFolder[kDumpPathSize] = {};
        std::memcpy(dumpFolder, path, folderLength);
        ::CreateDirectoryA(dumpFolder, nullptr); // an existing folder is fine
        WriteMiniDump(info, path);
    }
    // The encoders finish their files before anything is ended by force: an
    // MP4 cut off without its index cannot be played.
    endEncodersAfterCrash(kCrashGraceMs);
    return 0;
}

} // namespace

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* info)
{
    if (::InterlockedExchange(&g_reporting, 1) != 0)
        ::Sleep(INFINITE);

    // After a stack overflow the crashed thread has too little stack left for
    // DbgHelp, so the report is written from a fresh thread while this one
    // waits; only when no thread can be made is it written from here.
    g_crashedThread = ::GetCurrentThreadId();
    const HANDLE reporter = ::CreateThread(nullptr, 1024 * 1024, reportCrash, info, 0, nullptr);
    if (reporter) {
        ::WaitForSingleObject(reporter, INFINITE);
        ::CloseHandle(reporter);
    } else {
        reportCrash(info);
    }
    // Ends the whole process with the exception's code, whichever thread
    // crashed.
    return EXCEPTION_EXECUTE_HANDLER;
}

void installCrashHandler()
{
    static ThreadCrashGuard mainThread;
    ::SetUnhandledExceptionFilter(CrashFilter);
    std::set_terminate(onTerminate);
}

// Windows reports an overflow on the faulting thread itself; the guarantee
// keeps enough of its stack for the filter to write the dump.
ThreadCrashGuard::ThreadCrashGuard()
{
    ULONG reserve = 64 * 1024;
    ::SetThreadStackGuarantee(&reserve);
}

ThreadCrashGuard::~ThreadCrashGuard() = default;

} // namespace platform
