#include "platform/win32/Win32VersionResource.h"

#include <windows.h>

namespace zo {

std::u16string TWin32VersionResource::ProgramFileName() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
        if (n == 0) return u"";
        if (n < buf.size()) {
            buf.resize(n);
            break;
        }
        buf.resize(buf.size() * 2);  // the path was cut: try a larger buffer
    }
    return std::u16string(buf.begin(), buf.end());
}

std::vector<uint8_t> TWin32VersionResource::FileVersionBlock(const std::u16string& path) {
    const auto* file = reinterpret_cast<const wchar_t*>(path.c_str());
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(file, &handle);
    if (size == 0) return {};
    std::vector<uint8_t> block(size);
    if (!GetFileVersionInfoW(file, 0, size, block.data())) return {};
    return block;
}

IVersionResource& DefaultVersionResource() {
    static TWin32VersionResource resource;
    return resource;
}

}  // namespace zo
