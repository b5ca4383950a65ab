// A fake shell, process table, window list and GUI thread for the launcher, with real threads.
// The thread that creates it is its GUI thread: synchronous calls from other threads queue up
// until that thread serves them. Waits take 1/100 of their time for real (a 100 ms slice is
// 1 ms), so that tests stay fast while the threads really block.
#pragma once
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "launcher/Launcher.h"

namespace fakes {

using zo::THandle;

class FakeLaunchSystem : public zo::IShell, public zo::IProcessWaits, public zo::IThreads,
                         public std::enable_shared_from_this<FakeLaunchSystem> {
public:
    struct Plan {
        bool Success = true;
        std::uintptr_t InstApp = 42;
        int EndAfterWaits = -1;     // the process ends during this many-plus-one'th wait; -1: never
        uint32_t ExitCode = 0;
        bool NoProcess = false;     // started, but no process handle given
    };
    struct Process {
        uint32_t Pid = 0;
        int EndAfterWaits = -1;
        bool Ended = false;
        uint32_t ExitCode = 0;
        bool Closed = false;
        std::thread::id ClosedBy;
        int Waits = 0;
    };
    struct WaitCall {
        THandle Process;
        uint32_t Timeout;
        uint32_t WakeMask;  // 0 for a plain wait
        std::thread::id Thread;
    };
    struct Window {
        THandle Handle;
        THandle Parent;
        uint32_t Pid;
        bool MadeBySystem = false;
    };

    static std::shared_ptr<FakeLaunchSystem> Make() { return std::shared_ptr<FakeLaunchSystem>(new FakeLaunchSystem); }
    zo::TLaunchPlatform Platform() {
        auto self = shared_from_this();
        return {self, self, self};
    }
    ~FakeLaunchSystem() override;

    // ---- scripting, from the test (GUI) thread
    void PlanStart(Plan plan);
    void EndProcess(THandle process, uint32_t exitCode);
    Process ProcessState(THandle process);
    // The handle of the latest process started (handles are given out from 0x100 in steps of 4).
    THandle LastProcess() {
        std::lock_guard<std::mutex> lock(FLock);
        return FLastProcess;
    }
    std::vector<zo::TShellExecuteRequest> Requests();
    std::vector<WaitCall> Waits();
    size_t WaitCount();
    void SetWindows(std::vector<Window> windows);
    void PostMessage(std::function<void()> message);
    int ThreadsStarted() const { return FThreadsStarted.load(); }
    int ClosedHandleUses() const { return FClosedHandleUses.load(); }
    int PendingCalls();
    // Runs the queued synchronous calls; returns how many ran.
    int ServeCalls();
    // Serves synchronous calls until pred holds or about 5 s have passed; returns pred().
    bool PumpUntil(const std::function<bool()>& pred);
    // Serves synchronous calls until every thread started has ended, then joins them.
    bool FinishThreads();

    // Hooks and switches
    std::function<void()> OnStart;                  // runs inside Start, before it answers
    std::function<void(int sleepNumber)> OnSleep;   // runs inside each Sleep
    bool ServeCallsWhileSleeping = false;
    bool FailThreadCreation = false;
    std::vector<uint32_t> Sleeps();

    // ---- the interfaces
    zo::TShellExecuteResult Start(const zo::TShellExecuteRequest& request) override;
    zo::TWaitResult Wait(THandle process, uint32_t timeout) override;
    zo::TWaitResult MsgWait(THandle process, uint32_t timeout, uint32_t wakeMask) override;
    uint32_t LastError() override;
    uint32_t ExitCodeOf(THandle process) override;
    void Close(THandle handle) override;
    uint32_t ProcessId(THandle process) override;
    THandle TopWindow() override;
    THandle NextWindow(THandle window) override;
    THandle ParentOf(THandle window) override;
    uint32_t WindowProcessId(THandle window) override;
    bool MadeBySystem(THandle window) override;
    void StartThread(std::function<void()> run) override;
    void Synchronize(const std::function<void()>& call) override;
    void ProcessMessages() override;
    void Sleep(uint32_t ms) override;
    void YieldTimeSlice() override { std::this_thread::yield(); }  // not a sleep: not recorded

    const std::thread::id GuiThread = std::this_thread::get_id();

private:
    FakeLaunchSystem() = default;
    struct Call {
        const std::function<void()>* Fn;
        bool Done = false;
        std::exception_ptr Error;
    };
    zo::TWaitResult DoWait(THandle process, uint32_t timeout, uint32_t wakeMask);
    Process* Find(THandle handle);  // with FLock held; counts uses of closed handles

    std::mutex FLock;
    std::condition_variable FChanged;
    std::deque<Plan> FPlans;
    std::map<THandle, Process> FProcesses;
    THandle FNextHandle = 0x100;
    THandle FLastProcess = 0;
    uint32_t FNextPid = 1000;
    std::vector<zo::TShellExecuteRequest> FRequests;
    std::vector<WaitCall> FWaits;
    std::vector<Window> FWindows;
    std::deque<std::function<void()>> FMessages;
    std::deque<Call*> FCalls;
    std::vector<std::thread> FThreads;
    std::vector<uint32_t> FSleeps;
    std::atomic<int> FThreadsStarted{0};
    std::atomic<int> FThreadsRunning{0};
    std::atomic<int> FClosedHandleUses{0};
};

}  // namespace fakes
