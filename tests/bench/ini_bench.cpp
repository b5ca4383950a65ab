// Reading, parsing, looking up, changing and writing settings files of 1,000 to 100,000 lines.
// The time per line should stay about the same as the files grow.
#include <benchmark/benchmark.h>

#include <string>

#include "settings/IniFiles.h"
#include "tests/fuzz/MemorySettingsPlatform.h"

namespace {

// A file of `lines` lines in sections of `perSection` keys each (one header per section), with
// a duplicate of the first section at the end.
std::string MakeFile(int lines, int perSection) {
    std::string text;
    int section = 0;
    for (int i = 0; i < lines;) {
        text += "[Section" + std::to_string(section++) + "]\r\n";
        ++i;
        for (int k = 0; k < perSection && i < lines; ++k, ++i)
            text += "Key" + std::to_string(k) + " = value " + std::to_string(i) + "\r\n";
    }
    text += "[section0]\r\nKey0=duplicate\r\n";
    return text;
}

void RunCycle(benchmark::State& state, int perSection) {
    memplat::MemorySettingsPlatform mem;
    const int lines = int(state.range(0));
    mem.Files.Files[u"bench.ini"] = MakeFile(lines, perSection);
    const zo::TSettingsPlatform platform = mem.Platform();
    for (auto _ : state) {
        zo::TMemIniFile ini(u"bench.ini", platform);  // read and parse
        zo::TStrings sections, names;
        ini.ReadSections(sections);
        size_t found = 0;
        for (const auto& section : sections) {
            ini.ReadSection(section, names);
            for (const auto& name : names) {
                found += ini.ReadString(section, name, u"").size();
                ini.WriteString(section, name, u"changed");  // replaced in place
            }
            ini.WriteString(section, u"Added", u"1");
        }
        ini.UpdateFile();  // serialise and write
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * lines);
}

// Reading and parsing alone.
void BM_ReadParseOneSection(benchmark::State& state) {
    memplat::MemorySettingsPlatform mem;
    mem.Files.Files[u"bench.ini"] = MakeFile(int(state.range(0)), 1 << 30);
    const zo::TSettingsPlatform platform = mem.Platform();
    for (auto _ : state) {
        zo::TMemIniFile ini(u"bench.ini", platform);
        benchmark::DoNotOptimize(ini.Encoding());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_SectionsOf20Keys(benchmark::State& state) { RunCycle(state, 20); }
void BM_OneLargeSection(benchmark::State& state) { RunCycle(state, 1 << 30); }

}  // namespace

BENCHMARK(BM_SectionsOf20Keys)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadParseOneSection)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneLargeSection)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
