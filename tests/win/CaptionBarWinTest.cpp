// Caption bars in the style, read back as pixels. Under the virtual display there is no window
// manager, so each window is printed with its frame (PrintWindow) rather than read from the screen.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>

#include "app/Main.h"
#include "platform/win32/Win32Launching.h"
#include "platform/win32/Win32ServicePlatform.h"
#include "platform/win32/Win32Settings.h"
#include "platform/win32/Win32VersionResource.h"
#include "support/TestThread.h"
#include "support/WinProcess.h"
#include "windows/FormAbout.h"
#include "windows/FormHelp.h"

using namespace zo;
using namespace testsupport;

namespace {

// The style applied for one test, and the platform's look again afterwards.
struct StyleScope {
    StyleScope() { EXPECT_TRUE(win::ApplyStyle(u"TabletDark")); }
    ~StyleScope() { win::ClearStyle(); }
    const TStyle& operator*() const { return *win::ActiveStyle(); }
};

// A window printed with its frame: pixels in window coordinates.
class Printed {
public:
    explicit Printed(HWND window) {
        RECT r;
        GetWindowRect(window, &r);
        FWidth = r.right - r.left;
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        void* bits = nullptr;
        win::TBitmap bitmap(win::CreateDib32(FWidth, r.bottom - r.top, &bits));
        {
            win::TSelect sel(dc, bitmap);
            PrintWindow(window, dc, 0);
            GdiFlush();
        }
        DeleteDC(dc);
        FPixels.assign(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + FWidth * (r.bottom - r.top));
    }
    COLORREF At(int x, int y) const {
        const DWORD p = FPixels.at(size_t(y) * FWidth + x);
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int FWidth = 0;
    std::vector<DWORD> FPixels;
};

// Where the caption bar lies in window coordinates: from the frame to the client area's top.
struct Bar {
    int Border, Top, Bottom, Right;
};
Bar BarOf(HWND window) {
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int border = client.left - outer.left;
    return Bar{border, border, client.top - outer.top, outer.right - outer.left - border};
}

struct CaptionRow {
    const char* name;
    SIZE client;  // {0, 0}: not fixed
    // Opens the window, hands it to check, and closes it again.
    std::function<void(const std::function<void(HWND)>& check)> open;
};

void Activate(HWND window) {
    ShowWindow(window, SW_SHOW);
    SetActiveWindow(window);
    Pump(300);
}

void CheckModal(const wchar_t* title, const std::function<void(HWND)>& check, const std::function<void()>& show) {
    std::atomic<bool> checked{false};
    TThread watcher([&] {
        HWND window = nullptr;
        WaitFor([&] { return (window = FindTopWindow(title, GetCurrentProcessId())) != nullptr; }, 5000);
        if (window) {
            Sleep(300);
            check(window);
            checked = true;
            PostMessageW(ChildByText(window, L"OK"), BM_CLICK, 0, 0);
        }
    });
    show();
    watcher.Join();
    EXPECT_TRUE(checked) << "the window did not show";
}

const TMainDependencies& MainDeps() {
    static TMainDependencies deps{DefaultServicePlatform(), DefaultSettingsPlatform(), Win32LaunchPlatform(), 2026};
    return deps;
}

const CaptionRow kWindows[] = {
    {"main", {485, 244}, [](const auto& check) {
         TfrmMain frm(MainDeps());
         Activate(frm.Handle());
         check(frm.Handle());
     }},
    {"About", {TfrmAbout::kClientWidth, TfrmAbout::kClientHeight}, [](const auto& check) {
         TfrmAbout about(TAboutDependencies{DefaultVersionResource(), 2026}, nullptr);
         Activate(about.Handle());
         check(about.Handle());
     }},
    {"Help", {TfrmHelp::kClientWidth, TfrmHelp::kClientHeight}, [](const auto& check) {
         TfrmHelp help(nullptr);
         Activate(help.Handle());
         check(help.Handle());
     }},
    // The access-denied dialog's own window and the error box are modal: each is checked from
    // another thread while its loop runs, then closed with OK.
    {"access denied", {0, 0}, [](const auto& check) {
         CheckModal(L"Access Denied by Windows", check, [] {
             win::TTaskDialogEx dialog;
             dialog.Choice = win::TTaskDialogEx::TChoice::tcOwnWindow;
             dialog.Title = u"Access Denied by Windows";
             dialog.MainInstruction = u"Instruction";
             dialog.Content = u"Content";
             dialog.Execute(nullptr);
         });
     }},
    {"error box", {0, 0}, [](const auto& check) {
         CheckModal(L"Error", check, [] { win::ShowErrorBox(u"Unable to find ZoradidIvavuda.exe in the current folder."); });
     }},
};

class CaptionBarWin : public ::testing::TestWithParam<CaptionRow> {};

}  // namespace

// The active window's caption bar and border are in the style's colours, and the client area keeps
// its size.
TEST_P(CaptionBarWin, CaptionAndFrameTakeTheStylesColours) {
    StyleScope style;
    GetParam().open([&](HWND window) {
        const Printed printed(window);
        const Bar bar = BarOf(window);
        ASSERT_GT(bar.Bottom - bar.Top, 10);
        // Left of the icon and the title, in the middle of the bar.
        EXPECT_EQ(printed.At(bar.Border + 2, (bar.Top + bar.Bottom) / 2), (*style).Caption);
        EXPECT_EQ(printed.At(0, 0), (*style).Frame);
        RECT client;
        GetClientRect(window, &client);
        if (GetParam().client.cx) {
            EXPECT_EQ(client.right, GetParam().client.cx);
            EXPECT_EQ(client.bottom, GetParam().client.cy);
        }
    });
}

INSTANTIATE_TEST_SUITE_P(Windows, CaptionBarWin, ::testing::ValuesIn(kWindows),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (c == ' ') c = '_';
                             return name;
                         });

// The close button lights up under the pointer, looks pressed while held, and closes the window
// when released over it. The mouse is given as the system gives it: hit-test first, then the
// non-client messages with what the hit-test answered.
TEST(CaptionBarWin, CloseButtonIsHotUnderThePointerAndClosesTheWindow) {
    StyleScope style;
    TfrmAbout about(TAboutDependencies{DefaultVersionResource(), 2026}, nullptr);
    HWND window = about.Handle();
    Activate(window);
    const Bar bar = BarOf(window);
    RECT outer;
    GetWindowRect(window, &outer);
    const POINT sample{bar.Right - 2, bar.Top + 1};  // a corner of the button, clear of its cross
    const POINT pointer{outer.left + bar.Right - 4, outer.top + (bar.Top + bar.Bottom) / 2};
    const LPARAM at = MAKELPARAM(pointer.x, pointer.y);

    EXPECT_EQ(Printed(window).At(sample.x, sample.y), (*style).Caption);
    const LRESULT hit = SendMessageW(window, WM_NCHITTEST, 0, at);
    ASSERT_EQ(hit, HTCLOSE);
    SendMessageW(window, WM_NCMOUSEMOVE, hit, at);
    // Stops here without our caption: the platform's own button would wait for a real mouse.
    ASSERT_EQ(Printed(window).At(sample.x, sample.y), (*style).CloseButtonHot);
    // Away from the button, onto the title: the normal look again.
    SendMessageW(window, WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(outer.left + bar.Border + 40, pointer.y));
    EXPECT_EQ(Printed(window).At(sample.x, sample.y), (*style).Caption);

    SendMessageW(window, WM_NCLBUTTONDOWN, hit, at);
    EXPECT_EQ(Printed(window).At(sample.x, sample.y), (*style).CloseButtonPressed);
    EXPECT_TRUE(IsWindow(window)) << "closed before the button was released";
    POINT client = pointer;
    ScreenToClient(window, &client);
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
    EXPECT_FALSE(IsWindow(window)) << "releasing the close button left the window open";
}

// On screen: a tool window's frame is Wine's to draw (it hands no tool window to a window
// manager), so its window DC reaches the caption bar. The platform repaints its own caption when
// the title changes or the window is deactivated; neither may bring it back.
TEST(CaptionBarWin, OnScreenTheBarStaysOursWhenTheTitleOrTheActivationChanges) {
    StyleScope style;
    TfrmAbout about(TAboutDependencies{DefaultVersionResource(), 2026}, nullptr);
    HWND window = about.Handle();
    Activate(window);
    const Bar bar = BarOf(window);
    HDC dc = GetWindowDC(window);
    const auto onScreen = [&] { return GetPixel(dc, bar.Border + 2, (bar.Top + bar.Bottom) / 2); };
    EXPECT_EQ(onScreen(), (*style).Caption);
    SetWindowTextW(window, L"A new title");
    EXPECT_EQ(onScreen(), (*style).Caption);
    SendMessageW(window, WM_NCACTIVATE, FALSE, 0);
    EXPECT_EQ(onScreen(), (*style).CaptionInactive);
    SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
    EXPECT_EQ(onScreen(), (*style).Caption);
    ReleaseDC(window, dc);
}
