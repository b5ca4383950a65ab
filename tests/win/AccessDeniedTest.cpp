// The main window when the service control manager refuses access: the poll stops and the
// access-denied dialog is shown once with the OS error text in its details. Every user is an
// administrator under Wine, so the refusal comes from a stand-in manager.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "app/Main.h"
#include "platform/win32/Win32ServicePlatform.h"
#include "platform/win32/Win32Launching.h"
#include "platform/win32/Win32Settings.h"
#include "support/RefusingManager.h"
#include "support/TestThread.h"
#include "support/WinProcess.h"

using namespace zo;
using namespace testsupport;

namespace {

// Watches for the dialog from another thread, records what it shows, and closes it with OK.
class DialogWatcher {
public:
    explicit DialogWatcher(bool expand) : FExpand(expand), FThread([this] { Run(); }) {}
    ~DialogWatcher() {
        FStop = true;
        FThread.Join();
    }
    std::atomic<int> Seen{0};
    std::wstring AllText;    // read after the dialog has closed
    std::wstring Clipboard;  // what Ctrl+C put there (own window only)

private:
    bool FExpand;
    std::atomic<bool> FStop{false};
    TThread FThread;

    void Run() {
        while (!FStop) {
            HWND dialog = FindTopWindow(L"Access Denied by Windows", GetCurrentProcessId());
            if (dialog) {
                ++Seen;
                if (FExpand) {
                    // The expander of our own window has no caption: the first button without text.
                    for (HWND h : Children(dialog))
                        if (ClassOf(h) == L"Button" && TextOf(h).empty()) {
                            SendMessageW(h, BM_CLICK, 0, 0);
                            break;
                        }
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                }
                std::wstring text;
                for (HWND h : Children(dialog))
                    if (IsWindowVisible(h)) text += TextOf(h) + L"\n";
                AllText = text;
                if (FExpand) Clipboard = CopyWithCtrlC(dialog);
                HWND ok = ChildByText(dialog, L"OK");
                if (ok) PostMessageW(ok, BM_CLICK, 0, 0);
                WaitFor([&] { return !IsWindow(dialog); }, 5000);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
};

using TChoice = win::TTaskDialogEx::TChoice;
using TPresentation = win::TTaskDialogEx::TPresentation;

void CheckRefusal(TChoice choice) {
    const bool ownWindow =
        choice == TChoice::tcOwnWindow || (choice == TChoice::tcByPlatform && !win::TTaskDialogEx::NativeQualifies());
    RefusingManager refusing;
    TfrmMain frm(TMainDependencies{refusing, DefaultSettingsPlatform(), Win32LaunchPlatform(), 2026});
    frm.AccessDeniedDialog().Choice = choice;
    frm.Show();
    DialogWatcher watcher(ownWindow);
    // The first poll runs 2000 ms after creation; wait for it and well past two more ticks.
    Pump(7000);
    EXPECT_EQ(watcher.Seen.load(), 1);
    EXPECT_FALSE(frm.ServiceTimerEnabled());
    EXPECT_EQ(frm.StatusPane().Caption(), u"Checking service status...");
    for (const wchar_t* name : {L"Install", L"Start", L"Stop", L"Uninstall"})
        EXPECT_FALSE(IsWindowEnabled(ChildByText(frm.Handle(), name))) << name;
    for (const wchar_t* name : {L"Exit", L"About", L"Help"})
        EXPECT_TRUE(IsWindowEnabled(ChildByText(frm.Handle(), name))) << name;

    std::u16string expected = u"System Error.  Code: 5.\r\n" + SysErrorMessage(refusing, 5);
    EXPECT_EQ(frm.AccessDeniedDialog().ExpandedText, expected);
    EXPECT_EQ(frm.AccessDeniedDialog().LastPresentation, ownWindow ? TPresentation::tpOwnWindow : TPresentation::tpNative);
    if (ownWindow) {
        // The details, once expanded, show the OS error text.
        EXPECT_NE(watcher.AllText.find(win::W(SysErrorMessage(refusing, 5))), std::wstring::npos);
        EXPECT_NE(watcher.AllText.find(L"It appears that you do not have sufficient user privileges"), std::wstring::npos);
        // Ctrl+C copies title, instruction and content a line each, then the shown details.
        const std::wstring expectedCopy =
            L"Access Denied by Windows\r\n" + win::W(frm.AccessDeniedDialog().MainInstruction) + L"\r\n" +
            win::W(frm.AccessDeniedDialog().Content) + L"\r\n\r\n" + win::W(expected) + L"\r\n";
        EXPECT_EQ(watcher.Clipboard, expectedCopy);
    }
}

}  // namespace

// Wine's version-6 common controls report file version 5.81, so by the platform's versions the
// program shows its own window there; the native dialog is exercised by forcing it.
TEST(AccessDenied, DialogChosenByPlatformIsShownOnceAndPollingStops) { CheckRefusal(TChoice::tcByPlatform); }

TEST(AccessDenied, NativeTaskDialogIsShownOnceAndClosedWithOk) { CheckRefusal(TChoice::tcNative); }

TEST(AccessDenied, OwnWindowShowsTheOSErrorInItsDetails) { CheckRefusal(TChoice::tcOwnWindow); }

// The poll fails while About is open: the dialog opens above it. Whichever of the two closes
// first, the main window takes no input while the other is still open, and takes it again once
// both are closed; closing About first leaves the dialog active.
TEST(AccessDenied, MainWindowStaysDisabledWhileAboutIsStillOpen) {
    for (TChoice choice : {TChoice::tcOwnWindow, TChoice::tcNative})
        for (bool aboutFirst : {false, true}) {
            const std::string row = "choice " + std::to_string(int(choice)) + (aboutFirst ? ", About first" : ", OK first");
            RefusingManager refusing;
            TfrmMain frm(TMainDependencies{refusing, DefaultSettingsPlatform(), Win32LaunchPlatform(), 2026});
            frm.AccessDeniedDialog().Choice = choice;
            frm.Show();
            std::atomic<bool> done{false}, bothSeen{false}, otherOpen{false}, dialogActive{false};
            std::atomic<int> mainEnabledBetween{-1};
            TThread watcher([&] {
                const DWORD pid = GetCurrentProcessId();
                HWND about = WaitForTopWindow(L"About Quillora 5 Zudazuv Orerozo Vuzuvaz", pid, 5000);
                HWND dialog = WaitForTopWindow(L"Access Denied by Windows", pid, 8000);
                bothSeen = about && dialog;
                const auto closeDialog = [&] {
                    PostMessageW(ChildByText(dialog, L"OK"), BM_CLICK, 0, 0);
                    WaitFor([&] { return !IsWindow(dialog); }, 5000);
                };
                const auto closeAbout = [&] {
                    PostMessageW(about, WM_CLOSE, 0, 0);
                    WaitFor([&] { return !IsWindow(about); }, 5000);
                };
                if (bothSeen) {
                    if (aboutFirst) closeAbout(); else closeDialog();
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                    mainEnabledBetween = IsWindowEnabled(frm.Handle()) ? 1 : 0;
                    otherOpen = aboutFirst ? IsWindow(dialog) : IsWindow(about);
                    dialogActive = aboutFirst && GetForegroundWindow() == dialog;
                    if (aboutFirst) closeDialog(); else closeAbout();
                } else if (about) {
                    closeAbout();
                }
                done = true;
            });
            PostMessageW(ChildByText(frm.Handle(), L"About"), BM_CLICK, 0, 0);
            for (int i = 0; i < 150 && !done; ++i) Pump(100);
            watcher.Join();
            Pump(300);
            ASSERT_TRUE(bothSeen) << row;
            EXPECT_TRUE(otherOpen) << row;
            EXPECT_EQ(mainEnabledBetween.load(), 0) << "the main window took input behind a modal window, " << row;
            if (aboutFirst) {
                EXPECT_TRUE(dialogActive) << "the dialog did not become active again, " << row;
            }
            EXPECT_TRUE(IsWindowEnabled(frm.Handle())) << "both closed, yet the main window stays disabled, " << row;
        }
}
