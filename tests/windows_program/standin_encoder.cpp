// Stands in for the encoder beside the Windows program, since no Windows
// build of it is at hand: a recording (its output through the tee) writes a
// real transport stream and MP4 of the same two seconds, made at build time
// by the host's encoder, and ends on "q" as the real one does; a stream copy
// writes that MP4 as its target. Each command line is appended to the file
// named by VTR_STANDIN_LOG, so the test sees what the program asked for.
#include <windows.h>

#include <cstdio>
#include <string>

extern "C" const char vtr_take_ts[], vtr_take_ts_end[], vtr_take_mp4[], vtr_take_mp4_end[];
asm(".section .rdata,\"dr\"\n"
    "vtr_take_ts: .incbin \"" VTR_TAKE_TS "\"\nvtr_take_ts_end:\n"
    "vtr_take_mp4: .incbin \"" VTR_TAKE_MP4 "\"\nvtr_take_mp4_end:\n"
    ".text\n");

namespace {

bool write(const std::wstring& path, const char* begin, const char* end)
{
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(begin, 1, end - begin, f) == static_cast<size_t>(end - begin);
    return std::fclose(f) == 0 && ok;
}

// One name of the tee's list, its escapes undone.
std::wstring teeName(const std::wstring& spec, size_t from, size_t* next)
{
    std::wstring name;
    size_t i = from;
    for (; i < spec.size() && spec[i] != L'|'; ++i) {
        if (spec[i] == L'\\' && i + 1 < spec.size())
            ++i;
        name += spec[i];
    }
    *next = i + 1;
    return name;
}

void waitForQuit()
{
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    char c = 0;
    DWORD got = 0;
    while (ReadFile(in, &c, 1, &got, nullptr) && got == 1 && c != 'q') {
    }
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (const wchar_t* log = _wgetenv(L"VTR_STANDIN_LOG")) {
        if (FILE* f = _wfopen(log, L"ab")) {
            std::fprintf(f, "%ls\n", GetCommandLineW());
            std::fclose(f);
        }
    }
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::wstring(argv[i]) == L"-f" && std::wstring(argv[i + 1]) == L"tee" && i + 2 < argc) {
            // "[f=mp4]<part>|[f=mpegts:...]<ts>"
            const std::wstring spec = argv[i + 2];
            size_t next = 0;
            const std::wstring mp4 = teeName(spec, spec.find(L']') + 1, &next);
            const std::wstring ts = teeName(spec, spec.find(L']', next) + 1, &next);
            if (!write(ts, vtr_take_ts, vtr_take_ts_end))
                return 1;
            std::fprintf(stderr, "frame=  120 fps= 60 q=-1.0 size=  64kB time=00:00:02.00\r");
            std::fflush(stderr);
            waitForQuit();
            return write(mp4, vtr_take_mp4, vtr_take_mp4_end) ? 0 : 1;
        }
    }
    if (argc > 2 && std::wstring(argv[argc - 2]) == L"mp4")
        return write(argv[argc - 1], vtr_take_mp4, vtr_take_mp4_end) ? 0 : 1;
    std::fprintf(stderr, "At least one output file must be specified\n");
    return 1;
}
