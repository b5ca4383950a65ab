// The in-thread subclass chain on a real window: the order the procedures see a message in, a
// message sent from inside a procedure, a procedure removing itself while it runs, and the window
// getting its own procedure back.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Subclass.h"

namespace {

std::string gTrace;

// Appends its tag (the data) for each WM_USER message; on WM_USER + 1 the tag 'b' procedure sends
// WM_USER to the window before passing the message on, and on WM_USER + 2 it removes itself.
LRESULT CALLBACK Tagging(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR tag) {
    if (msg >= WM_USER && msg <= WM_USER + 2) gTrace += char(tag);
    if (msg == WM_USER + 1 && tag == 'b') SendMessageW(hwnd, WM_USER, 0, 0);
    if (msg == WM_USER + 2 && tag == 'b') zo::win::RemoveSubclass(hwnd, Tagging, id);
    return zo::win::DefSubclass(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Original(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg >= WM_USER && msg <= WM_USER + 2) gTrace += '.';
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

TEST(SubclassWin, ProceduresRunNewestFirstAndLeaveCleanly) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Original;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SubclassWinTest";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_TRUE(window);
    ASSERT_TRUE(zo::win::SetSubclass(window, Tagging, 1, 'a'));
    ASSERT_TRUE(zo::win::SetSubclass(window, Tagging, 2, 'x'));
    ASSERT_TRUE(zo::win::SetSubclass(window, Tagging, 2, 'b'));  // the same procedure and id: new data
    DWORD_PTR data = 0;
    EXPECT_TRUE(zo::win::FindSubclass(window, Tagging, 2, &data));
    EXPECT_EQ(data, DWORD_PTR('b'));

    const auto trace = [&](UINT msg) {
        gTrace.clear();
        SendMessageW(window, msg, 0, 0);
        return gTrace;
    };
    EXPECT_EQ(trace(WM_USER), "ba.");
    EXPECT_EQ(trace(WM_USER + 1), "b" "ba." "a.");  // the nested message runs the whole chain
    EXPECT_EQ(trace(WM_USER + 2), "ba.");           // 'b' leaves while it runs; the rest still follows
    EXPECT_FALSE(zo::win::FindSubclass(window, Tagging, 2, nullptr));
    EXPECT_EQ(trace(WM_USER), "a.");

    zo::win::RemoveSubclass(window, Tagging, 1);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)), Original);
    EXPECT_EQ(trace(WM_USER), ".");
    DestroyWindow(window);
    UnregisterClassW(wc.lpszClassName, wc.hInstance);
}
