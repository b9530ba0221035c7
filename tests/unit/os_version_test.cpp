#include <gtest/gtest.h>

#include "core/os_version.h"
#include "core/usb_path.h"

#include <cstring>

namespace {

struct OsCase {
    unsigned platform, major, minor;
    int previous;
    int expected;
};

class ClassifyOsTest : public ::testing::TestWithParam<OsCase> {};

TEST_P(ClassifyOsTest, GivesTheCodeOrKeepsThePreviousOne) {
    const OsCase& c = GetParam();
    EXPECT_EQ(ClassifyOs(c.platform, c.major, c.minor, c.previous), c.expected)
        << "platform " << c.platform << " version " << c.major << "." << c.minor;
}

INSTANTIATE_TEST_SUITE_P(
    AllRows, ClassifyOsTest,
    ::testing::Values(
        // Windows 95/98/Me family
        OsCase{kPlatformWindows, 4, 0, 0, 1}, OsCase{kPlatformWindows, 4, 10, 0, 2},
        OsCase{kPlatformWindows, 4, 90, 0, 2}, OsCase{kPlatformWindows, 4, 3, 0, 0},
        OsCase{kPlatformWindows, 4, 3, 7, 7}, OsCase{kPlatformWindows, 5, 0, 0, 0},
        OsCase{kPlatformWindows, 3, 10, 2, 2},
        // NT family, every row and the first version past each
        OsCase{kPlatformNT, 3, 51, 0, 3}, OsCase{kPlatformNT, 4, 0, 0, 3},
        OsCase{kPlatformNT, 0, 99, 0, 3}, OsCase{kPlatformNT, 5, 0, 0, 4},
        OsCase{kPlatformNT, 5, 1, 0, 5}, OsCase{kPlatformNT, 5, 2, 0, 6},
        OsCase{kPlatformNT, 5, 3, 0, 0}, OsCase{kPlatformNT, 6, 0, 0, 7},
        OsCase{kPlatformNT, 6, 1, 0, 8}, OsCase{kPlatformNT, 6, 2, 0, 9},
        OsCase{kPlatformNT, 6, 3, 0, 0}, OsCase{kPlatformNT, 6, 3, 8, 8},
        OsCase{kPlatformNT, 10, 0, 0, 0}, OsCase{kPlatformNT, 7, 0, 0, 0},
        // A major version with the top bit set is large, not negative.
        OsCase{kPlatformNT, 0x80000000u, 0, 0, 0},
        // Any other platform counts as Windows 2000, whatever its version.
        OsCase{kPlatformWin32s, 3, 11, 0, 4}, OsCase{kPlatformWin32s, 0, 0, 9, 4},
        OsCase{3, 10, 0, 0, 4}, OsCase{0xFFFFFFFFu, 6, 2, 0, 4}));

TEST(UsbInstallerPath, AppendsOneBackslashAndTheArchitectureFolder) {
    struct Case {
        const char* dir;
        bool x64;
        const char* expected;
    } cases[] = {
        {"C:\\Setup", false, "C:\\Setup\\USB Driver\\x86\\dpinstx86.exe"},
        {"C:\\Setup", true, "C:\\Setup\\USB Driver\\x64\\dpinstx64.exe"},
        {"C:\\", false, "C:\\\\USB Driver\\x86\\dpinstx86.exe"},
        {"", true, "\\USB Driver\\x64\\dpinstx64.exe"},
    };
    for (const Case& c : cases) {
        char out[128];
        size_t needed = BuildUsbInstallerPath(c.dir, c.x64, out, sizeof out);
        EXPECT_EQ(needed, std::strlen(c.expected) + 1);
        EXPECT_STREQ(out, c.expected);
    }
}

TEST(UsbInstallerPath, TooSmallBufferIsLeftUntouchedAndTheNeedIsReported) {
    char out[16];
    std::memset(out, 'z', sizeof out);
    size_t needed = BuildUsbInstallerPath("C:\\A", false, out, sizeof out);
    EXPECT_EQ(needed, std::strlen("C:\\A\\USB Driver\\x86\\dpinstx86.exe") + 1);
    for (char ch : out) EXPECT_EQ(ch, 'z');
    // Exactly the needed size fits.
    char exact[64];
    ASSERT_LE(needed, sizeof exact);
    EXPECT_EQ(BuildUsbInstallerPath("C:\\A", false, exact, needed), needed);
    EXPECT_STREQ(exact, "C:\\A\\USB Driver\\x86\\dpinstx86.exe");
}

TEST(UsbInstallerPath, WorksOnWideTexts) {
    wchar_t out[64];
    BuildUsbInstallerPath(L"D:\\\u9a71\u52a8", true, out, 64);
    EXPECT_STREQ(out, L"D:\\\u9a71\u52a8\\USB Driver\\x64\\dpinstx64.exe");
}

}  // namespace
