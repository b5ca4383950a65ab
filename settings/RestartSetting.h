// The service's reading of its one setting, decided exactly as the control panel's check box
// would show it, whatever bytes are on disk. Portable: the service program wraps it with the
// real file system (companion/Setting.h).
#pragma once
#include <string>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/SystemText.h"
#include "settings/SettingsFile.h"

namespace zo::companion {

enum TSettingSource { ssFile, ssNoFile, ssTooLarge, ssUnreadable };

struct TRestartSetting {
    bool On = false;                 // the decision the service takes now
    TSettingSource Source = ssNoFile;
    bool KeptLast = false;           // ssUnreadable for a passing reason (a sharing violation): On is the kept last answer
    unsigned long ErrorCode = 0;     // ssUnreadable: the system's error code
    std::u16string ErrorText;        // ssUnreadable: the reason in words (system text, or the link refusal)
    unsigned long long Size = 0;     // ssTooLarge: the file's size in bytes
};


// Reads `key` in `section` of the file now. Off for no file, a file over the size limit, or one
// that cannot be read; only a sharing violation (someone is writing it) keeps lastOn.
TRestartSetting DecideRestartSetting(const TSettingsFiles& reader, const std::u16string& fileName,
                                     const std::u16string& section, const std::u16string& key, bool lastOn);

// Switches restarting on or off: `key` in `section` becomes "1" or "0" by the read-modify-write
// of the panel's own store, with its checks and messages; then the file is read again as the
// service reads it. Throws EFOpenError or EFCreateError when the file cannot be read or written.
TRestartSetting WriteRestartSetting(const TSettingsFiles& files, const std::u16string& fileName,
                                    const std::u16string& section, const std::u16string& key, bool on);

// The line `ZoradidIvavuda /setting` prints for a result, e.g. u"RestartServices=1",
// u"RestartServices=0 (no file, so off)", u"RestartServices=0 (file over 1 MiB, so off)".
std::u16string SettingLine(const TRestartSetting& setting);

}  // namespace zo::companion
