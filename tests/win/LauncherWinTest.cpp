// The launcher with the real shell, real processes and the GUI thread's synchronous call.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "WinTestMain.h"
#include "launcher/Launcher.h"
#include "platform/win32/Win32Launching.h"
#include "support/TestThread.h"

using zo::TLauncher;

namespace {

std::u16string U(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

std::wstring Sleeper() { return testsupport::WinePath(HELPERS_DIR) + L"\\sleeper.exe"; }

// Takes the GUI thread's messages (and with them the launcher's synchronous calls) until pred
// holds or ms have passed.
bool PumpUntil(const std::function<bool()>& pred, DWORD ms = 10000) {
    const DWORD start = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - start > ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

// A process by id: whether it still runs; ends it.
bool StillRuns(DWORD pid) {
    HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!h) return false;
    const bool runs = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return runs;
}
void Kill(DWORD pid) {
    if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
        TerminateProcess(h, 1);
        WaitForSingleObject(h, 5000);
        CloseHandle(h);
    }
}

std::wstring TempFolder() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, buf);
    std::wstring dir(buf, n);
    if (!dir.empty() && dir.back() == L'\\') dir.pop_back();
    dir += L"\\launcher-test-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

std::wstring ReadUtf16(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return L"";
    std::wstring text(GetFileSize(f, nullptr) / sizeof(wchar_t), L'\0');
    DWORD read = 0;
    ReadFile(f, text.data(), DWORD(text.size() * sizeof(wchar_t)), &read, nullptr);
    CloseHandle(f);
    return text;
}

struct Events {
    int Finished = 0, Timeout = 0, Error = 0;
    uint32_t ErrorCode = 0xFFFFFFFF;
    uint32_t ExitCode = 0xFFFFFFFF;
    DWORD Pid = 0;  // of HProcess, read inside the handler
    bool Running = false;
    bool OnGuiThread = false;

    void Attach(TLauncher& l) {
        auto record = [this](TLauncher& s) {
            Running = s.Running();
            Pid = s.HProcess() ? GetProcessId(reinterpret_cast<HANDLE>(s.HProcess())) : 0;
            ExitCode = s.ExitCode();
            OnGuiThread = GetCurrentThreadId() == GuiThread;
        };
        l.OnFinished = [this, record](TLauncher& s) { record(s); ++Finished; };
        l.OnTimeout = [this, record](TLauncher& s) { record(s); ++Timeout; };
        l.OnError = [this, record](TLauncher& s, uint32_t code) { record(s); ErrorCode = code; ++Error; };
    }
    int Count() const { return Finished + Timeout + Error; }
    DWORD GuiThread = GetCurrentThreadId();
};

class LauncherWin : public ::testing::Test {
protected:
    zo::TLaunchPlatform Platform = zo::Win32LaunchPlatform();
};

TEST_F(LauncherWin, RunsAProgramWithParametersInItsFolderAndReadsItsExitCode) {
    const std::wstring dir = TempFolder();
    const std::wstring report = dir + L"\\report.txt";
    DeleteFileW(report.c_str());
    TLauncher l(Platform);
    Events ev;
    ev.Attach(l);
    l.SetFileName(U(Sleeper()));
    l.SetParameters(U(L"300 7 \"" + report + L"\""));
    l.SetStartDir(U(dir));
    l.Launch();
    EXPECT_TRUE(l.Running());
    EXPECT_NE(l.HProcess(), 0u);
    EXPECT_GT(l.HInstance(), 32u);
    ASSERT_TRUE(PumpUntil([&] { return ev.Count() > 0 && !l.Running(); }));
    EXPECT_EQ(ev.Finished, 1);
    EXPECT_TRUE(ev.OnGuiThread);
    EXPECT_TRUE(ev.Running);
    EXPECT_NE(ev.Pid, 0u) << "the handle is open during the event";
    EXPECT_EQ(ev.ExitCode, 7u);
    EXPECT_EQ(l.ExitCode(), 7u);
    EXPECT_EQ(l.HProcess(), 0u);
    EXPECT_EQ(l.GetWindowHandle(), 0u);

    const std::wstring text = ReadUtf16(report);
    EXPECT_NE(text.find(L"300 7 \"" + report + L"\""), std::wstring::npos) << std::string(text.begin(), text.end());
    EXPECT_NE(text.find(L"\n" + dir + L"\n"), std::wstring::npos) << std::string(text.begin(), text.end());
    DeleteFileW(report.c_str());
    RemoveDirectoryW(dir.c_str());
}

TEST_F(LauncherWin, FullStopWaitReportsTheEndInsideLaunch) {
    TLauncher l(Platform);
    Events ev;
    ev.Attach(l);
    l.SetFileName(U(Sleeper()));
    l.SetParameters(u"100 5");
    l.SetWaitUntilFinished(true);
    l.Launch();
    EXPECT_EQ(ev.Finished, 1);
    EXPECT_EQ(ev.ExitCode, 5u);
    EXPECT_TRUE(ev.Running);
    EXPECT_FALSE(l.Running());
}

TEST_F(LauncherWin, TimeoutLeavesTheProgramRunning) {
    for (bool wait : {false, true}) {
        TLauncher l(Platform);
        Events ev;
        ev.Attach(l);
        l.SetFileName(U(Sleeper()));
        l.SetParameters(u"20000 0");
        l.SetTimeout(250);
        l.SetWaitUntilFinished(wait);
        l.SetWaitType(zo::wtProcessMessages);
        l.Launch();
        ASSERT_TRUE(PumpUntil([&] { return ev.Count() > 0 && !l.Running(); })) << wait;
        EXPECT_EQ(ev.Timeout, 1) << wait;
        ASSERT_NE(ev.Pid, 0u);
        EXPECT_TRUE(StillRuns(ev.Pid)) << wait;
        Kill(ev.Pid);
        EXPECT_FALSE(StillRuns(ev.Pid));
    }
}

TEST_F(LauncherWin, RefusedStartReportsFileNotFoundAfterLaunchReturned) {
    TLauncher l(Platform);
    Events ev;
    ev.Attach(l);
    l.SetFileName(U(testsupport::WinePath(HELPERS_DIR) + L"\\no-such-program.exe"));
    l.Launch();
    EXPECT_EQ(ev.Count(), 0) << "OnError waits for the message loop";
    EXPECT_FALSE(l.Running());
    ASSERT_TRUE(PumpUntil([&] { return ev.Count() > 0; }));
    EXPECT_EQ(ev.Error, 1);
    EXPECT_TRUE(ev.OnGuiThread);
    EXPECT_EQ(ev.ErrorCode, 2u);
    EXPECT_EQ(TLauncher::GetErrorMsg(ev.ErrorCode), u"File was not found");
}

// A message-only window that counts what is posted to it.
struct CountingWindow {
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == WM_APP + 7) {
            ++*reinterpret_cast<std::atomic<int>*>(GetWindowLongPtrW(h, GWLP_USERDATA));
            return 0;
        }
        return DefWindowProcW(h, m, w, l);
    }
    CountingWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"LauncherWinCounting";
        RegisterClassW(&wc);
        Wnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(Wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&Handled));
    }
    ~CountingWindow() { DestroyWindow(Wnd); }
    HWND Wnd;
    std::atomic<int> Handled{0};
};

TEST_F(LauncherWin, MessageProcessingWaitHandlesPostedMessagesAndRestartsItsLimit) {
    CountingWindow window;
    TLauncher l(Platform);
    Events ev;
    ev.Attach(l);
    l.SetFileName(U(Sleeper()));
    l.SetParameters(u"2500 3");
    l.SetWaitUntilFinished(true);
    l.SetWaitType(zo::wtProcessMessages);
    l.SetTimeout(1000);  // shorter than the program: only the restarts keep it from timing out
    std::atomic<bool> done{false};
    std::atomic<int> posted{0};
    testsupport::TThread poster([&] {
        while (!done.load()) {
            Sleep(100);
            PostMessageW(window.Wnd, WM_APP + 7, 0, 0);
            ++posted;
        }
    });
    l.Launch();
    const int handledInWait = window.Handled.load();
    done = true;
    poster.Join();
    EXPECT_EQ(ev.Finished, 1);
    EXPECT_EQ(ev.Timeout, 0);
    EXPECT_EQ(ev.ExitCode, 3u);
    EXPECT_GE(handledInWait, 10) << "posted " << posted.load();
}

// A call handed to the GUI thread runs there, and what it throws is raised again in the thread
// that handed it over: the exception crosses threads as a std::exception_ptr.
TEST_F(LauncherWin, SynchronizeRunsTheCallOnTheGuiThreadAndRaisesItsExceptionInTheCaller) {
    const DWORD gui = GetCurrentThreadId();
    std::atomic<bool> ranOnGui{false};
    std::atomic<int> outcome{0};  // 1 caught what the call threw, 2 caught something else, 3 nothing
    testsupport::TThread caller([&] {
        try {
            Platform.Threads->Synchronize([&] {
                ranOnGui = GetCurrentThreadId() == gui;
                throw std::runtime_error("raised on the GUI thread");
            });
            outcome = 3;
        } catch (const std::runtime_error& e) {
            outcome = std::string(e.what()) == "raised on the GUI thread" ? 1 : 2;
        } catch (...) {
            outcome = 2;
        }
    });
    EXPECT_TRUE(PumpUntil([&] { return outcome.load() != 0; }));
    caller.Join();
    EXPECT_TRUE(ranOnGui);
    EXPECT_EQ(outcome.load(), 1);
}

TEST_F(LauncherWin, GetWindowHandleFindsTheProgramsTopLevelWindow) {
    TLauncher l(Platform);
    Events ev;
    ev.Attach(l);
    l.SetFileName(U(Sleeper()));
    l.SetParameters(u"15000 0 \"\" window");
    l.Launch();
    ASSERT_TRUE(l.Running());
    const DWORD pid = GetProcessId(reinterpret_cast<HANDLE>(l.HProcess()));
    HWND found = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (found = reinterpret_cast<HWND>(l.GetWindowHandle())) != nullptr; }));
    DWORD owner = 0;
    GetWindowThreadProcessId(found, &owner);
    EXPECT_EQ(owner, pid);
    EXPECT_EQ(GetParent(found), nullptr);
    wchar_t title[32] = {};
    GetWindowTextW(found, title, 32);
    EXPECT_STREQ(title, L"sleeper");
    PostMessageW(found, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return ev.Count() > 0 && !l.Running(); }));
    EXPECT_EQ(ev.Finished, 1);
    EXPECT_EQ(l.GetWindowHandle(), 0u);
}

TEST_F(LauncherWin, DestroyDuringAWaitRaisesNothingAndLeavesTheProgramRunning) {
    auto l = std::make_unique<TLauncher>(Platform);
    Events ev;
    ev.Attach(*l);
    l->SetFileName(U(Sleeper()));
    l->SetParameters(u"20000 0");
    l->Launch();
    ASSERT_TRUE(l->Running());
    const DWORD pid = GetProcessId(reinterpret_cast<HANDLE>(l->HProcess()));
    Pump(300);
    l.reset();
    Pump(400);
    EXPECT_EQ(ev.Count(), 0);
    EXPECT_TRUE(StillRuns(pid));
    Kill(pid);
}

// Not a check: prints the CPU time this process uses while a launched program runs for 10 s
// and the wait thread waits for it. Run with --gtest_also_run_disabled_tests.
TEST_F(LauncherWin, DISABLED_CpuTimeWhileAProgramRunsTenSeconds) {
    auto cpu = [] {
        FILETIME c, e, k, u;
        GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
        auto v = [](FILETIME f) { return (uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
        return v(k) + v(u);  // 100 ns units
    };
    TLauncher l(Platform);
    Events ev;
    ev.Attach(l);
    l.SetFileName(U(Sleeper()));
    l.SetParameters(u"10000 0");
    auto finished = l.OnFinished;  // and wake GetMessage, which serves the call without returning
    l.OnFinished = [finished](TLauncher& s) {
        finished(s);
        PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
    };
    const uint64_t before = cpu();
    const DWORD start = GetTickCount();
    l.Launch();
    const uint64_t started = cpu();
    // The GUI thread idles in its message loop meanwhile.
    MSG msg;
    while (ev.Count() == 0 && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    const uint64_t end = cpu();
    std::printf("launched program ran %lu ms; CPU time of this process: %.1f ms in Launch (the "
                "shell's start), %.1f ms while the wait thread waited\n",
                GetTickCount() - start, (started - before) / 10000.0, (end - started) / 10000.0);
    EXPECT_EQ(ev.Finished, 1);
}

}  // namespace

namespace {

// The real process waits, counting the message-waking waits.
class CountingWaits : public zo::IProcessWaits {
public:
    explicit CountingWaits(std::shared_ptr<zo::IProcessWaits> real) : Real(std::move(real)) {}
    zo::TWaitResult Wait(zo::THandle p, uint32_t t) override { return Real->Wait(p, t); }
    zo::TWaitResult MsgWait(zo::THandle p, uint32_t t, uint32_t m) override {
        ++MsgWaits;
        return Real->MsgWait(p, t, m);
    }
    uint32_t LastError() override { return Real->LastError(); }
    uint32_t ExitCodeOf(zo::THandle p) override { return Real->ExitCodeOf(p); }
    void Close(zo::THandle h) override { Real->Close(h); }
    uint32_t ProcessId(zo::THandle p) override { return Real->ProcessId(p); }
    zo::THandle TopWindow() override { return Real->TopWindow(); }
    zo::THandle NextWindow(zo::THandle w) override { return Real->NextWindow(w); }
    zo::THandle ParentOf(zo::THandle w) override { return Real->ParentOf(w); }
    uint32_t WindowProcessId(zo::THandle w) override { return Real->WindowProcessId(w); }
    bool MadeBySystem(zo::THandle w) override { return Real->MadeBySystem(w); }
    std::shared_ptr<zo::IProcessWaits> Real;
    int MsgWaits = 0;
};

TEST_F(LauncherWin, QuitPostedBeforeTheMessageProcessingWaitIsLeftForTheMainLoop) {
    auto waits = std::make_shared<CountingWaits>(Platform.Processes);
    zo::TLaunchPlatform platform = Platform;
    platform.Processes = waits;
    CountingWindow window;
    TLauncher l(platform);
    Events ev;
    ev.Attach(l);
    l.SetFileName(U(Sleeper()));
    l.SetParameters(u"1000 4");
    l.SetWaitUntilFinished(true);
    l.SetWaitType(zo::wtProcessMessages);
    PostQuitMessage(3);
    PostMessageW(window.Wnd, WM_APP + 7, 0, 0);
    l.Launch();
    EXPECT_EQ(ev.Finished, 1);
    EXPECT_EQ(ev.ExitCode, 4u);
    EXPECT_EQ(window.Handled.load(), 1) << "messages other than the quit are handled";
    EXPECT_LE(waits->MsgWaits, 5) << "the pending quit must not wake every wait (a busy loop)";
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
}

}  // namespace
