// Plays the encoder's part in the Windows runner tests, with faults on demand.
// The same modes as the POSIX fault child, on the Win32 calls a Windows
// ffmpeg uses: its standard handles are the runner's pipes.
//   fault_child frames             progress lines until it reads "q"
//   fault_child flood BYTES        BYTES of output as fast as the pipe takes them
//   fault_child invalid            "Invalid data", then silence for 10 s or until "q"
//   fault_child split-invalid      "Invalid" and " data" in two separate writes
//   fault_child ignore-q MS FILE   ignores "q" for MS ms, then writes the count
//                                  of "q" lines it read into FILE and exits
//   fault_child deaf MS            never reads its input; exits after MS ms
//   fault_child exit-now           exits at once
//   fault_child exit-code N        exits at once with code N
//   fault_child args FILE ...      writes the remaining arguments into FILE,
//                                  each ended by a zero byte (UTF-8)
//   fault_child command-line FILE  writes its whole command line into FILE (UTF-8)
// Arguments are read with CommandLineToArgvW: the C runtime's argv would pass
// them through the 8-bit code page and lose non-Latin letters.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "platform/win32/wide.h"

#include <string>
#include <vector>

using platform::win32::narrow;

namespace {

std::vector<std::wstring> arguments()
{
    int count = 0;
    wchar_t** list = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> args(list, list + (list ? count : 0));
    ::LocalFree(list);
    return args;
}

// False once nobody reads our output any more.
bool say(const std::string& text)
{
    DWORD written = 0;
    return ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr)
        && written == text.size();
}

bool writeFile(const std::wstring& path, const std::string& content)
{
    const HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok;
}

// Reads what stdin has within `ms`; returns the number of 'q' seen, -1 once
// the input pipe is closed and empty.
int readQuits(DWORD ms)
{
    const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    const ULONGLONG end = ::GetTickCount64() + ms;
    for (;;) {
        DWORD waiting = 0;
        if (!::PeekNamedPipe(in, nullptr, 0, nullptr, &waiting, nullptr))
            return -1;
        if (waiting > 0)
            break;
        if (::GetTickCount64() >= end)
            return 0;
        ::Sleep(1);
    }
    char buffer[4096];
    DWORD got = 0;
    if (!::ReadFile(in, buffer, sizeof buffer, &got, nullptr) || got == 0)
        return -1;
    int quits = 0;
    for (DWORD i = 0; i < got; ++i)
        quits += buffer[i] == 'q';
    return quits;
}

int frames()
{
    say("Press [q] to stop, [?] for help\n");
    for (int frame = 0;; ++frame) {
        if (!say("frame=" + std::to_string(frame) + " fps= 60 q=-1.0 size=  1kB time=00:00:00.00\r"))
            return 1;
        const int quits = readQuits(50);
        if (quits > 0)
            return 0;
        if (quits < 0) // the runner is gone: a real encoder would end as well
            return 1;
    }
}

// Lines of 1000 bytes, handed over 64 of them at a time: the pipe, not the
// child, sets the pace.
int flood(long long bytes)
{
    std::string line(1000, 'x');
    line.back() = '\n';
    std::string block;
    for (int i = 0; i < 64; ++i)
        block += line;
    for (long long sent = 0; sent < bytes; sent += static_cast<long long>(block.size()))
        if (!say(block))
            return 1;
    return 0;
}

int ignoreQuit(DWORD ms, const std::wstring& file)
{
    const ULONGLONG end = ::GetTickCount64() + ms;
    int quits = 0;
    while (::GetTickCount64() < end) {
        const int q = readQuits(10);
        if (q > 0)
            quits += q;
        else if (q < 0)
            ::Sleep(10);
    }
    writeFile(file, std::to_string(quits));
    return 0;
}

} // namespace

int main()
{
    const std::vector<std::wstring> args = arguments();
    if (args.size() < 2)
        return 2;
    const std::wstring& mode = args[1];
    const auto number = [&](std::size_t i) { return i < args.size() ? std::stoll(args[i]) : 0; };
    if (mode == L"frames")
        return frames();
    if (mode == L"flood" && args.size() > 2)
        return flood(number(2));
    if (mode == L"invalid") {
        say("[mov,mp4] moov atom not found\nbad.mp4: Invalid data found when processing input\n");
        // Like an encoder that goes on after the message, whether or not its
        // input is closed: only "q" ends it early.
        for (int waited = 0; waited < 10000; waited += 50) {
            const int quits = readQuits(50);
            if (quits > 0)
                break;
            if (quits < 0)
                ::Sleep(50);
        }
        return 1;
    }
    if (mode == L"split-invalid") {
        say("header line\nbad.mp4: Invalid");
        ::Sleep(300);
        say(" data found when processing input\n");
        return 1;
    }
    if (mode == L"ignore-q" && args.size() > 3)
        return ignoreQuit(static_cast<DWORD>(number(2)), args[3]);
    if (mode == L"deaf" && args.size() > 2) {
        ::Sleep(static_cast<DWORD>(number(2)));
        return 0;
    }
    if (mode == L"exit-now")
        return 0;
    if (mode == L"apart") {
        // Data, a pipe's fill of errors, then data again.
        const std::string errors(300000, 'e');
        DWORD written = 0;
        const bool first = say("one\n");
        const bool said = ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), errors.data(),
                                      static_cast<DWORD>(errors.size()), &written, nullptr);
        return first && said && written == errors.size() && say("two\n") ? 0 : 3;
    }
    if (mode == L"exit-code" && args.size() > 2)
        return static_cast<int>(number(2));
    if (mode == L"args" && args.size() > 2) {
        std::string out;
        for (std::size_t i = 3; i < args.size(); ++i)
            out += narrow(args[i]) + '\0';
        return writeFile(args[2], out) ? 0 : 3;
    }
    if (mode == L"command-line" && args.size() > 2)
        return writeFile(args[2], narrow(::GetCommandLineW())) ? 0 : 3;
    return 2;
}
