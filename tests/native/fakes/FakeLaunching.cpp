#include "fakes/FakeLaunching.h"

#include <chrono>
#include <stdexcept>

#include "platform/Failure.h"

namespace fakes {

namespace {
thread_local uint32_t tLastError = 0;
constexpr uint32_t cErrorInvalidHandle = 6;
// Real time per 1 ms of a wait limit.
constexpr auto cTimeScale = std::chrono::microseconds(10);
}  // namespace

FakeLaunchSystem::~FakeLaunchSystem() {
    std::lock_guard<std::mutex> lock(FLock);
    for (std::thread& t : FThreads)
        if (t.joinable()) t.detach();  // FinishThreads was not reached: the test has failed
}

void FakeLaunchSystem::PlanStart(Plan plan) {
    std::lock_guard<std::mutex> lock(FLock);
    FPlans.push_back(plan);
}

void FakeLaunchSystem::EndProcess(THandle process, uint32_t exitCode) {
    std::lock_guard<std::mutex> lock(FLock);
    Process& p = FProcesses.at(process);
    p.Ended = true;
    p.ExitCode = exitCode;
    FChanged.notify_all();
}

FakeLaunchSystem::Process FakeLaunchSystem::ProcessState(THandle process) {
    std::lock_guard<std::mutex> lock(FLock);
    return FProcesses.at(process);
}

std::vector<zo::TShellExecuteRequest> FakeLaunchSystem::Requests() {
    std::lock_guard<std::mutex> lock(FLock);
    return FRequests;
}

std::vector<FakeLaunchSystem::WaitCall> FakeLaunchSystem::Waits() {
    std::lock_guard<std::mutex> lock(FLock);
    return FWaits;
}

size_t FakeLaunchSystem::WaitCount() {
    std::lock_guard<std::mutex> lock(FLock);
    return FWaits.size();
}

std::vector<uint32_t> FakeLaunchSystem::Sleeps() {
    std::lock_guard<std::mutex> lock(FLock);
    return FSleeps;
}

void FakeLaunchSystem::SetWindows(std::vector<Window> windows) {
    std::lock_guard<std::mutex> lock(FLock);
    FWindows = std::move(windows);
}

void FakeLaunchSystem::PostMessage(std::function<void()> message) {
    std::lock_guard<std::mutex> lock(FLock);
    FMessages.push_back(std::move(message));
    FChanged.notify_all();
}

int FakeLaunchSystem::PendingCalls() {
    std::lock_guard<std::mutex> lock(FLock);
    return static_cast<int>(FCalls.size());
}

int FakeLaunchSystem::ServeCalls() {
    int served = 0;
    std::unique_lock<std::mutex> lock(FLock);
    while (!FCalls.empty()) {
        Call* call = FCalls.front();
        FCalls.pop_front();
        lock.unlock();
        try {
            (*call->Fn)();
        } catch (...) {
            call->Error = std::current_exception();
        }
        ++served;
        lock.lock();
        call->Done = true;
        FChanged.notify_all();
    }
    return served;
}

bool FakeLaunchSystem::PumpUntil(const std::function<bool()>& pred) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        ServeCalls();
        if (pred()) return true;
        std::unique_lock<std::mutex> lock(FLock);
        FChanged.wait_for(lock, std::chrono::milliseconds(1), [this] { return !FCalls.empty(); });
    }
    return pred();
}

bool FakeLaunchSystem::FinishThreads() {
    bool done = PumpUntil([this] { return FThreadsRunning.load() == 0; });
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(FLock);
        if (!done) return false;
        threads.swap(FThreads);
    }
    for (std::thread& t : threads) t.join();
    return true;
}

FakeLaunchSystem::Process* FakeLaunchSystem::Find(THandle handle) {
    auto it = FProcesses.find(handle);
    if (it == FProcesses.end()) return nullptr;
    if (it->second.Closed) {
        ++FClosedHandleUses;
        return nullptr;
    }
    return &it->second;
}

zo::TShellExecuteResult FakeLaunchSystem::Start(const zo::TShellExecuteRequest& request) {
    if (OnStart) OnStart();
    std::lock_guard<std::mutex> lock(FLock);
    FRequests.push_back(request);
    Plan plan;
    if (!FPlans.empty()) {
        plan = FPlans.front();
        FPlans.pop_front();
    }
    if (!plan.Success) return {false, plan.InstApp, 0};
    if (plan.NoProcess) return {true, plan.InstApp, 0};
    THandle handle = FNextHandle;
    FNextHandle += 4;
    FLastProcess = handle;
    Process& p = FProcesses[handle];
    p.Pid = FNextPid++;
    p.EndAfterWaits = plan.EndAfterWaits;
    p.ExitCode = plan.ExitCode;
    p.Ended = plan.EndAfterWaits == 0;
    return {true, plan.InstApp, handle};
}

zo::TWaitResult FakeLaunchSystem::DoWait(THandle handle, uint32_t timeout, uint32_t wakeMask) {
    std::unique_lock<std::mutex> lock(FLock);
    FWaits.push_back({handle, timeout, wakeMask, std::this_thread::get_id()});
    Process* p = Find(handle);
    if (!p) {
        tLastError = cErrorInvalidHandle;
        return zo::wrFailed;
    }
    ++p->Waits;
    if (p->EndAfterWaits >= 0 && p->Waits > p->EndAfterWaits) p->Ended = true;
    auto woken = [&] { return p->Ended || (wakeMask && !FMessages.empty()); };
    if (timeout == zo::cInfiniteWait)
        FChanged.wait(lock, woken);
    else
        FChanged.wait_for(lock, cTimeScale * timeout, woken);
    if (p->Ended) return zo::wrSignalled;
    if (wakeMask && !FMessages.empty()) return zo::wrMessage;
    return zo::wrTimeout;
}

zo::TWaitResult FakeLaunchSystem::Wait(THandle process, uint32_t timeout) { return DoWait(process, timeout, 0); }

zo::TWaitResult FakeLaunchSystem::MsgWait(THandle process, uint32_t timeout, uint32_t wakeMask) {
    return DoWait(process, timeout, wakeMask);
}

uint32_t FakeLaunchSystem::LastError() { return tLastError; }

uint32_t FakeLaunchSystem::ExitCodeOf(THandle handle) {
    std::lock_guard<std::mutex> lock(FLock);
    Process* p = Find(handle);
    return p ? p->ExitCode : 0;
}

void FakeLaunchSystem::Close(THandle handle) {
    std::lock_guard<std::mutex> lock(FLock);
    if (Process* p = Find(handle)) {
        p->Closed = true;
        p->ClosedBy = std::this_thread::get_id();
    }
}

uint32_t FakeLaunchSystem::ProcessId(THandle handle) {
    std::lock_guard<std::mutex> lock(FLock);
    Process* p = Find(handle);
    return p ? p->Pid : 0;
}

THandle FakeLaunchSystem::TopWindow() {
    std::lock_guard<std::mutex> lock(FLock);
    return FWindows.empty() ? 0 : FWindows.front().Handle;
}

THandle FakeLaunchSystem::NextWindow(THandle window) {
    std::lock_guard<std::mutex> lock(FLock);
    for (size_t i = 0; i + 1 < FWindows.size(); ++i)
        if (FWindows[i].Handle == window) return FWindows[i + 1].Handle;
    return 0;
}

THandle FakeLaunchSystem::ParentOf(THandle window) {
    std::lock_guard<std::mutex> lock(FLock);
    for (const Window& w : FWindows)
        if (w.Handle == window) return w.Parent;
    return 0;
}

uint32_t FakeLaunchSystem::WindowProcessId(THandle window) {
    std::lock_guard<std::mutex> lock(FLock);
    for (const Window& w : FWindows)
        if (w.Handle == window) return w.Pid;
    return 0;
}

bool FakeLaunchSystem::MadeBySystem(THandle window) {
    std::lock_guard<std::mutex> lock(FLock);
    for (const Window& w : FWindows)
        if (w.Handle == window) return w.MadeBySystem;
    return false;
}

void FakeLaunchSystem::StartThread(std::function<void()> run) {
    if (FailThreadCreation) throw zo::Exception(u"Thread creation error: Not enough resources");
    std::lock_guard<std::mutex> lock(FLock);
    ++FThreadsStarted;
    ++FThreadsRunning;
    FThreads.emplace_back([this, run = std::move(run)]() mutable {
        try {
            run();
        } catch (...) {
        }
        run = nullptr;  // what the run held is freed by the thread itself
        std::lock_guard<std::mutex> lock(FLock);
        --FThreadsRunning;
        FChanged.notify_all();
    });
}

void FakeLaunchSystem::Synchronize(const std::function<void()>& fn) {
    if (std::this_thread::get_id() == GuiThread) {
        fn();
        return;
    }
    Call call{&fn, false, nullptr};
    std::unique_lock<std::mutex> lock(FLock);
    FCalls.push_back(&call);
    FChanged.notify_all();
    FChanged.wait(lock, [&] { return call.Done; });
    if (call.Error) std::rethrow_exception(call.Error);
}

void FakeLaunchSystem::ProcessMessages() {
    // Handles the messages that are waiting now; those they post wake the next wait.
    std::deque<std::function<void()>> messages;
    {
        std::lock_guard<std::mutex> lock(FLock);
        messages.swap(FMessages);
    }
    for (auto& message : messages) message();
}

void FakeLaunchSystem::Sleep(uint32_t ms) {
    int number;
    {
        std::lock_guard<std::mutex> lock(FLock);
        FSleeps.push_back(ms);
        number = static_cast<int>(FSleeps.size());
    }
    if (number > 2000) throw std::runtime_error("Launch sleeps for ever");
    if (OnSleep) OnSleep(number);
    if (ServeCallsWhileSleeping) ServeCalls();
    std::this_thread::sleep_for(cTimeScale * ms);
}

}  // namespace fakes
