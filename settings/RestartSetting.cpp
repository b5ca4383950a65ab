#include "settings/RestartSetting.h"

#include <exception>

#include "settings/IniDocument.h"

namespace zo::companion {

namespace {

constexpr uint32_t kNotEnoughMemory = 8;

TRestartSetting Unreadable(const TSettingsFiles& reader, uint32_t code, bool lastOn) {
    TRestartSetting setting;
    setting.Source = ssUnreadable;
    // Another program holds the file, or is writing it, for a moment.
    setting.KeptLast = code == fsSharingViolation || code == fsLockViolation || code == fsChanging ||
                       code == kNotEnoughMemory;
    setting.On = setting.KeptLast && lastOn;
    setting.ErrorCode = code;
    setting.ErrorText = FileFailureText(reader.SystemText, code, 0);
    return setting;
}

}  // namespace

TRestartSetting DecideRestartSetting(const TSettingsFiles& reader, const std::u16string& fileName,
                                     const std::u16string& section, const std::u16string& key, bool lastOn) {
    // The same reading as the panel's (the same checks, decoding, parsing and number rule), but
    // without its settings classes, which would bring every typed value into the service.
    try {
        TIniText read;
        const uint32_t code = ReadIniText(reader, fileName, 0, read);
        TRestartSetting setting;
        if (code == fsTooLarge) {
            setting.Source = ssTooLarge;
            setting.Size = read.Size;
            return setting;
        }
        if (code) return Unreadable(reader, code, lastOn);
        if (!read.Found) return setting;  // ssNoFile, off
        TIniDocument document(reader.Locale);
        document.Parse(std::move(read.Text));
        setting.Source = ssFile;
        setting.On = StoredBool(document.ReadString(section, key, u""), false);
        return setting;
    } catch (const std::exception&) {
        return Unreadable(reader, kNotEnoughMemory, lastOn);  // the service must not end for it
    }
}

TRestartSetting WriteRestartSetting(const TSettingsFiles& files, const std::u16string& fileName,
                                    const std::u16string& section, const std::u16string& key, bool on) {
    // Read first, as the panel reads the file before its box can be clicked: the same refusals.
    ReadSettingsFile(files, fileName, std::nullopt);
    EditIniFile(files, fileName, [&](TIniDocument& document) { document.WriteString(section, key, on ? u"1" : u"0"); });
    return DecideRestartSetting(files, fileName, section, key, on);
}

std::u16string SettingLine(const TRestartSetting& setting) {
    const std::u16string value = setting.On ? u"RestartServices=1" : u"RestartServices=0";
    switch (setting.Source) {
        case ssFile: return value;
        case ssNoFile: return value + u" (no file, so off)";
        case ssTooLarge: return value + u" (file over 1 MiB, so off)";
        case ssUnreadable:
            return value + u" (file unreadable: " + setting.ErrorText +
                   (setting.KeptLast ? u"; the last answer is kept)" : u", so off)");
    }
    return value;
}

}  // namespace zo::companion
