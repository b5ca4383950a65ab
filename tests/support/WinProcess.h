// Starting, waiting for and ending processes in the tests that run under Wine, and driving other
// processes' windows as a person would: find a window by caption, read and click its controls.
#pragma once
#include <windows.h>
#include <tlhelp32.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

inline std::wstring Wide(const char* s) { return std::wstring(s, s + strlen(s)); }

// A Unix path as Wine sees it (the Z: drive maps the Unix root).
inline std::wstring WinePath(const char* unixPath) {
    std::wstring out = L"Z:";
    for (const char* p = unixPath; *p; ++p) out += (*p == '/') ? L'\\' : wchar_t(*p);
    return out;
}

// A started process; ended (killed) when it goes out of scope unless it has ended already.
class TProcess {
public:
    TProcess() = default;
    TProcess(const std::wstring& exe, const std::wstring& args, const std::wstring& folder = L"") {
        std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
            FHandle = pi.hProcess;
            FId = pi.dwProcessId;
            CloseHandle(pi.hThread);
        }
    }
    TProcess(TProcess&& o) noexcept : FHandle(o.FHandle), FId(o.FId) { o.FHandle = nullptr; }
    TProcess& operator=(TProcess&& o) noexcept {
        std::swap(FHandle, o.FHandle);
        std::swap(FId, o.FId);
        return *this;
    }
    ~TProcess() {
        if (FHandle) {
            if (WaitForSingleObject(FHandle, 0) == WAIT_TIMEOUT) TerminateProcess(FHandle, 99);
            CloseHandle(FHandle);
        }
    }
    bool Started() const { return FHandle != nullptr; }
    DWORD Id() const { return FId; }
    HANDLE Handle() const { return FHandle; }
    // The exit code, or STILL_ACTIVE when it has not ended within ms.
    DWORD Wait(DWORD ms) {
        if (!FHandle || WaitForSingleObject(FHandle, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(FHandle, &code);
        return code;
    }

private:
    HANDLE FHandle = nullptr;
    DWORD FId = 0;
};

// Runs a program to its end; returns its exit code (STILL_ACTIVE on time-out, -1 not started).
inline DWORD RunAndWait(const std::wstring& exe, const std::wstring& args, DWORD ms = 20000) {
    TProcess p(exe, args);
    if (!p.Started()) return DWORD(-1);
    return p.Wait(ms);
}

// Waits until condition holds or ms have passed, checking every 50 ms; returns the last result.
inline bool WaitFor(const std::function<bool()>& condition, int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

inline std::wstring TextOf(HWND hwnd) {
    wchar_t buf[1024];
    // WM_GETTEXT works across processes, and for controls of other threads.
    LRESULT n = SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, nullptr);
    (void)n;
    buf[1023] = 0;
    return buf;
}

inline std::wstring ClassOf(HWND hwnd) {
    wchar_t buf[256];
    int n = GetClassNameW(hwnd, buf, 256);
    return std::wstring(buf, n > 0 ? size_t(n) : 0);
}

// Collects each window it is called for into the std::vector<HWND> that lp points to. The system
// calls it back, so it has the system's calling convention (on i686 a lambda has the wrong one).
inline BOOL CALLBACK CollectWindow(HWND h, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
    return TRUE;
}

// The visible top-level windows of process pid (0: any process) with this caption.
inline std::vector<HWND> TopWindows(const std::wstring& caption, DWORD pid = 0) {
    std::vector<HWND> all, out;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND h : all) {
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        if ((pid == 0 || owner == pid) && IsWindowVisible(h) && TextOf(h) == caption) out.push_back(h);
    }
    return out;
}

// A visible top-level window of process pid (0: any process) with this caption.
inline HWND FindTopWindow(const std::wstring& caption, DWORD pid = 0) {
    const std::vector<HWND> found = TopWindows(caption, pid);
    return found.empty() ? nullptr : found.front();
}

inline HWND WaitForTopWindow(const std::wstring& caption, DWORD pid, int ms) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindTopWindow(caption, pid)) != nullptr; }, ms);
    return found;
}

inline std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> out;
    EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&out));
    return out;
}

// The child control whose window text is text.
inline HWND ChildByText(HWND parent, const std::wstring& text) {
    for (HWND h : Children(parent))
        if (TextOf(h) == text) return h;
    return nullptr;
}

// The direct child control whose top-left corner is at x, y of the parent's client area.
inline HWND ChildAt(HWND parent, int x, int y) {
    for (HWND h : Children(parent)) {
        if (GetParent(h) != parent) continue;
        RECT r;
        GetWindowRect(h, &r);
        POINT p{r.left, r.top};
        ScreenToClient(parent, &p);
        if (p.x == x && p.y == y) return h;
    }
    return nullptr;
}

// A child control's rectangle in its parent's client area.
inline RECT ChildRect(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Runs this thread's messages for ms milliseconds (a modal window's loop meanwhile included).
inline void Pump(int ms) {
    const DWORD end = GetTickCount() + DWORD(ms);
    MSG msg;
    while (GetTickCount() < end) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Clicks a button as the mouse would, without moving the real pointer.
inline void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

// The control that has the keyboard focus in window's thread (the window itself when none has).
inline HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus) return info.hwndFocus;
    return window;
}

// A key press as the keyboard delivers it: key down and key up to the focused control.
inline void PressKey(HWND window, UINT vk) {
    HWND target = FocusOf(window);
    const LPARAM scan = LPARAM(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(target, WM_KEYDOWN, vk, 1 | scan);
    PostMessageW(target, WM_KEYUP, vk, 1 | scan | (LPARAM(1) << 30) | (LPARAM(1) << 31));
}

// Presses Ctrl+C in window the way the keyboard does (it is brought to the front first) and
// returns the clipboard's text ("" when nothing arrived within 10 s).
inline std::wstring CopyWithCtrlC(HWND window) {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    // The keys go to the foreground window, which changes when the window system has handled the
    // request: wait until it has, however slow the machine.
    WaitFor([&] { return SetForegroundWindow(window) && GetForegroundWindow() == window; }, 10000);
    INPUT keys[4] = {};
    for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = VK_CONTROL;
    keys[1].ki.wVk = 'C';
    keys[2].ki.wVk = 'C';
    keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
    keys[3].ki.wVk = VK_CONTROL;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, keys, sizeof(INPUT));
    std::wstring text;
    WaitFor(
        [&] {
            if (!OpenClipboard(nullptr)) return false;
            if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
                text = static_cast<const wchar_t*>(GlobalLock(data));
                GlobalUnlock(data);
            }
            CloseClipboard();
            return !text.empty();
        },
        10000);
    return text;
}

// Clicks a control as the mouse does: left button down and up at its centre, delivered to the
// control itself (unlike BM_CLICK, this runs the control's own mouse handling).
inline void MouseClick(HWND control) {
    RECT r;
    GetClientRect(control, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(control, WM_LBUTTONUP, 0, at);
}

// Ends every process for which match holds (given its entry and a handle to it), and waits for
// each to be gone.
inline void EndProcessesWhere(const std::function<bool(const PROCESSENTRY32W&, HANDLE)>& match, UINT exitCode) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof pe;
    for (BOOL more = Process32FirstW(snap, &pe); more; more = Process32NextW(snap, &pe)) {
        HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                               pe.th32ProcessID);
        if (!h) continue;
        if (match(pe, h)) {
            TerminateProcess(h, exitCode);
            WaitForSingleObject(h, 5000);
        }
        CloseHandle(h);
    }
    CloseHandle(snap);
}

// Ends every process whose executable is named name (case ignored).
inline void KillProcessesNamed(const std::wstring& name) {
    EndProcessesWhere(
        [&](const PROCESSENTRY32W& pe, HANDLE) {
            std::wstring exe = pe.szExeFile;
            exe = exe.substr(exe.find_last_of(L"\\/") == std::wstring::npos ? 0 : exe.find_last_of(L"\\/") + 1);
            return lstrcmpiW(exe.c_str(), name.c_str()) == 0;
        },
        98);
}

// Service control helpers for setting up a scene (the product's own functions are under test).
inline bool StartServiceNamed(const wchar_t* name) {
    SC_HANDLE m = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!m) return false;
    SC_HANDLE s = OpenServiceW(m, name, SERVICE_ALL_ACCESS);
    bool ok = s && StartServiceW(s, 0, nullptr);
    if (!ok) std::fprintf(stderr, "starting service %ls failed: error %lu\n", name, GetLastError());
    if (s) CloseServiceHandle(s);
    CloseServiceHandle(m);
    return ok;
}

inline DWORD ServiceState(const wchar_t* name) {
    SC_HANDLE m = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!m) return 0;
    SC_HANDLE s = OpenServiceW(m, name, SERVICE_QUERY_STATUS);
    SERVICE_STATUS st{};
    DWORD state = 0;
    if (s && QueryServiceStatus(s, &st)) state = st.dwCurrentState;
    if (s) CloseServiceHandle(s);
    CloseServiceHandle(m);
    return state;
}

inline bool StopServiceNamed(const wchar_t* name) {
    SC_HANDLE m = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!m) return false;
    SC_HANDLE s = OpenServiceW(m, name, SERVICE_ALL_ACCESS);
    SERVICE_STATUS st{};
    bool ok = s && ControlService(s, SERVICE_CONTROL_STOP, &st);
    if (s) CloseServiceHandle(s);
    CloseServiceHandle(m);
    return ok;
}

// Removes a folder and everything in it; false when something in it could not be removed.
inline bool RemoveFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    bool all = true;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) all = RemoveFolder(path) && all;
            else all = DeleteFileW(path.c_str()) && all;
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    return RemoveDirectoryW(folder.c_str()) && all;
}

// Ends every process whose program lies in folder.
inline void EndProcessesIn(const std::wstring& folder) {
    const std::wstring prefix = folder + L"\\";
    EndProcessesWhere(
        [&](const PROCESSENTRY32W&, HANDLE h) {
            wchar_t image[MAX_PATH];
            DWORD n = MAX_PATH;
            return QueryFullProcessImageNameW(h, 0, image, &n) && n > prefix.size() &&
                   CompareStringOrdinal(image, int(prefix.size()), prefix.c_str(), int(prefix.size()), TRUE) ==
                       CSTR_EQUAL;
        },
        97);
}

// A program copied under another file name into a fresh folder of the temp folder. When it goes,
// the processes still running from that folder are ended and the folder is removed with all that
// the test put there: declare it before the processes that use it.
class [[nodiscard]] TProgramCopy {
public:
    TProgramCopy(const std::wstring& source, const std::wstring& fileName) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        static LONG copies = 0;  // two copies made within one tick get folders of their own
        FFolder = std::wstring(temp) + L"zo-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(InterlockedIncrement(&copies));
        CreateDirectoryW(FFolder.c_str(), nullptr);
        FPath = FFolder + L"\\" + fileName;
        CopyFileW(source.c_str(), FPath.c_str(), FALSE);
    }
    ~TProgramCopy() {
        if (FFolder.empty()) return;
        EndProcessesIn(FFolder);
        if (!RemoveFolder(FFolder)) std::fprintf(stderr, "could not remove %ls\n", FFolder.c_str());
    }
    TProgramCopy(TProgramCopy&& o) noexcept : FFolder(std::move(o.FFolder)), FPath(std::move(o.FPath)) {
        o.FFolder.clear();
    }
    TProgramCopy(const TProgramCopy&) = delete;
    TProgramCopy& operator=(const TProgramCopy&) = delete;
    TProgramCopy& operator=(TProgramCopy&&) = delete;

    const std::wstring& Path() const { return FPath; }
    // The copy's folder, with its final backslash.
    std::wstring Folder() const { return FFolder + L"\\"; }

private:
    std::wstring FFolder, FPath;
};

inline TProgramCopy CopyAs(const std::wstring& source, const std::wstring& fileName) {
    return TProgramCopy(source, fileName);
}

}  // namespace testsupport
