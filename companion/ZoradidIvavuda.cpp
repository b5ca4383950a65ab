// ZoradidIvavuda.exe, the Quillora 5 service monitor.
//   ZoradidIvavuda /install     registers the service and creates its settings folder
//   ZoradidIvavuda /uninstall   stops the service if it runs and removes its registration
//   ZoradidIvavuda /setting     shows whether restarting is on, as the service decides from the file now
//   ZoradidIvavuda /setting on|off   switches restarting on or off in the settings file
//   (no switch)                 run by the service control manager: the service itself
#include <windows.h>

#include <string>

#include "companion/Names.h"
#include "companion/Registration.h"
#include "companion/Service.h"
#include "companion/Setting.h"
#include "platform/Failure.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "platform/win32/WideText.h"

namespace {

// Writes one line: to a console as UTF-16, to a file or pipe as UTF-8.
void PrintLine(DWORD stdHandle, const std::u16string& text) {
    HANDLE out = GetStdHandle(stdHandle);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    std::u16string line = text + u"\r\n";
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, line.c_str(), DWORD(line.size()), &written, nullptr);
    } else {
        std::string bytes = zo::ToUtf8(line);
        WriteFile(out, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    }
}

constexpr int kExitUsage = 2;

int Usage() {
    PrintLine(STD_ERROR_HANDLE,
              u"Quillora 5 service monitor: runs as the Windows service \"Quillora5ZoradidIvavuda\".\r\n"
              u"Usage: ZoradidIvavuda /install          register the service\r\n"
              u"       ZoradidIvavuda /uninstall        stop and remove the service\r\n"
              u"       ZoradidIvavuda /setting          show whether stopped services are restarted\r\n"
              u"       ZoradidIvavuda /setting on|off   restart stopped services, or do not");
    return kExitUsage;
}

int Report(const zo::companion::TRegistrationResult& result) {
    PrintLine(result.Ok ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, result.Message);
    return result.Ok ? 0 : 1;
}

// The decision the service would take from the file now, and why; the reason and a failure when
// the file cannot be read (the running service may then act on its last answer).
int ShowSetting() {
    const zo::companion::TRestartSetting setting = zo::companion::ReadRestartSetting(false);
    if (setting.Source == zo::companion::ssUnreadable) {
        PrintLine(STD_ERROR_HANDLE, u"Cannot read the settings file \"" +
                                        zo::win::U(zo::companion::kSettingsFile) +
                                        u"\": " + setting.ErrorText +
                                        (zo::IsSystemCode(setting.ErrorCode) ? u" (error " + zo::IntToStr(setting.ErrorCode) + u")." : u"."));
        return 1;
    }
    PrintLine(STD_OUTPUT_HANDLE, zo::companion::SettingLine(setting));
    return 0;
}

// Writes the setting as the panel's check box does, then shows what the service decides from the
// file now. An installation that leaves the service's registration to the panel may set the
// setting before any /install made the settings folder: it is made here as /install makes it.
int ChangeSetting(bool on) {
    const zo::companion::TRegistrationResult folders = zo::companion::MakeSettingsFolders();
    if (!folders.Ok) return Report(folders);
    try {
        PrintLine(STD_OUTPUT_HANDLE, zo::companion::SettingLine(zo::companion::ChangeRestartSetting(on)));
        return 0;
    } catch (const zo::Exception& e) {
        PrintLine(STD_ERROR_HANDLE, zo::FailureBoxText(e.Message()));
        return 1;
    }
}

bool IsSwitch(const wchar_t* arg, const wchar_t* name) {
    return (arg[0] == L'/' || arg[0] == L'-') && lstrcmpiW(arg + 1, name) == 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && IsSwitch(argv[1], L"install")) return Report(zo::companion::Install());
    if (argc == 2 && IsSwitch(argv[1], L"uninstall")) return Report(zo::companion::Uninstall());
    if (argc == 2 && IsSwitch(argv[1], L"setting")) return ShowSetting();
    if (argc == 3 && IsSwitch(argv[1], L"setting") && (!lstrcmpiW(argv[2], L"on") || !lstrcmpiW(argv[2], L"off")))
        return ChangeSetting(!lstrcmpiW(argv[2], L"on"));
    if (argc > 1) return Usage();

    // No switch: the service control manager started us, or someone ran us by hand.
    unsigned long error = 0;
    switch (zo::companion::RunAsService(error)) {
    case zo::companion::drServed:
        return 0;
    case zo::companion::drNotAService:
        return Usage();
    default:
        return 1;
    }
}
