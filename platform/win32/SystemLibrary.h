// Functions of system libraries that only some commands need. They are looked up at the first use
// of their feature, not imported, so that start-up does not load those libraries and everything
// they pull in.
#pragma once
#include <windows.h>
#include <objbase.h>

namespace zo::win {

// The library of that name from the system folder, loaded by the call (one that is already loaded
// only gains a reference) and kept to the end of the program (objects it hands out may outlive any
// one call); nullptr when it cannot be loaded. Callers keep what they look up in a static.
HMODULE SystemLibrary(const wchar_t* name);

// The function `name` of a module, or nullptr when the module or the function is missing.
template <typename F>
F* ModuleFunction(HMODULE module, const char* name) {
    return module ? reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// The function `name` of a system library, or nullptr when the library or the function is missing
// (the feature is then not supported and says so).
template <typename F>
F* SystemFunction(const wchar_t* library, const char* name) {
    return ModuleFunction<F>(SystemLibrary(library), name);
}

// COM, which only the shell's program start and the decoding of picture files need: loaded at
// the first of them.
struct TComFunctions {
    TComFunctions() : TComFunctions(SystemLibrary(L"ole32.dll")) {}
    explicit TComFunctions(HMODULE ole32)
        : CoInitializeEx(ModuleFunction<decltype(::CoInitializeEx)>(ole32, "CoInitializeEx")),
          CoUninitialize(ModuleFunction<decltype(::CoUninitialize)>(ole32, "CoUninitialize")),
          CoCreateInstance(ModuleFunction<decltype(::CoCreateInstance)>(ole32, "CoCreateInstance")) {}
    decltype(&::CoInitializeEx) CoInitializeEx;
    decltype(&::CoUninitialize) CoUninitialize;
    decltype(&::CoCreateInstance) CoCreateInstance;
    bool Supported() const { return CoInitializeEx && CoUninitialize && CoCreateInstance; }
};
const TComFunctions& Com();

// COM on the calling thread for a scope; it is left again only if this scope entered it. Call
// only where Com().Supported().
class TComScope {
public:
    explicit TComScope(DWORD flags = COINIT_APARTMENTTHREADED) : FHr(Com().CoInitializeEx(nullptr, flags)) {}
    ~TComScope() {
        if (SUCCEEDED(FHr)) Com().CoUninitialize();
    }
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;

private:
    HRESULT FHr;
};

}  // namespace zo::win
