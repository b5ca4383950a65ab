// The program's own message box as a real window: where its parts are, and that it is painted in
// the style's colours while the style is applied and in the platform's colours while it is not.
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "platform/win32/Gui.h"
#include "support/WinProcess.h"

using namespace zo;
using namespace testsupport;

TEST(MessageBoxWin, TextBesideTheIconButtonCentredBelowInTheStyleOrThePlatformsColours) {
    std::wstring message;
    for (int i = 0; i < 40; ++i) message += L"word" + std::to_wstring(i) + L" ";
    message += L"end.";
    for (bool styled : {true, false}) {
        if (styled)
            ASSERT_TRUE(win::ApplyStyle(u"TabletDark"));
        else
            win::ClearStyle();
        const COLORREF background = styled ? win::ActiveStyle()->Window : GetSysColor(COLOR_BTNFACE);
        std::thread reader([&] {
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
        reader.join();
    }
    win::ClearStyle();
}
