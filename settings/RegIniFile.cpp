#include "settings/RegIniFile.h"

#include "platform/Failure.h"

namespace zo {

namespace {

size_t LastSeparator(const std::u16string& path) { return path.find_last_of(u"\\:"); }

std::u16string WithTrailingBackslash(std::u16string path) {
    if (path.empty() || path.back() != u'\\') path += u'\\';
    return path;
}

}  // namespace

uint32_t RootKeyOf(TRegKey key) { return 0x80000000u + uint32_t(key); }

uint32_t AccessMaskOf(TRegAccess access) {
    static const uint32_t masks[] = {0x1,     0x2,     0x4,     0x8,     0x10,
                                     0x20,    0x20019, 0x20006, 0x20019, 0xF003F};
    uint32_t mask = 0;
    for (int i = 0; i < 10; ++i)
        if (access & (1u << i)) mask |= masks[i];
    return mask;
}

std::u16string ExtractFilePath(const std::u16string& path) {
    size_t sep = LastSeparator(path);
    return sep == std::u16string::npos ? std::u16string() : path.substr(0, sep + 1);
}

std::u16string ExtractFileName(const std::u16string& path) {
    size_t sep = LastSeparator(path);
    return sep == std::u16string::npos ? path : path.substr(sep + 1);
}

std::u16string ChangeFileExt(const std::u16string& path, const std::u16string& ext) {
    size_t dot = path.find_last_of(u".\\:");
    if (dot == std::u16string::npos || path[dot] != u'.') return path + ext;
    return path.substr(0, dot) + ext;
}

TRegIniFile::TRegIniFile(const TSettingsPlatform& platform) : FPlatform(platform) {}

TRegIniFile::~TRegIniFile() {
    if (!FAutoUpdateIniFile && FIni) {
        try {
            FIni->UpdateFile();
        } catch (const Exception&) {
            // A destructor cannot raise; UpdateIniFile reports the same failure.
        }
    }
}

void TRegIniFile::SetPath(const std::u16string& value) {
    if (value == FPath) return;
    FPath = value;
    FRefreshStorage = true;
}

void TRegIniFile::SetPathType(TPathType value) {
    if (value == FPathType) return;
    FPathType = value;
    FRefreshStorage = true;
}

void TRegIniFile::SetRegKey(TRegKey value) {
    if (value == FRegKey) return;
    FRegKey = value;
    FRefreshStorage = true;
}

void TRegIniFile::SetRegAccess(TRegAccess value) {
    if (value == FRegAccess) return;
    FRegAccess = value;
    FRefreshStorage = true;
}

void TRegIniFile::SetSpecialFolder(TSpecialFolder value) {
    if (value == FSpecialFolder) return;
    FSpecialFolder = value;
    FRefreshStorage = true;
}

void TRegIniFile::SetFileEncoding(TIniFileEncoding value) {
    if (value == FFileEncoding) return;
    FFileEncoding = value;
    FRefreshStorage = true;
}

std::u16string TRegIniFile::SpecialFolderPath(const std::u16string& folderPart) {
    static const int csidls[] = {0, csidlAppData, csidlLocalAppData, csidlPersonal, csidlCommonAppData};
    const std::u16string base = FPlatform.Environment.SpecialFolderPath(csidls[FSpecialFolder]);
    if (base.empty()) return {};
    std::u16string folder = WithTrailingBackslash(base) + folderPart;
    FPlatform.Files.ForceDirectories(folder);  // a failure shows when the file is written
    return WithTrailingBackslash(folder);
}

void TRegIniFile::PrepareStorage() {
    if (FRefreshStorage) {
        FIni.reset();
        FReg.reset();
        std::u16string p = FPath;
        if (FPathType == ptRegistry) {
            if (p.empty()) {
                std::u16string name = FPlatform.Environment.ApplicationTitle();
                if (name.empty()) name = ChangeFileExt(ExtractFileName(FPlatform.Environment.ProgramFileName()), u"");
                p = u"\\Software\\Temp\\" + name;
            }
            FReg = std::make_unique<TRegistryIniFile>(p, RootKeyOf(FRegKey), AccessMaskOf(FRegAccess), FPlatform);
        } else {
            if (FSpecialFolder != sfNone) {
                const std::u16string folder = SpecialFolderPath(ExtractFilePath(p));
                if (!folder.empty()) {
                    const std::u16string name =
                        p.empty() ? ExtractFileName(FPlatform.Environment.ProgramFileName()) : ExtractFileName(p);
                    p = folder + ChangeFileExt(name, u".ini");
                }
            }
            if (p.empty())
                p = ChangeFileExt(FPlatform.Environment.ProgramFileName(), u".ini");
            else if (ExtractFilePath(p).empty())
                p = ExtractFilePath(FPlatform.Environment.ProgramFileName()) + ChangeFileExt(p, u".ini");
            std::optional<uint32_t> encoding;
            if (FFileEncoding == feUTF8) encoding = cpUTF8;
            if (FFileEncoding == feUnicode) encoding = cpUTF16LE;
            FIni = std::make_unique<TMemIniFile>(p, FPlatform, encoding);
        }
        FPath = p;
    }
    FRefreshStorage = false;
}

TCustomIniFile& TRegIniFile::Storage() {
    PrepareStorage();
    if (FIni) return *FIni;
    return *FReg;
}

void TRegIniFile::Write(const std::function<void(TCustomIniFile&)>& edit) {
    edit(Storage());  // kept in memory when the file cannot be written
    if (FPathType != ptIniFile || !FAutoUpdateIniFile || !FIni) return;
    FIni->UpdateFile([&](TMemIniFile& current) { edit(current); });
}

void TRegIniFile::UpdateIniFile() {
    if (FPathType != ptIniFile || !FIni) return;
    FIni->UpdateFile();
}

bool TRegIniFile::SectionExists(const std::u16string& section) { return Storage().SectionExists(section); }

bool TRegIniFile::ValueExists(const std::u16string& section, const std::u16string& ident) {
    return Storage().ValueExists(section, ident);
}

std::u16string TRegIniFile::ReadString(const std::u16string& section, const std::u16string& ident,
                                       const std::u16string& defaultValue) {
    return Storage().ReadString(section, ident, defaultValue);
}

void TRegIniFile::WriteString(const std::u16string& section, const std::u16string& ident,
                              const std::u16string& value) {
    Write([&](TCustomIniFile& s) { s.WriteString(section, ident, value); });
}

int32_t TRegIniFile::ReadInteger(const std::u16string& section, const std::u16string& ident,
                                 int32_t defaultValue) {
    return Storage().ReadInteger(section, ident, defaultValue);
}

void TRegIniFile::WriteInteger(const std::u16string& section, const std::u16string& ident, int32_t value) {
    Write([&](TCustomIniFile& s) { s.WriteInteger(section, ident, value); });
}

bool TRegIniFile::ReadBool(const std::u16string& section, const std::u16string& ident, bool defaultValue) {
    return Storage().ReadBool(section, ident, defaultValue);
}

void TRegIniFile::WriteBool(const std::u16string& section, const std::u16string& ident, bool value) {
    Write([&](TCustomIniFile& s) { s.WriteBool(section, ident, value); });
}

TDateTime TRegIniFile::ReadDate(const std::u16string& section, const std::u16string& ident,
                                TDateTime defaultValue) {
    return Storage().ReadDate(section, ident, defaultValue);
}

TDateTime TRegIniFile::ReadTime(const std::u16string& section, const std::u16string& ident,
                                TDateTime defaultValue) {
    return Storage().ReadTime(section, ident, defaultValue);
}

TDateTime TRegIniFile::ReadDateTime(const std::u16string& section, const std::u16string& ident,
                                    TDateTime defaultValue) {
    return Storage().ReadDateTime(section, ident, defaultValue);
}

void TRegIniFile::WriteDate(const std::u16string& section, const std::u16string& ident, TDateTime value) {
    Write([&](TCustomIniFile& s) { s.WriteDate(section, ident, value); });
}

void TRegIniFile::WriteTime(const std::u16string& section, const std::u16string& ident, TDateTime value) {
    Write([&](TCustomIniFile& s) { s.WriteTime(section, ident, value); });
}

void TRegIniFile::WriteDateTime(const std::u16string& section, const std::u16string& ident, TDateTime value) {
    Write([&](TCustomIniFile& s) { s.WriteDateTime(section, ident, value); });
}

double TRegIniFile::ReadFloat(const std::u16string& section, const std::u16string& ident, double defaultValue) {
    return Storage().ReadFloat(section, ident, defaultValue);
}

void TRegIniFile::WriteFloat(const std::u16string& section, const std::u16string& ident, double value) {
    Write([&](TCustomIniFile& s) { s.WriteFloat(section, ident, value); });
}

int32_t TRegIniFile::ReadBinaryStream(const std::u16string& section, const std::u16string& ident,
                                      TStream& value) {
    return Storage().ReadBinaryStream(section, ident, value);
}

void TRegIniFile::WriteBinaryStream(const std::u16string& section, const std::u16string& ident, TStream& value) {
    const size_t start = value.Position();  // the edit runs again on the file as it is now
    Write([&](TCustomIniFile& s) {
        value.SetPosition(start);
        s.WriteBinaryStream(section, ident, value);
    });
}

void TRegIniFile::ReadSection(const std::u16string& section, TStrings& strings) {
    Storage().ReadSection(section, strings);
}

void TRegIniFile::ReadSections(TStrings& strings) { Storage().ReadSections(strings); }

void TRegIniFile::ReadSectionValues(const std::u16string& section, TStrings& strings) {
    Storage().ReadSectionValues(section, strings);
}

void TRegIniFile::EraseSection(const std::u16string& section) {
    Write([&](TCustomIniFile& s) { s.EraseSection(section); });
}

void TRegIniFile::DeleteKey(const std::u16string& section, const std::u16string& ident) {
    Write([&](TCustomIniFile& s) { s.DeleteKey(section, ident); });
}

}  // namespace zo
