// Stands in for the capture filter library `recorder.dll` in the tests: its
// registration entry leaves "registered" in a file beside the library, so a
// test can see that the start-up registration really ran.
#include <windows.h>

namespace {

HMODULE g_self = nullptr;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_self = self;
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(g_self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 16)
        return E_FAIL;
    // recorder.dll -> recorder.dll.registered
    lstrcatW(path, L".registered");
    const HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return E_FAIL;
    DWORD written = 0;
    ::WriteFile(file, "registered", 10, &written, nullptr);
    ::CloseHandle(file);
    return S_OK;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() { return S_OK; }
