// Threads of the program: starting a thread that looks after itself, and handing work to the
// GUI thread, the one that owns the windows and runs the message loop.
#pragma once
#include <cstdint>
#include <functional>

namespace zo {

class IThreads {
public:
    virtual ~IThreads() = default;
    // Starts a new thread at once that runs `run` and frees it when run returns; nobody waits
    // for it. An exception that leaves `run` ends the thread silently. When no thread can be
    // created, throws zo::Exception "Thread creation error: %s" with the system's text.
    virtual void StartThread(std::function<void()> run) = 0;
    // Runs `call` on the GUI thread and blocks until it has run there; an exception it raises
    // is raised again in the calling thread. On the GUI thread itself, `call` runs directly.
    // The GUI thread runs such calls whenever it takes messages (its message loop, modal loops,
    // ProcessMessages, a message-waking wait that includes sent messages).
    virtual void Synchronize(const std::function<void()>& call) = 0;
    // On the GUI thread: handles every message waiting in its queue, then returns.
    virtual void ProcessMessages() = 0;
    // Puts the calling thread to sleep; it handles no messages meanwhile.
    virtual void Sleep(uint32_t ms) = 0;
    // Gives the rest of the calling thread's time slice to another thread that is ready to run,
    // as a waiter for a lock held elsewhere does.
    virtual void YieldTimeSlice() = 0;
};

}  // namespace zo
