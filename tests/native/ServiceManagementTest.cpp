#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "fakes/FakeServicePlatform.h"
#include "platform/Text.h"
#include "service/ServiceManagement.h"

using namespace zo;
using zo::fakes::FakeServicePlatform;
using ::testing::ElementsAre;

namespace {
const std::u16string kService = u"Quillora5ZoradidIvavuda";

// Runs f, which must raise EOSError, and returns it.
template <typename F>
EOSError Raised(F f) {
    try {
        f();
    } catch (const EOSError& e) {
        return e;
    }
    ADD_FAILURE() << "no EOSError raised";
    return EOSError(u"", 0);
}
}  // namespace

TEST(ServiceExists, OpensForStatusQueryAndClosesServiceBeforeManager) {
    FakeServicePlatform p;
    EXPECT_TRUE(ServiceExists(p, kService));
    EXPECT_THAT(p.calls, ElementsAre("OpenSCManager F003F", "OpenService Quillora5ZoradidIvavuda 4",
                                     "Close service", "Close manager"));
    EXPECT_EQ(p.openHandles, 0);
}

TEST(ServiceExists, NotRegisteredOrRefusedServiceIsFalseWithoutReadingTheError) {
    FakeServicePlatform p;
    EXPECT_FALSE(ServiceExists(p, u"NoSuchService"));
    p.openServiceError = 5;
    EXPECT_FALSE(ServiceExists(p, kService));
    EXPECT_EQ(std::count(p.calls.begin(), p.calls.end(), "LastError"), 0);
    EXPECT_EQ(p.openHandles, 0);
}

TEST(ServiceExists, ManagerRefusingAccessRaisesCode5InsteadOfFalse) {
    FakeServicePlatform p;
    p.managerError = 5;
    EOSError e = Raised([&] { ServiceExists(p, kService); });
    EXPECT_EQ(e.ErrorCode, 5u);
    EXPECT_EQ(e.Message(), u"System Error.  Code: 5.\r\nAccess is denied");
    EXPECT_THAT(p.calls, ElementsAre("OpenSCManager F003F", "LastError"));
}

TEST(ServiceStart, AlreadyRunningReadsErrorBeforeClosingBothHandles) {
    FakeServicePlatform p;
    p.startError = 1056;
    p.systemText = u"An instance of the service is already running.\r\n";
    EOSError e = Raised([&] { ServiceStart(p, kService); });
    EXPECT_EQ(e.ErrorCode, 1056u);
    EXPECT_EQ(e.Message(), u"System Error.  Code: 1056.\r\nAn instance of the service is already running");
    EXPECT_THAT(p.calls, ElementsAre("OpenSCManager F003F", "OpenService Quillora5ZoradidIvavuda F01FF",
                                     "StartService", "LastError", "Close service", "Close manager"));
    EXPECT_EQ(p.openHandles, 0);
}

TEST(ServiceStart, SuccessClosesBothAndNeverReadsTheError) {
    FakeServicePlatform p;
    ServiceStart(p, kService);
    EXPECT_THAT(p.calls, ElementsAre("OpenSCManager F003F", "OpenService Quillora5ZoradidIvavuda F01FF",
                                     "StartService", "Close service", "Close manager"));
}

TEST(ServiceStartStop, ServiceThatCannotBeOpenedRaisesAndClosesOnlyTheManager) {
    FakeServicePlatform p;
    EOSError e = Raised([&] { ServiceStop(p, u"Missing"); });
    EXPECT_EQ(e.ErrorCode, 1060u);
    EXPECT_THAT(p.calls, ElementsAre("OpenSCManager F003F", "OpenService Missing F01FF", "LastError",
                                     "Close manager"));
    p.calls.clear();
    p.managerError = 5;
    Raised([&] { ServiceStart(p, kService); });
    EXPECT_THAT(p.calls, ElementsAre("OpenSCManager F003F", "LastError"));
    EXPECT_EQ(p.openHandles, 0);
}

TEST(ServiceStop, SendsStopControlAndFailingStepWithZeroGivesFixedText) {
    FakeServicePlatform p;
    ServiceStop(p, kService);
    EXPECT_THAT(p.calls, ElementsAre("OpenSCManager F003F", "OpenService Quillora5ZoradidIvavuda F01FF",
                                     "ControlService 1", "Close service", "Close manager"));
    // A control refused with last error 0.
    struct ZeroControl : FakeServicePlatform {
        bool ControlServiceCode(PlatformHandle, uint32_t, TServiceStatusRecord&) override { return false; }
        uint32_t LastError() override { return 0; }
    } z;
    EOSError e = Raised([&] { ServiceStop(z, kService); });
    EXPECT_EQ(e.ErrorCode, 0u);
    EXPECT_EQ(e.Message(), u"A call to an OS function failed");
}

TEST(OSErrorMessage, TrimsFullStopsBlanksAndLineBreaksButKeepsOtherPunctuation) {
    FakeServicePlatform p;
    p.systemText = u"The thing failed. . \t\r\n";
    EXPECT_EQ(MakeOSError(p, 31).Message(), u"System Error.  Code: 31.\r\nThe thing failed");
    p.systemText = u"Bad value (see log)\r\n";
    EXPECT_EQ(MakeOSError(p, 31).Message(), u"System Error.  Code: 31.\r\nBad value (see log)");
    // No system text: the line break stays and nothing follows it.
    EXPECT_EQ(MakeOSError(p, 0xDEAD).Message(), u"System Error.  Code: 57005.\r\n");
    // Codes are shown as signed 32-bit values.
    EXPECT_EQ(MakeOSError(p, 0x80070005).Message().substr(0, 33), u"System Error.  Code: -2147024891.");
}

TEST(ProcessExists, MatchesFileNameOrWholeEntryIgnoringAsciiCaseOnly) {
    struct Case {
        std::u16string exe;
        bool match;
    } cases[] = {
        {u"ZORADIDIVAVUDA.EXE", true},
        {u"zoradidivavuda.exe", true},
        {u"C:\\Tools\\ZoradidIvavuda.exe", true},
        {u"C:ZoradidIvavuda.exe", true},
        {u"ZoradidIvavuda.exe.old", false},
        {u"ZoradidIvavuda.com", false},
        {u"C:\\ZoradidIvavuda.exe\\other.exe", false},
        {u"XZoradidIvavuda.exe", false},
    };
    for (const Case& c : cases) {
        FakeServicePlatform p;
        p.processes = {u"System", c.exe, u"explorer.exe"};
        EXPECT_EQ(ProcessExists(p, u"ZoradidIvavuda.exe"), c.match) << ToUtf8(c.exe);
    }
    FakeServicePlatform p;
    p.processes = {u"caf\u00e9.exe"};
    EXPECT_TRUE(ProcessExists(p, u"CAF\u00e9.EXE"));
    EXPECT_FALSE(ProcessExists(p, u"CAF\u00c9.EXE"));  // non-ASCII case differs
}

TEST(ProcessExists, WalksToTheEndSetsRecordSizeAndClosesSnapshot) {
    FakeServicePlatform p;
    p.processes = {u"ZoradidIvavuda.exe", u"zoradidivavuda.exe", u"other.exe"};
    EXPECT_TRUE(ProcessExists(p, u"ZoradidIvavuda.exe"));
    EXPECT_THAT(p.calls, ElementsAre("CreateSnapshot", "ProcessFirst", "ProcessNext", "ProcessNext",
                                     "ProcessNext", "CloseSnapshot"));
    EXPECT_EQ(p.entrySizeSeen, 556u);
    EXPECT_EQ(p.openHandles, 0);
}

TEST(ProcessExists, NameFillingAllCharactersAndUnreadableListAreHandled) {
    FakeServicePlatform p;
    std::u16string longName(260, u'a');
    p.processes = {longName};
    EXPECT_TRUE(ProcessExists(p, std::u16string(260, u'A')));
    p.processListAvailable = false;
    EXPECT_FALSE(ProcessExists(p, u"ZoradidIvavuda.exe"));
    EXPECT_EQ(p.openHandles, 0);
}
