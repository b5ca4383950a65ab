// Functions of system libraries that only some commands need. They are looked up at the first use
// of their feature, not imported, so that start-up does not load those libraries and everything
// they pull in.
#pragma once
#include <windows.h>
#include <objbase.h>

namespace zo::win {

// The library of that name from the system folder, loaded at the first call and kept to the end
// of the program (objects it hands out may outlive any one call); nullptr when it cannot be loaded.
HMODULE SystemLibrary(const wchar_t* name);

// The function `name` of a system library, or nullptr when the library or the function is missing
// (the feature is then not supported and says so).
template <typename F>
F* SystemFunction(const wchar_t* library, const char* name) {
    HMODULE module = SystemLibrary(library);
    return module ? reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// COM, which only the shell's program start and the decoding of picture files need: loaded at
// the first of them.
struct TComFunctions {
    decltype(&CoInitializeEx) CoInitializeEx = SystemFunction<decltype(::CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    decltype(&CoUninitialize) CoUninitialize = SystemFunction<decltype(::CoUninitialize)>(L"ole32.dll", "CoUninitialize");
    decltype(&CoCreateInstance) CoCreateInstance =
        SystemFunction<decltype(::CoCreateInstance)>(L"ole32.dll", "CoCreateInstance");
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
