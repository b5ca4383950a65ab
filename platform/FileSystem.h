// Files through handles, for small data files such as the settings file: a folder is opened by
// its path and checked; the files in it are opened relative to that handle, never through a link
// at their name, and read, written, renamed and removed through their own handles. So what was
// checked is what is used.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zo {

// The platform's codes that the settings code tells apart.
constexpr uint32_t fsFileNotFound = 2, fsPathNotFound = 3, fsAccessDenied = 5, fsSharingViolation = 32,
                   fsLockViolation = 33;
// The platform's code for "a file of that name already exists".
constexpr uint32_t fsFileExists = 80;
// Codes that no system call returns (bit 29 marks them): the name leads to another file (a
// symbolic link or junction at the name or in a folder above it, or one of several names of a
// file); a file larger than the reader takes; a pipe (a FIFO included) or a device, or a folder,
// where a file belongs; a file that changed while it was read, every time it was read; a file
// whose bytes do not come back as the same text, or that holds a NUL; a pending copy of a save
// that this program did not make; new content that would not read back as it was meant.
constexpr uint32_t fsLink = 0x20000001;
constexpr uint32_t fsTooLarge = 0x20000002;
constexpr uint32_t fsPipe = 0x20000003;
constexpr uint32_t fsDevice = 0x20000004;
constexpr uint32_t fsFolder = 0x20000005;
constexpr uint32_t fsChanging = 0x20000006;
constexpr uint32_t fsNotText = 0x20000007;
constexpr uint32_t fsNulInText = 0x20000008;
constexpr uint32_t fsForeignPending = 0x20000009;
constexpr uint32_t fsNotReadBack = 0x2000000A;
// False for the codes above, which have no system text or number worth showing.
constexpr bool IsSystemCode(uint32_t code) { return (code & 0x20000000u) == 0; }

enum TFileKind { fkDisk, fkFolder, fkPipe, fkDevice };

// What an open handle shows of what it leads to.
struct TFileFacts {
    std::u16string FinalPath;  // the path the system resolves the handle to, every link followed
    TFileKind Kind = fkDisk;
    bool ReparsePoint = false;  // the handle is on a link or junction itself
    uint32_t Links = 1;         // the number of names of the file
    uint64_t Size = 0;
    // Administrators, SYSTEM or the account this program runs as own it: nobody else made it.
    bool OwnedByUs = false;
    uint64_t WriteTime = 0;  // when it was last written, in the system's ticks
    uint64_t AgeMs = 0;      // since it was last written
};

// How a file in a folder is opened. Every open asks the system not to let a server behind the
// name act as this program (identification only), and none follows a link at the name.
enum TOpenMode {
    omRead,       // an existing file: read, shared with other readers only
    omExclusive,  // an existing file, or a new one when there is none: read and written, shared with nobody
    omCreateNew,  // a new file, the name must be free (fsFileExists otherwise): written, shared with nobody
    omInspect,    // an existing file or folder, no data: to look at and remove, shared with everyone
};

// An open file. Closing it (destruction) ends its sharing restrictions.
class IFile {
public:
    virtual ~IFile() = default;
    virtual uint32_t Facts(TFileFacts& facts) = 0;
    // Reads from the start to the end, however long the file has become, but stops after more than
    // `limit` bytes (bytes then holds limit + 1 of them).
    virtual uint32_t ReadAll(std::string& bytes, uint64_t limit) = 0;
    // Makes `bytes` the whole content: written from the start, the rest cut off, flushed to the disk.
    virtual uint32_t WriteAll(std::string_view bytes) = 0;
    // Gives the file the name `name` in the folder it was opened in; a file of that name is replaced
    // when `replace`, else fsFileExists.
    virtual uint32_t Rename(const std::u16string& name, bool replace) = 0;
    // Removes the file (when the handle closes).
    virtual uint32_t Delete() = 0;
};

// An open folder.
class IFolder {
public:
    virtual ~IFolder() = default;
    virtual uint32_t Facts(TFileFacts& facts) = 0;
    // Opens the entry `name` of this folder. Returns 0 or the platform's code (fsFileNotFound,
    // fsFileExists, fsSharingViolation, ..., fsFolder for a folder where omRead, omExclusive or
    // omCreateNew want a file); `created` tells whether omExclusive made a new file.
    virtual uint32_t Open(const std::u16string& name, TOpenMode mode, std::unique_ptr<IFile>& file,
                          bool& created) = 0;
    // The names of the entries, "." and ".." left out.
    virtual uint32_t List(std::vector<std::u16string>& names) = 0;
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;

    // True when a file (not a folder) of that name exists.
    virtual bool FileExists(const std::u16string& fileName) = 0;

    // Opens a folder by its full path, shared with everyone, not following a link at its own name
    // (Facts shows one). fsFileNotFound or fsPathNotFound when it, or a folder above, is missing.
    virtual uint32_t OpenFolder(const std::u16string& folder, std::unique_ptr<IFolder>& opened) = 0;

    // A number that nobody can guess, for the names of new files; 0 or the platform's code.
    virtual uint32_t RandomNumber(uint64_t& number) = 0;

    // Waits before another try, while another program holds a file.
    virtual void Pause(uint32_t ms) = 0;

    // Creates every missing folder along `folder` (with or without a trailing separator).
    // Returns true when the folder exists afterwards.
    virtual bool ForceDirectories(const std::u16string& folder) = 0;
};

}  // namespace zo
