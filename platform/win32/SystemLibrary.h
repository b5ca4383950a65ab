// Functions of system libraries that only some commands need. They are looked up at the first use
// of their feature, not imported, so that start-up does not load those libraries and everything
// they pull in.
#pragma once
#include <windows.h>

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

}  // namespace zo::win
