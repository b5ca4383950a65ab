// Figures of the control panel under Wine (printed, never asserted):
//   bench_panel poll      cost of one poll against running `sc query` + `tasklist` for the same facts
//   bench_panel start     start-up time to the first idle (after the first paint) and working set
//   bench_panel startup <panel.exe> <minimal.exe>   start-up of the panel against the least program
//                         with the same window and controls, alternately in one run, medians
//   bench_panel messages <panel.exe>   a sent message's round trip to the check box, a plain
//                         button and the main window of a running panel, medians
//   bench_panel install <ZoradidIvavuda.exe>   Install click to Launch returning and to the new state
//   bench_panel leak      handles, GDI and USER objects of a panel window before and after 10,000 polls
//   bench_panel caption   a caption bar repaint: the pointer onto the close button and off it, 100 times
//   bench_panel dpi       GDI and USER objects of a panel window before and after 20 display-scale changes
//   bench_panel scale <panel.exe> [runs]   start-up at 200 % against 100 %, alternately in one run, medians
//   bench_panel oversized  the settings store refusing a 200 MB settings file: the first read (as at the
//                         window's activation) and a write (a click), medians of 5
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Main.h"
#include "platform/win32/Gui.h"
#include "platform/win32/Win32ServicePlatform.h"
#include "platform/win32/Win32Launching.h"
#include "platform/Failure.h"
#include "platform/win32/Win32Settings.h"
#include "settings/RegIniFile.h"
#include "service/ServiceManagement.h"
#include "tests/support/WinProcess.h"

using testsupport::Pump;

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

DWORD RunHidden(std::wstring cmd) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    SetHandleInformation(nul, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    si.hStdOutput = si.hStdError = nul;
    (void)sa;
    PROCESS_INFORMATION pi{};
    DWORD code = DWORD(-1);
    if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(nul);
    return code;
}

int Poll() {
    auto& p = zo::DefaultServicePlatform();
    const int polls = 200, scripts = 10;
    zo::ServiceExists(p, u"Quillora5ZoradidIvavuda");  // warm-up
    auto t0 = Clock::now();
    for (int i = 0; i < polls; ++i) {
        zo::ServiceExists(p, u"Quillora5ZoradidIvavuda");
        zo::ProcessExists(p, u"ZoradidIvavuda.exe");
    }
    double poll = Ms(Clock::now() - t0) / polls;
    t0 = Clock::now();
    for (int i = 0; i < polls; ++i) zo::ServiceExists(p, u"Quillora5ZoradidIvavuda");
    double exists = Ms(Clock::now() - t0) / polls;
    RunHidden(L"sc query Quillora5ZoradidIvavuda");
    t0 = Clock::now();
    for (int i = 0; i < scripts; ++i) {
        RunHidden(L"sc query Quillora5ZoradidIvavuda");
        RunHidden(L"tasklist");
    }
    double script = Ms(Clock::now() - t0) / scripts;
    std::printf("one poll (ServiceExists + ProcessExists), mean of %d: %.3f ms\n", polls, poll);
    std::printf("  of which ServiceExists: %.3f ms, ProcessExists: %.3f ms\n", exists, poll - exists);
    std::printf("sc query + tasklist as processes, mean of %d: %.1f ms\n", scripts, script);
    std::printf("ratio script / poll: %.0f\n", script / poll);
    return 0;
}

// Starts a program and waits until it first waits for input, after its first paint; returns the
// milliseconds from the start, or a negative number when it could not be started.
double StartToIdle(const wchar_t* exe, PROCESS_INFORMATION& pi) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + std::wstring(exe) + L"\"";
    auto t0 = Clock::now();
    if (!CreateProcessW(exe, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    WaitForInputIdle(pi.hProcess, 30000);
    return Ms(Clock::now() - t0);
}

void End(PROCESS_INFORMATION& pi) {
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int Start(const wchar_t* exe) {
    PROCESS_INFORMATION pi{};
    const double idle = StartToIdle(exe, pi);
    if (idle < 0) return 1;
    Sleep(1000);
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(pi.hProcess, &pmc, sizeof pmc);
    std::printf("process start to first idle after the first paint: %.0f ms\n", idle);
    std::printf("working set after start-up: %.1f MiB (peak %.1f MiB)\n", pmc.WorkingSetSize / 1048576.0,
                pmc.PeakWorkingSetSize / 1048576.0);
    End(pi);
    return 0;
}

// Alternate starts, so that both programs meet the same state of the machine; the first start of
// each only warms the caches. On a busy machine the medians wander; the fastest starts show what
// each program costs by itself.
int StartUp(const wchar_t* panel, const wchar_t* minimal, int runs) {
    std::vector<double> times[2];
    const wchar_t* exes[2] = {panel, minimal};
    for (int i = 0; i <= runs; ++i)
        for (int k = 0; k < 2; ++k) {
            PROCESS_INFORMATION pi{};
            const double ms = StartToIdle(exes[k], pi);
            if (ms < 0) return 1;
            if (i > 0) times[k].push_back(ms);
            Sleep(200);
            End(pi);
        }
    const auto fastest = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
    const double a = Median(times[0]), b = Median(times[1]);
    std::printf("process start to first idle, %d starts each: panel median %.0f ms (fastest %.0f), minimal program "
                "median %.0f ms (fastest %.0f)\n",
                runs, a, fastest(times[0]), b, fastest(times[1]));
    std::printf("start-up ratio panel / minimal program: median %.2f, fastest %.2f\n", a / b,
                fastest(times[0]) / fastest(times[1]));
    return 0;
}

struct TFindMain {
    DWORD Process;
    HWND Found;
};

BOOL CALLBACK FindMainWindow(HWND hwnd, LPARAM lp) {
    auto* find = reinterpret_cast<TFindMain*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != find->Process || !IsWindowVisible(hwnd)) return TRUE;
    find->Found = hwnd;
    return FALSE;
}

// Median round trip of WM_NULL sent from this process, in milliseconds.
double RoundTrip(HWND target, int count) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        auto t0 = Clock::now();
        SendMessageW(target, WM_NULL, 0, 0);
        times.push_back(Ms(Clock::now() - t0));
    }
    return Median(times);
}

int Messages(const wchar_t* panel) {
    PROCESS_INFORMATION pi{};
    if (StartToIdle(panel, pi) < 0) return 1;
    Sleep(500);
    TFindMain find{pi.dwProcessId, nullptr};
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&find));
    HWND box = find.Found ? FindWindowExW(find.Found, nullptr, L"Button", L"Automatically restart services") : nullptr;
    HWND button = find.Found ? FindWindowExW(find.Found, nullptr, L"Button", L"Exit") : nullptr;
    if (!box || !button) {
        End(pi);
        return 1;
    }
    const int count = 300;
    std::printf("WM_NULL round trip from another process, median of %d:\n", count);
    std::printf("  check box %.3f ms, plain button %.3f ms, main window %.3f ms\n", RoundTrip(box, count),
                RoundTrip(button, count), RoundTrip(find.Found, count));
    End(pi);
    return 0;
}

// Wine's own library exports its version; no Windows does.
bool UnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// The system's counts, where it keeps them (under Wine GDI and USER objects are not counted, so
// they are not printed), and probes that work everywhere: the value of a fresh kernel handle and
// of a fresh GDI object, which stay the same while freed slots are reused and climb when objects
// leak, and the private memory in use.
void Counts(const char* when) {
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    HANDLE probe = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    char gui[96] = "GDI and USER objects not measurable under Wine";
    if (!UnderWine())
        std::snprintf(gui, sizeof gui, "GDI objects %lu, USER objects %lu",
                      GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
                      GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    std::printf("%s: handles %lu, %s; next kernel handle %p, next GDI handle %p, "
                "working set %.1f MiB, pagefile %.1f MiB\n",
                when, handles, gui, static_cast<void*>(probe), static_cast<void*>(brush),
                pmc.WorkingSetSize / 1048576.0, pmc.PagefileUsage / 1048576.0);
    DeleteObject(brush);
    CloseHandle(probe);
}

int Leak() {
    zo::TfrmMain frm(zo::TMainDependencies{zo::DefaultServicePlatform(), zo::DefaultSettingsPlatform(), zo::Win32LaunchPlatform(), 2026});
    frm.Show();
    // Each tick runs the real poll and repaints what changed.
    for (int i = 0; i < 10; ++i) SendMessageW(frm.Handle(), WM_TIMER, 1, 0);
    Counts("after 10 polls");
    auto t0 = Clock::now();
    for (int i = 0; i < 10000; ++i) {
        SendMessageW(frm.Handle(), WM_TIMER, 1, 0);
        if (i % 100 == 0) UpdateWindow(frm.Handle());
    }
    double ms = Ms(Clock::now() - t0);
    Counts("after 10,010 polls");
    std::printf("10,000 polls through the window: %.0f ms\n", ms);
    return 0;
}

// GDI objects alive in this process, where the platform does not count them: fresh brushes fill
// every free slot of the handle table first, so the highest slot they take, less their number,
// is the number of slots held by live objects.
int LiveGdiObjects() {
    std::vector<HBRUSH> fresh(4000);
    int highest = 0;
    for (HBRUSH& b : fresh) {
        b = CreateSolidBrush(RGB(1, 2, 3));
        highest = std::max(highest, int(LOWORD(reinterpret_cast<ULONG_PTR>(b))));
    }
    for (HBRUSH b : fresh) DeleteObject(b);
    return highest - int(fresh.size());
}

// The main window moved between monitors of 100, 150 and 200 %, 20 times, ending at 100 %.
int DpiChanges() {
    zo::TfrmMain frm(zo::TMainDependencies{zo::DefaultServicePlatform(), zo::DefaultSettingsPlatform(),
                                           zo::Win32LaunchPlatform(), 2026});
    frm.Show();
    UpdateWindow(frm.Handle());
    Counts("before");
    const int before = LiveGdiObjects();
    const int scales[] = {144, 192, 120, 96};
    for (int i = 0; i < 20; ++i) {
        const int dpi = scales[i % 4];
        RECT r;
        GetWindowRect(frm.Handle(), &r);
        SendMessageW(frm.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
        UpdateWindow(frm.Handle());
    }
    Counts("after 20 display-scale changes");
    std::printf("GDI objects alive, probed with fresh handles: %d before, %d after 20 changes\n", before,
                LiveGdiObjects());
    return 0;
}

// Start-up with the display at 100 % and at 200 %, alternately (each start reads the scale
// afresh); the scale is 100 % again at the end.
int StartScaled(const wchar_t* panel, int runs) {
    const auto setScale = [](DWORD dpi) {
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi, sizeof dpi);
    };
    std::vector<double> times[2];
    const DWORD dpis[2] = {96, 192};
    for (int i = 0; i <= runs; ++i)
        for (int k = 0; k < 2; ++k) {
            setScale(dpis[k]);
            PROCESS_INFORMATION pi{};
            const double ms = StartToIdle(panel, pi);
            if (ms >= 0 && i > 0) times[k].push_back(ms);
            if (ms >= 0) {
                Sleep(200);
                End(pi);
            }
        }
    setScale(96);
    if (times[0].empty() || times[1].empty()) return 1;
    std::printf("process start to first idle, %d starts each: 100 %% median %.0f ms, 200 %% median %.0f ms, ratio %.2f\n",
                runs, Median(times[0]), Median(times[1]), Median(times[1]) / Median(times[0]));
    return 0;
}

// The Install click: from the click to Launch returning, and to the poll that shows the service
// as installed. The service program is copied beside this program, where the panel looks for it.
int Install(const wchar_t* companion) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self);
    folder.resize(folder.find_last_of(L'\\') + 1);
    if (!CopyFileW(companion, (folder + L"ZoradidIvavuda.exe").c_str(), FALSE)) return 1;
    zo::TfrmMain frm(zo::TMainDependencies{zo::DefaultServicePlatform(), zo::DefaultSettingsPlatform(),
                                           zo::Win32LaunchPlatform(), 2026});
    frm.Show();
    while (frm.StatusPane().Caption() != u"Service is NOT installed.") Pump(50);
    HWND install = FindWindowExW(frm.Handle(), nullptr, L"Button", L"Install");
    auto t0 = Clock::now();
    SendMessageW(frm.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(install), BN_CLICKED), LPARAM(install));
    double launched = Ms(Clock::now() - t0);
    while (frm.StatusPane().Caption() != u"Service is installed but NOT running." && Ms(Clock::now() - t0) < 20000)
        Pump(10);
    double shown = Ms(Clock::now() - t0);
    std::printf("Install click to Launch returning: %.1f ms\n", launched);
    std::printf("Install click to the poll showing the service installed: %.0f ms\n", shown);
    HWND uninstall = FindWindowExW(frm.Handle(), nullptr, L"Button", L"Uninstall");
    SendMessageW(frm.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(uninstall), BN_CLICKED), LPARAM(uninstall));
    while (frm.StatusPane().Caption() != u"Service is NOT installed.") Pump(50);
    return 0;
}

// Each move onto or off the close button repaints the caption bar at once, as the mouse does it:
// the hit-test, then the non-client move with its answer.
int Caption() {
    if (!zo::win::ApplyStyle(u"TabletDark")) return 1;
    zo::TfrmMain frm(zo::TMainDependencies{zo::DefaultServicePlatform(), zo::DefaultSettingsPlatform(),
                                           zo::Win32LaunchPlatform(), 2026});
    frm.Show();
    Pump(300);
    HWND window = frm.Handle();
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int y = (outer.top + client.top) / 2;
    const LPARAM onClose = MAKELPARAM(client.right - 4, y), onTitle = MAKELPARAM(client.left + 60, y);
    const int hovers = 100;
    auto t0 = Clock::now();
    for (int i = 0; i < hovers; ++i) {
        SendMessageW(window, WM_NCMOUSEMOVE, SendMessageW(window, WM_NCHITTEST, 0, onClose), onClose);
        SendMessageW(window, WM_NCMOUSEMOVE, SendMessageW(window, WM_NCHITTEST, 0, onTitle), onTitle);
    }
    GdiFlush();
    double ms = Ms(Clock::now() - t0);
    // The same messages where nothing changes, so nothing is painted: what the repaint adds.
    t0 = Clock::now();
    for (int i = 0; i < 2 * hovers; ++i)
        SendMessageW(window, WM_NCMOUSEMOVE, SendMessageW(window, WM_NCHITTEST, 0, onTitle), onTitle);
    double idle = Ms(Clock::now() - t0);
    std::printf("caption bar repaint (pointer onto or off the close button), mean of %d: %.3f ms\n", 2 * hovers,
                ms / (2 * hovers));
    std::printf("  of which hit-test and messages without a repaint: %.3f ms\n", idle / (2 * hovers));
    std::printf("%d hovers over the close button (on and off): %.1f ms\n", hovers, ms);
    return 0;
}

// The store refuses a file over the size limit from its size alone, so a planted huge file costs the
// panel no more than a small one.
int Oversized() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"zo-bench-oversized.ini";
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    std::string block = "[Settings]\r\nRestartServices=1\r\n";
    while (block.size() < (1 << 20)) block += "padding line of a planted settings file\r\n";
    DWORD written = 0;
    for (int mb = 0; mb < 200; ++mb) WriteFile(h, block.data(), DWORD(block.size()), &written, nullptr);
    CloseHandle(h);
    const std::u16string file(path.begin(), path.end());
    std::vector<double> reads, writes;
    std::u16string message;
    for (int run = 0; run < 5; ++run) {
        zo::TRegIniFile ini(zo::DefaultSettingsPlatform());
        ini.SetPathType(zo::ptIniFile);
        ini.SetPath(file);
        auto t0 = Clock::now();
        try { ini.ReadBool(u"Settings", u"RestartServices", false); } catch (const zo::Exception& e) { message = e.Message(); }
        auto t1 = Clock::now();
        try { ini.WriteBool(u"Settings", u"RestartServices", false); } catch (const zo::Exception&) {}
        auto t2 = Clock::now();
        reads.push_back(Ms(t1 - t0));
        writes.push_back(Ms(t2 - t1));
    }
    DeleteFileW(path.c_str());
    std::sort(reads.begin(), reads.end());
    std::sort(writes.begin(), writes.end());
    std::printf("200 MB settings file refused: read %.3f ms, write %.3f ms (medians of 5)\n", reads[2], writes[2]);
    std::printf("  message: %ls\n", reinterpret_cast<const wchar_t*>(message.c_str()));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring what = argc > 1 ? argv[1] : L"";
    if (what == L"poll") return Poll();
    if (what == L"start" && argc > 2) return Start(argv[2]);
    if (what == L"startup" && argc > 3) return StartUp(argv[2], argv[3], argc > 4 ? _wtoi(argv[4]) : 10);
    if (what == L"messages" && argc > 2) return Messages(argv[2]);
    if (what == L"leak") return Leak();
    if (what == L"install" && argc > 2) return Install(argv[2]);
    if (what == L"caption") return Caption();
    if (what == L"dpi") return DpiChanges();
    if (what == L"oversized") return Oversized();
    if (what == L"scale" && argc > 2) return StartScaled(argv[2], argc > 3 ? _wtoi(argv[3]) : 10);
    std::fputs("usage: bench_panel poll | start <panel.exe> | startup <panel.exe> <minimal.exe> [runs] | "
               "messages <panel.exe> | install <ZoradidIvavuda.exe> | leak | caption | dpi | scale <panel.exe> [runs] | oversized\n",
               stderr);
    return 2;
}
