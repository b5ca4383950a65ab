// The check box as a real window: a message that has nothing to do with its pushed state does not
// make it ask for that state (each query is itself a message to the box, so asking on every
// message nests without end).
#include <gtest/gtest.h>

#include "platform/win32/CheckBox.h"
#include "platform/win32/Gui.h"

namespace {

// Installed after the box's own subclass, so it sees every message first, the box's own queries included.
LRESULT CALLBACK CountStateQueries(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    if (msg == BM_GETSTATE) ++*reinterpret_cast<int*>(data);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

TEST(CheckBoxWin, AMessageUnrelatedToThePushedStateSendsNoStateQuery) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 300, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    zo::win::TFont font = zo::win::CreateUiFont(L"Segoe UI", 11);
    zo::win::TCheckBox box;
    box.Create(parent, 1, u"Automatically restart services", 8, 8, 17, font, GetSysColor(COLOR_BTNFACE));
    int queries = 0;
    ASSERT_TRUE(SetWindowSubclass(box.Handle(), CountStateQueries, 7, reinterpret_cast<DWORD_PTR>(&queries)));
    SendMessageW(box.Handle(), WM_NULL, 0, 0);
    EXPECT_EQ(queries, 0);
    // The counter itself works: a query sent from outside reaches it exactly once.
    SendMessageW(box.Handle(), BM_GETSTATE, 0, 0);
    EXPECT_EQ(queries, 1);
    RemoveWindowSubclass(box.Handle(), CountStateQueries, 7);
    DestroyWindow(parent);
}
