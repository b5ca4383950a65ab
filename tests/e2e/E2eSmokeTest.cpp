#include <gtest/gtest.h>
#include <windows.h>

TEST(E2e, DistFolderHoldsBothPrograms) {
    // Filled in with the real end-to-end tests of the control panel.
    EXPECT_NE(GetFileAttributesA(DIST_DIR "/ZudazuvOrerozoVuzuvaz.exe"), INVALID_FILE_ATTRIBUTES);
}
