// The services that reading and writing the settings file needs; the service reads the file with
// these alone. The registry and the program's environment are in Win32SettingsPlatform.cpp.
#include "platform/win32/Win32Settings.h"

#include <windows.h>
#include <winternl.h>
#include <aclapi.h>

#include <algorithm>
#include <vector>

#include "platform/win32/FinalPath.h"
#include "platform/win32/OwnedHandle.h"
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

// Administrators, SYSTEM, or the account this program runs as: the owners of what this program
// (the panel as an administrator, the service as SYSTEM) makes.
bool OwnedByUs(HANDLE handle) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr, &sd))
        return false;
    const win::TOwnedHandle<PSECURITY_DESCRIPTOR, LocalFree> descriptor(sd);
    if (!owner) return false;
    if (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsWellKnownSid(owner, WinLocalSystemSid)) return true;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    const TFileHandle tokenHandle{token};
    alignas(TOKEN_USER) BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    return GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
           EqualSid(owner, reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

uint32_t HandleFacts(HANDLE handle, TFileFacts& facts) {
    facts = TFileFacts{};
    // A pipe (a FIFO under Wine) or a device shows nothing else worth asking, and reading it could
    // wait for ever.
    switch (GetFileType(handle)) {
        case FILE_TYPE_DISK: break;
        case FILE_TYPE_PIPE: facts.Kind = fkPipe; return 0;
        default: facts.Kind = fkDevice; return 0;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return GetLastError();
    if (uint32_t code = win::FinalPathOf(handle, facts.FinalPath)) return code;
    facts.Kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? fkFolder : fkDisk;
    facts.ReparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    facts.Links = info.nNumberOfLinks;
    facts.Size = (uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    facts.WriteTime = (uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const uint64_t ticks = (uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    facts.AgeMs = ticks > facts.WriteTime ? (ticks - facts.WriteTime) / 10000 : 0;
    facts.OwnedByUs = OwnedByUs(handle);
    return 0;
}

// The two outcomes of NtCreateFile that the settings code tells apart from the rest.
constexpr NTSTATUS kFileIsADirectory = NTSTATUS(0xC00000BAL), kNameCollision = NTSTATUS(0xC0000035L);

uint32_t NtCode(NTSTATUS status) {
    if (status == kFileIsADirectory) return fsFolder;
    if (status == kNameCollision) return fsFileExists;
    return RtlNtStatusToDosError(status);
}

// A server behind a name may only learn who asks, never act as this program.
SECURITY_QUALITY_OF_SERVICE IdentificationOnly() {
    return SECURITY_QUALITY_OF_SERVICE{sizeof(SECURITY_QUALITY_OF_SERVICE), SecurityIdentification,
                                       SECURITY_STATIC_TRACKING, FALSE};
}

// Opens `name` relative to an open folder, not following a link at the name.
NTSTATUS OpenRelative(HANDLE folder, std::u16string_view name, ACCESS_MASK access, ULONG share, ULONG disposition,
                      ULONG options, HANDLE& handle, ULONG_PTR& information) {
    UNICODE_STRING text{USHORT(name.size() * 2), USHORT(name.size() * 2),
                        const_cast<PWSTR>(reinterpret_cast<const wchar_t*>(name.data()))};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
    SECURITY_QUALITY_OF_SERVICE quality = IdentificationOnly();
    attributes.SecurityQualityOfService = &quality;
    IO_STATUS_BLOCK io{};
    handle = nullptr;
    const NTSTATUS status =
        NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL, share,
                     disposition, options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
    information = io.Information;
    return status;
}

class Win32File : public IFile {
public:
    Win32File(HANDLE handle, HANDLE folder) : FHandle{handle}, FFolder(folder) {}
    uint32_t Facts(TFileFacts& facts) override { return HandleFacts(FHandle.H, facts); }
    uint32_t ReadAll(std::string& bytes, uint64_t limit) override {
        bytes.clear();
        LARGE_INTEGER start{};
        if (!SetFilePointerEx(FHandle.H, start, nullptr, FILE_BEGIN)) return GetLastError();
        char chunk[65536];
        for (;;) {
            DWORD read = 0;
            if (!ReadFile(FHandle.H, chunk, sizeof chunk, &read, nullptr)) return GetLastError();
            if (read == 0) return 0;
            bytes.append(chunk, read);
            if (bytes.size() > limit) {
                bytes.resize(size_t(limit) + 1);
                return 0;
            }
        }
    }
    uint32_t WriteAll(std::string_view bytes) override {
        LARGE_INTEGER start{};
        if (!SetFilePointerEx(FHandle.H, start, nullptr, FILE_BEGIN)) return GetLastError();
        for (size_t done = 0; done < bytes.size();) {
            DWORD chunk = DWORD(std::min<size_t>(bytes.size() - done, 1u << 20)), written = 0;
            if (!WriteFile(FHandle.H, bytes.data() + done, chunk, &written, nullptr)) return GetLastError();
            if (written == 0) return ERROR_WRITE_FAULT;
            done += written;
        }
        if (!SetEndOfFile(FHandle.H) || !FlushFileBuffers(FHandle.H)) return GetLastError();
        return 0;
    }
    uint32_t Rename(const std::u16string& name, bool replace) override {
        // The new name is relative to the folder that was checked, not looked up by path again.
        std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFORMATION) + name.size() * 2);
        auto* info = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
        info->ReplaceIfExists = replace;
        info->RootDirectory = FFolder;
        info->FileNameLength = ULONG(name.size() * 2);
        memcpy(info->FileName, name.data(), name.size() * 2);
        IO_STATUS_BLOCK io{};
        const NTSTATUS status = NtSetInformationFile(FHandle.H, &io, info, ULONG(buffer.size()), FileRenameInformation);
        return status ? NtCode(status) : 0;
    }
    uint32_t Delete() override {
        FILE_DISPOSITION_INFO disposition{TRUE};
        return SetFileInformationByHandle(FHandle.H, FileDispositionInfo, &disposition, sizeof disposition)
                   ? 0
                   : GetLastError();
    }

private:
    TFileHandle FHandle;
    HANDLE FFolder;
};

class Win32Folder : public IFolder {
public:
    explicit Win32Folder(HANDLE handle) : FHandle{handle} {}
    uint32_t Facts(TFileFacts& facts) override { return HandleFacts(FHandle.H, facts); }
    uint32_t Open(const std::u16string& name, TOpenMode mode, std::unique_ptr<IFile>& file, bool& created) override {
        static constexpr struct {
            ACCESS_MASK Access;
            ULONG Share, Disposition, Options;
        } modes[] = {
            {GENERIC_READ, FILE_SHARE_READ, FILE_OPEN, FILE_NON_DIRECTORY_FILE},
            {GENERIC_READ | GENERIC_WRITE | DELETE, 0, FILE_OPEN_IF, FILE_NON_DIRECTORY_FILE},
            {GENERIC_READ | GENERIC_WRITE | DELETE, 0, FILE_CREATE, FILE_NON_DIRECTORY_FILE},
            {FILE_READ_ATTRIBUTES | READ_CONTROL | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
             FILE_OPEN, 0},
        };
        const auto& m = modes[mode];
        HANDLE handle = nullptr;
        ULONG_PTR information = 0;
        const NTSTATUS status = OpenRelative(FHandle.H, name, m.Access, m.Share, m.Disposition, m.Options, handle, information);
        created = status == 0 && information == FILE_CREATED;
        if (status) return NtCode(status);
        file = std::make_unique<Win32File>(handle, FHandle.H);
        return 0;
    }
    uint32_t List(std::vector<std::u16string>& names) override {
        // A handle of its own that may list: the folder's own asks for no access that another
        // program's open could refuse.
        HANDLE handle = nullptr;
        ULONG_PTR information = 0;
        const NTSTATUS status = OpenRelative(FHandle.H, u"", FILE_LIST_DIRECTORY,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                                             FILE_DIRECTORY_FILE, handle, information);
        if (status) return NtCode(status);
        const TFileHandle listing{handle};
        alignas(FILE_ID_BOTH_DIR_INFO) BYTE buffer[16384];
        for (FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;; kind = FileIdBothDirectoryInfo) {
            if (!GetFileInformationByHandleEx(handle, kind, buffer, sizeof buffer))
                return GetLastError() == ERROR_NO_MORE_FILES ? 0 : GetLastError();
            for (auto* entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(buffer);;
                 entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(reinterpret_cast<BYTE*>(entry) + entry->NextEntryOffset)) {
                std::u16string name = U(entry->FileName, entry->FileNameLength / 2);
                if (name != u"." && name != u"..") names.push_back(std::move(name));
                if (!entry->NextEntryOffset) break;
            }
        }
    }

private:
    TFileHandle FHandle;
};

}  // namespace

uint32_t Win32FileSystem::OpenFolder(const std::u16string& folder, std::unique_ptr<IFolder>& opened) {
    // No access that another program's open could refuse by sharing nothing: the files are opened
    // relative to this handle, which needs none.
    HANDLE handle = CreateFileW(W(folder), FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT | SECURITY_SQOS_PRESENT |
                                    SECURITY_IDENTIFICATION,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError();
    opened = std::make_unique<Win32Folder>(handle);
    return 0;
}

uint32_t Win32FileSystem::RandomNumber(uint64_t& number) {
    // The system's cryptographic generator (RtlGenRandom).
    return SystemFunction036(&number, sizeof number) ? 0 : ERROR_GEN_FAILURE;
}

void Win32FileSystem::Pause(uint32_t ms) { Sleep(ms); }

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
