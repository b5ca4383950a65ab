#include "launcher/Launcher.h"

namespace zo {

int32_t ShowValue(TShowMode mode) {
    switch (mode) {
        case smNormal: return 1;     // SW_SHOWNORMAL
        case smMaximized: return 3;  // SW_SHOWMAXIMIZED
        case smMinimized: return 7;  // SW_SHOWMINNOACTIVE: minimised, not activated
        case smHide: return 0;       // SW_HIDE
    }
    return 1;
}

// ---- TLaunchThread ---------------------------------------------------------------------------

std::shared_ptr<TLaunchThread> TLaunchThread::Create(std::shared_ptr<detail::TLaunchCore> launcher,
                                                     TShellExecuteRequest request, uint64_t attempt) {
    std::shared_ptr<TLaunchThread> thread(new TLaunchThread(launcher, std::move(request), attempt));
    // The running thread holds the only strong reference: it frees itself when its run ends.
    launcher->FPlatform.Threads->StartThread([thread] { thread->Run(); });
    return thread;
}

void TLaunchThread::Run() {
    if (!FLauncher) return;
    try {
        // The request was taken from the launcher by Launch, which sleeps until the start
        // attempt is over; the wait thread itself never reads the launcher object.
        FLauncher->StartAndWait(FRequest, wtFullStop, this, FAttempt);
    } catch (...) {
        // An event handler's exception, passed back from the GUI thread: the thread ends
        // without any further report (the handle is closed and Running cleared by then).
    }
    // Should the start itself have failed by an exception, Launch must not sleep for ever.
    FLauncher->EndAttempt(FAttempt);
}

// ---- the shared part of a launcher ---------------------------------------------------------

namespace detail {

void TLaunchCore::EndAttempt(uint64_t attempt) {
    uint64_t over = FAttemptOver.load();
    while (over < attempt && !FAttemptOver.compare_exchange_weak(over, attempt)) {
    }
}

void TLaunchCore::StartAndWait(const TShellExecuteRequest& request, TWaitType waitType, TLaunchThread* thread,
                               uint64_t attempt) {
    const bool fromWaitThread = thread != nullptr;
    FLastErrorCode.store(0);
    FHInstance.store(0);
    FHProcess.store(0);
    FExitCode.store(0);

    const TShellExecuteResult result = FPlatform.Shell->Start(request);
    if (!result.Success) {
        FLastErrorCode.store(static_cast<uint32_t>(result.InstApp));
        // The outcome is published before the report: Launch, sleeping on the GUI thread, sees
        // it and returns, and only then does the GUI thread take the synchronous call.
        EndAttempt(attempt);
        Report(lrError, fromWaitThread);
        return;
    }
    FHInstance.store(result.InstApp);
    FHProcess.store(result.Process);
    FRunning.store(true);
    EndAttempt(attempt);

    // However the wait ends, an exception included: close the handle, then clear Running.
    struct TEndOfWait {
        TLaunchCore& Core;
        ~TEndOfWait() {
            Core.CloseProcess();
            Core.FRunning.store(false);
        }
    } endOfWait{*this};

    if (fromWaitThread) {
        BackgroundWait(*thread);
        return;
    }
    // The calling thread's waits run on the launcher, unless a message handled while the shell
    // started the program (its DDE wait and COM calls take messages) has destroyed it.
    TLauncher* owner = FOwner;
    if (!owner) return;
    if (waitType == wtProcessMessages)
        owner->WaitProcessingMessages();
    else
        owner->WaitFullStop();
}

void TLaunchCore::BackgroundWait(TLaunchThread& thread) {
    TLauncher* owner = nullptr;
    {
        std::lock_guard<TSpinLock> lock(FPinLock);
        if (FOwner) {
            owner = FOwner;
            ++FPins;
            thread.FPinned = true;
        }
    }
    // Released however the wait ends: a pin left by an override that threw would keep the
    // launcher's destructor waiting for ever.
    struct TPin {
        TLaunchCore& Core;
        TLaunchThread& Thread;
        ~TPin() { Core.ReleasePin(Thread); }
    } pin{*this, thread};
    if (owner) owner->WaitInBackground(thread);
}

void TLaunchCore::ReleasePin(TLaunchThread& thread) {
    if (!thread.FPinned) return;
    std::lock_guard<TSpinLock> lock(FPinLock);
    --FPins;
    thread.FPinned = false;
}

void TLaunchCore::WaitInBackground(TLaunchThread& thread) {
    IProcessWaits& processes = *FPlatform.Processes;
    const THandle process = FHProcess.load();
    uint32_t elapsed = 0;  // wraps at 2^32: with a limit of 4294967295 it never gets there
    for (;;) {
        switch (processes.Wait(process, cWaitSlice)) {
            case wrSignalled:
                FExitCode.store(processes.ExitCodeOf(process));
                Report(lrFinished, true);
                return;
            case wrTimeout:
                elapsed += cWaitSlice;
                if (elapsed >= static_cast<uint32_t>(FTimeout.load())) {
                    Report(lrTimeout, true);
                    return;
                }
                break;
            case wrMessage:
            case wrFailed:
                FLastErrorCode.store(processes.LastError());
                Report(lrError, true);
                return;
        }
        if (thread.Terminated()) return;
    }
}

void TLaunchCore::WaitFullStop() {
    IProcessWaits& processes = *FPlatform.Processes;
    const THandle process = FHProcess.load();
    switch (processes.Wait(process, static_cast<uint32_t>(FTimeout.load()))) {
        case wrSignalled:
            FExitCode.store(processes.ExitCodeOf(process));
            Report(lrFinished, false);
            return;
        case wrTimeout:
            Report(lrTimeout, false);
            return;
        case wrMessage:
        case wrFailed:
            FLastErrorCode.store(processes.LastError());
            Report(lrError, false);
            return;
    }
}

void TLaunchCore::WaitProcessingMessages() {
    IProcessWaits& processes = *FPlatform.Processes;
    const THandle process = FHProcess.load();
    for (;;) {
        // The full limit again after every wake-up: the time-out counts from the latest one.
        switch (processes.MsgWait(process, static_cast<uint32_t>(FTimeout.load()), cLaunchWakeMask)) {
            case wrSignalled:
                FExitCode.store(processes.ExitCodeOf(process));
                Report(lrFinished, false);
                return;
            case wrMessage:
                FPlatform.Threads->ProcessMessages();
                // A handler may have destroyed the launcher: stop waiting, raise nothing.
                if (!FOwner) return;
                break;
            case wrTimeout:
                Report(lrTimeout, false);
                return;
            case wrFailed:
                FLastErrorCode.store(processes.LastError());
                Report(lrError, false);
                return;
        }
    }
}

void TLaunchCore::Report(TLaunchReport report, bool fromWaitThread) {
    auto raise = [this, report] {
        TLauncher* owner = FOwner;  // read on the GUI thread, where Destroy clears it
        if (!owner) return;
        switch (report) {
            case lrFinished: owner->NotifyFinished(); break;
            case lrTimeout: owner->NotifyTimeout(); break;
            case lrError: owner->NotifyError(); break;
        }
    };
    if (fromWaitThread)
        FPlatform.Threads->Synchronize(raise);
    else
        raise();
}

void TLaunchCore::CloseProcess() {
    std::lock_guard<TSpinLock> lock(FHandleLock);
    // Cleared before it is closed, under the lock that GetWindowHandle holds while it uses the
    // handle: nobody can use the closed handle, or a later object that gets its value.
    const THandle process = FHProcess.exchange(0);
    if (process) FPlatform.Processes->Close(process);
}

}  // namespace detail

// ---- TLauncher -------------------------------------------------------------------------------

TLauncher::TLauncher(TLaunchPlatform platform)
    : FCore(std::make_shared<detail::TLaunchCore>(std::move(platform))) {
    FCore->FOwner = this;
}

TLauncher::~TLauncher() { StopWaiting(); }

void TLauncher::StopWaiting() {
    // A wait thread that is still there is asked to stop (whatever WaitUntilFinished says now).
    if (std::shared_ptr<TLaunchThread> thread = FBackgroundThread.lock()) {
        if (FCore->FRunning.load() && !thread->Terminated()) thread->Terminate();
    }
    // The wait thread and a wait on the stack keep the shared part alive but find no launcher:
    // no event is raised any more. The thread stops within its slice and closes the handle.
    for (;;) {
        {
            std::lock_guard<detail::TSpinLock> lock(FCore->FPinLock);
            FCore->FOwner = nullptr;
            if (FCore->FPins == 0) return;
        }
        // An overriding WaitInBackground is still running: its reports wait for this thread.
        FCore->FPlatform.Threads->ProcessMessages();
        FCore->FPlatform.Threads->Sleep(cStartPollStep);
    }
}

void TLauncher::WaitProcessingMessages() { FCore->WaitProcessingMessages(); }

void TLauncher::WaitFullStop() { FCore->WaitFullStop(); }

void TLauncher::WaitInBackground(TLaunchThread& thread) {
    const std::shared_ptr<detail::TLaunchCore> core = FCore;
    core->ReleasePin(thread);  // from here on the launcher may go
    core->WaitInBackground(thread);
}

void TLauncher::StartAndWait() {
    // Held for the whole wait: a message handled during it may destroy this launcher, and with
    // it FCore, while the wait still runs on the shared part.
    const std::shared_ptr<detail::TLaunchCore> core = FCore;
    core->StartAndWait(Request(), FWaitType, nullptr, 0);
}

int32_t TLauncher::Timeout() const { return FCore->FTimeout.load(); }
void TLauncher::SetTimeout(int32_t value) { FCore->FTimeout.store(value); }
std::uintptr_t TLauncher::HInstance() const { return FCore->FHInstance.load(); }
THandle TLauncher::HProcess() const { return FCore->FHProcess.load(); }
uint32_t TLauncher::ExitCode() const { return FCore->FExitCode.load(); }
bool TLauncher::Running() const { return FCore->FRunning.load(); }
uint32_t TLauncher::LastErrorCode() const { return FCore->FLastErrorCode.load(); }

TShellExecuteRequest TLauncher::Request() const {
    TShellExecuteRequest request;
    request.Mask = cLaunchMask;
    request.Wnd = 0;
    request.Verb = FAction;
    request.File = FFileName;
    request.Parameters = FParameters;
    request.Directory = FStartDir;
    request.Show = ShowValue(FShowMode);
    return request;
}

void TLauncher::Launch() {
    if (FCore->FRunning.load() || FFileName.empty()) return;
    if (FWaitUntilFinished) {
        StartAndWait();
        return;
    }
    const std::shared_ptr<detail::TLaunchCore> core = FCore;
    const uint64_t attempt = core->FAttemptStarted.fetch_add(1) + 1;
    FBackgroundThread = TLaunchThread::Create(core, Request(), attempt);
    // Sleep until this attempt's outcome is published; earlier attempts do not count, and a
    // program that has already ended again (Running false) does not keep us here.
    do {
        core->FPlatform.Threads->Sleep(cStartPollStep);
    } while (core->FAttemptOver.load() < attempt);
}

uint32_t TLauncher::Execute() {
    if (FCore->FRunning.load() || FFileName.empty()) return 0;
    FCore->FHInstance.store(0);
    FCore->FHProcess.store(0);
    FCore->FExitCode.store(0);
    const TShellExecuteResult result = FCore->FPlatform.Shell->Start(Request());
    if (!result.Success) return static_cast<uint32_t>(result.InstApp);
    FCore->FHInstance.store(result.InstApp);
    FCore->FHProcess.store(result.Process);  // the caller's to close
    return 0;
}

std::u16string TLauncher::GetErrorMsg(uint32_t ErrorCode) {
    switch (ErrorCode) {
        case 0: return u"Out of memory or executable file is corrupt";
        case 2: return u"File was not found";
        case 3: return u"Path was not found";
        case 5: return u"Sharing violation or netword error";
        case 6: return u"A library required separate data segments for each task";
        case 8: return u"Insufficient memory to start application";
        case 10: return u"Incorrect version of Windows";
        case 11: return u"File is not a Windows application or there was an error in the .EXE image";
        case 12: return u"Application was designed for a different operating system";
        case 13: return u"Application was designed for MS-DOS 4.0";
        case 14: return u"Unknown executable file type";
        case 15: return u"Cannot load a real-mode application";
        case 16:
            return u"Cannot load a second instance of an executable file containing multiple, "
                   u"non-read-only data segments";
        case 19: return u"Cannot load a compressed executable file";
        case 20: return u"A dynamic-link library (DLL) file is invalid";
        case 21: return u"Application requires Windows 32-bit extensions";
        case 31: return u"No association for specified file type";
        default: return u"Unknown Error";
    }
}

THandle TLauncher::GetWindowHandle() {
    IProcessWaits& processes = *FCore->FPlatform.Processes;
    uint32_t processId = 0;
    THandle top = 0;
    {
        std::lock_guard<detail::TSpinLock> lock(FCore->FHandleLock);
        const THandle process = FCore->FHProcess.load();
        if (!process) return 0;
        top = processes.TopWindow();
        processId = processes.ProcessId(process);
    }
    if (!top || !processId) return 0;
    for (THandle window = top; window; window = processes.NextWindow(window)) {
        if (!processes.ParentOf(window) && processes.WindowProcessId(window) == processId &&
            !processes.MadeBySystem(window))
            return window;
    }
    return 0;
}

void TLauncher::NotifyFinished() {
    if (OnFinished) OnFinished(*this);
}

void TLauncher::NotifyTimeout() {
    if (OnTimeout) OnTimeout(*this);
}

void TLauncher::NotifyError() {
    if (OnError) OnError(*this, FCore->FLastErrorCode.load());
}

}  // namespace zo
