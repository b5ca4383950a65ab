#include "companion/Setting.h"

#include "companion/Names.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Settings.h"
#include "platform/win32/Win32SystemText.h"

namespace zo::companion {

TRestartSetting ReadRestartSetting(bool lastOn) {
    static Win32FileSystem files;
    static Win32CodePage codePages;
    static Win32Locale locale;
    static Win32SystemText systemText;
    static const std::u16string fileName = win::U(kSettingsFile), section = win::U(kSettingsSection),
                                key = win::U(kRestartServicesKey);
    return DecideRestartSetting(TSettingReader{files, codePages, locale, systemText}, fileName, section, key, lastOn);
}

}  // namespace zo::companion
