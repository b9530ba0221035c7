#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/cstring.h"
#include "catalog/decoder.h"
#include "../../tools/text_scrambler.h"

namespace {

std::string Bytes(const CString& s) {
    return std::string(s.GetString(), static_cast<size_t>(s.GetLength()));
}

}  // namespace

// With key 0 the first byte is unmasked, so it shows the letter arithmetic.
TEST(DecodeText, LetterPairsGiveBytesModulo256) {
    struct Case {
        const char* letters;
        int byte;
        const char* why;
    };
    const Case cases[] = {
        {"AA", 0, "lowest pair"},
        {"AZ", 25, "second letter weighs 1"},
        {"BA", 26, "first letter weighs 26"},
        {"JV", 255, "largest byte"},
        {"KA", 4, "260 wraps"},
        {"aa", 96, "26 * 32 + 32 = 864 wraps"},
        {"1!", 64, "26 * -16 - 32 = -448, below 'A' still wraps"},
        {"\xFF\xFF", 10, "27 * 190 = 5130 wraps"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const CString plain = DecodeText(c.letters, 0);
        ASSERT_EQ(plain.GetLength(), 1);
        EXPECT_EQ(plain.ByteAt(0), c.byte);
    }
}

TEST(DecodeText, LengthIsHalfTheLettersRoundedDown) {
    for (unsigned key : {0u, 0x1234u, 0xFFFFu, 0xFFFFFFFFu}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(DecodeText("", key).GetLength(), 0);
        EXPECT_EQ(DecodeText("Q", key).GetLength(), 0);
        const CString three = DecodeText("KAZ", key);
        ASSERT_EQ(three.GetLength(), 1);
        EXPECT_EQ(Bytes(three), Bytes(DecodeText("KA", key)));
    }
    // A decoded zero byte is kept and counted, also in the middle.
    const CString zeros = EncodeText(CString("\0a\0", 3), 0x4321);
    EXPECT_EQ(Bytes(DecodeText(zeros, 0x4321)), std::string("\0a\0", 3));
}

// Worked by hand from the key schedule: mask with the key's high byte, then
// feed the scrambled byte (not the plain one) into the next key.
TEST(DecodeText, KeyScheduleUsesTheScrambledByte) {
    const unsigned start = 0x1234;
    // "KA" is scrambled 4, "AA" scrambled 0, "JV" scrambled 255.
    const unsigned k1 = ((start + 4) * kDecodeMultiplier + kDecodeAddend) % 65536;
    const unsigned k2 = ((k1 + 0) * kDecodeMultiplier + kDecodeAddend) % 65536;
    const CString plain = DecodeText("KAAAJV", start);
    ASSERT_EQ(plain.GetLength(), 3);
    EXPECT_EQ(plain.ByteAt(0), 4 ^ 0x12);
    EXPECT_EQ(plain.ByteAt(1), k1 >> 8);
    EXPECT_EQ(plain.ByteAt(2), 255 ^ (k2 >> 8));
}

TEST(DecodeText, OnlyTheLow16BitsOfTheKeyCount) {
    const CString text = "GOFHINIXJHIXICHJEJIRJBBV";
    for (unsigned low : {0x0000u, 0x00FFu, 0xAC93u, 0xFFFFu}) {
        SCOPED_TRACE(low);
        const std::string expected = Bytes(DecodeText(text, low));
        for (unsigned high : {0x1u, 0x8000u, 0xFFFFu}) {
            EXPECT_EQ(Bytes(DecodeText(text, (high << 16) | low)), expected);
        }
    }
}

TEST(DecodeText, ALaterPairNeverChangesAnEarlierByte) {
    const std::string head = "EQIQHSISHWFOGVIF";
    const std::string prefix = Bytes(DecodeText(head.c_str(), 0x2ACF));
    const CString a = DecodeText((head + "AB").c_str(), 0x2ACF);
    const CString b = DecodeText((head + "JC").c_str(), 0x2ACF);
    const int last = static_cast<int>(prefix.size());
    ASSERT_EQ(a.GetLength(), last + 1);
    ASSERT_EQ(b.GetLength(), last + 1);
    EXPECT_EQ(Bytes(a).substr(0, prefix.size()), prefix);
    EXPECT_EQ(Bytes(b).substr(0, prefix.size()), prefix);
    EXPECT_NE(a.ByteAt(last), b.ByteAt(last));
}

TEST(DecodeText, UndoesTheEncoderForAnyBytesAndKey) {
    std::mt19937 rng(20240517);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<unsigned> key;
    for (int round = 0; round < 500; ++round) {
        std::string plain(static_cast<size_t>(round % 70), '\0');
        for (char& ch : plain) ch = static_cast<char>(byte(rng));
        const unsigned startKey = key(rng);
        const CString letters =
            EncodeText(CString(plain.data(), static_cast<int>(plain.size())), startKey);

        ASSERT_EQ(letters.GetLength(), 2 * static_cast<int>(plain.size()));
        for (int i = 0; i < letters.GetLength(); i += 2) {
            ASSERT_TRUE(letters.ByteAt(i) >= 'A' && letters.ByteAt(i) <= 'J') << i;
            ASSERT_TRUE(letters.ByteAt(i + 1) >= 'A' && letters.ByteAt(i + 1) <= 'Z') << i;
        }
        ASSERT_EQ(Bytes(DecodeText(letters, startKey)), plain) << "round " << round;
    }
}
