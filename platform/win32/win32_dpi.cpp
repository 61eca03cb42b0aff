// DPI awareness: the functions of newer Windows versions are looked up at
// run time, so the program still starts where they are missing.
#include "platform/win32/win32_platform.h"

#include <windows.h>

namespace clickwisp {

namespace {

template <typename Function> Function lookUp(const wchar_t* module, const char* name)
{
    HMODULE handle = GetModuleHandleW(module);
    if (!handle)
        handle = LoadLibraryW(module);
    if (!handle)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(handle, name)));
}

} // namespace

DpiAwareness enableDpiAwareness()
{
    // Windows 10 1703 and later.
    using SetContext = BOOL(WINAPI*)(HANDLE);
    if (auto setContext = lookUp<SetContext>(L"user32.dll", "SetProcessDpiAwarenessContext")) {
        if (setContext(reinterpret_cast<HANDLE>(intptr_t(-4)))) // per-monitor aware V2
            return DpiAwareness::PerMonitorV2;
        if (setContext(reinterpret_cast<HANDLE>(intptr_t(-3)))) // per-monitor aware
            return DpiAwareness::PerMonitor;
    }
    // Windows 8.1 and later.
    using SetAwareness = HRESULT(WINAPI*)(int);
    if (auto setAwareness = lookUp<SetAwareness>(L"shcore.dll", "SetProcessDpiAwareness")) {
        if (setAwareness(2) == S_OK) // PROCESS_PER_MONITOR_DPI_AWARE
            return DpiAwareness::PerMonitor;
    }
    if (SetProcessDPIAware())
        return DpiAwareness::System;
    return DpiAwareness::Unaware;
}

} // namespace clickwisp
