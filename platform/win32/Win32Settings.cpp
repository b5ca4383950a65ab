// The services that reading and writing the settings file needs; the service reads the file with
// these alone. The registry and the program's environment are in Win32SettingsPlatform.cpp.
#include "platform/win32/Win32Settings.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/WideText.h"

extern "C" BOOLEAN WINAPI SystemFunction036(PVOID buffer, ULONG length);

namespace zo {

namespace {

using win::U;
using win::W;

// Closes a file handle on every path.
struct TFileHandle {
    HANDLE H;
    ~TFileHandle() {
        if (H != INVALID_HANDLE_VALUE) CloseHandle(H);
    }
};

bool DirectoryExists(const std::u16string& folder) {
    DWORD attributes = GetFileAttributesW(W(folder));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// --- files --------------------------------------------------------------------------------------

// A symbolic link counts only when its target is an existing file: the link is followed by
// opening what it points to.
bool Win32FileSystem::FileExists(const std::u16string& fileName) {
    DWORD attributes = GetFileAttributesW(W(fileName));
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    TFileHandle target{CreateFileW(W(fileName), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    BY_HANDLE_FILE_INFORMATION info{};
    return target.H != INVALID_HANDLE_VALUE && GetFileInformationByHandle(target.H, &info) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

uint32_t FinalPath(HANDLE file, std::u16string& path) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetFinalPathNameByHandleW(file, buffer.data(), DWORD(buffer.size()), FILE_NAME_NORMALIZED);
        if (n == 0) return GetLastError();
        if (n < buffer.size()) {
            path = U(buffer.data(), n);
            return 0;
        }
        buffer.resize(n);
    }
}

}  // namespace

uint32_t Win32FileSystem::ReadChecked(const std::u16string& fileName, bool exclusive, const TOpenedFileCheck& check,
                                      std::string& bytes, bool& opened) {
    bytes.clear();
    // Links are followed, so that the handle's final path shows where they lead.
    TFileHandle file{CreateFileW(W(fileName), exclusive ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                 exclusive ? 0 : FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr)};
    opened = file.H != INVALID_HANDLE_VALUE;
    if (!opened) return GetLastError();
    TOpenedFile facts;
    BY_HANDLE_FILE_INFORMATION info{};
    if (uint32_t code = FinalPath(file.H, facts.FinalPath)) return code;
    if (!GetFileInformationByHandle(file.H, &info)) return GetLastError();
    facts.Links = info.nNumberOfLinks;
    facts.Size = (uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (uint32_t code = check(facts)) return code;
    // Nobody can write while the file is open so, and the check has bounded the size.
    bytes.resize(size_t(facts.Size));
    for (size_t done = 0; done < bytes.size();) {
        DWORD read = 0, chunk = DWORD(std::min<size_t>(bytes.size() - done, 1u << 20));
        if (!ReadFile(file.H, bytes.data() + done, chunk, &read, nullptr)) return GetLastError();
        if (read == 0) return ERROR_HANDLE_EOF;
        done += read;
    }
    return 0;
}

uint32_t Win32FileSystem::CreateNewAndWriteAllBytes(const std::u16string& fileName, const std::string& bytes,
                                                    bool& created) {
    // A link planted at the name is not followed: it counts as a name that is taken.
    TFileHandle file{CreateFileW(W(fileName), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)};
    created = file.H != INVALID_HANDLE_VALUE;
    if (!created) {
        const DWORD error = GetLastError();
        return error == ERROR_ALREADY_EXISTS ? fsFileExists : error;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 1u << 20)), written = 0;
        if (!WriteFile(file.H, bytes.data() + done, chunk, &written, nullptr)) return GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        done += written;
    }
    if (!FlushFileBuffers(file.H)) return GetLastError();
    HANDLE h = file.H;
    file.H = INVALID_HANDLE_VALUE;
    return CloseHandle(h) ? 0 : GetLastError();
}

uint32_t Win32FileSystem::Replace(const std::u16string& source, const std::u16string& target, bool targetExists) {
    if (!targetExists) return MoveFileExW(W(source), W(target), MOVEFILE_WRITE_THROUGH) ? 0 : GetLastError();
    // ReplaceFileW keeps the old file's access list and attributes; Wine's drops the attributes,
    // so they are put back (the content attributes are the new file's own).
    const DWORD attributes = GetFileAttributesW(W(target));
    if (!ReplaceFileW(W(target), W(source), nullptr, 0, nullptr, nullptr)) return GetLastError();
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (attributes != INVALID_FILE_ATTRIBUTES && (GetFileAttributesW(W(target)) & kept) != (attributes & kept))
        SetFileAttributesW(W(target), (attributes & kept) ? attributes & kept : FILE_ATTRIBUTE_NORMAL);
    return 0;
}

void Win32FileSystem::RemoveFile(const std::u16string& fileName) { DeleteFileW(W(fileName)); }

uint64_t Win32FileSystem::RandomNumber() {
    // The system's cryptographic generator (RtlGenRandom).
    uint64_t number = 0;
    SystemFunction036(&number, sizeof number);
    return number;
}

bool Win32FileSystem::ForceDirectories(const std::u16string& folder) {
    std::u16string path = folder;
    while (!path.empty() && path.back() == u'\\') path.pop_back();
    if (path.empty() || DirectoryExists(path)) return !path.empty();
    size_t sep = path.find_last_of(u'\\');
    if (sep != std::u16string::npos && sep > 0) ForceDirectories(path.substr(0, sep));
    return CreateDirectoryW(W(path), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// --- code pages ---------------------------------------------------------------------------------

uint32_t Win32CodePage::AnsiCodePage() { return GetACP(); }

std::u16string Win32CodePage::ToUnicode(uint32_t codePage, std::string_view bytes) {
    if (bytes.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), out.data(), n);
    return U(out.data(), out.size());
}

std::string Win32CodePage::FromUnicode(uint32_t codePage, std::u16string_view text) {
    if (text.empty()) return {};
    const wchar_t* src = reinterpret_cast<const wchar_t*>(text.data());
    // Without best fit: a look-alike such as a full-width "=" becomes the default character, never
    // the ASCII character that would change the meaning of the line.
    // UTF-8 (and UTF-7) take no flags: for them the flag would fail every conversion.
    DWORD flags = codePage == CP_UTF8 || codePage == CP_UTF7 ? 0 : WC_NO_BEST_FIT_CHARS;
    int n = WideCharToMultiByte(codePage, flags, src, int(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        // Code pages that take no flags (UTF-7, GB 18030, ISO 2022 and the like) are never the
        // ANSI code page.
        flags = 0;
        n = WideCharToMultiByte(codePage, flags, src, int(text.size()), nullptr, 0, nullptr, nullptr);
    }
    if (n <= 0) return {};
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(codePage, flags, src, int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// --- locale -------------------------------------------------------------------------------------

namespace {

std::u16string LocaleText(LCTYPE type, const char16_t* fallback) {
    wchar_t buffer[128];
    int n = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 128);
    return n > 1 ? U(buffer, size_t(n - 1)) : std::u16string(fallback);
}

}  // namespace

TFormatSettings Win32Locale::FormatSettings() {
    TFormatSettings fs;
    std::u16string decimal = LocaleText(LOCALE_SDECIMAL, u".");
    fs.DecimalSeparator = decimal.empty() ? u'.' : decimal[0];
    fs.ShortDateFormat = LocaleText(LOCALE_SSHORTDATE, u"M/d/yyyy");
    fs.LongTimeFormat = LocaleText(LOCALE_STIMEFORMAT, u"h:mm:ss tt");
    fs.TimeAMString = LocaleText(LOCALE_S1159, u"");
    fs.TimePMString = LocaleText(LOCALE_S2359, u"");
    return fs;
}

std::u16string Win32Locale::UpperCase(std::u16string_view text) {
    std::u16string out(text);
    if (out.empty()) return out;
    const wchar_t* src = reinterpret_cast<const wchar_t*>(text.data());
    int n = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, src, int(text.size()),
                         reinterpret_cast<wchar_t*>(out.data()), int(out.size()));
    if (n != int(text.size())) {  // keep the length: fall back to the simple per-character mapping
        out.assign(text);
        CharUpperBuffW(reinterpret_cast<wchar_t*>(out.data()), DWORD(out.size()));
    }
    return out;
}

}  // namespace zo
