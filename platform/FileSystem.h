// Whole-file access for small data files such as the settings file.
#pragma once
#include <cstdint>
#include <string>

namespace zo {

class IFileSystem {
public:
    virtual ~IFileSystem() = default;

    // True when a file (not a folder) of that name exists.
    virtual bool FileExists(const std::u16string& fileName) = 0;

    // Opens an existing file for reading, letting other programs read it but not write it, reads
    // all its bytes into `bytes` and closes it. Returns 0, or the platform's error code when the
    // file cannot be opened (`opened` false) or read (`opened` true).
    virtual uint32_t ReadAllBytes(const std::u16string& fileName, std::string& bytes, bool& opened) = 0;

    // Creates the file, replacing any file of that name, opened for reading and writing with no
    // sharing, writes `bytes` and closes it. Returns 0, or the platform's error code when the file
    // cannot be created (`created` false) or written (`created` true).
    virtual uint32_t CreateAndWriteAllBytes(const std::u16string& fileName, const std::string& bytes,
                                            bool& created) = 0;

    // Creates every missing folder along `folder` (with or without a trailing separator).
    // Returns true when the folder exists afterwards.
    virtual bool ForceDirectories(const std::u16string& folder) = 0;
};

}  // namespace zo
