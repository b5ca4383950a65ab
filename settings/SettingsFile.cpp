#include "settings/SettingsFile.h"

#include "platform/Failure.h"
#include "platform/Text.h"

namespace zo {

std::string EncodeIniDocument(const TIniDocument& document, const std::optional<uint32_t>& encoding, bool given,
                              bool marked, ICodePage& codePages) {
    if (document.Empty()) return {};
    const std::u16string text = document.FileText();
    const uint32_t codePage = given ? *encoding : RewriteEncoding(encoding, marked, text, codePages);
    return EncodingPreamble(codePage) + EncodeText(codePage, text, codePages);
}

namespace {

// The new file's name: the file's own and 16 random hexadecimal digits, which nobody can guess
// and so plant anything at.
std::u16string FreshName(IFileSystem& files, const std::u16string& fileName) {
    static const char16_t digits[] = u"0123456789abcdef";
    uint64_t random = files.RandomNumber();
    std::u16string name = fileName + u".~";
    for (int i = 0; i < 16; ++i, random >>= 4) name += digits[random & 15];
    return name;
}

}  // namespace

void RewriteFile(const TSettingsFiles& platform, const std::u16string& fileName, const std::optional<uint32_t>& encoding,
                 const std::function<std::string(TIniText* current)>& rewrite) {
    IFileSystem& files = platform.Files;
    TIniText current;
    current.Encoding = encoding;
    const auto failure = [&](const char16_t* format, uint32_t code) {
        return EFCreateError(
            FormatS(format, {fileName, FileFailureText(platform.SystemText, code, current.Size), IntToStr(code)}));
    };
    // Fails, as creating the file itself would, while another program has the file open; a link
    // is refused rather than replaced, since what was read through it belongs to another file.
    if (uint32_t code = ReadIniText(files, platform.CodePage, fileName, platform.MaxFileBytes, true, current))
        throw failure(u"Cannot create file \"%s\". %s", code);
    const std::string bytes = rewrite(current.Found ? &current : nullptr);
    // The new file sits next to the old one, so the replace stays on one volume and is one step.
    // Whatever has a name already (a folder, a file, a link) is passed over and left alone.
    std::u16string temporary;
    bool created = false;
    uint32_t code = fsFileExists;
    for (int attempt = 0; attempt < 16 && !created && code == fsFileExists; ++attempt) {
        temporary = FreshName(files, fileName);
        code = files.CreateNewAndWriteAllBytes(temporary, bytes, created);
    }
    if (code == 0) code = files.Replace(temporary, fileName, current.Found);
    if (code == 0) return;
    if (!created) throw failure(u"Cannot create file \"%s\". %s", code);
    files.RemoveFile(temporary);  // made by this write: nobody else's
    throw failure(u"Cannot write file \"%s\". %s (error %s)", code);
}

void EditIniFile(const TSettingsFiles& access, const std::u16string& fileName,
                 const std::function<void(TIniDocument&)>& edit) {
    RewriteFile(access, fileName, std::nullopt, [&](TIniText* current) {
        TIniDocument document(access.Locale);
        if (current) document.Parse(std::move(current->Text));
        edit(document);
        return EncodeIniDocument(document, current ? current->Encoding : std::nullopt, false,
                                 current && current->Marked, access.CodePage);
    });
}

}  // namespace zo
