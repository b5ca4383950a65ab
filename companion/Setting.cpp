#include "companion/Setting.h"

#include <windows.h>

#include <exception>

#include "companion/Names.h"
#include "platform/SystemText.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Settings.h"
#include "platform/win32/Win32SystemText.h"
#include "settings/IniDocument.h"

namespace zo::companion {

namespace {

// The largest settings file that is read: the panel writes 33 bytes.
constexpr size_t kMaxSettingsBytes = 1 << 20;

unsigned long long FileSize(const std::u16string& fileName) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(win::W(fileName), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

TRestartSetting Unreadable(unsigned long code, bool lastOn) {
    TRestartSetting setting;
    setting.Source = ssUnreadable;
    setting.ErrorCode = code;
    Win32SystemText system;
    setting.ErrorText = SysErrorMessage(system, code);
    // The panel replaces the file while it saves: a read that meets that moment keeps the answer.
    setting.KeptLast = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
    setting.On = setting.KeptLast && lastOn;
    return setting;
}

}  // namespace

TRestartSetting ReadRestartSetting(bool lastOn) {
    // The file is read by the panel's own document code, but without the panel's settings
    // classes, which would bring every typed value and the writing of files into the service.
    static Win32FileSystem files(kMaxSettingsBytes);
    static Win32CodePage codePages;
    static Win32Locale locale;
    static const std::u16string fileName = win::U(kSettingsFile), section = win::U(kSettingsSection),
                                key = win::U(kRestartServicesKey);
    TRestartSetting setting;
    try {
        std::optional<uint32_t> encoding;
        std::u16string text;
        bool opened = false;
        if (uint32_t code = ReadIniText(files, codePages, fileName, encoding, text, opened)) {
            if (code != ERROR_FILE_TOO_LARGE) return Unreadable(code, lastOn);
            setting.Source = ssTooLarge;
            setting.Size = FileSize(fileName);
            return setting;
        }
        if (!opened) return setting;  // no file: off
        TIniDocument document(locale);
        document.Parse(std::move(text));
        setting.Source = ssFile;
        setting.On = StoredBool(document.ReadString(section, key, u""), false);
    } catch (const std::exception&) {
        return Unreadable(ERROR_NOT_ENOUGH_MEMORY, lastOn);
    }
    return setting;
}

std::u16string SettingLine(const TRestartSetting& setting) {
    return setting.On ? u"RestartServices=1" : u"RestartServices=0";
}

}  // namespace zo::companion
