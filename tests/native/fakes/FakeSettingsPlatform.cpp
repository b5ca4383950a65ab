#include "fakes/FakeSettingsPlatform.h"

#include <algorithm>
#include <cstdint>

#include "platform/Text.h"

namespace fakes {

namespace {

std::u16string ParentFolder(const std::u16string& path) {
    size_t sep = path.find_last_of(u'\\');
    return sep == std::u16string::npos ? std::u16string() : path.substr(0, sep);
}

std::u16string WithoutTrailingBackslash(std::u16string folder) {
    while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
    return folder;
}

}  // namespace

void FakeFileSystem::AddFolder(std::u16string folder) {
    folder = WithoutTrailingBackslash(folder);
    while (!folder.empty()) {
        Folders.insert(folder);
        folder = ParentFolder(folder);
    }
}

bool FakeFileSystem::FileExists(const std::u16string& fileName) { return Files.count(fileName) != 0; }

namespace {

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
    return folder.empty() ? name : folder + u"\\" + name;
}

// A file as the code holds it open.
class FakeFile : public zo::IFile {
public:
    FakeFile(FakeFileSystem& fs, std::u16string folder, std::u16string path, zo::TOpenMode mode)
        : FFs(fs), FFolder(std::move(folder)), FPath(std::move(path)), FMode(mode) {
        FFs.Opened[FPath].push_back(mode);
    }
    ~FakeFile() override { Release(); }
    uint32_t Facts(zo::TFileFacts& facts) override { return FakeFacts(FFs, FPath, facts); }
    uint32_t ReadAll(std::string& bytes, uint64_t limit) override {
        ++FFs.Reads;
        const std::string& content = FFs.Files[FPath];
        bytes = content.size() > limit ? content.substr(0, size_t(limit) + 1) : content;
        auto changing = FFs.ChangingReads.find(FPath);
        if (changing != FFs.ChangingReads.end() && changing->second > 0) {  // another writer, meanwhile
            --changing->second;
            ++FFs.Versions[FPath];
        }
        return 0;
    }
    uint32_t WriteAll(std::string_view bytes) override {
        uint32_t failure = 0;
        if (!FFs.WriteFailures.empty()) {
            failure = FFs.WriteFailures.front();
            FFs.WriteFailures.erase(FFs.WriteFailures.begin());
        }
        ++FFs.Versions[FPath];
        FFs.Files[FPath] = std::string(failure ? bytes.substr(0, bytes.size() / 2) : bytes);
        if (failure) return failure;
        ++FFs.Writes;
        return 0;
    }
    uint32_t Rename(const std::u16string& name, bool replace) override {
        const std::u16string target = Join(FFolder, name);
        if (FFs.Folders.count(target)) return 5;
        if (FFs.Files.count(target) && !replace) return zo::fsFileExists;
        if (FFs.Opened.count(target)) return 5;  // a file that is open is not replaced
        FFs.Files[target] = std::move(FFs.Files[FPath]);
        FFs.Files.erase(FPath);
        Release();
        FPath = target;
        FFs.Opened[FPath].push_back(FMode);
        return 0;
    }
    uint32_t Delete() override {
        if (FFs.DeleteFailures > 0 && FFs.DeleteFailures--) return 5;
        FFs.Files.erase(FPath);
        return 0;
    }

    static uint32_t FakeFacts(FakeFileSystem& fs, const std::u16string& path, zo::TFileFacts& facts) {
        facts = zo::TFileFacts{};
        auto kind = fs.Kinds.find(path);
        if (kind != fs.Kinds.end()) {
            facts.Kind = kind->second;
            return 0;
        }
        const std::u16string name = path.substr(path.find_last_of(u'\\') + 1);
        facts.FinalPath = fs.Links.count(path) ? u"\\\\?\\C:\\Elsewhere\\" + name : u"\\\\?\\" + path;
        facts.Kind = fs.Folders.count(path) || path.empty() ? zo::fkFolder : zo::fkDisk;
        facts.Links = fs.SecondNames.count(path) ? 2u : 1u;
        auto file = fs.Files.find(path);
        facts.Size = file == fs.Files.end() ? 0 : file->second.size();
        facts.OwnedByUs = !fs.Foreign.count(path);
        facts.WriteTime = fs.Versions[path];
        auto age = fs.Ages.find(path);
        facts.AgeMs = age == fs.Ages.end() ? 0 : age->second;
        return 0;
    }

private:
    void Release() {
        auto& modes = FFs.Opened[FPath];
        modes.erase(std::find(modes.begin(), modes.end(), FMode));
        if (modes.empty()) FFs.Opened.erase(FPath);
    }
    FakeFileSystem& FFs;
    std::u16string FFolder, FPath;
    zo::TOpenMode FMode;
};

class FakeFolder : public zo::IFolder {
public:
    FakeFolder(FakeFileSystem& fs, std::u16string path) : FFs(fs), FPath(std::move(path)) {}
    uint32_t Facts(zo::TFileFacts& facts) override { return FakeFile::FakeFacts(FFs, FPath, facts); }
    uint32_t Open(const std::u16string& name, zo::TOpenMode mode, std::unique_ptr<zo::IFile>& file,
                  bool& created) override {
        created = false;
        const std::u16string path = Join(FPath, name);
        const bool exists = FFs.Files.count(path) || FFs.Kinds.count(path), folder = FFs.Folders.count(path) != 0;
        // How this program holds it already: readers, and writers (who share with nobody).
        int readers = 0, writers = 0;
        if (auto held = FFs.Opened.find(path); held != FFs.Opened.end())
            for (zo::TOpenMode m : held->second) {
                if (m == zo::omRead) ++readers;
                else if (m != zo::omInspect) ++writers;
            }
        if (mode == zo::omInspect) {
            if (!exists && !folder) return zo::fsFileNotFound;
        } else if (folder) {
            return mode == zo::omCreateNew ? zo::fsFileExists : zo::fsFolder;
        } else if (mode == zo::omCreateNew || (mode == zo::omExclusive && !exists)) {
            if (exists) return zo::fsFileExists;
            if (FFs.AccessDenied.count(FPath)) return 5;
            FFs.Files[path];
            created = true;
        } else {
            if (!exists) return zo::fsFileNotFound;
            if (FFs.AccessDenied.count(path)) return 5;
            const bool writing = mode == zo::omExclusive;
            if (FFs.OpenForWriting.count(path) || writers || (writing && (FFs.OpenForReading.count(path) || readers)))
                return zo::fsSharingViolation;
        }
        file = std::make_unique<FakeFile>(FFs, FPath, path, mode);
        return 0;
    }
    uint32_t List(std::vector<std::u16string>& names) override {
        for (const auto& entries : {std::vector<std::u16string>(FFs.Folders.begin(), FFs.Folders.end()), Keys(FFs.Files)})
            for (const auto& path : entries)
                if (path != FPath && ParentFolder(path) == FPath) names.push_back(path.substr(FPath.size() + !FPath.empty()));
        return 0;
    }

private:
    static std::vector<std::u16string> Keys(const std::map<std::u16string, std::string>& files) {
        std::vector<std::u16string> keys;
        for (const auto& [path, bytes] : files) keys.push_back(path);
        return keys;
    }
    FakeFileSystem& FFs;
    std::u16string FPath;
};

}  // namespace

uint32_t FakeFileSystem::OpenFolder(const std::u16string& folder, std::unique_ptr<zo::IFolder>& opened) {
    if (!folder.empty() && !Folders.count(folder)) return Folders.count(ParentFolder(folder)) ? 2 : 3;
    opened = std::make_unique<FakeFolder>(*this, folder);
    return 0;
}

uint32_t FakeFileSystem::RandomNumber(uint64_t& number) {
    static uint64_t next = 0;
    if (RandomFailure) return RandomFailure;
    if (RandomNumbers.empty()) {
        number = next++;
    } else {
        number = RandomNumbers.front();
        RandomNumbers.erase(RandomNumbers.begin());
    }
    return 0;
}

bool FakeFileSystem::ForceDirectories(const std::u16string& folder) {
    AddFolder(folder);
    return true;
}

std::u16string FakeCodePage::ToUnicode(uint32_t, std::string_view bytes) {
    std::u16string out;
    for (unsigned char c : bytes) out += char16_t(c);
    return out;
}

std::string FakeCodePage::FromUnicode(uint32_t, std::u16string_view text) {
    std::string out;
    for (char16_t c : text) out += c < 256 ? char(c) : '?';
    return out;
}

std::u16string FakeLocale::UpperCase(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out)
        if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c -= 32;
    return out;
}

std::u16string FakeSystemText::SystemMessage(uint32_t code) { return u"Error " + zo::IntToStr(code) + u".\r\n"; }

std::u16string FakeEnvironment::SpecialFolderPath(int csidl) {
    auto it = SpecialFolders.find(csidl);
    return it == SpecialFolders.end() ? std::u16string() : it->second;
}

std::u16string FakeRegistry::Key(uint32_t root, const std::u16string& path) {
    std::u16string key = zo::IntToStr(root) + u":";
    for (char16_t c : path) key += (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
    return key;
}

uint32_t FakeRegistry::CreateKey(uint32_t root, const std::u16string& path, uint32_t access) {
    LastAccess = access;
    std::u16string p = path;
    while (true) {  // parents too
        Keys[Key(root, p)];
        size_t sep = p.find_last_of(u'\\');
        if (sep == std::u16string::npos) break;
        p = p.substr(0, sep);
    }
    return 0;
}

bool FakeRegistry::KeyExists(uint32_t root, const std::u16string& path, uint32_t access) {
    LastAccess = access;
    return Keys.count(Key(root, path)) != 0;
}

bool FakeRegistry::ReadString(uint32_t root, const std::u16string& path, const std::u16string& name,
                              uint32_t access, std::u16string& value) {
    LastAccess = access;
    auto key = Keys.find(Key(root, path));
    if (key == Keys.end()) return false;
    auto it = key->second.find(name);
    if (it == key->second.end()) return false;
    value = it->second;
    return true;
}

uint32_t FakeRegistry::WriteString(uint32_t root, const std::u16string& path, const std::u16string& name,
                                   uint32_t access, const std::u16string& value) {
    CreateKey(root, path, access);
    Keys[Key(root, path)][name] = value;
    return 0;
}

std::vector<std::u16string> FakeRegistry::SubKeyNames(uint32_t root, const std::u16string& path, uint32_t access) {
    LastAccess = access;
    std::vector<std::u16string> out;
    const std::u16string prefix = Key(root, path) + u"\\";
    const size_t skip = zo::IntToStr(root).size() + 1 + path.size() + 1;
    for (const auto& [key, values] : Keys)
        if (key.compare(0, prefix.size(), prefix) == 0 && key.find(u'\\', prefix.size()) == std::u16string::npos)
            out.push_back(key.substr(skip));
    return out;
}

std::vector<std::u16string> FakeRegistry::ValueNames(uint32_t root, const std::u16string& path, uint32_t access) {
    LastAccess = access;
    std::vector<std::u16string> out;
    auto key = Keys.find(Key(root, path));
    if (key != Keys.end())
        for (const auto& [name, value] : key->second) out.push_back(name);
    return out;
}

uint32_t FakeRegistry::DeleteKey(uint32_t root, const std::u16string& path, uint32_t access) {
    LastAccess = access;
    const std::u16string key = Key(root, path);
    for (auto it = Keys.begin(); it != Keys.end();) {
        if (it->first == key || it->first.compare(0, key.size() + 1, key + u"\\") == 0)
            it = Keys.erase(it);
        else
            ++it;
    }
    return 0;
}

uint32_t FakeRegistry::DeleteValue(uint32_t root, const std::u16string& path, const std::u16string& name,
                                   uint32_t access) {
    LastAccess = access;
    auto key = Keys.find(Key(root, path));
    if (key != Keys.end()) key->second.erase(name);
    return 0;
}

}  // namespace fakes
