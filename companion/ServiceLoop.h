// The service's stop and the watch of its settings folder, apart from the system calls that carry
// them out: what the stop reports while it waits for the worker, and when the folder is watched
// again. Portable, so that a slow worker and a folder that goes and comes back are tested natively.
#pragma once
#include <cstdint>
#include <string>

namespace zo::companion {

// A stop ends within this time, whatever system call the worker is in (a start of a watched service
// waits for that service's process, up to the service control manager's time-out): then the service
// reports itself stopped without the worker, and its process ends with the call unfinished.
inline constexpr uint32_t kStopLimitMs = 3000;
// How often the stop reports progress while the worker has not returned.
inline constexpr uint32_t kStopStepMs = 250;

// What the stop asks of the system.
class IStopSteps {
public:
    virtual ~IStopSteps() = default;
    virtual uint64_t NowMs() = 0;
    virtual void ReportStopPending(uint32_t checkPoint, uint32_t waitHintMs) = 0;
    // Waits up to ms for the worker to return; true once it has.
    virtual bool WaitForWorker(uint32_t ms) = 0;
};

// From the stop control on: reports "stop pending" with a checkpoint that advances at each report,
// every kStopStepMs, and as wait hint the time left until kStopLimitMs plus one step (for the
// final report), until the worker returns (true) or the time is up (false: it is still in a call).
bool AwaitWorker(IStopSteps& steps);

// The change notifications the service waits on for its settings: the settings folder's own (names,
// sizes and writes of its files) while it exists, and one on the nearest folder above it that
// exists (folders made, removed or renamed there), which tells when the settings folder goes or is
// made again.
enum TWatchKind { wkSettings, wkAbove };

// The system's change notifications, one of each kind at most.
class IFolderWatches {
public:
    virtual ~IFolderWatches() = default;
    virtual bool IsFolder(const std::u16string& path) = 0;
    // Makes the kind's notification on the folder (none is open); false when refused.
    virtual bool Watch(TWatchKind kind, const std::u16string& folder) = 0;
    // Closes the kind's notification, if one is open.
    virtual void Close(TWatchKind kind) = 0;
};

// Before each check, periodic or after a signal, the notifications are made anew rather than kept:
// a folder may have been removed and made again without a signal (under Wine a removed folder's
// own notification stays silent, and so does the one above when that folder is itself removed),
// and on Windows an open notification keeps its removed folder pending, so that it cannot be made
// again. A change after this is signalled; one before it, the check that follows reads.
void RenewFolderWatches(IFolderWatches& system, const std::u16string& settingsFolder);

}  // namespace zo::companion
