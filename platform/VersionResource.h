// The version resource of a program file: where the running program lies, and the bytes of a
// file's version resource block as the system hands them out. The Win32 implementation is in
// platform/win32/Win32VersionResource.h; the native tests pass blocks they build.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zo {

class IVersionResource {
public:
    virtual ~IVersionResource() = default;

    // The running program's own full path.
    virtual std::u16string ProgramFileName() = 0;

    // The version resource block of the file at path; empty when the file has none (its size is
    // reported as 0) or when it cannot be read.
    virtual std::vector<uint8_t> FileVersionBlock(const std::u16string& path) = 0;
};

}  // namespace zo
