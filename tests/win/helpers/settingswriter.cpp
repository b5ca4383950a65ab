// Writes the settings file as one of the programs that share it would, for the races of the tests.
//   settingswriter <file> clicks <n>     n clicks of a panel's check box (the panel's own store),
//                                        on, off, on, ...; exit code: the clicks that failed
//   settingswriter <file> sections <n>   a careful editor: n times, the file opened shared with
//                                        nobody, read, a section "[Added<i>]" appended, written back
//   settingswriter <file> renames <ms>   a program that rewrites the file by a new file and a
//                                        rename, counting in "[Other] Counter", for ms milliseconds;
//                                        prints "writes=<n> lost=<n> refused=<n>": lost counts the
//                                        times its last completed write was found overwritten
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/Failure.h"
#include "platform/win32/Win32Settings.h"
#include "settings/RegIniFile.h"

namespace {

std::string ReadAll(HANDLE file) {
    std::string bytes;
    char chunk[4096];
    DWORD n = 0;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    while (ReadFile(file, chunk, sizeof chunk, &n, nullptr) && n > 0) bytes.append(chunk, n);
    return bytes;
}

// Opens the file as the given access allows, waiting while another program holds it.
HANDLE OpenWaiting(const wchar_t* path, DWORD access, DWORD share) {
    for (int i = 0; i < 2000; ++i) {
        HANDLE file = CreateFileW(path, access, share, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        Sleep(1);
    }
    return INVALID_HANDLE_VALUE;
}

int Clicks(const std::u16string& file, int count) {
    zo::TRegIniFile store(zo::DefaultSettingsPlatform());
    store.SetPath(file);
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        try {
            store.WriteBool(u"Settings", u"RestartServices", i % 2 == 0);
        } catch (const zo::Exception&) {
            ++failed;
        }
    }
    return failed;
}

int Sections(const wchar_t* path, int count) {
    for (int i = 0; i < count; ++i) {
        HANDLE file = OpenWaiting(path, GENERIC_READ | GENERIC_WRITE, 0);
        if (file == INVALID_HANDLE_VALUE) return 1;
        const std::string bytes = ReadAll(file) + "[Added" + std::to_string(i) + "]\r\nk=1\r\n";
        DWORD written = 0;
        SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
        SetEndOfFile(file);
        CloseHandle(file);
        Sleep(2);
    }
    return 0;
}

// The number after "Counter=" in the bytes, 0 when there is none.
long Counter(const std::string& bytes) {
    const size_t at = bytes.find("Counter=");
    return at == std::string::npos ? 0 : std::strtol(bytes.c_str() + at + 8, nullptr, 10);
}

int Renames(const wchar_t* path, DWORD ms) {
    const std::wstring temporary = std::wstring(path) + L".renamer";
    long last = 0;
    int writes = 0, lost = 0, refused = 0;
    for (const DWORD end = GetTickCount() + ms; GetTickCount() < end; Sleep(10)) {
        HANDLE file = OpenWaiting(path, GENERIC_READ, FILE_SHARE_READ);
        if (file == INVALID_HANDLE_VALUE) continue;
        std::string bytes = ReadAll(file);
        CloseHandle(file);
        const long found = Counter(bytes);
        if (found < last) ++lost;  // a completed write of ours is gone
        const size_t other = bytes.find("[Other]");
        if (other != std::string::npos) bytes.resize(other);
        bytes += "[Other]\r\nCounter=" + std::to_string(found > last ? found + 1 : last + 1) + "\r\n";
        HANDLE next = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(next, bytes.data(), DWORD(bytes.size()), &written, nullptr);
        CloseHandle(next);
        if (MoveFileExW(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING)) {
            last = Counter(bytes);
            ++writes;
        } else {
            ++refused;  // the file was held: this write failed where its program sees it
        }
    }
    DeleteFileW(temporary.c_str());
    std::printf("writes=%d lost=%d refused=%d\n", writes, lost, refused);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    const std::wstring path = argv[1], mode = argv[2];
    const long count = std::wcstol(argv[3], nullptr, 10);
    if (mode == L"clicks") return Clicks(std::u16string(path.begin(), path.end()), int(count));
    if (mode == L"sections") return Sections(path.c_str(), int(count));
    if (mode == L"renames") return Renames(path.c_str(), DWORD(count));
    return 2;
}
