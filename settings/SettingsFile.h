// The settings file on disk, apart from the settings classes: the services that reading and
// writing it take, the bytes a document is written as, and the read-modify-write of the file. The
// panel's store and the service program both go through these, so they read, check and write the
// file by one code.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/SystemText.h"
#include "settings/IniDocument.h"

namespace zo {

// The services one read or write of the settings file needs.
struct TSettingsFiles {
    IFileSystem& Files;
    ICodePage& CodePage;
    ILocale& Locale;
    ISystemText& SystemText;
    uint64_t MaxFileBytes = kMaxSettingsFileBytes;
};

// The bytes a document is written as, byte-order mark first: in `encoding` when it was given;
// else in the file's own when it carried its byte-order mark (`marked`); else in the ANSI code page
// when that holds every character, else in UTF-8. An empty document is an empty file.
std::string EncodeIniDocument(const TIniDocument& document, const std::optional<uint32_t>& encoding, bool given,
                              bool marked, ICodePage& codePages);

// Rewrites a file. Under an exclusive open, its current content is read through
// ReadIniText (decoded with `encoding` when given) and handed to `rewrite` (null when there is
// no file), whose bytes then go to a new file of a fresh name in the same folder that replaces it.
// A failure leaves the old file as it was. Throws EFCreateError, naming the file and the reason.
void RewriteFile(const TSettingsFiles& access, const std::u16string& fileName, const std::optional<uint32_t>& encoding,
                 const std::function<std::string(TIniText* current)>& rewrite);

// Read-modify-write of one document: the file as it is now, `edit` applied, written back in the
// encoding EncodeIniDocument picks. Throws as RewriteFile.
void EditIniFile(const TSettingsFiles& access, const std::u16string& fileName,
                 const std::function<void(TIniDocument&)>& edit);

}  // namespace zo
