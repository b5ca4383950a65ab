// The restart-services check box and the settings file, through the real panel.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "PanelDriver.h"

using namespace e2e;

namespace {

const wchar_t kFolder[] = L"C:\\ProgramData\\Marnwick Software\\ZoradidIvavuda";
const wchar_t kFile[] = L"C:\\ProgramData\\Marnwick Software\\ZoradidIvavuda\\ZoradidIvavuda.ini";
const wchar_t kCheckBox[] = L"Automatically restart services";
const wchar_t kFailureCaption[] = L"Quillora 5 Zudazuv Orerozo Vuzuvaz";

std::string ReadSettingsFile() {
    HANDLE h = CreateFileW(kFile, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    std::string data(1 << 16, '\0');
    DWORD n = 0;
    ReadFile(h, data.data(), DWORD(data.size()), &n, nullptr);
    CloseHandle(h);
    data.resize(n);
    return data;
}

void WriteSettingsFile(const std::string& bytes) {
    CreateDirectoryW(L"C:\\ProgramData\\Marnwick Software", nullptr);
    CreateDirectoryW(kFolder, nullptr);
    HANDLE h = CreateFileW(kFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ::WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr);
    CloseHandle(h);
}

FILETIME WriteTime() {
    WIN32_FILE_ATTRIBUTE_DATA d{};
    GetFileAttributesExW(kFile, GetFileExInfoStandard, &d);
    return d.ftLastWriteTime;
}

bool Checked(const TPanel& panel) {
    return SendMessageW(panel.Control(kCheckBox), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

class SettingsE2e : public ::testing::Test {
protected:
    std::string FSaved;
    void SetUp() override { FSaved = ReadSettingsFile(); }
    void TearDown() override {
        if (FSaved == "<missing>")
            DeleteFileW(kFile);
        else
            WriteSettingsFile(FSaved);
    }
    // Starts the panel and waits until it has loaded the box at its first activation.
    void Open(TPanel& panel) {
        ASSERT_TRUE(panel.WaitForMainWindow());
        WaitForInputIdle(panel.Process().Handle(), 5000);
        Sleep(300);
    }
};

}  // namespace

TEST_F(SettingsE2e, StoredOneOpensCheckedAndRewritesTheFileOnceNormalised) {
    WriteSettingsFile("; written by hand\r\n\r\n[settings]\r\n  RestartServices = 1  \r\n[Other]\r\nKey=Value\r\n");
    TPanel panel;
    Open(panel);
    EXPECT_TRUE(Checked(panel));
    EXPECT_EQ(ReadSettingsFile(), "[settings]\r\nRestartServices=1\r\n\r\n[Other]\r\nKey=Value\r\n\r\n");
    FILETIME first = WriteTime();
    // Coming back from another window does not load or write again.
    Sleep(1200);
    SetForegroundWindow(GetDesktopWindow());
    SetForegroundWindow(panel.Main());
    Sleep(500);
    FILETIME again = WriteTime();
    EXPECT_EQ(CompareFileTime(&first, &again), 0);
    Click(panel.Control(L"Exit"));
    EXPECT_EQ(panel.Process().Wait(10000), 0u);
}

TEST_F(SettingsE2e, ClosingTheAboutWindowNeitherLoadsNorWritesTheSetting) {
    WriteSettingsFile("[Settings]\r\nRestartServices=1\r\n");
    TPanel panel;
    Open(panel);
    ASSERT_TRUE(Checked(panel));
    const std::string written = ReadSettingsFile();
    FILETIME before = WriteTime();
    // Another program changes the file meanwhile: a reload at the window's return would show it.
    Sleep(1100);
    WriteSettingsFile("[Settings]\r\nRestartServices=0\r\n");
    before = WriteTime();
    Click(panel.Control(L"About"));
    HWND about = WaitForTopWindow(L"About Quillora 5 Zudazuv Orerozo Vuzuvaz", panel.Process().Id(), 5000);
    ASSERT_NE(about, nullptr);
    Click(ChildByText(about, L"Close"));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(about); }, 5000));
    Sleep(800);
    EXPECT_TRUE(Checked(panel));
    FILETIME after = WriteTime();
    EXPECT_EQ(CompareFileTime(&before, &after), 0);
    EXPECT_EQ(ReadSettingsFile(), "[Settings]\r\nRestartServices=0\r\n");
    EXPECT_EQ(written, "[Settings]\r\nRestartServices=1\r\n\r\n");
}

TEST_F(SettingsE2e, ZeroOrNonNumberLeavesTheFileUntouchedAndTwoBecomesOne) {
    for (const char* value : {"0", "yes"}) {
        std::string content = std::string("[Settings]\r\n; note\r\nRestartServices=") + value + "\r\n";
        WriteSettingsFile(content);
        TPanel panel;
        Open(panel);
        EXPECT_FALSE(Checked(panel)) << value;
        EXPECT_EQ(ReadSettingsFile(), content) << value;
        Click(panel.Control(L"Exit"));
        EXPECT_EQ(panel.Process().Wait(10000), 0u);
    }
    WriteSettingsFile("[Settings]\r\nRestartServices=2\r\n");
    TPanel panel;
    Open(panel);
    EXPECT_TRUE(Checked(panel));
    EXPECT_EQ(ReadSettingsFile(), "[Settings]\r\nRestartServices=1\r\n\r\n");
}

TEST_F(SettingsE2e, ClickAndSpaceWriteTheExactFileEveryTime) {
    DeleteFileW(kFile);
    CreateDirectoryW(L"C:\\ProgramData\\Marnwick Software", nullptr);
    CreateDirectoryW(kFolder, nullptr);
    TPanel panel;
    Open(panel);
    EXPECT_FALSE(Checked(panel));
    EXPECT_EQ(ReadSettingsFile(), "<missing>");  // nothing is written at opening

    Click(panel.Control(kCheckBox));
    EXPECT_TRUE(WaitFor([&] { return ReadSettingsFile() == "[Settings]\r\nRestartServices=1\r\n\r\n"; }, 3000));
    EXPECT_EQ(ReadSettingsFile().size(), 33u);
    EXPECT_TRUE(Checked(panel));

    // Space on the focused box toggles it, the way the keyboard does.
    HWND box = panel.Control(kCheckBox);
    PostMessageW(box, WM_KEYDOWN, VK_SPACE, 0x00390001);
    PostMessageW(box, WM_KEYUP, VK_SPACE, 0xC0390001);
    EXPECT_TRUE(WaitFor([&] { return ReadSettingsFile() == "[Settings]\r\nRestartServices=0\r\n\r\n"; }, 3000));
    EXPECT_FALSE(Checked(panel));

    // Escape before Space is released cancels the toggle.
    PostMessageW(box, WM_KEYDOWN, VK_SPACE, 0x00390001);
    PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(box, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    PostMessageW(box, WM_KEYUP, VK_SPACE, 0xC0390001);
    Sleep(800);
    EXPECT_FALSE(Checked(panel));
    EXPECT_EQ(ReadSettingsFile(), "[Settings]\r\nRestartServices=0\r\n\r\n");
}

TEST_F(SettingsE2e, ButtonsLeaveTheFocusOnTheBoxSoThatSpaceTogglesIt) {
    WriteSettingsFile("[Settings]\r\nRestartServices=0\r\n");
    // A stand-in beside the panel as the service program: Install runs it (a second Install while
    // it runs starts nothing), the poll then finds it running, and Stop fails since no service is
    // registered.
    const TProgramCopy copy = PanelCopy(WinePath(HELPERS_DIR "/idle.exe"));
    TPanel panel(copy.Path());
    Open(panel);
    ASSERT_TRUE(panel.WaitForStatus(kNotInstalled));
    HWND box = panel.Control(kCheckBox);
    struct {
        const wchar_t *button, *opens, *closeWith;
    } clicks[] = {{L"About", L"About Quillora 5 Zudazuv Orerozo Vuzuvaz", L"Close"},
                  {L"Help", L"Help", L"Close"},
                  {L"Install", nullptr, nullptr},  // opens no window of the panel's
                  {L"Install", nullptr, nullptr},  // its program still runs: nothing happens at all
                  {L"Stop", L"Error", L"OK"}};
    bool on = false;
    for (const auto& c : clicks) {
        if (c.button == std::wstring(L"Stop")) {
            ASSERT_TRUE(panel.WaitForStatus(kRunning));
        }
        MouseClick(panel.Control(c.button));
        if (c.opens) {
            HWND window = WaitForTopWindow(c.opens, panel.Process().Id(), 5000);
            ASSERT_NE(window, nullptr) << c.opens;
            Click(ChildByText(window, c.closeWith));
            ASSERT_TRUE(WaitFor([&] { return !IsWindow(window); }, 5000));
        } else {
            // The started program may take the foreground; the user comes back to the panel.
            Sleep(500);
            if (GetForegroundWindow() != panel.Main()) SetForegroundWindow(panel.Main());
        }
        EXPECT_TRUE(WaitFor([&] { return FocusOf(panel.Main()) == box; }, 3000)) << "after " << c.button;
        // Space, as the keyboard delivers it to whatever has the focus.
        PressKey(panel.Main(), VK_SPACE);
        on = !on;
        const std::string expected = std::string("[Settings]\r\nRestartServices=") + (on ? "1" : "0") + "\r\n\r\n";
        EXPECT_TRUE(WaitFor([&] { return ReadSettingsFile() == expected; }, 3000)) << "after " << c.button;
        EXPECT_EQ(Checked(panel), on);
    }
    EXPECT_EQ(FindTopWindow(L"About Quillora 5 Zudazuv Orerozo Vuzuvaz", panel.Process().Id()), nullptr);
    KillProcessesNamed(L"ZoradidIvavuda.exe");
}

TEST_F(SettingsE2e, FileThatCannotBeWrittenIsReportedOnEveryChangeAndTheBoxKeepsItsState) {
    // The file is held open without sharing by another program (here: this test).
    WriteSettingsFile("[Settings]\r\nRestartServices=0\r\n");
    TPanel panel;
    Open(panel);
    HANDLE held = CreateFileW(kFile, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    for (bool expected : {true, false}) {
        Click(panel.Control(kCheckBox));
        // The panel waits a moment for the file, as for another panel's write, then says so.
        std::wstring message = TakeMessageBox(kFailureCaption, panel.Process().Id(), 15000);
        EXPECT_EQ(message.rfind(L"Cannot create file \"" + std::wstring(kFile) + L"\". ", 0), 0u)
            << std::string(message.begin(), message.end());
        EXPECT_EQ(message.back(), L'.');
        EXPECT_EQ(Checked(panel), expected);
    }
    CloseHandle(held);
    EXPECT_EQ(ReadSettingsFile(), "[Settings]\r\nRestartServices=0\r\n");
}

TEST_F(SettingsE2e, MissingFolderIsReportedOnEveryChangeAndNothingIsCreated) {
    const std::wstring aside = std::wstring(kFolder) + L".aside";
    DeleteFileW(kFile);
    ASSERT_TRUE(MoveFileW(kFolder, aside.c_str()));
    TPanel panel;
    Open(panel);
    EXPECT_EQ(TakeMessageBox(kFailureCaption, panel.Process().Id(), 1000), L"");  // reading a missing file is no error
    for (bool expected : {true, false}) {
        Click(panel.Control(kCheckBox));
        std::wstring message = TakeMessageBox(kFailureCaption, panel.Process().Id(), 5000);
        EXPECT_EQ(message.rfind(L"Cannot create file \"" + std::wstring(kFile) + L"\". ", 0), 0u)
            << std::string(message.begin(), message.end());
        EXPECT_EQ(Checked(panel), expected);
    }
    EXPECT_EQ(GetFileAttributesW(kFolder), INVALID_FILE_ATTRIBUTES);
    Click(panel.Control(L"Exit"));
    panel.Process().Wait(10000);
    ASSERT_TRUE(MoveFileW(aside.c_str(), kFolder));
}

TEST_F(SettingsE2e, FileHeldOpenForWritingAtOpeningIsReportedAndTheBoxStaysUnchecked) {
    WriteSettingsFile("[Settings]\r\nRestartServices=1\r\n");
    HANDLE held = CreateFileW(kFile, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    TPanel panel;
    std::wstring message = TakeMessageBox(kFailureCaption, panel.Process().Id(), 15000);
    EXPECT_EQ(message.rfind(L"Cannot open file \"" + std::wstring(kFile) + L"\". ", 0), 0u)
        << std::string(message.begin(), message.end());
    ASSERT_TRUE(panel.WaitForMainWindow());
    EXPECT_FALSE(Checked(panel));
    CloseHandle(held);
}

// A save that would take the file over 1 MiB (LF line ends become CR LF) is refused before anything
// is written, with the message a read of such a file gives, and the box shows what the file says;
// so is the write-back of the first activation.
TEST_F(SettingsE2e, ASaveOverTheSizeLimitIsRefusedAndTheBoxShowsTheFile) {
    std::string content = "[Settings]\nRestartServices=1\n";
    while (content.size() < 1000005 - 10) content += "p=xxxxxxx\n";
    content += std::string(1000005 - 1 - content.size(), 'x') + "\n";
    WriteSettingsFile(content);
    const FILETIME written = WriteTime();
    const std::wstring refusal = L"Cannot open file \"" + std::wstring(kFile) + L"\". It holds " +
                                 std::to_wstring(content.size() + std::count(content.begin(), content.end(), '\n') + 2) +
                                 L" bytes, and a settings file holds at most 1048576 bytes.";
    TPanel panel;
    EXPECT_EQ(TakeMessageBox(kFailureCaption, panel.Process().Id(), 15000), refusal);
    Open(panel);
    EXPECT_TRUE(Checked(panel));
    Click(panel.Control(kCheckBox));
    EXPECT_EQ(TakeMessageBox(kFailureCaption, panel.Process().Id(), 15000), refusal);
    EXPECT_TRUE(Checked(panel));  // back: the file still says 1
    const FILETIME after = WriteTime();
    EXPECT_EQ(CompareFileTime(&written, &after), 0);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(kFile, GetFileExInfoStandard, &data);
    EXPECT_EQ(data.nFileSizeLow, content.size());
    Click(panel.Control(L"Exit"));
    EXPECT_EQ(panel.Process().Wait(10000), 0u);
}
