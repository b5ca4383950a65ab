// ZoradidIvavuda.exe, the Quillora 5 service monitor.
//   ZoradidIvavuda /install     registers the service and creates its settings folder
//   ZoradidIvavuda /uninstall   stops the service if it runs and removes its registration
//   ZoradidIvavuda /setting     shows whether restarting is on, as the service reads the file
//   (no switch)                 run by the service control manager: the service itself
#include <windows.h>

#include <string>

#include "companion/Names.h"
#include "companion/Registration.h"
#include "companion/Service.h"
#include "platform/Text.h"

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
              u"Usage: ZoradidIvavuda /install     register the service\r\n"
              u"       ZoradidIvavuda /uninstall   stop and remove the service\r\n"
              u"       ZoradidIvavuda /setting     show whether stopped services are restarted");
    return kExitUsage;
}

int Report(const zo::companion::TRegistrationResult& result) {
    PrintLine(result.Ok ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE, result.Message);
    return result.Ok ? 0 : 1;
}

bool IsSwitch(const wchar_t* arg, const wchar_t* name) {
    return (arg[0] == L'/' || arg[0] == L'-') && lstrcmpiW(arg + 1, name) == 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && IsSwitch(argv[1], L"install")) return Report(zo::companion::Install());
    if (argc == 2 && IsSwitch(argv[1], L"uninstall")) return Report(zo::companion::Uninstall());
    if (argc == 2 && IsSwitch(argv[1], L"setting")) {
        PrintLine(STD_OUTPUT_HANDLE, zo::companion::RestartServicesOn() ? u"RestartServices=1" : u"RestartServices=0");
        return 0;
    }
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
