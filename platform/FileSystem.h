// Whole-file access for small data files such as the settings file.
#pragma once
#include <cstdint>
#include <string>

namespace zo {

// The platform's code for "a file of that name already exists".
constexpr uint32_t fsFileExists = 80;
// Returned by CheckReplaceable for a name that is a link: a symbolic link or another reparse
// point, or one of several names of a file. Bit 29 marks codes that no system call returns.
constexpr uint32_t fsLink = 0x20000001;

class IFileSystem {
public:
    virtual ~IFileSystem() = default;

    // True when a file (not a folder) of that name exists.
    virtual bool FileExists(const std::u16string& fileName) = 0;

    // Opens an existing file for reading, letting other programs read it but not write it, reads
    // all its bytes into `bytes` and closes it. Returns 0, or the platform's error code when the
    // file cannot be opened (`opened` false) or read (`opened` true).
    virtual uint32_t ReadAllBytes(const std::u16string& fileName, std::string& bytes, bool& opened) = 0;

    // A whole-file write goes through a new file in the same folder, which then replaces the old
    // one in a single step, so that a failure at any point leaves the old file as it was and
    // readers never see a partial file. The steps, in order:

    // Opens the file of that name, if there is one, for reading and writing with no sharing, and
    // closes it again: 0 when it is missing or could be opened, fsLink when the name is a link
    // (a reparse point is never opened), else the platform's error code.
    virtual uint32_t CheckReplaceable(const std::u16string& fileName) = 0;

    // Creates a new file (fsFileExists when the name is taken), writes `bytes`, flushes them to
    // the disk and closes it. Returns 0, or the platform's error code when the file cannot be
    // created (`created` false) or written (`created` true; the file is left behind).
    virtual uint32_t CreateNewAndWriteAllBytes(const std::u16string& fileName, const std::string& bytes,
                                               bool& created) = 0;

    // Puts `source` in the place of `target` in one step, replacing a file (or the link itself)
    // of that name; `source` is gone afterwards. Returns 0 or the platform's error code.
    virtual uint32_t MoveOver(const std::u16string& source, const std::u16string& target) = 0;

    // Removes a file that a failed write left behind; failures are ignored.
    virtual void RemoveFile(const std::u16string& fileName) = 0;

    // Creates every missing folder along `folder` (with or without a trailing separator).
    // Returns true when the folder exists afterwards.
    virtual bool ForceDirectories(const std::u16string& folder) = 0;
};

}  // namespace zo
