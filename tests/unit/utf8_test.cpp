#include <gtest/gtest.h>

#include <string>

#include "base/utf8.h"

namespace {

TEST(Utf16ToUtf8, EncodesEveryRangeAndReplacesBrokenSurrogates) {
    const struct {
        const char* label;
        std::u16string text;
        std::string expected;
    } cases[] = {
        {"empty", u"", ""},
        {"ASCII", u"COM1:", "COM1:"},
        {"two bytes", u"\u00e9", "\xc3\xa9"},
        {"Chinese", u"驱动", u8"驱动"},
        {"Korean", u"파일", u8"파일"},
        {"surrogate pair", u"\U0001F5A8", "\xf0\x9f\x96\xa8"},
        {"lone high surrogate at the end", std::u16string(u"a") + char16_t(0xD83D),
         "a\xef\xbf\xbd"},
        {"lone low surrogate", std::u16string(1, char16_t(0xDC00)) + u"b",
         "\xef\xbf\xbd"
         "b"},
        {"high surrogate before a letter", std::u16string(1, char16_t(0xD800)) + u"x",
         "\xef\xbf\xbdx"},
        {"embedded zero", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        CString out = Utf16ToUtf8(c.text.data(), c.text.size());
        EXPECT_EQ(std::string(out.GetString(), static_cast<size_t>(out.GetLength())), c.expected);
    }
    EXPECT_TRUE(Utf16ToUtf8(nullptr, 3).IsEmpty());
}

}  // namespace
