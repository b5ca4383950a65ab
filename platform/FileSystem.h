// Whole-file access for small data files such as the settings file.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace zo {

// The platform's code for "a file of that name already exists".
constexpr uint32_t fsFileExists = 80;
// Codes that no system call returns (bit 29 marks them): the name leads to another file (a
// symbolic link or junction at the name or in a folder above it, or one of several names of a
// file), and a file larger than the reader takes.
constexpr uint32_t fsLink = 0x20000001;
constexpr uint32_t fsTooLarge = 0x20000002;
// False for the codes above, which have no system text or number worth showing.
constexpr bool IsSystemCode(uint32_t code) { return (code & 0x20000000u) == 0; }

// What an open handle shows of its file.
struct TOpenedFile {
    std::u16string FinalPath;  // the path the system resolves the handle to, every link followed
    uint32_t Links = 1;        // the number of names of the file
    uint64_t Size = 0;
};

// Decides, from what the handle shows, whether the file is read: 0, or the code to fail with.
using TOpenedFileCheck = std::function<uint32_t(const TOpenedFile&)>;

class IFileSystem {
public:
    virtual ~IFileSystem() = default;

    // True when a file (not a folder) of that name exists.
    virtual bool FileExists(const std::u16string& fileName) = 0;

    // Opens an existing file, following links, for reading with read sharing, or with `exclusive`
    // for reading and writing with no sharing (so that nobody changes it while it is read); asks
    // `check` about the handle and, when it agrees, reads all the bytes; closes the file. Returns
    // 0, the check's code, or the platform's error code when the file cannot be opened (`opened`
    // false) or read (`opened` true).
    virtual uint32_t ReadChecked(const std::u16string& fileName, bool exclusive, const TOpenedFileCheck& check,
                                 std::string& bytes, bool& opened) = 0;

    // A whole-file write goes through a new file in the same folder, which then replaces the old
    // one in a single step, so that a failure at any point leaves the old file as it was and
    // readers never see a partial file.

    // Creates a new file without following a link (fsFileExists or the platform's code when the
    // name is taken), writes `bytes`, flushes them to the disk and closes it. Returns 0, or the
    // platform's error code when the file cannot be created (`created` false) or written
    // (`created` true; the file is left behind).
    virtual uint32_t CreateNewAndWriteAllBytes(const std::u16string& fileName, const std::string& bytes,
                                               bool& created) = 0;

    // Puts `source` in the place of `target` in one step; `source` is gone afterwards. When
    // `targetExists`, the old file's attributes and access list pass to the new one; otherwise a
    // file that has appeared at `target` since is not replaced. Returns 0 or the platform's code.
    virtual uint32_t Replace(const std::u16string& source, const std::u16string& target, bool targetExists) = 0;

    // Removes a file that this program created and a failed write left behind.
    virtual void RemoveFile(const std::u16string& fileName) = 0;

    // A number that nobody can guess, for the names of new files.
    virtual uint64_t RandomNumber() = 0;

    // Creates every missing folder along `folder` (with or without a trailing separator).
    // Returns true when the folder exists afterwards.
    virtual bool ForceDirectories(const std::u16string& folder) = 0;
};

}  // namespace zo
