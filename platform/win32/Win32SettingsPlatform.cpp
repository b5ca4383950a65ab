// The registry, the program's environment and the whole set of settings services that the panel
// uses.
#include <windows.h>

#include "platform/Text.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Settings.h"
#include "platform/win32/Win32SystemText.h"
#include "platform/win32/WideText.h"

namespace zo {

namespace {

using win::U;
using win::W;

struct TKey {
    HKEY H = nullptr;
    ~TKey() {
        if (H) RegCloseKey(H);
    }
};

HKEY RootOf(uint32_t root) { return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root))); }

}  // namespace

// --- program environment ------------------------------------------------------------------------

std::u16string Win32ProgramEnvironment::ProgramFileName() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) return U(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::u16string Win32ProgramEnvironment::SpecialFolderPath(int csidl) {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&version)) return {};
#pragma GCC diagnostic pop
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT || version.dwMajorVersion < 5) return {};
    // The shell is loaded at the first look-up, not at start-up, and then kept.
    using TQuery = BOOL WINAPI(HWND, LPWSTR, int, BOOL);
    static const auto query = win::SystemFunction<TQuery>(L"shell32.dll", "SHGetSpecialFolderPathW");
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!query || !query(nullptr, buffer, csidl, FALSE)) return {};
    return U(buffer, wcslen(buffer));
}

// --- registry -----------------------------------------------------------------------------------

uint32_t Win32Registry::CreateKey(uint32_t root, const std::u16string& path, uint32_t access) {
    TKey key;
    return uint32_t(RegCreateKeyExW(RootOf(root), W(path), 0, nullptr, 0, access, nullptr, &key.H, nullptr));
}

bool Win32Registry::KeyExists(uint32_t root, const std::u16string& path, uint32_t access) {
    TKey key;
    return RegOpenKeyExW(RootOf(root), W(path), 0, access, &key.H) == ERROR_SUCCESS;
}

bool Win32Registry::ReadString(uint32_t root, const std::u16string& path, const std::u16string& name,
                               uint32_t access, std::u16string& value) {
    TKey key;
    if (RegOpenKeyExW(RootOf(root), W(path), 0, access, &key.H) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.H, W(name), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    std::string data(size, '\0');
    if (RegQueryValueExW(key.H, W(name), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    data.resize(size);
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        value.assign(data.size() / 2, u'\0');
        for (size_t i = 0; i < value.size(); ++i)
            value[i] = char16_t(uint8_t(data[2 * i]) | (uint8_t(data[2 * i + 1]) << 8));
        while (!value.empty() && value.back() == 0) value.pop_back();
        return true;
    }
    if (type == REG_DWORD && data.size() == 4) {
        int32_t number;
        memcpy(&number, data.data(), 4);
        value = IntToStr(number);
        return true;
    }
    return false;
}

uint32_t Win32Registry::WriteString(uint32_t root, const std::u16string& path, const std::u16string& name,
                                    uint32_t access, const std::u16string& value) {
    TKey key;
    LONG rc = RegCreateKeyExW(RootOf(root), W(path), 0, nullptr, 0, access, nullptr, &key.H, nullptr);
    if (rc != ERROR_SUCCESS) return uint32_t(rc);
    return uint32_t(RegSetValueExW(key.H, W(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   DWORD((value.size() + 1) * 2)));
}

std::vector<std::u16string> Win32Registry::SubKeyNames(uint32_t root, const std::u16string& path, uint32_t access) {
    std::vector<std::u16string> names;
    TKey key;
    if (RegOpenKeyExW(RootOf(root), W(path), 0, access, &key.H) != ERROR_SUCCESS) return names;
    wchar_t buffer[256];
    for (DWORD i = 0;; ++i) {
        DWORD n = 256;
        if (RegEnumKeyExW(key.H, i, buffer, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(U(buffer, n));
    }
    return names;
}

std::vector<std::u16string> Win32Registry::ValueNames(uint32_t root, const std::u16string& path, uint32_t access) {
    std::vector<std::u16string> names;
    TKey key;
    if (RegOpenKeyExW(RootOf(root), W(path), 0, access, &key.H) != ERROR_SUCCESS) return names;
    std::wstring buffer(16384, L'\0');
    for (DWORD i = 0;; ++i) {
        DWORD n = DWORD(buffer.size());
        if (RegEnumValueW(key.H, i, buffer.data(), &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.push_back(U(buffer.data(), n));
    }
    return names;
}

uint32_t Win32Registry::DeleteKey(uint32_t root, const std::u16string& path, uint32_t) {
    if (path.empty()) return ERROR_INVALID_PARAMETER;  // never a whole root key
    return uint32_t(RegDeleteTreeW(RootOf(root), W(path)));
}

uint32_t Win32Registry::DeleteValue(uint32_t root, const std::u16string& path, const std::u16string& name,
                                    uint32_t access) {
    TKey key;
    LONG rc = RegOpenKeyExW(RootOf(root), W(path), 0, access, &key.H);
    if (rc != ERROR_SUCCESS) return uint32_t(rc);
    return uint32_t(RegDeleteValueW(key.H, W(name)));
}

// --- the default set ----------------------------------------------------------------------------

Win32ProgramEnvironment& DefaultProgramEnvironment() {
    static Win32ProgramEnvironment environment;
    return environment;
}

TSettingsPlatform DefaultSettingsPlatform() {
    static Win32FileSystem files;
    static Win32CodePage codePage;
    static Win32Locale locale;
    static Win32SystemText systemText;
    static Win32Registry registry;
    return TSettingsPlatform{files, codePage, locale, systemText, DefaultProgramEnvironment(), &registry};
}

}  // namespace zo
