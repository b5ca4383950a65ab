// The version resource through the system: the program's own path and a file's version block.
#pragma once
#include "platform/VersionResource.h"

namespace zo {

class TWin32VersionResource : public IVersionResource {
public:
    std::u16string ProgramFileName() override;
    std::vector<uint8_t> FileVersionBlock(const std::u16string& path) override;
};

// The one the program uses.
IVersionResource& DefaultVersionResource();

}  // namespace zo
