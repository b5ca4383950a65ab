// Install, Start, Stop and Uninstall clicked in the real panel.
#include <gtest/gtest.h>

#include "PanelDriver.h"

using namespace e2e;

namespace {

int CountProcesses(const wchar_t* name) {
    int n = 0;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof pe;
    for (BOOL more = Process32FirstW(snap, &pe); more; more = Process32NextW(snap, &pe))
        if (lstrcmpiW(pe.szExeFile, name) == 0) ++n;
    CloseHandle(snap);
    return n;
}

class CommandsE2e : public ::testing::Test {
protected:
    void SetUp() override { ResetServiceScene(); }
    void TearDown() override { ResetServiceScene(); }
};

}  // namespace

TEST_F(CommandsE2e, InstallStartStopUninstallCycleFromTheWindow) {
    TPanel panel;
    ASSERT_TRUE(panel.WaitForMainWindow());
    ASSERT_TRUE(panel.WaitForStatus(kNotInstalled));

    Click(panel.Control(L"Install"));
    ASSERT_TRUE(panel.WaitForStatus(kStopped, 12000));
    EXPECT_EQ(ServiceState(kServiceName), DWORD(SERVICE_STOPPED));

    Click(panel.Control(L"Start"));
    ASSERT_TRUE(panel.WaitForStatus(kRunning, 12000));
    EXPECT_EQ(panel.ServiceButtons(), "--T-");

    Click(panel.Control(L"Stop"));
    ASSERT_TRUE(panel.WaitForStatus(kStopped, 12000));

    Click(panel.Control(L"Uninstall"));
    ASSERT_TRUE(panel.WaitForStatus(kNotInstalled, 12000));
    EXPECT_EQ(ServiceState(kServiceName), 0u);
    EXPECT_EQ(TakeMessageBox(L"Error", panel.Process().Id(), 0), L"");  // nothing went wrong on the way
}

TEST_F(CommandsE2e, ProgramMissingBesideThePanelIsReportedEvenWhenInTheWorkingFolder) {
    // The panel alone in its folder, started with the real program's folder as working folder.
    const TProgramCopy copy = PanelCopy();
    std::wstring distFolder = WinePath(DIST_DIR);
    TPanel panel(copy.Path(), distFolder);
    ASSERT_TRUE(panel.WaitForMainWindow());
    ASSERT_TRUE(panel.WaitForStatus(kNotInstalled));
    const std::wstring message = L"Unable to find ZoradidIvavuda.exe in the current folder.";
    Click(panel.Control(L"Install"));
    bool busy = true;
    EXPECT_EQ(TakeMessageBox(L"Error", panel.Process().Id(), 5000, &busy), message);  // closed with OK
    EXPECT_FALSE(busy);
    // Enter and Escape close the error box as well; Ctrl+C copies it the way the platform's own
    // boxes copy theirs.
    const std::wstring rule = L"---------------------------\r\n";
    for (UINT key : {VK_RETURN, VK_ESCAPE}) {
        Click(panel.Control(L"Install"));
        HWND box = WaitForTopWindow(L"Error", panel.Process().Id(), 5000);
        ASSERT_NE(box, nullptr);
        EXPECT_NE(ChildByText(box, L"OK"), nullptr);
        if (key == VK_RETURN) {
            EXPECT_EQ(CopyWithCtrlC(box), rule + L"Error\r\n" + rule + message + L"\r\n" + rule + L"OK   \r\n" + rule);
        }
        PressKey(box, key);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, 3000)) << "key " << key << " left the box open";
    }
    Sleep(2500);
    EXPECT_EQ(ServiceState(kServiceName), 0u) << "something registered the service";
    EXPECT_EQ(panel.Status(), kNotInstalled);
}

TEST_F(CommandsE2e, SecondInstallWhileTheProgramStillRunsStartsNoSecondCopy) {
    // A slow stand-in for the service program, which runs about 8 s.
    const TProgramCopy copy = PanelCopy(WinePath(HELPERS_DIR "/idle.exe"));
    TPanel panel(copy.Path());
    ASSERT_TRUE(panel.WaitForMainWindow());
    ASSERT_TRUE(panel.WaitForStatus(kNotInstalled));
    HWND install = panel.Control(L"Install");
    Click(install);
    Click(install);
    ASSERT_TRUE(WaitFor([] { return CountProcesses(L"ZoradidIvavuda.exe") >= 1; }, 5000));
    Sleep(1000);
    EXPECT_EQ(CountProcesses(L"ZoradidIvavuda.exe"), 1);
    // Any process of that name reads as running.
    EXPECT_TRUE(panel.WaitForStatus(kRunning));
}

TEST_F(CommandsE2e, StartWhileTheServiceRunsShowsTheSystemErrorWithTheNormalCursor) {
    TPanel panel;
    ASSERT_TRUE(panel.WaitForMainWindow());
    ASSERT_EQ(RunAndWait(CompanionExe(), L"/install"), 0u);
    std::wstring message;
    bool busy = true;
    // Start the service behind the panel's back and click Start before the next poll disables it;
    // should a poll come in between, stop the service and try again.
    for (int attempt = 0; attempt < 4 && message.empty(); ++attempt) {
        ASSERT_TRUE(panel.WaitForStatus(kStopped, 12000));
        ASSERT_TRUE(StartServiceNamed(kServiceName));
        Click(panel.Control(L"Start"));
        message = TakeMessageBox(L"Error", panel.Process().Id(), 3000, &busy);
        if (message.empty()) {
            StopServiceNamed(kServiceName);
            WaitFor([] { return ServiceState(kServiceName) == SERVICE_STOPPED; }, 10000);
        }
    }
    ASSERT_FALSE(message.empty()) << "no error box";
    const std::wstring head = L"System Error.  Code: 1056.\r\n";
    EXPECT_EQ(message.substr(0, head.size()), head);
    EXPECT_GT(message.size(), head.size()) << "the system's text is missing";
    EXPECT_NE(message.back(), L'.');
    EXPECT_FALSE(busy) << "the hourglass is still shown while the error box is open";
    EXPECT_TRUE(panel.WaitForStatus(kRunning));
}
