// The program launcher: runs a file through the shell with a verb, parameters, a working folder
// and a show mode, keeps the handle of the process it started and waits for it to end.
//
// Usage (on the GUI thread):
//
//     #include "launcher/Launcher.h"
//     #include "platform/win32/Win32Launching.h"
//
//     zo::TLaunchPlatform platform = zo::Win32LaunchPlatform();  // once, on the GUI thread
//     zo::TLauncher InstallQ5Service(platform);                 // Action "Open", Timeout -1, ...
//     InstallQ5Service.SetFileName(path);
//     InstallQ5Service.SetParameters(u"/install");
//     InstallQ5Service.Launch();  // returns once the shell has started the program or refused
//
// By default (WaitUntilFinished false) a wait thread waits for the program; OnFinished, OnTimeout
// and OnError are raised on the GUI thread when it takes its messages. Several launchers may share
// one TLaunchPlatform. Destroying a launcher never ends the launched program, and no event of a
// destroyed launcher is raised.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/ProcessWaits.h"
#include "platform/Shell.h"
#include "platform/Threads.h"

namespace zo {

enum TShowMode { smNormal, smMaximized, smMinimized, smHide };
enum TWaitType { wtFullStop, wtProcessMessages };

// The shell's show value of a show mode.
int32_t ShowValue(TShowMode mode);

class TLauncher;
using TNotifyEvent = std::function<void(TLauncher& Sender)>;
using TLaunchErrorEvent = std::function<void(TLauncher& Sender, uint32_t ErrorCode)>;

// The platform services a launcher uses.
struct TLaunchPlatform {
    std::shared_ptr<IShell> Shell;
    std::shared_ptr<IProcessWaits> Processes;
    std::shared_ptr<IThreads> Threads;
};

// The request mask of every start: hand back the process, finish DDE, show no error box.
constexpr uint32_t cLaunchMask = cSeeMaskNoCloseProcess | cSeeMaskFlagDdeWait | cSeeMaskFlagNoUi;
// The wake mask of the message-processing wait: posted and sent messages.
constexpr uint32_t cLaunchWakeMask = cQsPostMessage | cQsSendMessage | cQsAllPostMessage;
// The slice of the wait thread's wait, and the step of Launch's sleep while the shell answers.
constexpr uint32_t cWaitSlice = 100;
constexpr uint32_t cStartPollStep = 10;

namespace detail {
class TLaunchCore;
}

// The wait thread of one wait-thread launch. It starts at once, runs the start and the wait once
// and frees itself when done. Terminate asks it to stop waiting; it notices within a slice.
class TLaunchThread {
public:
    // Starts the thread (throws "Thread creation error: %s" when it cannot be created).
    static std::shared_ptr<TLaunchThread> Create(std::shared_ptr<detail::TLaunchCore> launcher,
                                                 TShellExecuteRequest request, uint64_t attempt);
    void Terminate() { FTerminated.store(true); }
    bool Terminated() const { return FTerminated.load(); }

private:
    friend class detail::TLaunchCore;
    TLaunchThread(std::shared_ptr<detail::TLaunchCore> launcher, TShellExecuteRequest request,
                  uint64_t attempt)
        : FLauncher(std::move(launcher)), FRequest(std::move(request)), FAttempt(attempt) {}
    void Run();

    std::shared_ptr<detail::TLaunchCore> FLauncher;
    const TShellExecuteRequest FRequest;
    const uint64_t FAttempt;
    std::atomic<bool> FTerminated{false};
    bool FPinned = false;  // holds a pin on the launcher (this thread only)
};

class TLauncher {
public:
    explicit TLauncher(TLaunchPlatform platform);
    // Asks a running wait thread to stop waiting and detaches it; the program goes on running.
    virtual ~TLauncher();
    TLauncher(const TLauncher&) = delete;
    TLauncher& operator=(const TLauncher&) = delete;

    const std::u16string& Action() const { return FAction; }
    void SetAction(std::u16string value) { FAction = std::move(value); }
    const std::u16string& FileName() const { return FFileName; }
    void SetFileName(std::u16string value) { FFileName = std::move(value); }
    const std::u16string& Parameters() const { return FParameters; }
    void SetParameters(std::u16string value) { FParameters = std::move(value); }
    const std::u16string& StartDir() const { return FStartDir; }
    void SetStartDir(std::u16string value) { FStartDir = std::move(value); }
    TShowMode ShowMode() const { return FShowMode; }
    void SetShowMode(TShowMode value) { FShowMode = value; }
    // Milliseconds; every use reads it as unsigned, so -1 means no limit.
    int32_t Timeout() const;
    void SetTimeout(int32_t value);
    TWaitType WaitType() const { return FWaitType; }
    void SetWaitType(TWaitType value) { FWaitType = value; }
    bool WaitUntilFinished() const { return FWaitUntilFinished; }
    void SetWaitUntilFinished(bool value) { FWaitUntilFinished = value; }

    TNotifyEvent OnFinished;
    TNotifyEvent OnTimeout;
    TLaunchErrorEvent OnError;

    // The shell's instance value of the last successful start.
    std::uintptr_t HInstance() const;
    // The process of the last successful start while the launcher holds it open; 0 once a
    // Launch wait has ended and closed it (an Execute's handle stays, it is the caller's).
    THandle HProcess() const;
    uint32_t ExitCode() const;
    // True from a successful start by Launch until its wait is over.
    bool Running() const;

protected:
    // (Declared ahead of Launch and Execute, so that they come first among the virtual operations.)
    // How a launch waits for its program; a subclass may wait otherwise. Each is given a program
    // that was started, and ends by raising one of the events, or nothing when the launcher is
    // being destroyed.
    // The calling thread's wait while WaitType is wtProcessMessages: a message handled during it
    // may destroy the launcher, so after handling messages an override must not touch the object
    // unless the launcher is still there (the default one works on state the wait holds).
    virtual void WaitProcessingMessages();
    // The calling thread's wait while WaitType is wtFullStop.
    virtual void WaitFullStop();
    // The wait thread's wait. It runs in the wait thread, and the launcher stays in being until
    // it returns: a subclass that overrides it calls StopWaiting first thing in its destructor.
    // The default one releases the launcher at once and waits on state the wait thread holds.
    virtual void WaitInBackground(TLaunchThread& thread);

public:
    // Starts FileName and waits for it in the style that WaitUntilFinished and WaitType choose.
    virtual void Launch();
    // Starts FileName without waiting and without events: 0 when started (or nothing done),
    // else the shell's instance code.
    virtual uint32_t Execute();
    static std::u16string GetErrorMsg(uint32_t ErrorCode);
    // The first top-level window (highest in Z order, without parent) that the launched program
    // made: the windows the system makes for each of its threads do not count.
    THandle GetWindowHandle();

protected:
    // Starts FileName and waits in the calling thread in the style WaitType chooses.
    void StartAndWait();
    // Asks a wait thread to stop and, while it is inside this launcher's WaitInBackground, takes
    // the GUI thread's messages until it has left; no event is raised any more.
    void StopWaiting();

    virtual void NotifyFinished();
    virtual void NotifyTimeout();
    virtual void NotifyError();
    uint32_t LastErrorCode() const;

private:
    friend class detail::TLaunchCore;
    TShellExecuteRequest Request() const;

    std::shared_ptr<detail::TLaunchCore> FCore;
    std::u16string FAction = u"Open";
    std::u16string FFileName;
    std::u16string FParameters;
    std::u16string FStartDir;
    TShowMode FShowMode = smNormal;
    TWaitType FWaitType = wtFullStop;
    bool FWaitUntilFinished = false;
    std::weak_ptr<TLaunchThread> FBackgroundThread;
};

namespace detail {

enum TLaunchReport { lrFinished, lrTimeout, lrError };

// A lock for the launcher's two short critical sections (a few assignments, or one handle call).
// Not std::mutex: its lock reports failures through the runtime's system-error classes, which
// would bring tens of kilobytes of string code into the programs for a lock that is almost never
// contended. A waiter yields its time slice until the holder is done, through the platform: the
// Windows programs are built without a threading runtime, where std::this_thread::yield does
// nothing and a waiter would spin through its whole slice while a preempted holder waits for it.
class TSpinLock {
public:
    explicit TSpinLock(IThreads& threads) : FThreads(threads) {}
    void lock() {
        while (FHeld.exchange(true, std::memory_order_acquire)) FThreads.YieldTimeSlice();
    }
    void unlock() { FHeld.store(false, std::memory_order_release); }

private:
    IThreads& FThreads;
    std::atomic<bool> FHeld{false};
};

// The part of a launcher that its waits use: the platform, and every value that a wait thread
// writes. It is shared with the launcher's wait threads, so that a wait thread never touches the
// launcher object itself: its notifications run on the GUI thread and find the launcher through
// FOwner, which the launcher clears when it is destroyed (both on the GUI thread). A wait in the
// calling thread holds it too, so that a launcher destroyed by a message handled during the wait
// is noticed and not touched again.
class TLaunchCore : public std::enable_shared_from_this<TLaunchCore> {
public:
    explicit TLaunchCore(TLaunchPlatform platform) : FPlatform(std::move(platform)) {}

    // Start and wait: on the wait thread `thread` in the background, or, with none, in the
    // calling thread in the style waitType chooses.
    void StartAndWait(const TShellExecuteRequest& request, TWaitType waitType, TLaunchThread* thread,
                      uint64_t attempt);
    // Marks the start attempt `attempt` as over (idempotent).
    void EndAttempt(uint64_t attempt);

    const TLaunchPlatform FPlatform;
    TLauncher* FOwner = nullptr;  // written on the GUI thread under FPinLock

    // The wait thread runs the owner's WaitInBackground only while it holds a pin on the owner;
    // StopWaiting clears the owner and waits for the pins to go.
    void BackgroundWait(TLaunchThread& thread);
    void ReleasePin(TLaunchThread& thread);
    TSpinLock FPinLock{*FPlatform.Threads};
    int FPins = 0;  // under FPinLock

    void WaitInBackground(TLaunchThread& thread);
    void WaitFullStop();
    void WaitProcessingMessages();

    std::atomic<int32_t> FTimeout{-1};
    std::atomic<bool> FRunning{false};
    std::atomic<uint32_t> FLastErrorCode{0};
    std::atomic<std::uintptr_t> FHInstance{0};
    std::atomic<THandle> FHProcess{0};
    std::atomic<uint32_t> FExitCode{0};
    // The number of the latest start attempt by Launch, and of the latest one that is over.
    std::atomic<uint64_t> FAttemptStarted{0};
    std::atomic<uint64_t> FAttemptOver{0};
    // Held while the process handle is closed, and while GetWindowHandle uses it.
    TSpinLock FHandleLock{*FPlatform.Threads};

private:
    // Raises a report on the GUI thread: directly in the calling-thread styles, through the
    // synchronous call from a wait thread. Nothing when the launcher is gone.
    void Report(TLaunchReport report, bool fromWaitThread);
    void CloseProcess();
};

}  // namespace detail

}  // namespace zo
