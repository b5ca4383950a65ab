// The service monitor's decisions, apart from the system calls that carry them out: which events a
// check reports, when a watched service whose start failed, or did not last, is tried again.
// Portable, so that a scripted run of checks can be tested without a service control manager.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "companion/Setting.h"

namespace zo::companion {

// What the service writes to the Event Log. Each kind has its own message; the order is that of
// the message table's ids.
enum TEventKind {
    ekServiceStarted,
    ekServiceStopped,
    ekRestartOnByFile,        // %1 settings file
    ekRestartOffByFile,       // %1 settings file
    ekRestartOffNoFile,       // %1 settings file
    ekRestartOffTooLarge,     // %1 settings file, %2 its size in bytes
    ekRestartOffUnreadable,   // %1 settings file, %2 reason, %3 error code
    ekSettingKeptOn,          // %1 settings file, %2 reason, %3 error code
    ekSettingKeptOff,         // %1 settings file, %2 reason, %3 error code
    ekStartRequested,         // %1 watched service
    ekStartFailed,            // %1 watched service, %2 reason, %3 error code, %4 seconds to the next try
    ekRetryGrown,             // %1 watched service, %2 reason, %3 error code, %4 seconds to the next try
    ekRetryReset,             // %1 watched service, %2 seconds it has run
    ekStartDidNotLast,        // %1 watched service, %2 seconds a start must last, %3 seconds to the next try
    ekRetryGrownDidNotLast,   // %1 watched service, %2 seconds a start must last, %3 seconds to the next try
    ekRetryLongest,           // %1 watched service
    ekEventKindCount
};

// How many inserts each kind's message takes, in the order above.
inline constexpr int kEventInserts[ekEventKindCount] = {0, 0, 1, 1, 1, 2, 3, 3, 3, 1, 4, 4, 2, 3, 3, 1};

struct TEvent {
    TEventKind Kind = ekServiceStarted;
    std::vector<std::u16string> Inserts;  // %1, %2, ... of the kind's message
};

// The wait before the next try after a failed start: 5 s after the first failure, then twice the
// last wait, up to 5 minutes. lastMs is 0 when the previous start did not fail.
inline constexpr uint64_t kFirstRetryMs = 5000;
inline constexpr uint64_t kLongestRetryMs = 5 * 60 * 1000;
uint64_t NextRetryMs(uint64_t lastMs);

// A start lasts when the service is still running this long after it. One that the watchdog made
// and that a check finds stopped sooner (the next check, for a service that dies at once) counts
// as a failed start. A minute covers a service that fails while it starts up, the service control
// manager's own wait for a starting service (30 s) included, while a service that fails after
// running longer is still started again at the next check.
inline constexpr uint64_t kLastingRunMs = 60 * 1000;

// The setting as the checks find it: an event for the first check and whenever the decision or
// its reason changes (a different error code counts as a different reason; a growing oversized
// file does not).
class TSettingWatch {
public:
    explicit TSettingWatch(std::u16string fileName) : FFileName(std::move(fileName)) {}
    std::optional<TEvent> Check(const TRestartSetting& setting);

private:
    std::u16string FFileName;
    std::optional<std::pair<TEventKind, unsigned long>> FLast;
};

// What a check finds a watched service doing.
enum TServiceFact { sfNotInstalled, sfRunning, sfStopped };

// The outcome of a start request: ErrorCode 0 when the service control manager took it.
// ReturnedMs: when the request returned (a start may take the service control manager's whole
// wait); the wait before the next try and the time a start must last count from then.
struct TStartResult {
    unsigned long ErrorCode = 0;
    std::u16string ErrorText;
    uint64_t ReturnedMs = 0;
};

// One watched service across the checks. A stopped service is started while restarting is on;
// after a failed start, or one that did not last, the next try waits (NextRetryMs), and the wait
// grows until a check finds the service running for kLastingRunMs. The events tell each change of
// that state (a series begins, its wait grows, reaches the longest, ends), never each check.
class TWatchedService {
public:
    explicit TWatchedService(std::u16string name) : FName(std::move(name)) {}
    // One check at nowMs (a steady millisecond clock). start asks the service control manager to
    // start the service; it is called only when the check decides to.
    std::optional<TEvent> Check(TServiceFact fact, bool restartOn, uint64_t nowMs,
                                const std::function<TStartResult()>& start);
    // The wait in force after failed starts, 0 while none failed.
    uint64_t RetryMs() const { return FRetryMs; }

private:
    std::optional<TEvent> Failed(const TStartResult& result, uint64_t nowMs);

    std::u16string FName;
    uint64_t FRetryMs = 0;
    uint64_t FNextTryMs = 0;
    unsigned long FLastError = 0;        // of the last failure; kDidNotLast for a start that did not last
    std::optional<uint64_t> FUpSinceMs;  // the start the watchdog made, or the first check that found it running
    bool FStartedHere = false;           // FUpSinceMs is the watchdog's start, not yet known to last
};

}  // namespace zo::companion
