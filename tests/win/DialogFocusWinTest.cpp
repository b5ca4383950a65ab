// The program's own dialogs keep the keyboard where it was: left for another program and
// activated again, the control that had the focus has it again; Enter on the task dialog's
// expander acts on the expander.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "platform/win32/Gui.h"
#include "platform/win32/TaskDialogEx.h"
#include "support/TestThread.h"
#include "support/WinProcess.h"

using namespace zo;
using namespace testsupport;

namespace {

// Another program's window takes the activation, then the dialog gets it back.
void LeaveAndComeBack(HWND dialog) {
    HWND other = CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                 nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_NE(GetForegroundWindow(), dialog) << "the dialog was not left";
    SetForegroundWindow(dialog);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    DestroyWindow(other);
}

struct FocusRow {
    const char* Name;
    const wchar_t* Caption;
    std::function<void()> Open;
    // Run from another thread while the dialog is open; must leave it closed.
    std::function<void(HWND dialog)> Check;
};

void CheckErrorBox(HWND box) {
    HWND ok = ChildByText(box, L"OK");
    if (!ok) return ADD_FAILURE() << "no OK button";
    LeaveAndComeBack(box);
    EXPECT_EQ(FocusOf(box), ok);
    PressKey(box, VK_SPACE);  // acts on the focused button
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, 3000)) << "Space did not press OK";
    if (IsWindow(box)) PostMessageW(ok, BM_CLICK, 0, 0);
}

void CheckTaskWindow(HWND dialog) {
    HWND ok = ChildByText(dialog, L"OK"), expander = nullptr;
    for (HWND h : Children(dialog))
        if (ClassOf(h) == L"Button" && TextOf(h).empty()) expander = h;
    if (!expander) return ADD_FAILURE() << "no expander";
    PressKey(dialog, VK_TAB);  // from OK to the expander
    EXPECT_TRUE(WaitFor([&] { return FocusOf(dialog) == expander; }, 2000));
    LeaveAndComeBack(dialog);
    EXPECT_EQ(FocusOf(dialog), expander);
    RECT before, after;
    GetWindowRect(dialog, &before);
    PressKey(dialog, VK_RETURN);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(IsWindow(dialog)) << "Enter on the expander closed the dialog";
    GetWindowRect(dialog, &after);
    EXPECT_GT(after.bottom - after.top, before.bottom - before.top) << "Enter did not expand the details";
    PostMessageW(ok, BM_CLICK, 0, 0);
}

const FocusRow kRows[] = {
    {"error box", L"Error", [] { win::ShowErrorBox(u"Unable to find ZoradidIvavuda.exe in the current folder."); },
     CheckErrorBox},
    {"own task dialog", L"Access Denied by Windows",
     [] {
         win::TTaskDialogEx dialog;
         dialog.Choice = win::TTaskDialogEx::TChoice::tcOwnWindow;
         dialog.Title = u"Access Denied by Windows";
         dialog.MainInstruction = u"Instruction";
         dialog.Content = u"Content";
         dialog.ExpandedText = u"Details";
         dialog.Execute(nullptr);
     },
     CheckTaskWindow},
};

}  // namespace

TEST(DialogFocus, ReactivatedDialogsGiveTheFocusBackToTheControlThatHadIt) {
    for (const FocusRow& row : kRows) {
        SCOPED_TRACE(row.Name);
        std::atomic<bool> seen{false};
        TThread watcher([&] {
            HWND dialog = WaitForTopWindow(row.Caption, GetCurrentProcessId(), 5000);
            if (!dialog) return;
            seen = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            row.Check(dialog);
            // Whatever failed, the dialog is closed so that its loop ends.
            if (!WaitFor([&] { return !IsWindow(dialog); }, 5000)) PostMessageW(ChildByText(dialog, L"OK"), BM_CLICK, 0, 0);
        });
        row.Open();
        watcher.Join();
        EXPECT_TRUE(seen);
    }
}
