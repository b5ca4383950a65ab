// Reading, parsing, looking up, changing and writing settings files of 1,000 to 100,000 lines.
// The time per line should stay about the same as the files grow.
// Then files of 1 to 50 MB of short lines: loading (wall-clock speed against reading the file
// alone, and the peak of the heap while loading) and the write speed of 50 MB.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
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

// --- large files --------------------------------------------------------------------------------
// What a caller waits for: the file read from the disk, decoded and parsed, and the first lookup,
// which builds the name tables. Wall-clock, against a baseline in the same run: the same file read
// with read() and scanned for line ends. The peak is what the heap held at most while loading (a
// counting operator new), against the goal of 3 times the file plus 1 MB.

std::atomic<size_t> gHeapNow{0}, gHeapPeak{0};

void CountAlloc(void* p) {
    if (!p) throw std::bad_alloc();
    const size_t now = gHeapNow += malloc_usable_size(p);
    for (size_t peak = gHeapPeak; now > peak && !gHeapPeak.compare_exchange_weak(peak, now);) {
    }
}

// "[s]" lines; "k=1" lines; numbered key lines "k<n>=1" (one section each for the key lines).
std::string LargeFile(int kind, size_t size) {
    std::string text;
    text.reserve(size + 64);
    if (kind != 0) text += "[Settings]\r\n";
    for (size_t n = 0; text.size() < size; ++n) {
        if (kind == 0) text += "[s]\r\n";
        if (kind == 1) text += "k=1\r\n";
        if (kind == 2) (text += "k") += std::to_string(n) + "=1\r\n";
    }
    return text;
}

struct TTempFile {
    std::string Path;
    explicit TTempFile(const std::string& bytes) {
        char name[] = "/tmp/ini_bench_XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0 || write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size())) std::abort();
        close(fd);
        Path = name;
    }
    ~TTempFile() { unlink(Path.c_str()); }
};

std::string ReadWhole(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0) std::abort();
    std::string bytes(size_t(st.st_size), '\0');
    size_t got = 0;
    for (ssize_t n; got < bytes.size() && (n = read(fd, &bytes[got], bytes.size() - got)) > 0;) got += size_t(n);
    close(fd);
    bytes.resize(got);
    return bytes;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Read, decode, parse and one lookup, as the panel loads its settings file.
bool LoadAndLookUp(const std::string& path, memplat::AsciiLocale& locale, memplat::Latin1& codePage) {
    std::u16string text;
    {
        // The bytes are dropped once decoded, as the file reader drops them. (Assigning an empty
        // string would keep their buffer.)
        const std::string bytes = ReadWhole(path);
        text = zo::DecodeText(codePage.AnsiCodePage(), bytes, codePage);
    }
    zo::TIniDocument document(locale);
    document.Parse(std::move(text));
    return zo::StoredBool(document.ReadString(u"Settings", u"RestartServices", u""), false) ||
           !document.ReadString(u"s", u"k", u"").empty();
}

// range(0): the kind of line; range(1): the file's size in MB.
void BM_Load(benchmark::State& state) {
    const size_t size = size_t(state.range(1)) << 20;
    const TTempFile file(LargeFile(int(state.range(0)), size));
    memplat::AsciiLocale locale;
    memplat::Latin1 codePage;
    double baseline = 0, load = 0, peak = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        const std::string bytes = ReadWhole(file.Path);
        benchmark::DoNotOptimize(std::count(bytes.begin(), bytes.end(), '\n'));
        baseline += Seconds(t0);
        const size_t before = gHeapNow;
        gHeapPeak = before;
        t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(LoadAndLookUp(file.Path, locale, codePage));
        load += Seconds(t0);
        peak = std::max(peak, double(gHeapPeak - before));
    }
    const double n = double(state.iterations()), mb = double(size) / 1048576;
    state.counters["MB_per_s"] = mb * n / load;
    state.counters["baseline_MB_per_s"] = mb * n / baseline;
    state.counters["x_baseline_time"] = load / baseline;
    state.counters["peak_per_file"] = peak / double(size);
    state.counters["peak_within_3x_1MB"] = peak <= 3.0 * double(size) + 1048576 ? 1 : 0;
}

void BM_Large50MBWrite(benchmark::State& state) {
    memplat::MemorySettingsPlatform mem;
    const size_t size = (mem.Files.Files[u"big.ini"] = LargeFile(int(state.range(0)), 50u << 20)).size();
    zo::TMemIniFile ini(u"big.ini", mem.Platform());
    for (auto _ : state) ini.UpdateFile();
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size));
}
void BM_OneLargeSection(benchmark::State& state) { RunCycle(state, 1 << 30); }

}  // namespace

// Every allocation of the program is counted, so that the peak while loading is what it is.
void* operator new(size_t size) {
    void* p = std::malloc(size ? size : 1);
    CountAlloc(p);
    return p;
}
void operator delete(void* p) noexcept {
    if (p) gHeapNow -= malloc_usable_size(p);
    std::free(p);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

BENCHMARK(BM_SectionsOf20Keys)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadParseOneSection)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneLargeSection)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
// 0: "[s]" lines, 1: "k=1" lines, 2: numbered key lines; 1, 10 and 50 MB.
BENCHMARK(BM_Load)->ArgsProduct({{0, 1, 2}, {1, 10, 50}})->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_Large50MBWrite)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);
