// In-memory platform services for the settings document, shared by the fuzz target and the
// benchmark: the unit tests' fakes (a file map, Latin-1 as the ANSI code page, ASCII and Latin-1
// upper-casing), with no size limit on the files.
#pragma once
#include <cstdint>

#include "fakes/FakeSettingsPlatform.h"

namespace memplat {

using Latin1 = fakes::FakeCodePage;
using AsciiLocale = fakes::FakeLocale;

struct MemorySettingsPlatform : fakes::FakeSettingsPlatform {
    // Files of any size: the benchmark reads 50 MB ones.
    zo::TSettingsPlatform Platform() {
        zo::TSettingsPlatform platform = FakeSettingsPlatform::Platform();
        platform.MaxFileBytes = UINT64_MAX;
        return platform;
    }
};

}  // namespace memplat
