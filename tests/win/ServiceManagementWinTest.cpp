// The service functions against Wine's real service control manager, with the real service
// program registering and running the service.
#include <gtest/gtest.h>

#include "platform/Text.h"
#include "platform/win32/Win32ServicePlatform.h"
#include "service/ServiceManagement.h"
#include "support/WinProcess.h"

using namespace zo;
using namespace testsupport;

namespace {
const wchar_t kService[] = L"Quillora5ZoradidIvavuda";

std::wstring Companion() { return WinePath(DIST_DIR "/ZoradidIvavuda.exe"); }

class ServiceManagementWin : public ::testing::Test {
protected:
    Win32ServicePlatform& p = DefaultServicePlatform();
    void SetUp() override { RunAndWait(Companion(), L"/uninstall"); }
    void TearDown() override {
        StopServiceNamed(kService);
        RunAndWait(Companion(), L"/uninstall");
    }
};
}  // namespace

TEST_F(ServiceManagementWin, InstallStartTwiceAndStopThroughTheRealManager) {
    EXPECT_FALSE(ServiceExists(p, u"Quillora5ZoradidIvavuda"));
    ASSERT_EQ(RunAndWait(Companion(), L"/install"), 0u);
    EXPECT_TRUE(ServiceExists(p, u"Quillora5ZoradidIvavuda"));

    ServiceStart(p, u"Quillora5ZoradidIvavuda");
    ASSERT_TRUE(WaitFor([] { return ServiceState(kService) == SERVICE_RUNNING; }, 10000));
    EXPECT_TRUE(ProcessExists(p, u"ZoradidIvavuda.exe"));

    try {
        ServiceStart(p, u"Quillora5ZoradidIvavuda");
        ADD_FAILURE() << "a second start did not fail";
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode, 1056u);
        std::u16string expected = u"System Error.  Code: 1056.\r\n" + SysErrorMessage(p, 1056);
        EXPECT_EQ(e.Message(), expected);
        EXPECT_GT(e.Message().size(), std::u16string(u"System Error.  Code: 1056.\r\n").size());
    }

    ServiceStop(p, u"Quillora5ZoradidIvavuda");
    EXPECT_TRUE(WaitFor([&] { return !ProcessExists(p, u"ZoradidIvavuda.exe"); }, 10000));
    EXPECT_TRUE(WaitFor([] { return ServiceState(kService) == SERVICE_STOPPED; }, 10000));
}

TEST_F(ServiceManagementWin, StopOrStartOfUnregisteredServiceRaisesTheManagersCode) {
    try {
        ServiceStop(p, u"Quillora5ZoradidIvavuda");
        ADD_FAILURE() << "stopping an unregistered service did not fail";
    } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode, DWORD(ERROR_SERVICE_DOES_NOT_EXIST));
    }
}

TEST_F(ServiceManagementWin, RealProcessIsFoundByImageNameInAnyLetterCase) {
    EXPECT_FALSE(ProcessExists(p, u"zoradidivavuda.exe"));
    const TProgramCopy copy = CopyAs(WinePath(HELPERS_DIR "/idle.exe"), L"zoradidivavuda.EXE");
    TProcess running(copy.Path(), L"30000");
    ASSERT_TRUE(running.Started());
    EXPECT_TRUE(WaitFor([&] { return ProcessExists(p, u"ZoradidIvavuda.exe"); }, 5000));
    EXPECT_TRUE(ProcessExists(p, u"ZORADIDIVAVUDA.EXE"));
    EXPECT_FALSE(ProcessExists(p, u"ZoradidIvavuda.com"));
}
