#include "settings/SettingsFile.h"

#include <memory>

#include "platform/Failure.h"
#include "platform/Text.h"

namespace zo {

namespace {

// How long a write waits for another program that holds the file, and how often it looks again;
// how long the panel's read waits for another writer.
constexpr uint32_t kHoldWaitMs = 3000, kHoldPollMs = 20, kReadWaitMs = 1000;
// A file that changes while it is read is read again, this many times in all.
constexpr int kReadAttempts = 3;
// A leftover of a crashed write is removed only once it is this old: a younger one may belong to a
// write that is still going on.
constexpr uint64_t kLeftoverAgeMs = 60 * 1000;
constexpr char16_t kPendingSuffix[] = u".~pending";

bool Missing(uint32_t code) { return code == fsFileNotFound || code == fsPathNotFound; }
bool Held(uint32_t code) { return code == fsSharingViolation || code == fsLockViolation; }

// A file's path as its folder and its name in it.
struct TPathParts {
    std::u16string Folder, Name;
};

TPathParts SplitPath(const std::u16string& fileName) {
    const size_t sep = fileName.find_last_of(u'\\');
    if (sep == std::u16string::npos) return {u"", fileName};  // no folder the system would find
    return {fileName.substr(0, sep), fileName.substr(sep + 1)};
}

// UTF-16 without a byte-order mark, told from the whole file: an even number of bytes with a NUL
// among them, read in the one byte order that gives no NUL character, no lone surrogate and at
// least one section header line ("[...]"), as every settings file worth reading has. The NULs of
// an 8-bit file do not make that. 0 when the bytes do not read so.
uint32_t UnmarkedUtf16(std::string_view bytes) {
    if (bytes.size() < 2 || bytes.size() % 2 || bytes.find('\0') == std::string_view::npos) return 0;
    for (const uint32_t codePage : {cpUTF16LE, cpUTF16BE}) {
        const bool little = codePage == cpUTF16LE;
        bool valid = true, header = false, lineStart = true;
        char16_t first = 0, last = 0;
        const auto endLine = [&] {
            header = header || (first == u'[' && last == u']');
            first = last = 0;
        };
        for (size_t i = 0; valid && i < bytes.size(); i += 2) {
            const unsigned char a = bytes[i], b = bytes[i + 1];
            const char16_t c = little ? char16_t(a | (b << 8)) : char16_t((a << 8) | b);
            const bool high = c >= 0xD800 && c < 0xDC00, low = c >= 0xDC00 && c < 0xE000;
            const char16_t next = i + 3 < bytes.size() ? (little ? char16_t(uint8_t(bytes[i + 2]) | (uint8_t(bytes[i + 3]) << 8))
                                                                 : char16_t((uint8_t(bytes[i + 2]) << 8) | uint8_t(bytes[i + 3])))
                                                       : 0;
            if (c == 0 || low || (high && !(next >= 0xDC00 && next < 0xE000))) valid = false;
            if (high) i += 2;  // the pair is one character, never a syntax one
            if (c == u'\r' || c == u'\n') {
                endLine();
                lineStart = true;
            } else if (c > 32) {
                if (lineStart) first = c;
                lineStart = false;
                last = c;
            }
        }
        endLine();
        if (valid && header) return codePage;
    }
    return 0;
}

// Opens the folder of a settings file and checks that it is that folder, not a link to another.
uint32_t OpenCheckedFolder(IFileSystem& files, const std::u16string& path, std::unique_ptr<IFolder>& folder) {
    if (uint32_t code = files.OpenFolder(path, folder)) return code;
    TFileFacts facts;
    if (uint32_t code = folder->Facts(facts)) return code;
    if (facts.Kind != fkFolder) return fsPathNotFound;
    return facts.ReparsePoint || !SameFinalPath(path, facts.FinalPath) ? fsLink : 0;
}

// Opens a file of a checked folder; while another program holds it, tries again for up to waitMs.
uint32_t OpenWaiting(IFileSystem& files, IFolder& folder, const std::u16string& name, TOpenMode mode, uint32_t waitMs,
                     std::unique_ptr<IFile>& file, bool& created) {
    for (uint32_t waited = 0;; waited += kHoldPollMs) {
        const uint32_t code = folder.Open(name, mode, file, created);
        if (!Held(code) || waited >= waitMs) return code;
        files.Pause(kHoldPollMs);
    }
}

// Reads an opened file whole after checking it; again when it changed while it was read (its size
// or last write moved, or its end was not where its size said).
uint32_t ReadChecked(IFile& file, const std::u16string& path, uint64_t maxBytes, std::string& bytes, uint64_t& size) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        TFileFacts before, after;
        if (uint32_t code = file.Facts(before)) return code;
        size = before.Size;
        if (uint32_t code = CheckOpenedFile(path, before, maxBytes)) return code;
        if (uint32_t code = file.ReadAll(bytes, maxBytes)) return code;
        if (bytes.size() > maxBytes) {  // it grew past the limit while it was read
            size = bytes.size();
            return fsTooLarge;
        }
        if (uint32_t code = file.Facts(after)) return code;
        if (after.Size == before.Size && after.WriteTime == before.WriteTime && bytes.size() == after.Size) return 0;
    }
    return fsChanging;
}

// The pending copy of a save that was cut short: 0 with its bytes when there is one that this
// program made; fsFileNotFound when there is none; fsForeignPending when something else has its
// name; else the platform's code.
uint32_t ReadPending(IFolder& folder, const std::u16string& fileName, uint64_t maxBytes, std::string& bytes) {
    const std::u16string path = PendingName(fileName);
    std::unique_ptr<IFile> pending;
    bool created = false;
    uint32_t code = folder.Open(SplitPath(path).Name, omRead, pending, created);
    if (code == fsFileNotFound) return code;
    if (code == fsFolder) return fsForeignPending;
    if (code) return code;
    TFileFacts facts;
    if ((code = pending->Facts(facts))) return code;
    if (!facts.OwnedByUs || CheckOpenedFile(path, facts, maxBytes)) return fsForeignPending;
    uint64_t size = 0;
    std::string read;  // the caller's bytes stay as they are unless the whole copy is read
    code = ReadChecked(*pending, path, maxBytes, read, size);
    if (code) return code == fsTooLarge || code == fsLink ? fsForeignPending : code;
    bytes = std::move(read);
    return 0;
}

// The file's name and 16 random hexadecimal digits, which nobody can guess and so plant anything
// at; a leftover of a crash has such a name too.
uint32_t FreshName(IFileSystem& files, const std::u16string& name, std::u16string& fresh) {
    static const char16_t digits[] = u"0123456789abcdef";
    uint64_t random = 0;
    if (uint32_t code = files.RandomNumber(random)) return code;
    fresh = name + u".~";
    for (int i = 0; i < 16; ++i, random >>= 4) fresh += digits[random & 15];
    return 0;
}

bool LeftoverName(std::u16string_view entry, std::u16string_view name) {
    if (entry.size() != name.size() + 18 || entry.substr(0, name.size()) != name ||
        entry.substr(name.size(), 2) != u".~")
        return false;
    for (char16_t c : entry.substr(name.size() + 2))
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'))) return false;
    return true;
}

int RemoveLeftoversIn(IFolder& folder, const std::u16string& fileName) {
    const TPathParts parts = SplitPath(fileName);
    std::vector<std::u16string> names;
    if (folder.List(names)) return 0;
    int removed = 0;
    for (const auto& entry : names) {
        if (!LeftoverName(entry, parts.Name)) continue;
        std::unique_ptr<IFile> file;
        bool created = false;
        TFileFacts facts;
        if (folder.Open(entry, omInspect, file, created) || file->Facts(facts)) continue;
        if (facts.Kind != fkDisk || !facts.OwnedByUs || facts.AgeMs <= kLeftoverAgeMs ||
            facts.ReparsePoint || facts.Links != 1 || !SameFinalPath(parts.Folder + u"\\" + entry, facts.FinalPath))
            continue;
        removed += file->Delete() == 0;
    }
    return removed;
}

// The bytes of a file read for a rewrite.
struct TCurrent {
    TIniText Text;
    std::string Bytes;        // as read (from the pending copy when Text.Pending)
    std::u16string Whole;     // all of them decoded, NULs included
};

// The file's own bytes must come back when their text is encoded again, or a rewrite would change
// what it did not mean to. No difference is taken as harmless: a multi-byte code page's second
// spelling of a character would be, but telling it from a lost byte needs the code page's tables,
// so such a file is refused too.
uint32_t CheckLossless(const TCurrent& current, ICodePage& codePages) {
    if (current.Whole.find(char16_t(0)) != std::u16string::npos) return fsNulInText;
    const uint32_t codePage = *current.Text.Encoding;
    const std::string again = (current.Text.Marked ? EncodingPreamble(codePage) : std::string()) +
                              EncodeText(codePage, current.Whole, codePages);
    return again == current.Bytes ? 0 : fsNotText;
}

// The bytes about to be written must decode to the text they were made from: no character lost to
// the encoding on the way.
bool DecodesBack(const std::string& bytes, const std::u16string& text, const TRewrite& rewrite, ICodePage& codePages) {
    std::optional<uint32_t> encoding = rewrite.Given ? rewrite.Encoding : std::nullopt;
    bool marked = false;
    return DecodeIniBytes(bytes, codePages, encoding, marked) == text;
}

}  // namespace

bool SameFinalPath(std::u16string_view fileName, std::u16string_view finalPath) {
    // The final path comes as "\\?\C:\..." or "\\?\UNC\server\...".
    if (finalPath.substr(0, 8) == u"\\\\?\\UNC\\") {
        if (fileName.substr(0, 2) != u"\\\\") return false;
        finalPath.remove_prefix(8);
        fileName.remove_prefix(2);
    } else if (finalPath.substr(0, 4) == u"\\\\?\\") {
        finalPath.remove_prefix(4);
    }
    if (fileName.size() != finalPath.size()) return false;
    for (size_t i = 0; i < fileName.size(); ++i)
        if (AsciiUpper(fileName[i]) != AsciiUpper(finalPath[i])) return false;
    return true;
}

uint32_t CheckOpenedFile(std::u16string_view fileName, const TFileFacts& file, uint64_t maxBytes) {
    if (file.Kind == fkPipe) return fsPipe;
    if (file.Kind == fkDevice) return fsDevice;
    if (file.Kind == fkFolder) return fsFolder;
    if (file.ReparsePoint || file.Links > 1 || !SameFinalPath(fileName, file.FinalPath)) return fsLink;
    return file.Size > maxBytes ? fsTooLarge : 0;
}

std::u16string FileFailureText(ISystemText& systemText, uint32_t code, uint64_t size) {
    switch (code) {
        case fsLink: return u"It is a link to another file, and settings are never read or written through a link";
        case fsTooLarge:
            return FormatS(u"It holds %s bytes, and a settings file holds at most %s bytes",
                           {IntToStr(int64_t(size)), IntToStr(int64_t(kMaxSettingsFileBytes))});
        case fsPipe: return u"It is a pipe, not a file, and settings are read only from a file on a disk";
        case fsDevice: return u"It is a device, not a file, and settings are read only from a file on a disk";
        case fsFolder: return u"It is a folder, not a file";
        case fsChanging: return u"It changed each time it was read: another program is writing it";
        case fsNotText:
            return u"Some of its bytes are not text in its encoding, and rewriting it would change them";
        case fsNulInText:
            return u"It holds a NUL character, after which a settings file is not read, and rewriting it would drop "
                   u"what follows";
        case fsForeignPending:
            return u"A file that this program did not make has the name of its pending copy";
        case fsNotReadBack: return u"Its new content would not read back as it was meant";
        default: return IsSystemCode(code) ? SysErrorMessage(systemText, code) : u"Error " + IntToStr(code);
    }
}

std::u16string PendingName(const std::u16string& fileName) { return fileName + kPendingSuffix; }

uint32_t ReadIniText(const TSettingsFiles& access, const std::u16string& fileName, uint32_t waitMs, TIniText& read) {
    read.Text.clear();
    read.Found = read.Pending = false;
    read.Size = 0;
    if (fileName.empty()) return 0;
    const TPathParts parts = SplitPath(fileName);
    std::unique_ptr<IFolder> folder;
    uint32_t code = OpenCheckedFolder(access.Files, parts.Folder, folder);
    if (Missing(code)) return 0;  // no folder: no file
    read.Found = true;
    if (code) return code;
    std::unique_ptr<IFile> file;
    bool created = false;
    code = OpenWaiting(access.Files, *folder, parts.Name, omRead, waitMs, file, created);
    std::string bytes;
    if (code == fsFileNotFound)
        read.Found = false;
    else if (code || (code = ReadChecked(*file, fileName, access.MaxFileBytes, bytes, read.Size)))
        return code;
    // While the file is open for reading, or is not there, no write is going on (a write makes the
    // file before its pending copy and removes the copy first), so a pending copy is a crashed
    // one; a writer takes it as the file, and so must a reader. One that cannot be read now is a
    // failure to read the file, not a file without one.
    code = ReadPending(*folder, fileName, access.MaxFileBytes, bytes);
    if (code == 0) read.Found = read.Pending = true;
    else if (code != fsFileNotFound && code != fsForeignPending) return code;
    if (!read.Found) return 0;
    read.Text = DecodeIniBytes(bytes, access.CodePage, read.Encoding, read.Marked);
    const size_t nul = read.Text.find(char16_t(0));  // a NUL ends the text
    if (nul != std::u16string::npos) read.Text.resize(nul);
    return 0;
}

TIniText ReadSettingsFile(const TSettingsFiles& access, const std::u16string& fileName,
                          const std::optional<uint32_t>& encoding) {
    TIniText read;
    read.Encoding = encoding;
    if (uint32_t code = ReadIniText(access, fileName, kReadWaitMs, read))
        throw EFOpenError(FormatS(u"Cannot open file \"%s\". %s",
                                  {fileName, FileFailureText(access.SystemText, code, read.Size)}));
    return read;
}

std::u16string DecodeIniBytes(std::string_view bytes, ICodePage& codePages, std::optional<uint32_t>& encoding,
                              bool& marked) {
    if (!encoding) {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
            encoding = cpUTF8;
        else if (bytes.substr(0, 2) == "\xFF\xFE")
            encoding = cpUTF16LE;
        else if (bytes.substr(0, 2) == "\xFE\xFF")
            encoding = cpUTF16BE;
        else if (uint32_t utf16 = UnmarkedUtf16(bytes))
            encoding = utf16;
        else
            encoding = codePages.AnsiCodePage();
    }
    const std::string preamble = EncodingPreamble(*encoding);
    marked = !preamble.empty() && bytes.substr(0, preamble.size()) == preamble;
    if (marked) bytes.remove_prefix(preamble.size());
    return DecodeText(*encoding, bytes, codePages);
}

uint32_t RewriteEncoding(const std::optional<uint32_t>& detected, bool marked, std::u16string_view text,
                         ICodePage& codePages) {
    if (detected && marked) return *detected;
    // A character the ANSI code page cannot hold would be lost, and so would one that it only
    // holds as a look-alike: the text must come back as it was.
    const uint32_t ansi = codePages.AnsiCodePage();
    return DecodeText(ansi, EncodeText(ansi, text, codePages), codePages) == text ? ansi : cpUTF8;
}

std::string EncodeIniText(const std::u16string& text, const std::optional<uint32_t>& encoding, bool given, bool marked,
                          ICodePage& codePages) {
    if (text.empty()) return {};  // no sections: an empty file, without a byte-order mark
    const uint32_t codePage = given ? *encoding : RewriteEncoding(encoding, marked, text, codePages);
    return EncodingPreamble(codePage) + EncodeText(codePage, text, codePages);
}

std::string EncodeIniDocument(const TIniDocument& document, const std::optional<uint32_t>& encoding, bool given,
                              bool marked, ICodePage& codePages) {
    return EncodeIniText(document.FileText(), encoding, given, marked, codePages);
}

void RewriteFile(const TSettingsFiles& access, const std::u16string& fileName, const std::optional<uint32_t>& encoding,
                 bool keepContent, const std::function<TRewrite(TIniText* current)>& rewrite) {
    IFileSystem& files = access.Files;
    const TPathParts parts = SplitPath(fileName);
    TCurrent current;
    current.Text.Encoding = encoding;
    // "<what> "<file>". <reason>", with the system's number after a reason that has one when asked.
    const auto failure = [&](const char16_t* what, uint32_t code, bool number = false) {
        std::u16string text = FormatS(u"%s \"%s\". %s", {what, fileName, FileFailureText(access.SystemText, code, current.Text.Size)});
        return number && IsSystemCode(code) ? text + u" (error " + IntToStr(code) + u")" : text;
    };
    const auto cannotCreate = [&](uint32_t code) { return EFCreateError(failure(u"Cannot create file", code)); };
    const auto cannotWrite = [&](uint32_t code) { return EFCreateError(failure(u"Cannot write file", code, true)); };
    const auto refused = [&](uint32_t code) { return ESettingsRefused(failure(u"Cannot write file", code)); };

    std::unique_ptr<IFolder> folder;
    uint32_t code = OpenCheckedFolder(files, parts.Folder, folder);
    if (code) throw cannotCreate(Missing(code) ? fsPathNotFound : code);
    // Held, shared with nobody, until the new content is on the disk: the lock of the writers.
    std::unique_ptr<IFile> file;
    bool created = false;
    if ((code = OpenWaiting(files, *folder, parts.Name, omExclusive, kHoldWaitMs, file, created)))
        throw cannotCreate(code);
    // A file this write made, and could not fill, goes again: nothing half-made is left.
    struct TMadeHere {
        IFile* File;
        ~TMadeHere() {
            if (File) File->Delete();
        }
    } madeHere{created ? file.get() : nullptr};
    std::string onDisk;  // the file's own bytes, put back if the new ones cannot be written
    if ((code = ReadChecked(*file, fileName, access.MaxFileBytes, onDisk, current.Text.Size)))
        throw cannotCreate(code);
    current.Bytes = onDisk;
    code = ReadPending(*folder, fileName, access.MaxFileBytes, current.Bytes);
    if (code && code != fsFileNotFound) throw cannotCreate(code);
    current.Text.Pending = code == 0;
    current.Text.Found = !created || current.Text.Pending;
    RemoveLeftoversIn(*folder, fileName);

    if (current.Text.Found) {
        current.Whole = DecodeIniBytes(current.Bytes, access.CodePage, current.Text.Encoding, current.Text.Marked);
        current.Text.Text = current.Whole.substr(0, current.Whole.find(char16_t(0)));
    }
    // The rewrite sees the file as every reader does, also when it is then refused.
    const TRewrite next = rewrite(current.Text.Found ? &current.Text : nullptr);
    if (current.Text.Found && keepContent && (code = CheckLossless(current, access.CodePage))) throw refused(code);
    const std::u16string text = next.Document->FileText();
    const std::string bytes = EncodeIniText(text, next.Encoding, next.Given, next.Marked, access.CodePage);
    if (bytes.size() > access.MaxFileBytes) {
        current.Text.Size = bytes.size();  // the message a read of such a file gives
        throw ESettingsRefused(failure(u"Cannot open file", fsTooLarge));
    }
    if (!DecodesBack(bytes, text, next, access.CodePage)) throw refused(fsNotReadBack);

    // The pending copy first: made under a fresh name, flushed, then named, so that it is complete
    // whenever it has its name.
    std::unique_ptr<IFile> pending;
    std::u16string temporary;
    code = fsFileExists;
    for (int attempt = 0; attempt < 16 && code == fsFileExists; ++attempt) {
        if ((code = FreshName(files, parts.Name, temporary))) throw cannotCreate(code);
        code = folder->Open(temporary, omCreateNew, pending, created);
    }
    if (code) throw cannotCreate(code);
    // An own pending copy that was read is replaced; anything else at the name stops the write.
    if ((code = pending->WriteAll(bytes)) ||
        (code = pending->Rename(SplitPath(PendingName(fileName)).Name, current.Text.Pending))) {
        pending->Delete();  // made by this write: nobody else's
        throw cannotWrite(code);
    }
    if ((code = file->WriteAll(bytes))) {
        // The old bytes back, if they can be; else the pending copy keeps the new ones, and both
        // programs read it until the next save puts it in place.
        if (!current.Text.Pending && file->WriteAll(onDisk) == 0 && pending->Delete() == 0) throw cannotWrite(code);
        madeHere.File = nullptr;
        throw EFCreateError(failure(u"Cannot write file", code, true) +
                            FormatS(u". Its new content is kept in \"%s\", which takes its place until the next save",
                                    {PendingName(fileName)}));
    }
    madeHere.File = nullptr;
    pending->Delete();
    pending.reset();  // gone before the file is let go
}

void EditIniFile(const TSettingsFiles& access, const std::u16string& fileName,
                 const std::function<void(TIniDocument&)>& edit) {
    TIniDocument document(access.Locale);
    RewriteFile(access, fileName, std::nullopt, true, [&](TIniText* current) {
        if (current) document.Parse(std::move(current->Text));
        edit(document);
        return TRewrite{&document, current ? current->Encoding : std::nullopt, false, current && current->Marked};
    });
}

int RemoveLeftovers(const TSettingsFiles& access, const std::u16string& fileName) {
    std::unique_ptr<IFolder> folder;
    if (OpenCheckedFolder(access.Files, SplitPath(fileName).Folder, folder)) return 0;
    return RemoveLeftoversIn(*folder, fileName);
}

}  // namespace zo
