// Version blocks of any bytes: the lookups never read outside the block.
#include <cstddef>
#include <cstdint>
#include <span>

#include "windows/VersionInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> block(data, size);
    zo::FixedFileInfoOf(block);
    if (auto translation = zo::TranslationKey(block)) zo::VersionString(block, *translation, u"CompanyName");
    zo::QueryVersionValue(block, u"\\StringFileInfo\\040904E4\\ProductVersion");
    return 0;
}
