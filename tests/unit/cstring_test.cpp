#include <gtest/gtest.h>

#include "base/cstring.h"

#include <string>

TEST(CString, KeepsEmbeddedZeroBytesAndCountsThem) {
    const char bytes[] = {'a', '\0', 'b'};
    CString s(bytes, 3);
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_EQ(s.ByteAt(1), 0);
    EXPECT_EQ(s.ByteAt(2), 'b');
    CString copy = s;
    EXPECT_TRUE(copy == s);
}

TEST(CString, FormatAndAppendIncludingSelf) {
    CString s;
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_STREQ(s.GetString(), "");
    s.Format("%s,%s,%s", "RQ-230 Series", "winspool", "COM1:");
    EXPECT_STREQ(s, "RQ-230 Series,winspool,COM1:");
    EXPECT_EQ(s.GetLength(), 28);
    CString t("ab");
    t += t;
    t += 'c';
    EXPECT_STREQ(t, "ababc");
    t = t.GetString() + 1;  // assigning from its own buffer
    EXPECT_STREQ(t, "babc");
}

TEST(CString, BufferRoundTrip) {
    CString s;
    char* buf = s.GetBuffer(10);
    buf[0] = 'x';
    buf[1] = 'y';
    buf[2] = '\0';
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 2);
    EXPECT_TRUE(s == "xy");
}

TEST(CString, AssigningAnEmptyStringClearsTheOldText) {
    CString s("COM1:");
    s = CString("");
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_STREQ(s.GetString(), "");
    CString t("LPT1:");
    t = CString();
    EXPECT_STREQ(t.GetString(), "");
}

TEST(CString, BufferFilledWithoutTerminatorStaysBounded) {
    CString s;
    char* buf = s.GetBuffer(8);
    for (int i = 0; i < 8; ++i) buf[i] = 'a';
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 8);
    EXPECT_STREQ(s, "aaaaaaaa");
    // Filled to the whole capacity: still bounded.
    buf = s.GetBuffer(64);
    for (int i = 0; i < 64; ++i) buf[i] = 'b';
    s.ReleaseBuffer();
    EXPECT_GE(s.GetLength(), 64);
}
