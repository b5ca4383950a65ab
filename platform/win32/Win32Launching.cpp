#include "platform/win32/Win32Launching.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <exception>
#include <string_view>

#include "platform/Failure.h"
#include "platform/SystemText.h"
#include "platform/Text.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32SystemText.h"

namespace zo {

// The request that the launcher fills is the platform's structure as it stands: 60 bytes on
// 32-bit Windows (112 on 64-bit), with the mask bits the launcher names.
#ifdef _WIN64
static_assert(sizeof(SHELLEXECUTEINFOW) == 112, "SHELLEXECUTEINFOW is 112 bytes on x86_64");
#else
static_assert(sizeof(SHELLEXECUTEINFOW) == 60, "SHELLEXECUTEINFOW is 60 bytes on i686");
#endif
static_assert(cLaunchMask == (SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI));
static_assert(cLaunchMask == 0x540);
static_assert(cLaunchWakeMask == (QS_POSTMESSAGE | QS_SENDMESSAGE | QS_ALLPOSTMESSAGE));
static_assert(cInfiniteWait == INFINITE);

namespace {

using win::W;
HANDLE H(THandle h) { return reinterpret_cast<HANDLE>(h); }
HWND Wnd(THandle h) { return reinterpret_cast<HWND>(h); }
THandle T(const void* h) { return reinterpret_cast<THandle>(h); }

class Win32Shell : public IShell {
public:
    TShellExecuteResult Start(const TShellExecuteRequest& request) override {
        // The shell's program start, loaded at the first start: nothing else needs it.
        static const auto shellExecuteEx =
            win::SystemFunction<decltype(::ShellExecuteExW)>(L"shell32.dll", "ShellExecuteExW");
        TShellExecuteResult result;
        if (!shellExecuteEx || !win::Com().Supported()) {
            result.InstApp = SE_ERR_DLLNOTFOUND;  // the shell's own code for a missing library
            return result;
        }
        // The shell may use COM (for instance for associations); it asks for it on the calling
        // thread, an apartment thread without old OLE DDE.
        const win::TComScope com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        SHELLEXECUTEINFOW info;
        ZeroMemory(&info, sizeof(info));
        info.cbSize = sizeof(info);
        info.fMask = request.Mask;
        info.hwnd = Wnd(request.Wnd);
        info.lpVerb = W(request.Verb);
        info.lpFile = W(request.File);
        info.lpParameters = W(request.Parameters);  // empty texts, never absent ones
        info.lpDirectory = W(request.Directory);
        info.nShow = request.Show;
        result.Success = shellExecuteEx(&info) != FALSE;
        result.InstApp = reinterpret_cast<std::uintptr_t>(info.hInstApp);
        result.Process = result.Success ? T(info.hProcess) : 0;
        return result;
    }
};

class Win32ProcessWaits : public IProcessWaits {
public:
    TWaitResult Wait(THandle process, uint32_t timeout) override {
        switch (WaitForSingleObject(H(process), timeout)) {
            case WAIT_OBJECT_0: return wrSignalled;
            case WAIT_TIMEOUT: return wrTimeout;
            default: return wrFailed;
        }
    }
    TWaitResult MsgWait(THandle process, uint32_t timeout, uint32_t wakeMask) override {
        HANDLE handle = H(process);
        switch (MsgWaitForMultipleObjects(1, &handle, FALSE, timeout, wakeMask)) {
            case WAIT_OBJECT_0: return wrSignalled;
            case WAIT_OBJECT_0 + 1: return wrMessage;
            case WAIT_TIMEOUT: return wrTimeout;
            default: return wrFailed;
        }
    }
    uint32_t LastError() override { return GetLastError(); }
    uint32_t ExitCodeOf(THandle process) override {
        DWORD code = 0;
        GetExitCodeProcess(H(process), &code);
        return code;
    }
    void Close(THandle handle) override { CloseHandle(H(handle)); }
    uint32_t ProcessId(THandle process) override { return GetProcessId(H(process)); }
    THandle TopWindow() override { return T(GetTopWindow(nullptr)); }
    THandle NextWindow(THandle window) override { return T(GetWindow(Wnd(window), GW_HWNDNEXT)); }
    THandle ParentOf(THandle window) override { return T(GetParent(Wnd(window))); }
    uint32_t WindowProcessId(THandle window) override {
        DWORD pid = 0;
        GetWindowThreadProcessId(Wnd(window), &pid);
        return pid;
    }
    bool MadeBySystem(THandle window) override {
        // The default input-method window and the text services' one; both are hidden and
        // parentless, and may come before the program's own window in the Z order.
        wchar_t name[16];
        const int n = GetClassNameW(Wnd(window), name, 16);
        const std::wstring_view cls(name, n > 0 ? size_t(n) : 0);
        return cls == L"IME" || cls == L"MSCTFIME UI";
    }
};

// The GUI thread's synchronous call.
//
// The thread that creates the platform (the GUI thread) owns a hidden message-only window; a
// synchronous call from another thread is a SendMessage to it carrying the call. The GUI thread
// serves sent messages whenever it takes messages: in its main loop, in every modal loop and
// message box, in PeekMessage, and in a MsgWaitForMultipleObjects whose mask includes
// QS_SENDMESSAGE, as the launcher's message-processing wait does. A message-only window receives
// no broadcasts, so nothing but these calls reaches it.
//
// Why this cannot deadlock with the launcher: Launch sleeps on the GUI thread (plain Sleep, no
// messages) only until the wait thread has published the outcome of its start attempt, and the
// wait thread publishes it before it makes any synchronous call. A notification sent meanwhile
// (the OnError of a refused start, or the OnFinished of a program that ended at once) stays
// pending until Launch has returned and the GUI thread takes its messages again. Destroying a
// launcher never waits for its thread, so a call pending in SendMessage does not hold it up; when
// served, the call finds the launcher gone and raises nothing. If the window or the GUI thread is
// gone (the program is ending), SendMessage returns without running the call.
constexpr UINT cSyncCallMessage = WM_APP + 0x51;
constexpr UINT cDestroyMessage = WM_APP + 0x52;

struct TSyncCall {
    const std::function<void()>* Fn;
    std::exception_ptr Error;
};

LRESULT CALLBACK SyncWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == cSyncCallMessage) {
        auto* call = reinterpret_cast<TSyncCall*>(lParam);
        try {
            (*call->Fn)();
        } catch (...) {
            call->Error = std::current_exception();  // raised again in the calling thread
        }
        return 1;
    }
    if (msg == cDestroyMessage) {
        DestroyWindow(hwnd);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

const wchar_t* SyncWindowClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = SyncWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ZoLauncherSyncWindow";
        return RegisterClassExW(&wc);
    }();
    (void)atom;
    return L"ZoLauncherSyncWindow";
}

DWORD WINAPI ThreadStart(void* param) {
    std::unique_ptr<std::function<void()>> run(static_cast<std::function<void()>*>(param));
    try {
        (*run)();
    } catch (...) {
        // The thread ends silently.
    }
    return 0;
}

class Win32Threads : public IThreads {
public:
    Win32Threads() : FGuiThread(GetCurrentThreadId()) {
        FWindow = CreateWindowExW(0, SyncWindowClass(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        if (!FWindow) ThrowOSError(GetLastError(), u"Cannot create the launcher's window: %s");
    }
    ~Win32Threads() override {
        // The last owner may be a wait thread; only the GUI thread can destroy the window.
        if (GetCurrentThreadId() == FGuiThread)
            DestroyWindow(FWindow);
        else
            PostMessageW(FWindow, cDestroyMessage, 0, 0);
    }

    void StartThread(std::function<void()> run) override {
        auto* param = new std::function<void()>(std::move(run));
        HANDLE thread = CreateThread(nullptr, 0, ThreadStart, param, 0, nullptr);
        if (!thread) {
            const DWORD error = GetLastError();
            delete param;
            ThrowOSError(error, u"Thread creation error: %s");
        }
        CloseHandle(thread);  // the thread frees itself
    }

    void Synchronize(const std::function<void()>& fn) override {
        if (GetCurrentThreadId() == FGuiThread) {
            fn();
            return;
        }
        TSyncCall call{&fn, nullptr};
        SendMessageW(FWindow, cSyncCallMessage, 0, reinterpret_cast<LPARAM>(&call));
        if (call.Error) std::rethrow_exception(call.Error);
    }

    void ProcessMessages() override {
        MSG msg;
        for (;;) {
            // A quit request is not ours to take: it stays in the queue for the loop that runs
            // the program. Left there (not taken and posted again) it does not wake the next
            // message-waking wait either, which would otherwise spin until the program ends.
            if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) || msg.message == WM_QUIT) return;
            if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    void Sleep(uint32_t ms) override { ::Sleep(ms); }
    // Sleep(0) gives the slice to a ready thread of the same or a higher priority, as the yield of
    // a threading runtime on Windows does.
    void YieldTimeSlice() override { ::Sleep(0); }

private:
    [[noreturn]] static void ThrowOSError(DWORD error, std::u16string_view format) {
        Win32SystemText text;
        throw Exception(FormatS(format, {SysErrorMessage(text, error)}));
    }

    const DWORD FGuiThread;
    HWND FWindow = nullptr;
};

}  // namespace

TLaunchPlatform Win32LaunchPlatform() {
    return {std::make_shared<Win32Shell>(), std::make_shared<Win32ProcessWaits>(), std::make_shared<Win32Threads>()};
}

}  // namespace zo
