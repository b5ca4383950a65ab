#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fakes/FakeLaunching.h"
#include "launcher/Launcher.h"
#include "platform/Failure.h"

using fakes::FakeLaunchSystem;
using zo::TLauncher;

namespace {

// A launcher that shows its failure code, and counts its events with where they ran.
class TestLauncher : public TLauncher {
public:
    explicit TestLauncher(zo::TLaunchPlatform platform) : TLauncher(std::move(platform)) {
        OnFinished = [this](TLauncher& sender) { Record(sender, "finished"); };
        OnTimeout = [this](TLauncher& sender) { Record(sender, "timeout"); };
        OnError = [this](TLauncher& sender, uint32_t code) {
            Codes.push_back(code);
            Record(sender, "error");
        };
    }
    using TLauncher::LastErrorCode;

    struct Event {
        std::string Kind;
        std::thread::id Thread;
        bool Running;
        zo::THandle Process;
        uint32_t ExitCode;
    };
    std::vector<Event> Events;
    std::vector<uint32_t> Codes;

private:
    void Record(TLauncher& sender, const char* kind) {
        EXPECT_EQ(&sender, this);
        Events.push_back({kind, std::this_thread::get_id(), Running(), HProcess(), ExitCode()});
    }
};

class LauncherTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(Sys->FinishThreads()) << "a wait thread did not end"; }

    std::unique_ptr<TestLauncher> Make(const char16_t* file = u"C:\\prog\\ZoradidIvavuda.exe") {
        auto launcher = std::make_unique<TestLauncher>(Sys->Platform());
        launcher->SetFileName(file);
        return launcher;
    }
    bool PumpUntilIdle(TestLauncher& l) {
        return Sys->PumpUntil([&] { return !l.Running() && !l.Events.empty(); });
    }
    zo::THandle LastHandle() { return Sys->LastProcess(); }

    std::shared_ptr<FakeLaunchSystem> Sys = FakeLaunchSystem::Make();
};

TEST_F(LauncherTest, DefaultsAndTheShellRequest) {
    auto l = Make(u"");
    EXPECT_EQ(l->Action(), u"Open");
    EXPECT_EQ(l->Timeout(), -1);
    EXPECT_EQ(l->ShowMode(), zo::smNormal);
    EXPECT_EQ(l->WaitType(), zo::wtFullStop);
    EXPECT_FALSE(l->WaitUntilFinished());
    EXPECT_FALSE(l->Running());
    EXPECT_EQ(l->HProcess(), 0u);

    l->SetFileName(u"C:\\prog\\p.exe");
    l->SetAction(u"runas");
    l->SetParameters(u"/install");
    l->SetStartDir(u"C:\\work");
    const zo::TShowMode modes[] = {zo::smNormal, zo::smMaximized, zo::smMinimized, zo::smHide};
    for (zo::TShowMode mode : modes) {
        l->SetShowMode(mode);
        EXPECT_EQ(l->Execute(), 0u);
    }
    auto requests = Sys->Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].Mask, 0x540u);
    EXPECT_EQ(requests[0].Wnd, 0u);
    EXPECT_EQ(requests[0].Verb, u"runas");
    EXPECT_EQ(requests[0].File, u"C:\\prog\\p.exe");
    EXPECT_EQ(requests[0].Parameters, u"/install");
    EXPECT_EQ(requests[0].Directory, u"C:\\work");
    EXPECT_EQ(requests[0].Show, 1);
    EXPECT_EQ(requests[1].Show, 3);
    EXPECT_EQ(requests[2].Show, 7);
    EXPECT_EQ(requests[3].Show, 0);
}

TEST_F(LauncherTest, EmptyFileNameOrARunningWaitMakesLaunchAndExecuteDoNothing) {
    auto l = Make();
    Sys->PlanStart({.Success = false, .InstApp = 2});
    l->Launch();
    ASSERT_TRUE(Sys->PumpUntil([&] { return !l->Events.empty(); }));
    ASSERT_EQ(l->LastErrorCode(), 2u);

    l->SetFileName(u"");
    for (bool wait : {false, true}) {
        l->SetWaitUntilFinished(wait);
        l->Launch();
        EXPECT_EQ(l->Execute(), 0u);
    }
    Sys->FinishThreads();
    Sys->ServeCalls();
    EXPECT_EQ(Sys->Requests().size(), 1u);
    EXPECT_EQ(Sys->ThreadsStarted(), 1);
    EXPECT_EQ(l->Events.size(), 1u);
    EXPECT_EQ(l->LastErrorCode(), 2u) << "unchanged";

    // While a wait runs, neither Launch (in either style) nor Execute starts anything.
    l->SetFileName(u"C:\\prog\\p.exe");
    l->SetWaitUntilFinished(false);
    l->Launch();
    ASSERT_TRUE(l->Running());
    l->Launch();
    l->SetWaitUntilFinished(true);
    l->Launch();
    EXPECT_EQ(l->Execute(), 0u);
    EXPECT_EQ(Sys->Requests().size(), 2u);
    EXPECT_EQ(Sys->ThreadsStarted(), 2);
    Sys->EndProcess(LastHandle(), 0);
    EXPECT_TRUE(PumpUntilIdle(*l));
}

TEST_F(LauncherTest, FinishedIsRaisedOnTheGuiThreadWhileTheHandleIsStillOpen) {
    auto l = Make();
    Sys->PlanStart({.InstApp = 33, .EndAfterWaits = 3, .ExitCode = 7});
    l->Launch();
    const zo::THandle process = LastHandle();
    EXPECT_EQ(l->HInstance(), 33u);
    ASSERT_TRUE(PumpUntilIdle(*l));

    ASSERT_EQ(l->Events.size(), 1u);
    const auto& e = l->Events[0];
    EXPECT_EQ(e.Kind, "finished");
    EXPECT_EQ(e.Thread, Sys->GuiThread);
    EXPECT_TRUE(e.Running);
    EXPECT_EQ(e.Process, process);
    EXPECT_EQ(e.ExitCode, 7u);

    auto state = Sys->ProcessState(process);
    EXPECT_TRUE(state.Closed);
    EXPECT_NE(state.ClosedBy, Sys->GuiThread) << "the wait thread closes the handle";
    auto waits = Sys->Waits();
    ASSERT_EQ(waits.size(), 4u);
    for (const auto& w : waits) {
        EXPECT_EQ(w.Timeout, 100u);
        EXPECT_NE(w.Thread, Sys->GuiThread);
    }
    // Launch slept in 10 ms steps, the first before the first look.
    auto sleeps = Sys->Sleeps();
    ASSERT_FALSE(sleeps.empty());
    EXPECT_EQ(sleeps[0], 10u);

    // The wait is over: the closed handle is neither given out nor used.
    EXPECT_EQ(l->HProcess(), 0u);
    Sys->SetWindows({{0x500, 0, state.Pid}});
    EXPECT_EQ(l->GetWindowHandle(), 0u);
    EXPECT_EQ(Sys->ClosedHandleUses(), 0);
}

class LauncherTimeoutTest : public LauncherTest,
                            public ::testing::WithParamInterface<std::pair<int32_t, size_t>> {};

TEST_P(LauncherTimeoutTest, WaitThreadNoticesTheTimeoutAtTheFirstSliceNotBelowIt) {
    auto [timeout, slices] = GetParam();
    auto l = Make();
    l->SetTimeout(timeout);
    l->Launch();
    const zo::THandle process = LastHandle();
    ASSERT_TRUE(PumpUntilIdle(*l));
    ASSERT_EQ(l->Events.size(), 1u);
    EXPECT_EQ(l->Events[0].Kind, "timeout");
    EXPECT_TRUE(l->Events[0].Running);
    EXPECT_EQ(Sys->WaitCount(), slices);
    auto state = Sys->ProcessState(process);
    EXPECT_FALSE(state.Ended) << "the program goes on running";
    EXPECT_TRUE(state.Closed);
}

INSTANTIATE_TEST_SUITE_P(Limits, LauncherTimeoutTest,
                         ::testing::Values(std::pair<int32_t, size_t>{0, 1}, std::pair<int32_t, size_t>{250, 3},
                                           std::pair<int32_t, size_t>{300, 3}, std::pair<int32_t, size_t>{301, 4}));

TEST_F(LauncherTest, NegativeTimeoutsAreReadUnsignedSoMinusOneNeverTimesOut) {
    for (int32_t timeout : {-1, -1000}) {
        auto l = Make();
        l->SetTimeout(timeout);
        Sys->PlanStart({.EndAfterWaits = 100, .ExitCode = 1});
        l->Launch();
        ASSERT_TRUE(PumpUntilIdle(*l));
        ASSERT_EQ(l->Events.size(), 1u);
        EXPECT_EQ(l->Events[0].Kind, "finished") << timeout;
    }
    // The calling-thread styles hand the platform 4294967295, its "no limit".
    for (zo::TWaitType type : {zo::wtFullStop, zo::wtProcessMessages}) {
        auto l = Make();
        l->SetWaitUntilFinished(true);
        l->SetWaitType(type);
        Sys->PlanStart({.EndAfterWaits = 0});
        l->Launch();
        EXPECT_EQ(Sys->Waits().back().Timeout, 0xFFFFFFFFu);
        ASSERT_EQ(l->Events.size(), 1u);
        EXPECT_EQ(l->Events[0].Kind, "finished");
    }
}

class LauncherRefusedTest : public LauncherTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(LauncherRefusedTest, RefusedStartReportsTheShellsCodeAfterLaunchReturned) {
    const uint32_t code = GetParam();
    auto l = Make();
    Sys->PlanStart({.Success = false, .InstApp = code});
    l->Launch();  // the fake fails the test if Launch sleeps for ever
    EXPECT_TRUE(l->Events.empty()) << "OnError waits for the GUI thread's message loop";
    EXPECT_FALSE(l->Running());
    ASSERT_TRUE(Sys->PumpUntil([&] { return !l->Events.empty(); }));
    EXPECT_EQ(l->Codes, std::vector<uint32_t>{code});
    EXPECT_EQ(l->Events[0].Thread, Sys->GuiThread);
    EXPECT_FALSE(l->Events[0].Running);
    EXPECT_EQ(l->Events[0].Process, 0u);

    // In the calling-thread style OnError is raised inside Launch.
    l->SetWaitUntilFinished(true);
    Sys->PlanStart({.Success = false, .InstApp = code});
    l->Launch();
    EXPECT_EQ(l->Codes, (std::vector<uint32_t>{code, code}));
    EXPECT_EQ(Sys->ThreadsStarted(), 1);
}

INSTANTIATE_TEST_SUITE_P(Codes, LauncherRefusedTest, ::testing::Values(2u, 0u));

TEST_F(LauncherTest, LaunchWaitsForThisAttemptNotAnEarlierOne) {
    auto l = Make();
    Sys->PlanStart({.Success = false, .InstApp = 2});
    l->Launch();
    ASSERT_TRUE(Sys->PumpUntil([&] { return !l->Events.empty(); }));

    // The second attempt's shell answers only after Launch has slept a while.
    // The flags are shared with the fake's hooks, which may outlive this test's frame.
    struct Flags {
        std::atomic<bool> answer{false}, answered{false};
    };
    auto flags = std::make_shared<Flags>();
    Sys->OnStart = [flags] {
        while (!flags->answer.load()) std::this_thread::yield();
        flags->answered = true;
    };
    const int sleptBefore = static_cast<int>(Sys->Sleeps().size());
    Sys->OnSleep = [flags, sleptBefore](int n) {
        if (n >= sleptBefore + 8) flags->answer = true;
    };
    Sys->PlanStart({.Success = false, .InstApp = 3});
    l->Launch();
    EXPECT_TRUE(flags->answered.load()) << "Launch returned before its own start attempt was over";
    ASSERT_TRUE(Sys->PumpUntil([&] { return l->Events.size() == 2; }));
    EXPECT_EQ(l->Codes, (std::vector<uint32_t>{2, 3}));
}

TEST_F(LauncherTest, ProgramThatEndsAtOnceDoesNotKeepLaunchSleeping) {
    // Here the GUI thread serves the wait thread's calls even while it sleeps, so the whole wait
    // is over, and Running false again, before Launch first looks.
    Sys->ServeCallsWhileSleeping = true;
    auto l = Make();
    Sys->OnSleep = [&](int n) {
        if (n == 1) Sys->PumpUntil([&] { return !l->Events.empty() && !l->Running(); });
    };
    Sys->PlanStart({.EndAfterWaits = 0, .ExitCode = 4});
    l->Launch();
    ASSERT_EQ(l->Events.size(), 1u);
    EXPECT_EQ(l->Events[0].Kind, "finished");
    EXPECT_EQ(l->Events[0].ExitCode, 4u);
    EXPECT_FALSE(l->Running());
}

TEST_F(LauncherTest, DestroyDuringAWaitStopsTheThreadWithoutEventsAndLeavesTheProgramRunning) {
    auto l = Make();
    l->Launch();
    const zo::THandle process = LastHandle();
    ASSERT_TRUE(Sys->PumpUntil([&] { return Sys->WaitCount() >= 3; }));
    l.reset();
    const size_t waitsAtDestroy = Sys->WaitCount();
    ASSERT_TRUE(Sys->FinishThreads());
    EXPECT_LE(Sys->WaitCount(), waitsAtDestroy + 1) << "the thread stops within its slice";
    auto state = Sys->ProcessState(process);
    EXPECT_FALSE(state.Ended);
    EXPECT_TRUE(state.Closed);
    EXPECT_EQ(Sys->ServeCalls(), 0) << "no notification";
}

TEST_F(LauncherTest, DestroyWhileANotificationIsOnItsWayRaisesNothing) {
    bool raised = false;
    auto l = Make();
    l->OnFinished = [&](TLauncher&) { raised = true; };
    Sys->PlanStart({.EndAfterWaits = 2});
    l->Launch();
    const zo::THandle process = LastHandle();
    // The thread blocks in its synchronous call until the GUI thread takes it.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (Sys->PendingCalls() == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_EQ(Sys->PendingCalls(), 1);
    l.reset();
    EXPECT_EQ(Sys->ServeCalls(), 1);
    EXPECT_FALSE(raised);
    ASSERT_TRUE(Sys->FinishThreads());
    EXPECT_TRUE(Sys->ProcessState(process).Closed);
}

TEST_F(LauncherTest, DestroyedByAMessageHandledDuringTheMessageProcessingWait) {
    auto l = Make();
    l->SetWaitUntilFinished(true);
    l->SetWaitType(zo::wtProcessMessages);
    bool raised = false;
    l->OnFinished = l->OnTimeout = [&](TLauncher&) { raised = true; };
    Sys->PostMessage([&] { l.reset(); });
    l->Launch();  // returns after the message destroyed the launcher
    EXPECT_FALSE(l);
    EXPECT_FALSE(raised);
    auto state = Sys->ProcessState(0x100);
    EXPECT_FALSE(state.Ended);
    EXPECT_TRUE(state.Closed);
}

TEST_F(LauncherTest, DestroyedByAMessageHandledWhileTheShellStartsTheProgram) {
    for (zo::TWaitType type : {zo::wtProcessMessages, zo::wtFullStop}) {
        SCOPED_TRACE(int(type));
        auto l = Make();
        l->SetWaitUntilFinished(true);
        l->SetWaitType(type);
        bool raised = false;
        l->OnFinished = l->OnTimeout = [&](TLauncher&) { raised = true; };
        Sys->OnStart = [&] { l.reset(); };
        l->Launch();  // no wait on the launcher that is gone
        Sys->OnStart = nullptr;
        EXPECT_FALSE(l);
        EXPECT_FALSE(raised);
        auto state = Sys->ProcessState(LastHandle());
        EXPECT_FALSE(state.Ended);
        EXPECT_TRUE(state.Closed);
    }
}

TEST_F(LauncherTest, MessageProcessingWaitHandlesMessagesAndRestartsItsLimit) {
    auto l = Make();
    l->SetWaitUntilFinished(true);
    l->SetWaitType(zo::wtProcessMessages);
    l->SetTimeout(250);
    std::vector<std::string> handled;
    // Each message posts the next one: three wake-ups, then the time-out.
    Sys->PostMessage([&] {
        handled.push_back("first");
        Sys->PostMessage([&] {
            handled.push_back("second");
            Sys->PostMessage([&] { handled.push_back("third"); });
        });
    });
    l->Launch();
    EXPECT_EQ(handled, (std::vector<std::string>{"first", "second", "third"}));
    auto waits = Sys->Waits();
    ASSERT_EQ(waits.size(), 4u);
    for (const auto& w : waits) {
        EXPECT_EQ(w.Timeout, 250u);
        EXPECT_EQ(w.WakeMask, 0x148u);
    }
    ASSERT_EQ(l->Events.size(), 1u);
    EXPECT_EQ(l->Events[0].Kind, "timeout");
    EXPECT_FALSE(l->Running());
}

TEST_F(LauncherTest, CallingThreadStylesReportEndTimeoutAndFailedWaitsThenClose) {
    struct Case {
        zo::TWaitType Type;
        FakeLaunchSystem::Plan Plan;
        int32_t Timeout;
        const char* Kind;
    };
    const Case cases[] = {
        {zo::wtFullStop, {.EndAfterWaits = 0, .ExitCode = 9}, -1, "finished"},
        {zo::wtFullStop, {}, 250, "timeout"},
        {zo::wtFullStop, {.NoProcess = true}, -1, "error"},
        {zo::wtProcessMessages, {.EndAfterWaits = 0, .ExitCode = 9}, -1, "finished"},
        {zo::wtProcessMessages, {.NoProcess = true}, -1, "error"},
    };
    for (const Case& c : cases) {
        auto l = Make();
        l->SetWaitUntilFinished(true);
        l->SetWaitType(c.Type);
        l->SetTimeout(c.Timeout);
        Sys->PlanStart(c.Plan);
        l->Launch();
        ASSERT_EQ(l->Events.size(), 1u);
        EXPECT_EQ(l->Events[0].Kind, c.Kind);
        EXPECT_TRUE(l->Events[0].Running) << "the event comes while the wait holds the handle";
        EXPECT_FALSE(l->Running());
        EXPECT_EQ(Sys->Waits().back().Timeout, static_cast<uint32_t>(c.Timeout));
        if (std::string(c.Kind) == "finished") EXPECT_EQ(l->ExitCode(), 9u);
        if (std::string(c.Kind) == "error") EXPECT_EQ(l->Codes, std::vector<uint32_t>{6});  // invalid handle
        if (!c.Plan.NoProcess) EXPECT_TRUE(Sys->ProcessState(LastHandle()).Closed);
    }
    EXPECT_EQ(Sys->ThreadsStarted(), 0);
}

TEST_F(LauncherTest, SubclassesChooseHowToWaitAndAreWaitedForWhenDestroyed) {
    struct Waiting : TestLauncher {
        using TestLauncher::TestLauncher;
        ~Waiting() override { StopWaiting(); }
        std::vector<std::string> Waits;
        std::atomic<bool> InBackground{false};
        std::atomic<bool>* Left = nullptr;  // outlives the launcher
        bool Fail = false;
        void WaitFullStop() override {
            Waits.push_back("full stop");
            TestLauncher::WaitFullStop();
        }
        void WaitProcessingMessages() override {
            Waits.push_back("messages");
            TestLauncher::WaitProcessingMessages();
        }
        // Waits its own way, on the launcher's members, until it is asked to stop.
        void WaitInBackground(zo::TLaunchThread& thread) override {
            if (Fail) throw zo::Exception(u"wait failed");
            InBackground = true;
            while (!thread.Terminated()) std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            Waits.push_back("background");  // still there: the destructor waits for this wait
            *Left = true;
        }
    };
    auto l = std::make_unique<Waiting>(Sys->Platform());
    l->SetFileName(u"C:\\prog\\ZoradidIvavuda.exe");
    l->SetWaitUntilFinished(true);
    for (zo::TWaitType type : {zo::wtFullStop, zo::wtProcessMessages}) {
        l->SetWaitType(type);
        Sys->PlanStart({.EndAfterWaits = 0});
        l->Launch();
    }
    EXPECT_EQ(l->Waits, (std::vector<std::string>{"full stop", "messages"}));
    ASSERT_EQ(l->Events.size(), 2u);
    EXPECT_EQ(l->Events[1].Kind, "finished");

    std::atomic<bool> left{false};
    l->Left = &left;
    l->SetWaitUntilFinished(false);
    l->Launch();
    Waiting* raw = l.get();
    ASSERT_TRUE(Sys->PumpUntil([&] { return raw->InBackground.load(); }));
    l.reset();
    EXPECT_TRUE(left.load()) << "the destructor returned while the wait still used the launcher";
    ASSERT_TRUE(Sys->FinishThreads());
    EXPECT_TRUE(Sys->ProcessState(LastHandle()).Closed);
    EXPECT_EQ(Sys->ServeCalls(), 0) << "no notification";

    // A wait that fails lets the launcher go: its destructor does not wait for it for ever.
    l = std::make_unique<Waiting>(Sys->Platform());
    l->SetFileName(u"C:\\prog\\ZoradidIvavuda.exe");
    l->Fail = true;
    l->Launch();
    ASSERT_TRUE(Sys->PumpUntil([&] { return !l->Running(); }));
    EXPECT_TRUE(Sys->ProcessState(LastHandle()).Closed);
    l.reset();  // a pin left behind would keep it sleeping until the fake gives up
}

TEST_F(LauncherTest, FailedWaitOnTheWaitThreadReportsTheSystemsCode) {
    auto l = Make();
    Sys->PlanStart({.NoProcess = true});
    l->Launch();
    ASSERT_TRUE(PumpUntilIdle(*l));
    EXPECT_EQ(l->Codes, std::vector<uint32_t>{6});
    EXPECT_TRUE(l->Events[0].Running);
}

TEST_F(LauncherTest, HandlerExceptionsEndTheWaitAfterTheHandleIsClosed) {
    auto l = Make();
    l->SetWaitUntilFinished(true);
    l->OnFinished = [](TLauncher&) { throw zo::Exception(u"handler failed"); };
    Sys->PlanStart({.EndAfterWaits = 0});
    EXPECT_THROW(l->Launch(), zo::Exception);
    EXPECT_FALSE(l->Running());
    EXPECT_TRUE(Sys->ProcessState(LastHandle()).Closed);

    // On the wait thread the exception goes back to the thread, which ends quietly.
    l->SetWaitUntilFinished(false);
    Sys->PlanStart({.EndAfterWaits = 1});
    l->Launch();
    ASSERT_TRUE(Sys->PumpUntil([&] { return !l->Running(); }));
    EXPECT_TRUE(Sys->ProcessState(LastHandle()).Closed);
}

TEST_F(LauncherTest, ThreadCreationFailurePropagatesAndStartsNothing) {
    auto l = Make();
    Sys->FailThreadCreation = true;
    try {
        l->Launch();
        FAIL() << "no failure";
    } catch (const zo::Exception& e) {
        EXPECT_EQ(e.Message().rfind(u"Thread creation error: ", 0), 0u);
    }
    EXPECT_FALSE(l->Running());
    EXPECT_TRUE(Sys->Requests().empty());
}

TEST_F(LauncherTest, ExecuteStartsWithoutWaitingAndLeavesTheHandleToTheCaller) {
    auto l = Make();
    Sys->PlanStart({.InstApp = 42});
    EXPECT_EQ(l->Execute(), 0u);
    EXPECT_FALSE(l->Running());
    EXPECT_EQ(l->HInstance(), 42u);
    EXPECT_EQ(l->HProcess(), 0x100u);
    EXPECT_FALSE(Sys->ProcessState(0x100).Closed);
    EXPECT_EQ(Sys->ThreadsStarted(), 0);
    EXPECT_EQ(Sys->WaitCount(), 0u);
    EXPECT_TRUE(l->Events.empty());

    Sys->PlanStart({.Success = false, .InstApp = 31});
    EXPECT_EQ(l->Execute(), 31u);
    EXPECT_EQ(l->LastErrorCode(), 0u) << "not stored";
    EXPECT_EQ(l->HProcess(), 0u);
    EXPECT_TRUE(l->Events.empty());
}

TEST_F(LauncherTest, GetWindowHandleGivesTheHighestParentlessWindowOfTheProcess) {
    auto l = Make();
    EXPECT_EQ(l->GetWindowHandle(), 0u);
    ASSERT_EQ(l->Execute(), 0u);
    const uint32_t pid = Sys->ProcessState(0x100).Pid;
    Sys->SetWindows({{0x10, 0, pid + 1}, {0x20, 0x10, pid}, {0x30, 0, pid}, {0x40, 0, pid}});
    EXPECT_EQ(l->GetWindowHandle(), 0x30u);
    // The input-method window the system made for the program's thread is not the program's.
    Sys->SetWindows({{0x10, 0, pid, true}, {0x30, 0, pid}});
    EXPECT_EQ(l->GetWindowHandle(), 0x30u);
    Sys->SetWindows({{0x10, 0, pid + 1}, {0x20, 0x10, pid}, {0x50, 0, pid, true}});
    EXPECT_EQ(l->GetWindowHandle(), 0u);
    Sys->SetWindows({});
    EXPECT_EQ(l->GetWindowHandle(), 0u);
}

TEST(LauncherErrorMsg, ListedAndUnlistedCodes) {
    EXPECT_EQ(TLauncher::GetErrorMsg(0), u"Out of memory or executable file is corrupt");
    EXPECT_EQ(TLauncher::GetErrorMsg(2), u"File was not found");
    EXPECT_EQ(TLauncher::GetErrorMsg(5), u"Sharing violation or netword error");
    EXPECT_EQ(TLauncher::GetErrorMsg(31), u"No association for specified file type");
    const uint32_t listed[] = {0, 2, 3, 5, 6, 8, 10, 11, 12, 13, 14, 15, 16, 19, 20, 21, 31};
    for (uint32_t code = 0; code < 40; ++code) {
        bool isListed = std::find(std::begin(listed), std::end(listed), code) != std::end(listed);
        EXPECT_EQ(TLauncher::GetErrorMsg(code) == u"Unknown Error", !isListed) << code;
    }
    EXPECT_EQ(TLauncher::GetErrorMsg(0xFFFFFFFF), u"Unknown Error");
    EXPECT_EQ(TLauncher::GetErrorMsg(1056), u"Unknown Error");
}

}  // namespace
