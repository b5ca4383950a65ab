// The settings file on disk, apart from the settings classes: reading it, the bytes a document is
// written as, and the read-modify-write of the file. The panel's store and the service program
// both go through these, so they read, check and write the file by one code.
//
// Every access opens the file's folder by its path and checks that it is that folder, then opens
// the file relative to that handle, never through a link at its name, and checks the handle
// before a byte is read: a file on a disk (no pipe, FIFO or device), with one name, no link at it
// or in a folder above, at most 1 MiB.
//
// A write holds the file open, shared with nobody, from the read to the moment its new content is
// on the disk: another writer waits for it (the panels and the service program's /setting take
// turns that way), and a program that writes the file meanwhile fails where it can see it, so no
// completed write is overwritten unseen. The new content is written over the old in place, after a
// copy of it was made and flushed under a name of its own (the pending copy, `<file>.~pending`):
// a save cut short by a crash leaves that complete copy, which readers take for the file's content
// and the next save puts in place.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/SystemText.h"
#include "settings/IniDocument.h"

namespace zo {

// The largest file that is a settings file: the control panel writes 33 bytes. Both programs
// refuse a larger one alike, and never write one.
constexpr uint64_t kMaxSettingsFileBytes = 1 << 20;

// The services one read or write of the settings file needs.
struct TSettingsFiles {
    IFileSystem& Files;
    ICodePage& CodePage;
    ILocale& Locale;
    ISystemText& SystemText;
    uint64_t MaxFileBytes = kMaxSettingsFileBytes;
};

// True when a handle's final path is the file's own name: the same text but for letter case and a
// "\\?\" prefix. Anything else (a link at the name or in a folder above it) leads elsewhere.
bool SameFinalPath(std::u16string_view fileName, std::u16string_view finalPath);
// What the settings code makes of an opened file: fsPipe, fsDevice or fsFolder for what is not a
// file on a disk; fsLink when it is a link, reached through one, or has a second name; fsTooLarge
// when it is over maxBytes; else 0.
uint32_t CheckOpenedFile(std::u16string_view fileName, const TFileFacts& file, uint64_t maxBytes);
// The reason for a failure in words: the system's text, or the program's own for its codes.
std::u16string FileFailureText(ISystemText& systemText, uint32_t code, uint64_t size);

// The name of the pending copy of a file: `<file>.~pending`.
std::u16string PendingName(const std::u16string& fileName);

// A settings file read and decoded.
struct TIniText {
    std::u16string Text;  // up to its first NUL, which ends the text
    // In: the encoding to decode with, if fixed. Out: the one detected from a byte-order mark, or
    // UTF-16 without one, else the ANSI code page; left as it was when the read fails.
    std::optional<uint32_t> Encoding;
    bool Marked = false;   // the file began with the byte-order mark of the detected encoding
    bool Found = false;    // a file of that name exists (a missing one gives no text and no error)
    uint64_t Size = 0;     // its size, also when it was refused for its size
    bool Pending = false;  // read from the pending copy of a save cut short
};

// Reads a settings file and decodes it into the text that TIniDocument::Parse takes; a pending
// copy this program made stands for the file. While another program holds the file, tries again
// for up to waitMs. A missing file or folder, or no name, gives no text. Returns 0, one of the
// program's codes (fsLink, fsTooLarge, fsPipe, ...) or the platform's error code.
uint32_t ReadIniText(const TSettingsFiles& access, const std::u16string& fileName, uint32_t waitMs, TIniText& read);

// ReadIniText as the panel reads: waiting a moment for another writer, decoded with `encoding`
// when given. Throws EFOpenError ("Cannot open file "<file>". <reason>") when the file cannot be read.
TIniText ReadSettingsFile(const TSettingsFiles& access, const std::u16string& fileName,
                          const std::optional<uint32_t>& encoding);

// Decodes a file's bytes, all of them (NULs included): detects the encoding when none is fixed,
// skips its byte-order mark. UTF-16 without a mark is told from the whole file.
std::u16string DecodeIniBytes(std::string_view bytes, ICodePage& codePages, std::optional<uint32_t>& encoding,
                              bool& marked);
// The encoding a rewrite uses when none is fixed: the file's own when it carried a byte-order
// mark; else the ANSI code page when it holds every character of the text, else UTF-8.
uint32_t RewriteEncoding(const std::optional<uint32_t>& detected, bool marked, std::u16string_view text,
                         ICodePage& codePages);

// The bytes a document is written as, byte-order mark first: in `encoding` when it was `given`;
// else in the file's own when it carried its byte-order mark (`marked`); else in the ANSI code page
// when that holds every character, else in UTF-8. An empty document (or text) is an empty file.
std::string EncodeIniText(const std::u16string& text, const std::optional<uint32_t>& encoding, bool given, bool marked,
                          ICodePage& codePages);
std::string EncodeIniDocument(const TIniDocument& document, const std::optional<uint32_t>& encoding, bool given,
                              bool marked, ICodePage& codePages);

// What a rewrite puts in the file: a document and how to encode it (as EncodeIniDocument).
struct TRewrite {
    const TIniDocument* Document = nullptr;
    std::optional<uint32_t> Encoding;
    bool Given = false;
    bool Marked = false;
};

// Rewrites a file (read-modify-write). Holding it as described above, its current content is read
// (decoded with `encoding` when given) and handed to `rewrite` (null when there is no file), whose
// document is written back. With `keepContent` (a change of the file as it is, not a whole new
// document), a file whose bytes would not come back as the same text, or that holds a NUL, is
// not rewritten. Nor is a result over the size limit, or one that would not read back as the
// document. Throws ESettingsRefused for those, the file as it was; EFCreateError when the file
// cannot be read or written, naming it and the reason.
void RewriteFile(const TSettingsFiles& access, const std::u16string& fileName, const std::optional<uint32_t>& encoding,
                 bool keepContent, const std::function<TRewrite(TIniText* current)>& rewrite);

// Read-modify-write of one document: the file as it is now, `edit` applied, written back in the
// encoding EncodeIniDocument picks. Throws as RewriteFile.
void EditIniFile(const TSettingsFiles& access, const std::u16string& fileName,
                 const std::function<void(TIniDocument&)>& edit);

// Removes what crashed writes left in the file's folder: files named `<file>.~` and 16 hexadecimal
// digits, regular files with one name and no link, owned by this program's side (Administrators,
// SYSTEM or the account it runs as), and more than a minute old. Nothing else. Returns how many.
int RemoveLeftovers(const TSettingsFiles& access, const std::u16string& fileName);

}  // namespace zo
