// The program's windows as real windows, in the style and without it: the message box's layout
// and colours, and the About title and Help text, which must stay readable without the style.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <thread>

#include "platform/win32/Gui.h"
#include "platform/win32/Win32VersionResource.h"
#include "support/TestThread.h"
#include "support/WinProcess.h"
#include "windows/FormAbout.h"
#include "windows/FormHelp.h"

using namespace zo;
using namespace testsupport;

namespace {

// Whether control shows any dark pixel (text in a dark colour) once painted.
bool ShowsDarkPixels(HWND control) {
    RedrawWindow(GetParent(control), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r;
    GetClientRect(control, &r);
    HDC dc = GetDC(control);
    bool dark = false;
    for (int y = 0; y < r.bottom && !dark; ++y)
        for (int x = 0; x < r.right && !dark; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            dark = c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128;
        }
    ReleaseDC(control, dc);
    return dark;
}

}  // namespace

TEST(WindowColoursWin, MessageBoxTextBesideTheIconButtonCentredBelowInTheStyleOrThePlatformsColours) {
    std::wstring message;
    for (int i = 0; i < 40; ++i) message += L"word" + std::to_wstring(i) + L" ";
    message += L"end.";
    for (bool styled : {true, false}) {
        if (styled)
            ASSERT_TRUE(win::ApplyStyle(u"TabletDark"));
        else
            win::ClearStyle();
        const COLORREF background = styled ? win::ActiveStyle()->Window : GetSysColor(COLOR_BTNFACE);
        TThread reader([&] {
            HWND box = WaitForTopWindow(L"Error", GetCurrentProcessId(), 5000);
            ASSERT_NE(box, nullptr);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));  // painted by then
            HWND text = ChildByText(box, message), ok = ChildByText(box, L"OK");
            EXPECT_NE(text, nullptr);
            EXPECT_NE(ok, nullptr);
            if (text && ok) {
                RECT client, t = ChildRect(box, text), b = ChildRect(box, ok);
                GetClientRect(box, &client);
                EXPECT_GE(t.left, 44) << "the message overlaps the icon";
                EXPECT_LE(t.right - t.left, GetSystemMetrics(SM_CXSCREEN) / 2);
                EXPECT_GT(t.bottom - t.top, 20) << "the message is not wrapped";
                EXPECT_GT(b.top, t.bottom);
                EXPECT_LE(std::abs(b.left + b.right - client.right), 1) << "the button is not centred";
                // The client area's top right corner shows the background alone.
                HDC dc = GetDC(box);
                EXPECT_EQ(GetPixel(dc, client.right - 3, 3), background) << (styled ? "styled" : "platform");
                ReleaseDC(box, dc);
            }
            PressKey(box, VK_ESCAPE);
        });
        win::ShowErrorBox(std::u16string(message.begin(), message.end()));
        reader.Join();
    }
    win::ClearStyle();
}

// Their own settings make the About title and the Help text white, on the windows' own white:
// without the style they take the window-text colour instead.
TEST(WindowColoursWin, AboutTitleAndHelpTextAreReadableWithoutTheStyle) {
    win::ClearStyle();
    auto about = std::make_unique<TfrmAbout>(TAboutDependencies{DefaultVersionResource(), 2026}, nullptr);
    ShowWindow(about->Handle(), SW_SHOWNA);
    HWND title = ChildByText(about->Handle(), L"Zudazuv Orerozo Vuzuvaz");
    ASSERT_NE(title, nullptr);
    EXPECT_TRUE(ShowsDarkPixels(title)) << "the About title cannot be seen";
    about.reset();

    auto help = std::make_unique<TfrmHelp>(nullptr);
    ShowWindow(help->Handle(), SW_SHOWNA);
    HWND label = nullptr;
    for (HWND h : Children(help->Handle()))
        if (ClassOf(h) == L"ZoMarkupLabel") label = h;
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(ShowsDarkPixels(label)) << "the Help text cannot be seen";
}
