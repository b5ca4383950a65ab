// GoogleTest's Notification (the start signal of its own thread helpers) over an event of the
// platform: the test framework's version needs std::mutex and std::condition_variable, which the
// standard library of MinGW's "win32" thread model does not have. Forced into every file that
// sees the framework's headers, together with GTEST_HAS_NOTIFICATION_ (see cmake/Windows.cmake).
#pragma once
#include <windows.h>

namespace testing::internal {

class Notification {
public:
    Notification() : FEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() {
        if (FEvent) CloseHandle(FEvent);
    }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(FEvent); }
    void WaitForNotification() { WaitForSingleObject(FEvent, INFINITE); }

private:
    HANDLE FEvent;  // manual reset: once notified, every waiter goes on
};

}  // namespace testing::internal
