#include "companion/Watchdog.h"

#include <algorithm>

#include "platform/Text.h"

namespace zo::companion {

namespace {

std::u16string Seconds(uint64_t ms) { return IntToStr(int64_t(ms / 1000)); }
std::u16string Number(unsigned long long n) { return IntToStr(int64_t(n)); }

// The reason of a failure that is a start that did not last; no system error has this code.
constexpr unsigned long kDidNotLast = 0xFFFFFFFFul;

TEventKind SettingKind(const TRestartSetting& setting) {
    switch (setting.Source) {
    case ssFile:
        return setting.On ? ekRestartOnByFile : ekRestartOffByFile;
    case ssNoFile:
        return ekRestartOffNoFile;
    case ssTooLarge:
        return ekRestartOffTooLarge;
    case ssUnreadable:
        break;
    }
    if (!setting.KeptLast) return ekRestartOffUnreadable;
    return setting.On ? ekSettingKeptOn : ekSettingKeptOff;
}

}  // namespace

uint64_t NextRetryMs(uint64_t lastMs) {
    return lastMs == 0 ? kFirstRetryMs : std::min(lastMs * 2, kLongestRetryMs);
}

std::optional<TEvent> TSettingWatch::Check(const TRestartSetting& setting) {
    const TEventKind kind = SettingKind(setting);
    const unsigned long reason = setting.Source == ssUnreadable ? setting.ErrorCode : 0;
    if (FLast && FLast->first == kind && FLast->second == reason) return std::nullopt;
    FLast.emplace(kind, reason);
    TEvent event{kind, {FFileName}};
    if (kind == ekRestartOffTooLarge) event.Inserts.push_back(Number(setting.Size));
    if (setting.Source == ssUnreadable) {
        event.Inserts.push_back(setting.ErrorText);
        event.Inserts.push_back(Number(setting.ErrorCode));
    }
    return event;
}

std::optional<TEvent> TWatchedService::Check(TServiceFact fact, bool restartOn, uint64_t nowMs,
                                             const std::function<TStartResult()>& start) {
    if (fact == sfRunning) {
        if (!FUpSinceMs) FUpSinceMs = nowMs;
        if (nowMs - *FUpSinceMs < kLastingRunMs) return std::nullopt;  // not known to last yet
        // It has run long enough: a series of failed starts is over.
        FStartedHere = false;
        if (FRetryMs == 0) return std::nullopt;
        FRetryMs = 0;
        return TEvent{ekRetryReset, {FName, Seconds(kLastingRunMs)}};
    }
    const bool didNotLast = FStartedHere && nowMs - *FUpSinceMs < kLastingRunMs;
    FUpSinceMs.reset();
    FStartedHere = false;
    if (fact == sfNotInstalled || !restartOn) {
        // Nothing is watched now: a later start begins a new series.
        FRetryMs = 0;
        return std::nullopt;
    }
    if (didNotLast) return Failed({kDidNotLast, {}}, nowMs);
    if (FRetryMs != 0 && nowMs < FNextTryMs) return std::nullopt;  // still waiting after a failure
    const TStartResult result = start();
    const uint64_t returnedMs = std::max(nowMs, result.ReturnedMs);
    if (result.ErrorCode != 0) return Failed(result, returnedMs);
    // The request was taken; whether the start lasts, a later check tells. Within a series the
    // series' own events tell.
    FUpSinceMs = returnedMs;
    FStartedHere = true;
    if (FRetryMs != 0) return std::nullopt;
    return TEvent{ekStartRequested, {FName}};
}

std::optional<TEvent> TWatchedService::Failed(const TStartResult& result, uint64_t nowMs) {
    const uint64_t last = FRetryMs;
    const bool sameReason = last != 0 && result.ErrorCode == FLastError;
    FRetryMs = NextRetryMs(last);
    FNextTryMs = nowMs + FRetryMs;
    FLastError = result.ErrorCode;
    if (sameReason && FRetryMs == last) return std::nullopt;  // at the longest wait: nothing new
    if (sameReason && FRetryMs == kLongestRetryMs) return TEvent{ekRetryLongest, {FName}};
    if (result.ErrorCode == kDidNotLast)
        return TEvent{sameReason ? ekRetryGrownDidNotLast : ekStartDidNotLast,
                      {FName, Seconds(kLastingRunMs), Seconds(FRetryMs)}};
    return TEvent{sameReason ? ekRetryGrown : ekStartFailed,
                  {FName, result.ErrorText, Number(result.ErrorCode), Seconds(FRetryMs)}};
}

}  // namespace zo::companion
