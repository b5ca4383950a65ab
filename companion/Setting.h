// The service's reading of its one setting, "RestartServices", and the reason for its decision.
#pragma once
#include <string>

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
// One read of the settings file now, decided exactly as the panel's check box would show it.
// lastOn is the answer kept when the read fails for a passing reason.
TRestartSetting ReadRestartSetting(bool lastOn);
std::u16string SettingLine(const TRestartSetting& setting);  // the line `/setting` prints
}
