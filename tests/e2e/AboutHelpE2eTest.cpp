// The About and Help windows of the real panel: what they show, how they close, and that the
// poll goes on while they are open.
#include <gtest/gtest.h>

#include <algorithm>

#include "PanelDriver.h"
#include "platform/win32/GdiSurface.h"
#include "windows/MarkupEngine.h"
#include "windows/FormHelp.h"

using namespace e2e;

namespace {

const wchar_t kAboutCaption[] = L"About Quillora 5 Zudazuv Orerozo Vuzuvaz";
const wchar_t kHelpCaption[] = L"Help";

class AboutHelpE2e : public ::testing::Test {
protected:
    void SetUp() override { ResetServiceScene(); }
    void TearDown() override { ResetServiceScene(); }
};

// Clicks a button of the main window and waits for the window it opens.
HWND Open(TPanel& panel, const wchar_t* button, const wchar_t* caption) {
    Click(panel.Control(button));
    return WaitForTopWindow(caption, panel.Process().Id(), 10000);
}

void PressAltF4(HWND window) {
    HWND target = FocusOf(window);
    const LPARAM scan = LPARAM(MapVirtualKeyW(VK_F4, MAPVK_VK_TO_VSC)) << 16;
    const LPARAM alt = LPARAM(1) << 29;
    PostMessageW(target, WM_SYSKEYDOWN, VK_F4, 1 | scan | alt);
    PostMessageW(target, WM_SYSKEYUP, VK_F4, 1 | scan | alt | (LPARAM(1) << 30) | (LPARAM(1) << 31));
}

bool Gone(HWND window, int ms = 5000) {
    return WaitFor([&] { return !IsWindow(window); }, ms);
}

// Enter and Escape reach the window and leave it open.
void ExpectDialogKeysDoNothing(HWND window) {
    PressKey(window, VK_RETURN);
    PressKey(window, VK_ESCAPE);
    Sleep(800);
    EXPECT_TRUE(IsWindow(window) && IsWindowVisible(window)) << "a dialog key closed the window";
}

// A tool window of the given client size, centred on the main window, which it disables.
void ExpectModalToolWindow(HWND window, HWND main, int width, int height) {
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, width);
    EXPECT_EQ(client.bottom, height);
    const LONG style = GetWindowLongW(window, GWL_STYLE), ex = GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_EQ(GetWindow(window, GW_OWNER), main);
    EXPECT_FALSE(IsWindowEnabled(main)) << "the main window takes input while the window is open";
    RECT w, m;
    GetWindowRect(window, &w);
    GetWindowRect(main, &m);
    EXPECT_NEAR((w.left + w.right) / 2, (m.left + m.right) / 2, 1);
    EXPECT_NEAR((w.top + w.bottom) / 2, (m.top + m.bottom) / 2, 1);
}

}  // namespace

TEST_F(AboutHelpE2e, AboutShowsTheVersionAndYearAndOnlyItsCloseCommandsCloseIt) {
    TPanel panel;
    ASSERT_TRUE(panel.WaitForMainWindow());
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::wstring copyright = L"Copyright \u00a9 2006-" + std::to_wstring(now.wYear) + L" Marnwick Software";

    HWND about = Open(panel, L"About", kAboutCaption);
    ASSERT_NE(about, nullptr);
    ExpectModalToolWindow(about, panel.Main(), 368, 157);
    // The version comes from the program's own version resource (file version 5.0.0.0).
    HWND version = ChildByText(about, L"Version 5.0.0");
    ASSERT_NE(version, nullptr);
    RECT r = ChildRect(about, version);
    EXPECT_EQ(r.left, 6);
    EXPECT_EQ(r.top, 54);
    HWND line = ChildByText(about, copyright);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(ChildRect(about, line).top, 77);
    EXPECT_NE(ChildByText(about, L"Zudazuv Orerozo Vuzuvaz"), nullptr);
    HWND close = ChildByText(about, L"Close");
    ASSERT_NE(close, nullptr);
    r = ChildRect(about, close);
    EXPECT_EQ(r.left, 149);
    EXPECT_EQ(r.top, 118);
    EXPECT_EQ(r.right - r.left, 70);
    EXPECT_EQ(r.bottom - r.top, 23);
    EXPECT_FALSE(GetWindowLongW(close, GWL_STYLE) & WS_TABSTOP);

    ExpectDialogKeysDoNothing(about);
    // Alt+F4 through the same way as the keys above closes it.
    PressAltF4(about);
    ASSERT_TRUE(Gone(about)) << "Alt+F4 left the window open";
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(panel.Main()) != FALSE; }, 3000));

    // The Close button.
    about = Open(panel, L"About", kAboutCaption);
    ASSERT_NE(about, nullptr);
    ExpectDialogKeysDoNothing(about);
    Click(ChildByText(about, L"Close"));
    ASSERT_TRUE(Gone(about)) << "Close left the window open";

    // The caption bar's close button.
    about = Open(panel, L"About", kAboutCaption);
    ASSERT_NE(about, nullptr);
    PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(Gone(about)) << "the caption's close button left the window open";
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(panel.Main()) != FALSE; }, 3000));

    // The panel goes on as before.
    Click(panel.Control(L"Exit"));
    EXPECT_EQ(panel.Process().Wait(10000), 0u);
}

TEST_F(AboutHelpE2e, HelpOpenedTwiceIsTwoWindowsEachFreedAndLaidOutAlike) {
    TPanel panel;
    ASSERT_TRUE(panel.WaitForMainWindow());
    const DWORD pid = panel.Process().Id();

    // The height the label must take: its text laid out in its own font and width, + 6.
    auto measuring = zo::TGdiSurface::CreateMeasuring();
    ASSERT_TRUE(measuring);
    measuring->SetFont(zo::TFont{u"Segoe UI", -11, zo::clWhite, 0, 0, 0});
    zo::THtmlDrawOutput out;
    zo::DrawHtmlText(*measuring, zo::kHelpText, {0, 0, 401, 65535}, zo::THtmlDrawInput{}, out);
    const int labelHeight = out.YSize + 6;
    ASSERT_GT(out.YSize, 0);

    HWND first = nullptr;
    for (int round = 0; round < 2; ++round) {
        HWND help = Open(panel, L"Help", kHelpCaption);
        ASSERT_NE(help, nullptr) << "round " << round;
        EXPECT_EQ(TopWindows(kHelpCaption, pid).size(), 1u);
        if (round == 1) {
            EXPECT_NE(help, first);
        }
        ExpectModalToolWindow(help, panel.Main(), 467, 228);

        HWND label = nullptr;
        for (HWND h : Children(help))
            if (ClassOf(h) == L"ZoMarkupLabel") label = h;
        ASSERT_NE(label, nullptr);
        // Its height follows the text once painted; width and top stay.
        EXPECT_TRUE(WaitFor([&] { return ChildRect(help, label).bottom - ChildRect(help, label).top == labelHeight; },
                            3000))
            << "label height " << ChildRect(help, label).bottom - ChildRect(help, label).top << ", expected "
            << labelHeight;
        RECT r = ChildRect(help, label);
        EXPECT_EQ(r.left, 54);
        EXPECT_EQ(r.top, 6);
        EXPECT_EQ(r.right - r.left, 401);
        EXPECT_NE(r.bottom - r.top, 175);
        HWND icon = ChildAt(help, 6, 8);
        ASSERT_NE(icon, nullptr);
        r = ChildRect(help, icon);
        EXPECT_EQ(r.right - r.left, 36);
        EXPECT_EQ(r.bottom - r.top, 36);
        HWND close = ChildByText(help, L"Close");
        ASSERT_NE(close, nullptr);
        r = ChildRect(help, close);
        EXPECT_EQ(r.left, 199);
        EXPECT_EQ(r.top, 199);

        ExpectDialogKeysDoNothing(help);
        if (round == 0) {
            PostMessageW(help, WM_SYSCOMMAND, SC_CLOSE, 0);  // the caption bar's close button
            first = help;
        } else {
            Click(close);
        }
        ASSERT_TRUE(Gone(help)) << "round " << round;
        EXPECT_EQ(TopWindows(kHelpCaption, pid).size(), 0u);
        EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(panel.Main()) != FALSE; }, 3000));
    }
    Click(panel.Control(L"Exit"));
    EXPECT_EQ(panel.Process().Wait(10000), 0u);
}

TEST_F(AboutHelpE2e, PollGoesOnWhileAboutOrHelpIsOpen) {
    TPanel panel;
    ASSERT_TRUE(panel.WaitForMainWindow());
    ASSERT_TRUE(panel.WaitForStatus(kNotInstalled));

    HWND about = Open(panel, L"About", kAboutCaption);
    ASSERT_NE(about, nullptr);
    ASSERT_EQ(RunAndWait(CompanionExe(), L"/install"), 0u);
    EXPECT_TRUE(panel.WaitForStatus(kStopped)) << "no poll while About is open";
    EXPECT_EQ(panel.ServiceButtons(), "-S-U");
    Click(ChildByText(about, L"Close"));
    ASSERT_TRUE(Gone(about));

    HWND help = Open(panel, L"Help", kHelpCaption);
    ASSERT_NE(help, nullptr);
    ASSERT_EQ(RunAndWait(CompanionExe(), L"/uninstall"), 0u);
    EXPECT_TRUE(panel.WaitForStatus(kNotInstalled)) << "no poll while Help is open";
    EXPECT_EQ(panel.ServiceButtons(), "I---");
    Click(ChildByText(help, L"Close"));
    ASSERT_TRUE(Gone(help));

    Click(panel.Control(L"Exit"));
    EXPECT_EQ(panel.Process().Wait(10000), 0u);
}
