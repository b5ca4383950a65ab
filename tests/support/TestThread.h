// A second thread for the tests that run under Wine, started through the platform's own calls:
// the Windows builds use the runtime's "win32" thread model, whose standard library has no
// std::thread. It behaves as one where the tests rely on it: `run` starts at once, and an
// exception that leaves it ends the program. Unlike std::thread it is joined, at the latest, when
// it goes out of scope.
#pragma once
#include <windows.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

namespace testsupport {

class TThread {
public:
    explicit TThread(std::function<void()> run) : FRun(std::move(run)) {
        FHandle = CreateThread(nullptr, 0, Start, &FRun, 0, nullptr);
        if (!FHandle) throw std::runtime_error("CreateThread failed: " + std::to_string(GetLastError()));
    }
    ~TThread() { Join(); }
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Waits until `run` has returned.
    void Join() {
        if (!FHandle) return;
        WaitForSingleObject(FHandle, INFINITE);
        CloseHandle(FHandle);
        FHandle = nullptr;
    }

private:
    // noexcept: an exception leaving `run` calls std::terminate instead of unwinding into the system.
    static DWORD WINAPI Start(void* run) noexcept {
        (*static_cast<std::function<void()>*>(run))();
        return 0;
    }

    std::function<void()> FRun;  // the thread reads it: it lives as long as the thread may run
    HANDLE FHandle = nullptr;
};

}  // namespace testsupport
