#include "platform/audio_sources.h"

#include "platform/audio_name_rules.h"
#include "platform/win32/wide.h"

#include <dshow.h>
#include <endpointvolume.h>
#include <mmdeviceapi.h>

#include <string>
#include <vector>

namespace platform {
using win32::narrow;

namespace {

// Core Audio identifiers, spelled out so that nothing depends on which SDK
// headers define them.
constexpr GUID kClsidDeviceEnumerator = {0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
constexpr GUID kIidDeviceEnumerator = {0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
constexpr GUID kIidEndpointVolume = {0x5CDF2C82, 0x841E, 0x4546, {0x97, 0x22, 0x0C, 0xF7, 0x40, 0x78, 0x22, 0x9A}};
constexpr PROPERTYKEY kFriendlyNameKey = {
    {0xA45C254E, 0xDF1C, 0x4EFD, {0x80, 0x20, 0x67, 0xD1, 0x46, 0xA8, 0x50, 0xE0}}, 14};

// The policy-config object is undocumented. Only two methods are relied on,
// by their positions in the vtable (counting the three IUnknown methods).
constexpr GUID kClsidPolicyConfig = {0x870AF99C, 0x171D, 0x4F9E, {0xAF, 0x0D, 0xE6, 0x3D, 0xF4, 0x0C, 0x2B, 0xC9}};
constexpr GUID kIidPolicyConfig[] = {
    {0xCA286FC3, 0x91FD, 0x42C3, {0x8E, 0x9B, 0xCA, 0xAF, 0xA6, 0x62, 0x42, 0xE3}},
    {0x6BE54BE8, 0xA068, 0x4875, {0xA4, 0x9D, 0x0C, 0x29, 0x66, 0x47, 0x3B, 0x11}},
    {0xF8679F50, 0x850A, 0x41CF, {0x9C, 0x72, 0x43, 0x0F, 0x29, 0x02, 0x90, 0xC8}},
};
constexpr int kSetDefaultEndpointSlot = 13;
constexpr int kSetEndpointVisibilitySlot = 14;
using SetDefaultEndpointFn = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, PCWSTR, ERole);
using SetEndpointVisibilityFn = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, PCWSTR, INT);

template <typename Fn>
Fn vtableEntry(IUnknown* object, int slot)
{
    return reinterpret_cast<Fn>((*reinterpret_cast<void***>(object))[slot]);
}

// The start-up audio objects live until the program exits and are never
// released, as the sound stack may tie the chosen default to them.
struct StartupAudioState {
    IMMDeviceEnumerator* enumerator = nullptr;
    IUnknown* policyConfig = nullptr;
    std::wstring stereoMixId;
    IMMDevice* defaultCapture = nullptr;
    IAudioEndpointVolume* captureVolume = nullptr;
};
StartupAudioState g_startup;

std::wstring lastStereoMixEndpoint(IMMDeviceEnumerator* enumerator)
{
    std::wstring id;
    IMMDeviceCollection* endpoints = nullptr;
    if (FAILED(enumerator->EnumAudioEndpoints(eCapture, DEVICE_STATEMASK_ALL, &endpoints)))
        return id;
    UINT count = 0;
    endpoints->GetCount(&count);
    for (UINT i = 0; i < count; ++i) {
        IMMDevice* device = nullptr;
        if (FAILED(endpoints->Item(i, &device)))
            continue;
        IPropertyStore* store = nullptr;
        if (SUCCEEDED(device->OpenPropertyStore(STGM_READ, &store))) {
            PROPVARIANT name;
            PropVariantInit(&name);
            if (SUCCEEDED(store->GetValue(kFriendlyNameKey, &name)) && name.vt == VT_LPWSTR && name.pwszVal) {
                const std::wstring text = name.pwszVal;
                LPWSTR deviceId = nullptr;
                if ((text.find(L"Stereo Mix") != std::wstring::npos || text.find(L"立体声混音") != std::wstring::npos)
                    && SUCCEEDED(device->GetId(&deviceId))) {
                    id = deviceId;
                    CoTaskMemFree(deviceId);
                }
            }
            PropVariantClear(&name);
            store->Release();
        }
        device->Release();
    }
    endpoints->Release();
    return id;
}

void prepareStereoMix()
{
    CoInitialize(nullptr);
    if (FAILED(CoCreateInstance(kClsidDeviceEnumerator, nullptr, CLSCTX_INPROC_SERVER, kIidDeviceEnumerator,
                                reinterpret_cast<void**>(&g_startup.enumerator))))
        return;
    for (const GUID& iid : kIidPolicyConfig) {
        if (SUCCEEDED(CoCreateInstance(kClsidPolicyConfig, nullptr, CLSCTX_INPROC, iid,
                                       reinterpret_cast<void**>(&g_startup.policyConfig))))
            break;
        g_startup.policyConfig = nullptr;
    }
    if (!g_startup.policyConfig)
        return;
    g_startup.stereoMixId = lastStereoMixEndpoint(g_startup.enumerator);
    // Handing the undocumented object an empty endpoint ID gains nothing.
    if (g_startup.stereoMixId.empty())
        return;
    const auto setDefault = vtableEntry<SetDefaultEndpointFn>(g_startup.policyConfig, kSetDefaultEndpointSlot);
    for (ERole role : {eConsole, eMultimedia, eCommunications})
        setDefault(g_startup.policyConfig, g_startup.stereoMixId.c_str(), role);
    if (FAILED(g_startup.enumerator->GetDefaultAudioEndpoint(eCapture, eConsole, &g_startup.defaultCapture)))
        return;
    if (FAILED(g_startup.defaultCapture->Activate(kIidEndpointVolume, CLSCTX_INPROC_SERVER, nullptr,
                                                  reinterpret_cast<void**>(&g_startup.captureVolume))))
        return;
    vtableEntry<SetEndpointVisibilityFn>(g_startup.policyConfig, kSetEndpointVisibilitySlot)(
        g_startup.policyConfig, g_startup.stereoMixId.c_str(), 1);
}

// Starts `regsvr32 "<program folder>\recorder.dll" /s` hidden and does not wait.
// The wide API keeps program folders outside the 8-bit code page working.
void registerCaptureFilter()
{
    wchar_t module[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    std::wstring folder = module;
    const std::size_t slash = folder.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
    std::wstring command = L"regsvr32 \"" + folder + L"\\recorder.dll\" /s";

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
}

std::vector<std::string> audioInputFriendlyNames()
{
    std::vector<std::string> names;
    ICreateDevEnum* devices = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                reinterpret_cast<void**>(&devices))))
        return names;
    IEnumMoniker* monikers = nullptr;
    // An empty category answers S_FALSE with no enumerator.
    if (devices->CreateClassEnumerator(CLSID_AudioInputDeviceCategory, &monikers, 0) == S_OK) {
        IMoniker* moniker = nullptr;
        while (monikers->Next(1, &moniker, nullptr) == S_OK) {
            IPropertyBag* bag = nullptr;
            if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)))) {
                VARIANT name;
                VariantInit(&name);
                if (SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.vt == VT_BSTR && name.bstrVal)
                    names.push_back(narrow(name.bstrVal));
                VariantClear(&name);
                bag->Release();
            }
            moniker->Release();
        }
        monikers->Release();
    }
    devices->Release();
    return names;
}

} // namespace

AudioSources discoverAudioSources()
{
    AudioSources found;
    // A thread already in the multithreaded apartment can enumerate as it is;
    // only a successful call is balanced.
    const HRESULT com = CoInitialize(nullptr);
    if (FAILED(com) && com != RPC_E_CHANGED_MODE)
        return found;
    const platform::DeviceNameChoice choice = platform::chooseAudioDevices(audioInputFriendlyNames());
    if (SUCCEEDED(com))
        CoUninitialize();
    found.computerSound = choice.computerSound;
    found.microphone = choice.microphone;
    found.computerSoundFound = choice.computerSoundFound;
    found.microphoneFound = choice.microphoneFound;
    return found;
}

void prepareAudioCapture()
{
    prepareStereoMix();
    registerCaptureFilter();
}

} // namespace platform
