// The second process of the Windows tests: what only another process can
// show (the machine-wide lock, a crash, a window of another program).
//   windows_helper hold-lock        takes the single-instance lock, prints
//                                   "first" or "second", then waits for "q"
//   windows_helper crash FOLDER HOW  installs the crash handler, starts one
//                                   encoder (the fault child, "frames"), prints
//                                   its process id, makes FOLDER current and
//                                   crashes: HOW is "access" (a null write) or
//                                   "throw" (an uncaught C++ exception)
//   windows_helper window TITLE     shows no window at first: makes a hidden
//                                   top-level window titled TITLE, prints
//                                   "ready", and pumps messages until "q"
#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/crash_handler.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/single_instance.h"

#include "../support/stack_overflow.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

void say(const std::string& text)
{
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// True once a "q" arrived on stdin (or stdin is gone).
bool quitAsked()
{
    const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    DWORD waiting = 0;
    if (!::PeekNamedPipe(in, nullptr, 0, nullptr, &waiting, nullptr))
        return true;
    if (waiting == 0)
        return false;
    char buffer[256];
    DWORD got = 0;
    if (!::ReadFile(in, buffer, sizeof buffer, &got, nullptr) || got == 0)
        return true;
    return std::string(buffer, got).find('q') != std::string::npos;
}

int holdLock()
{
    say(platform::IsAlreadyRunning() ? "second\n" : "first\n");
    while (!quitAsked())
        ::Sleep(5);
    return 0;
}

int crash(const std::wstring& folder, const std::wstring& how)
{
    platform::installCrashHandler();
    // Owned by nobody once we crash: the crash handler must end it.
    static platform::ChildProcess encoder;
    const std::string child = platform::programFolder() + "\\fault_child.exe";
    if (!encoder.start(platform::quoteArgument(child) + " frames"))
        return 10;
    say(std::to_string(encoder.id()) + "\n");
    if (!::SetCurrentDirectoryW(folder.c_str()))
        return 11;
    if (how == L"throw")
        throw std::runtime_error("nobody catches this");
    if (how == L"overflow-thread") {
        std::thread([] {
            const platform::ThreadCrashGuard guard;
            testing_support::overflowTheStack();
        }).join();
        return 13;
    }
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 12;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM w, LPARAM l)
{
    return ::DefWindowProcW(window, message, w, l);
}

int window(const std::wstring& title)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VantreelTestWindow";
    if (!::RegisterClassW(&windowClass))
        return 20;
    const HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                          100, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window)
        return 21;
    say("ready\n");
    const ULONGLONG end = ::GetTickCount64() + 30000;
    while (!quitAsked() && ::GetTickCount64() < end) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    ::DestroyWindow(window);
    return 0;
}

} // namespace

int main()
{
    int count = 0;
    wchar_t** list = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    const std::vector<std::wstring> args(list, list + (list ? count : 0));
    ::LocalFree(list);
    if (args.size() >= 2 && args[1] == L"hold-lock")
        return holdLock();
    if (args.size() >= 4 && args[1] == L"crash")
        return crash(args[2], args[3]);
    if (args.size() >= 3 && args[1] == L"window")
        return window(args[2]);
    return 2;
}
