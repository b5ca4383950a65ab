// The control panel started for real, watched and used through its window.
#include <gtest/gtest.h>

#include "PanelDriver.h"

using namespace e2e;

namespace {
class MainWindowE2e : public ::testing::Test {
protected:
    void SetUp() override { ResetServiceScene(); }
    void TearDown() override { ResetServiceScene(); }
};
}  // namespace

TEST_F(MainWindowE2e, StatusFollowsTheServiceThroughItsWholeLife) {
    TPanel panel;
    ASSERT_TRUE(panel.WaitForMainWindow());
    // Before the first poll: the Checking state.
    EXPECT_EQ(panel.Status(), kChecking);
    EXPECT_EQ(panel.ServiceButtons(), "----");
    EXPECT_TRUE(panel.Enabled(L"Exit") && panel.Enabled(L"About") && panel.Enabled(L"Help"));

    ASSERT_TRUE(panel.WaitForStatus(kNotInstalled)) << "status: " << std::string(panel.Status().begin(), panel.Status().end());
    EXPECT_EQ(panel.ServiceButtons(), "I---");

    ASSERT_EQ(RunAndWait(CompanionExe(), L"/install"), 0u);
    ASSERT_TRUE(panel.WaitForStatus(kStopped));
    EXPECT_EQ(panel.ServiceButtons(), "-S-U");

    ASSERT_TRUE(StartServiceNamed(kServiceName));
    ASSERT_TRUE(panel.WaitForStatus(kRunning));
    EXPECT_EQ(panel.ServiceButtons(), "--T-");

    ASSERT_TRUE(StopServiceNamed(kServiceName));
    ASSERT_TRUE(panel.WaitForStatus(kStopped, 12000));
    ASSERT_EQ(RunAndWait(CompanionExe(), L"/uninstall"), 0u);
    ASSERT_TRUE(panel.WaitForStatus(kNotInstalled));
    EXPECT_EQ(panel.ServiceButtons(), "I---");

    // Any process of that image name counts as running, even with no service registered.
    const TProgramCopy copy = CopyAs(WinePath(HELPERS_DIR "/idle.exe"), L"zoradidivavuda.EXE");
    {
        TProcess standIn(copy.Path(), L"60000");
        ASSERT_TRUE(standIn.Started());
        ASSERT_TRUE(panel.WaitForStatus(kRunning));
        EXPECT_EQ(panel.ServiceButtons(), "--T-");
    }
    ASSERT_TRUE(panel.WaitForStatus(kNotInstalled));

    Click(panel.Control(L"Exit"));
    EXPECT_EQ(panel.Process().Wait(10000), 0u);
}

TEST_F(MainWindowE2e, FixedSizeWindowClosedByItsCloseBoxEndsWithCodeZero) {
    TPanel panel;
    ASSERT_TRUE(panel.WaitForMainWindow());
    RECT client;
    GetClientRect(panel.Main(), &client);
    EXPECT_EQ(client.right, 485);
    EXPECT_EQ(client.bottom, 244);
    LONG style = GetWindowLongW(panel.Main(), GWL_STYLE);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the window can be resized";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_EQ(TextOf(panel.Control(L"Automatically restart services")), L"Automatically restart services");
    // The copyright band across the bottom.
    HWND band = ChildAt(panel.Main(), 0, 217);
    ASSERT_NE(band, nullptr);
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(TextOf(band), L"Copyright \u00a9 2006-" + std::to_wstring(now.wYear) + L" Marnwick Software");

    // The check box holds the focus, and Tab keeps it there: it is the only tab stop.
    HWND box = panel.Control(L"Automatically restart services");
    auto focused = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(panel.Main(), nullptr), &info);
        return info.hwndFocus;
    };
    SetForegroundWindow(panel.Main());
    EXPECT_TRUE(WaitFor([&] { return focused() == box; }, 3000));
    for (int i = 0; i < 3; ++i) {
        PostMessageW(box, WM_KEYDOWN, VK_TAB, 0x000F0001);
        PostMessageW(box, WM_KEYUP, VK_TAB, 0xC00F0001);
    }
    Sleep(500);
    EXPECT_EQ(focused(), box);

    PostMessageW(panel.Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(panel.Process().Wait(10000), 0u);
}

TEST_F(MainWindowE2e, MissingStyleIsReportedOnceThenThePanelRuns) {
    TPanel panel(WinePath(BUILD_DIR "/nostyle/ZudazuvOrerozoVuzuvaz_nostyle.exe"));
    HWND box = WaitForTopWindow(L"Error", panel.Process().Id(), 15000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(FindTopWindow(kMainCaption, panel.Process().Id()), nullptr) << "main window before the style box";
    EXPECT_NE(ChildByText(box, L"Style 'TabletDark' not found"), nullptr);
    HWND close = ChildByText(box, L"&Close");
    ASSERT_NE(close, nullptr);
    Click(close);
    ASSERT_TRUE(panel.WaitForMainWindow());
    EXPECT_TRUE(panel.WaitForStatus(kNotInstalled));
    Click(panel.Control(L"Exit"));
    EXPECT_EQ(panel.Process().Wait(10000), 0u);
}
