// Reading, parsing, looking up, changing and writing settings files of 1,000 to 100,000 lines.
// The time per line should stay about the same as the files grow.
// Then 50 MB files of short lines: read+parse and write speed (bytes_per_second), and the memory
// that the loaded document holds (heap in use after loading and one lookup, minus before),
// against the goal of 3 times the file's size plus 1 MB.
#include <benchmark/benchmark.h>
#include <malloc.h>

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

// --- 50 MB files --------------------------------------------------------------------------------

constexpr size_t kLarge = 50u << 20;

size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// "[s]" lines; "k=1" lines; numbered key lines "k<n>=1" (one section each for the key lines).
std::string LargeFile(int kind) {
    std::string text;
    text.reserve(kLarge + 64);
    if (kind != 0) text += "[Settings]\r\n";
    for (size_t n = 0; text.size() < kLarge; ++n) {
        if (kind == 0) text += "[s]\r\n";
        if (kind == 1) text += "k=1\r\n";
        if (kind == 2) (text += "k") += std::to_string(n) + "=1\r\n";
    }
    return text;
}

void BM_Large50MBReadParse(benchmark::State& state) {
    memplat::MemorySettingsPlatform mem;
    const std::string& file = mem.Files.Files[u"big.ini"] = LargeFile(int(state.range(0)));
    const zo::TSettingsPlatform platform = mem.Platform();
    double held = 0;
    for (auto _ : state) {
        const size_t before = HeapInUse();
        zo::TMemIniFile ini(u"big.ini", platform);
        state.PauseTiming();
        // What the panel does next: one lookup, which builds the tables it needs.
        benchmark::DoNotOptimize(ini.ReadBool(u"Settings", u"RestartServices", false));
        benchmark::DoNotOptimize(ini.ReadString(u"s", u"k", u""));
        held = double(HeapInUse() - before);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
    state.counters["held_MB"] = held / 1048576;
    state.counters["held_per_file_byte"] = held / double(file.size());
    state.counters["goal_MB"] = (3.0 * double(file.size()) + 1048576) / 1048576;
}

void BM_Large50MBWrite(benchmark::State& state) {
    memplat::MemorySettingsPlatform mem;
    const size_t size = (mem.Files.Files[u"big.ini"] = LargeFile(int(state.range(0)))).size();
    zo::TMemIniFile ini(u"big.ini", mem.Platform());
    for (auto _ : state) ini.UpdateFile();
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}
void BM_OneLargeSection(benchmark::State& state) { RunCycle(state, 1 << 30); }

}  // namespace

BENCHMARK(BM_SectionsOf20Keys)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadParseOneSection)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneLargeSection)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
// 0: "[s]" lines, 1: "k=1" lines, 2: numbered key lines.
BENCHMARK(BM_Large50MBReadParse)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Large50MBWrite)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);
