// The service monitor's decisions over scripted runs of checks: which event each check reports,
// and when a watched service whose start failed is tried again.
#include <gtest/gtest.h>

#include <optional>

#include "companion/Names.h"
#include "companion/Watchdog.h"
#include "platform/Text.h"

using namespace zo;
using namespace zo::companion;

namespace {

constexpr int kNoEvent = -1;
constexpr long kNoStart = -1;  // the check must not ask for a start

// Every event carries exactly the inserts its message uses.
void ExpectEvent(const std::optional<TEvent>& event, int kind, const std::string& where) {
    if (kind == kNoEvent) {
        EXPECT_FALSE(event) << where << ": unexpected event " << event->Kind;
        return;
    }
    ASSERT_TRUE(event) << where << ": no event, expected " << kind;
    EXPECT_EQ(event->Kind, kind) << where;
    EXPECT_EQ(int(event->Inserts.size()), kEventInserts[event->Kind]) << where;
}

}  // namespace

TEST(WatchdogRetry, WaitStartsAtFiveSecondsDoublesAndStopsAtFiveMinutes) {
    std::vector<uint64_t> waits;
    for (uint64_t wait = 0; waits.size() < 9;) waits.push_back(wait = NextRetryMs(wait));
    EXPECT_EQ(waits, (std::vector<uint64_t>{5000, 10000, 20000, 40000, 80000, 160000, 300000, 300000, 300000}));
}

// One watched service through failed starts, a changed error, the longest wait, a start that is
// taken, starts that do not last, and restarting switched off.
TEST(WatchdogRetry, OneEventPerChangeOfStateOverAScriptedRunOfChecks) {
    struct Row {
        uint64_t Now;
        TServiceFact Fact;
        bool On;
        long StartError;  // what the start request answers; kNoStart: no request expected
        int Event;
        const char* NextTry;  // the seconds insert of a failure event
        uint64_t StartTakes = 0;  // how long the start request takes to return
    };
    const Row rows[] = {
        {0, sfStopped, true, 1058, ekStartFailed, "5"},
        {3000, sfStopped, true, kNoStart, kNoEvent, nullptr},  // waiting
        {5000, sfStopped, true, 1058, ekRetryGrown, "10"},
        {10000, sfStopped, true, kNoStart, kNoEvent, nullptr},
        {15000, sfStopped, true, 1058, ekRetryGrown, "20"},
        {35000, sfStopped, true, 5, ekStartFailed, "40"},  // another reason: said again, the wait grows on
        {75000, sfStopped, true, 5, ekRetryGrown, "80"},
        {155000, sfStopped, true, 5, ekRetryGrown, "160"},
        {315000, sfStopped, true, 5, ekRetryLongest, nullptr},
        {615000, sfStopped, true, 5, kNoEvent, nullptr},  // at the longest wait: tried, nothing new
        {915000, sfStopped, true, 0, kNoEvent, nullptr},  // taken, within the series
        {920000, sfRunning, true, kNoStart, kNoEvent, nullptr},  // running, not for a minute yet
        {975000, sfRunning, true, kNoStart, ekRetryReset, nullptr},
        {980000, sfStopped, true, 0, ekStartRequested, nullptr},  // it had lasted: started again at once
        {985000, sfStopped, true, kNoStart, ekStartDidNotLast, "5"},
        {990000, sfStopped, true, 0, kNoEvent, nullptr},
        {995000, sfRunning, true, kNoStart, kNoEvent, nullptr},
        {1040000, sfStopped, true, kNoStart, ekRetryGrownDidNotLast, "10"},  // ran 50 s
        {1045000, sfStopped, true, kNoStart, kNoEvent, nullptr},  // a check within the wait
        {1050000, sfStopped, true, 1058, ekStartFailed, "20"},
        {1052000, sfStopped, false, kNoStart, kNoEvent, nullptr},  // off: the series ends
        {1053000, sfStopped, true, 1058, ekStartFailed, "5"},    // on again: tried at once
        {1055000, sfNotInstalled, true, kNoStart, kNoEvent, nullptr},
        {1056000, sfStopped, true, 0, ekStartRequested, nullptr},
        {1057000, sfStopped, false, kNoStart, kNoEvent, nullptr},  // off: the start is not judged
        {1058000, sfStopped, true, 0, ekStartRequested, nullptr},
        {1059000, sfStopped, false, kNoStart, kNoEvent, nullptr},
        {1060000, sfStopped, true, 1053, ekStartFailed, "5", 30000},  // the wait counts from its return
        {1093000, sfStopped, true, kNoStart, kNoEvent, nullptr},
        {1095000, sfStopped, true, 0, kNoEvent, nullptr, 20000},
        {1165000, sfRunning, true, kNoStart, kNoEvent, nullptr},  // a minute since the start returned
        {1175000, sfRunning, true, kNoStart, ekRetryReset, nullptr},
    };
    TWatchedService service(u"Quillora5Server");
    for (const Row& row : rows) {
        const std::string where = "at " + std::to_string(row.Now) + " ms";
        int starts = 0;
        const auto event = service.Check(row.Fact, row.On, row.Now, [&] {
            ++starts;
            return TStartResult{static_cast<unsigned long>(row.StartError == kNoStart ? 0 : row.StartError), u"reason",
                                row.Now + row.StartTakes};
        });
        EXPECT_EQ(starts, row.StartError == kNoStart ? 0 : 1) << where;
        ExpectEvent(event, row.Event, where);
        if (event) EXPECT_EQ(event->Inserts[0], u"Quillora5Server") << where;
        if (event && row.NextTry) {
            EXPECT_EQ(event->Inserts.back(), FromUtf8(row.NextTry)) << where;
            if (row.StartError > 0) EXPECT_EQ(event->Inserts[2], IntToStr(row.StartError)) << where;
        }
    }
}

// A service that stops a while after each start, checked every 5 s for an hour: a start that does
// not last backs off as a refused one does, one that lasts is made again at the next check.
TEST(WatchdogRetry, StartsAndEventsInAnHourOfAServiceThatKeepsStopping) {
    struct Row {
        uint64_t RunsMs;  // after each start
        int StartsInTheFirstMinute, Starts, Events;
    } const rows[] = {
        {300, 4, 17, 8},    // at 0, 10, 25, 50, 95, 180, 345 s, then every 305 s
        {40000, 2, 15, 8},  // at 0, 45, 95, 155, 235, 355, 555 s, then every 340 s
        {62000, 1, 56, 56}, // lasts: started again at the check after each stop, every 65 s
        {UINT64_MAX, 1, 1, 1},
    };
    for (const Row& row : rows) {
        TWatchedService service(u"Quillora5Server");
        std::optional<uint64_t> startedAt;
        int firstMinute = 0, starts = 0, events = 0;
        for (uint64_t now = 0; now < 3600 * 1000; now += kCheckIntervalMs) {
            const bool running = startedAt && now - *startedAt < row.RunsMs;
            events += service.Check(running ? sfRunning : sfStopped, true, now, [&] {
                ++starts;
                firstMinute += now < 60000;
                startedAt = now;
                return TStartResult{};
            }).has_value();
        }
        EXPECT_EQ(firstMinute, row.StartsInTheFirstMinute) << "runs " << row.RunsMs << " ms";
        EXPECT_EQ(starts, row.Starts) << "runs " << row.RunsMs << " ms";
        EXPECT_EQ(events, row.Events) << "runs " << row.RunsMs << " ms";
    }
}

TEST(WatchdogSetting, OneEventPerChangeOfTheDecisionOrItsReason) {
    auto file = [](bool on) {
        TRestartSetting setting;
        setting.On = on;
        setting.Source = ssFile;
        return setting;
    };
    auto unreadable = [](bool kept, bool on, unsigned long code) {
        TRestartSetting setting;
        setting.On = on;
        setting.Source = ssUnreadable;
        setting.KeptLast = kept;
        setting.ErrorCode = code;
        setting.ErrorText = u"in use";
        return setting;
    };
    auto tooLarge = [](unsigned long long size) {
        TRestartSetting setting;
        setting.Source = ssTooLarge;
        setting.Size = size;
        return setting;
    };
    struct Row {
        TRestartSetting Setting;
        int Event;
    };
    const Row rows[] = {
        {file(true), ekRestartOnByFile},           // the first check always says
        {file(true), kNoEvent},
        {unreadable(true, true, 32), ekSettingKeptOn},
        {unreadable(true, true, 32), kNoEvent},
        {file(true), ekRestartOnByFile},
        {file(false), ekRestartOffByFile},
        {unreadable(true, false, 32), ekSettingKeptOff},
        {tooLarge(2000000), ekRestartOffTooLarge},
        {tooLarge(3000000), kNoEvent},             // growing is no news
        {TRestartSetting{}, ekRestartOffNoFile},
        {TRestartSetting{}, kNoEvent},
        {unreadable(false, false, 5), ekRestartOffUnreadable},
        {unreadable(false, false, 5), kNoEvent},
        {unreadable(false, false, 1920), ekRestartOffUnreadable},  // another reason
    };
    TSettingWatch watch(u"C:\\settings.ini");
    int row = 0;
    for (const Row& r : rows) {
        const auto event = watch.Check(r.Setting);
        const std::string where = "row " + std::to_string(row++);
        ExpectEvent(event, r.Event, where);
        if (!event) continue;
        EXPECT_EQ(event->Inserts[0], u"C:\\settings.ini") << where;
        if (r.Event == ekRestartOffTooLarge) EXPECT_EQ(event->Inserts[1], u"2000000") << where;
        if (r.Setting.Source == ssUnreadable) EXPECT_EQ(event->Inserts[2], IntToStr(r.Setting.ErrorCode)) << where;
    }
}
