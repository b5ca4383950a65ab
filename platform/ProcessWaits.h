// Waiting for a process to end, and the facts about a process and its windows that a program
// which started it may ask for.
#pragma once
#include <cstdint>

#include "platform/Shell.h"

namespace zo {

// A wait limit meaning "no limit".
constexpr uint32_t cInfiniteWait = 0xFFFFFFFF;

// Wake-up classes of the message-waking wait (the platform's QS_ values).
constexpr uint32_t cQsPostMessage = 0x8;
constexpr uint32_t cQsSendMessage = 0x40;
constexpr uint32_t cQsAllPostMessage = 0x100;

enum TWaitResult {
    wrSignalled,  // the process has ended
    wrMessage,    // (message-waking wait only) a message of the wake mask has arrived
    wrTimeout,
    wrFailed,     // the system refused the wait; LastError tells why
};

class IProcessWaits {
public:
    virtual ~IProcessWaits() = default;
    // Waits for the process to end, at most timeout ms (cInfiniteWait: no limit).
    virtual TWaitResult Wait(THandle process, uint32_t timeout) = 0;
    // The same, waking also when a message of wakeMask reaches the calling thread's queue.
    virtual TWaitResult MsgWait(THandle process, uint32_t timeout, uint32_t wakeMask) = 0;
    // The calling thread's last error code, read right after a failed call.
    virtual uint32_t LastError() = 0;
    virtual uint32_t ExitCodeOf(THandle process) = 0;
    virtual void Close(THandle handle) = 0;
    // The process's id; 0 when it cannot be had.
    virtual uint32_t ProcessId(THandle process) = 0;

    // The desktop's top-level windows in Z order: the topmost, then each one's next; 0 ends.
    virtual THandle TopWindow() = 0;
    virtual THandle NextWindow(THandle window) = 0;
    // The window's parent or owner; 0 when it has none.
    virtual THandle ParentOf(THandle window) = 0;
    virtual uint32_t WindowProcessId(THandle window) = 0;
    // Whether the system made the window for the thread that owns it (the input-method windows
    // that each thread with windows gets), rather than the program.
    virtual bool MadeBySystem(THandle window) = 0;
};

}  // namespace zo
