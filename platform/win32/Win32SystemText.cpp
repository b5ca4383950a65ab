#include "platform/win32/Win32SystemText.h"

#include <windows.h>

namespace zo {

std::u16string Win32SystemText::SystemMessage(uint32_t code) {
    wchar_t* buffer = nullptr;
    // ALLOCATE_BUFFER | IGNORE_INSERTS | FROM_SYSTEM | ARGUMENT_ARRAY
    const DWORD flags = 0x3300;
    DWORD len = FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string out;
    if (buffer) {
        out.assign(reinterpret_cast<const char16_t*>(buffer), len);
        LocalFree(buffer);
    }
    return out;
}

}  // namespace zo
