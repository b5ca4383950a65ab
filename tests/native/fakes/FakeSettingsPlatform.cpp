#include "fakes/FakeSettingsPlatform.h"

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

// A link leads to a file of the same name in another folder.
uint32_t FakeFileSystem::ReadChecked(const std::u16string& fileName, bool exclusive, const zo::TOpenedFileCheck& check,
                                     std::string& bytes, bool& opened) {
    opened = false;
    bytes.clear();
    auto it = Files.find(fileName);
    if (it == Files.end()) return Folders.count(ParentFolder(fileName)) ? 2 : 3;  // file or path not found
    if (AccessDenied.count(fileName)) return 5;
    if (OpenForWriting.count(fileName) || (exclusive && OpenForReading.count(fileName))) return 32;
    opened = true;
    const std::u16string name = fileName.substr(fileName.find_last_of(u'\\') + 1);
    zo::TOpenedFile file{Links.count(fileName) ? u"\\\\?\\C:\\Elsewhere\\" + name : u"\\\\?\\" + fileName,
                         SecondNames.count(fileName) ? 2u : 1u, it->second.size()};
    if (uint32_t code = check(file)) return code;
    ++Reads;
    bytes = it->second;
    return 0;
}

uint32_t FakeFileSystem::CreateNewAndWriteAllBytes(const std::u16string& fileName, const std::string& bytes,
                                                   bool& created) {
    created = false;
    if (!Folders.count(ParentFolder(fileName))) return 3;  // path not found
    if (AccessDenied.count(ParentFolder(fileName))) return 5;
    if (Files.count(fileName)) return zo::fsFileExists;
    created = true;
    if (FailWritingWith) {
        Files[fileName] = bytes.substr(0, bytes.size() / 2);
        return FailWritingWith;
    }
    Files[fileName] = bytes;
    return 0;
}

uint32_t FakeFileSystem::Replace(const std::u16string& source, const std::u16string& target, bool targetExists) {
    if (AccessDenied.count(target)) return 5;
    if (!targetExists && Files.count(target)) return 183;  // already exists
    ++Writes;
    Files[target] = std::move(Files[source]);
    Files.erase(source);
    return 0;
}

void FakeFileSystem::RemoveFile(const std::u16string& fileName) { Files.erase(fileName); }

uint64_t FakeFileSystem::RandomNumber() {
    static uint64_t next = 0;
    if (RandomNumbers.empty()) return next++;
    const uint64_t n = RandomNumbers.front();
    RandomNumbers.erase(RandomNumbers.begin());
    return n;
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
