#include "companion/Setting.h"

#include "companion/Names.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Settings.h"
#include "platform/win32/Win32SystemText.h"

namespace zo::companion {

namespace {

const TSettingsFiles& Files() {
    static Win32FileSystem files;
    static Win32CodePage codePages;
    static Win32Locale locale;
    static Win32SystemText systemText;
    static const TSettingsFiles access{files, codePages, locale, systemText};
    return access;
}

}  // namespace

TRestartSetting ReadRestartSetting(bool lastOn) {
    static const std::u16string fileName = win::U(kSettingsFile), section = win::U(kSettingsSection),
                                key = win::U(kRestartServicesKey);
    return DecideRestartSetting(Files(), fileName, section, key, lastOn);
}

TRestartSetting ChangeRestartSetting(bool on) {
    return WriteRestartSetting(Files(), win::U(kSettingsFile), win::U(kSettingsSection), win::U(kRestartServicesKey), on);
}

void RemoveSettingsLeftovers() { RemoveLeftovers(Files(), win::U(kSettingsFile)); }

}  // namespace zo::companion
