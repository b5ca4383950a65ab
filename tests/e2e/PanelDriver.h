// Drives the real control panel as a person would: starts it, finds its window by caption, reads
// and clicks its controls.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "support/WinProcess.h"

namespace e2e {

using namespace testsupport;

inline std::wstring PanelExe() { return WinePath(DIST_DIR "/ZudazuvOrerozoVuzuvaz.exe"); }
inline std::wstring CompanionExe() { return WinePath(DIST_DIR "/ZoradidIvavuda.exe"); }
inline const wchar_t* kMainCaption = L"Zudazuv Orerozo Vuzuvaz";
inline const wchar_t* kServiceName = L"Quillora5ZoradidIvavuda";
inline const wchar_t* kChecking = L"Checking service status...";
inline const wchar_t* kRunning = L"Service is installed and running.";
inline const wchar_t* kStopped = L"Service is installed but NOT running.";
inline const wchar_t* kNotInstalled = L"Service is NOT installed.";

// A folder holding a copy of the panel and, when given, a program as ZoradidIvavuda.exe; removed
// when it goes.
inline TProgramCopy PanelCopy(const std::wstring& companion = L"") {
    TProgramCopy panel = CopyAs(PanelExe(), L"ZudazuvOrerozoVuzuvaz.exe");
    if (!companion.empty()) CopyFileW(companion.c_str(), (panel.Folder() + L"ZoradidIvavuda.exe").c_str(), FALSE);
    return panel;
}

// A running control panel and its main window.
class TPanel {
public:
    explicit TPanel(const std::wstring& exe = PanelExe(), const std::wstring& folder = L"")
        : FProcess(exe, L"", folder) {}
    bool WaitForMainWindow(int ms = 15000) {
        FMain = WaitForTopWindow(kMainCaption, FProcess.Id(), ms);
        return FMain != nullptr;
    }
    HWND Main() const { return FMain; }
    TProcess& Process() { return FProcess; }
    HWND Control(const std::wstring& text) const { return ChildByText(FMain, text); }
    HWND StatusPane() const { return ChildAt(FMain, 106, 190); }
    std::wstring Status() const { return TextOf(StatusPane()); }
    bool Enabled(const std::wstring& text) const {
        HWND h = Control(text);
        EXPECT_NE(h, nullptr) << "no control \"" << std::string(text.begin(), text.end()) << "\"";
        return h && IsWindowEnabled(h);
    }
    // Waits for the status pane to read text (a poll comes every 2000 ms).
    bool WaitForStatus(const std::wstring& text, int ms = 8000) {
        return WaitFor([&] { return Status() == text; }, ms);
    }
    // Which of Install, Start, Stop, Uninstall are enabled, as four letters (I S T U or -).
    std::string ServiceButtons() const {
        std::string s;
        s += Enabled(L"Install") ? 'I' : '-';
        s += Enabled(L"Start") ? 'S' : '-';
        s += Enabled(L"Stop") ? 'T' : '-';
        s += Enabled(L"Uninstall") ? 'U' : '-';
        return s;
    }

private:
    TProcess FProcess;
    HWND FMain = nullptr;
};

// The message of the message box with this caption that process pid shows within ms ("" when
// none opens); closes it with OK. cursorWasBusy, when given, tells whether the hourglass showed
// while the box was open.
inline std::wstring TakeMessageBox(const std::wstring& caption, DWORD pid, int ms, bool* cursorWasBusy = nullptr) {
    HWND box = WaitForTopWindow(caption, pid, ms);
    if (!box) return L"";
    if (cursorWasBusy) {
        Sleep(200);
        CURSORINFO ci{};
        ci.cbSize = sizeof ci;
        GetCursorInfo(&ci);
        *cursorWasBusy = ci.hCursor == LoadCursorW(nullptr, IDC_WAIT);
    }
    std::wstring message;
    for (HWND h : Children(box))
        if (ClassOf(h) == L"Static" && !TextOf(h).empty()) message = TextOf(h);
    Click(ChildByText(box, L"OK"));
    WaitFor([&] { return !IsWindow(box); }, 5000);
    return message;
}

// Leaves the machine without the service, its process or stray panels.
inline void ResetServiceScene() {
    StopServiceNamed(kServiceName);
    WaitFor([] { return ServiceState(kServiceName) != SERVICE_STOP_PENDING; }, 10000);
    RunAndWait(CompanionExe(), L"/uninstall");
    KillProcessesNamed(L"ZoradidIvavuda.exe");
}

}  // namespace e2e
