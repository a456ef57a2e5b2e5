// Code page 932 conversion and lead-byte tests.
#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "platform/win32.h"

using platform::Cp932SafeCut;
using platform::Cp932ToUtf8;
using platform::IsCp932LeadByte;
using platform::Utf8ToCp932;

TEST(Cp932, TrailBytesThatLookLikeAscii) {
    // 表 95 5C, ソ 83 5C, ポ 83 7C, ゼ 83 5B, ミ 83 7E: Windows' code page 932 table.
    EXPECT_EQ(Utf8ToCp932("表"), "\x95\x5C");
    EXPECT_EQ(Utf8ToCp932("ソ"), "\x83\x5C");
    EXPECT_EQ(Utf8ToCp932("ポ"), "\x83\x7C");
    EXPECT_EQ(Utf8ToCp932("ゼ"), "\x83\x5B");
    EXPECT_EQ(Utf8ToCp932("ミ"), "\x83\x7E");
    EXPECT_EQ(Cp932ToUtf8("\x95\x5C\x83\x5C\x83\x7C"), "表ソポ");
}

TEST(Cp932, BackslashAndTildeStayAscii) {
    // CP932 0x5C is '\' and 0x7E '~' (SHIFT_JIS would give ¥ and ‾).
    EXPECT_EQ(Cp932ToUtf8("C:\\a~b"), "C:\\a~b");
    EXPECT_EQ(Utf8ToCp932("C:\\a~b"), "C:\\a~b");
}

TEST(Cp932, RoundTrips) {
    const char* texts[] = {"設定データ保守", "ｱｲｳｴｵﾞﾟ｡",          "①Ⅰ㈱№", "ⅰ纊", "～", "ＡＢＣａｂｃ",
                           "Ωω Жж",          "混在 mixed 表示\\x"};
    for (const char* t : texts) {
        bool ok1 = false, ok2 = false;
        std::string cp = Utf8ToCp932(t, &ok1);
        EXPECT_TRUE(ok1) << t;
        EXPECT_EQ(Cp932ToUtf8(cp, &ok2), t);
        EXPECT_TRUE(ok2) << t;
    }
}

TEST(Cp932, HalfWidthKatakanaAreSingleBytes) {
    // ｱ is A1 in code page 932, ﾟ DF.
    EXPECT_EQ(Utf8ToCp932("ｱﾟ"), "\xB1\xDF");
    EXPECT_EQ(Cp932ToUtf8("\xA1\xDF"), "｡ﾟ");
}

TEST(Cp932, CanonicalCodesMatchWindows) {
    // Windows encodes ⅰ as FA40, 纊 as FA5C and Ⅰ as 8754 (NEC row 13).
    EXPECT_EQ(Utf8ToCp932("ⅰ"), "\xFA\x40");
    EXPECT_EQ(Utf8ToCp932("纊"), "\xFA\x5C");
    EXPECT_EQ(Utf8ToCp932("Ⅰ"), "\x87\x54");
}

TEST(Cp932, WindowsOnlySingleBytesRoundTrip) {
    // Windows decodes 80, A0, FD-FF to U+0080, U+F8F0, U+F8F1-U+F8F3.
    std::string raw = "\x80\xA0\xFD\xFE\xFF";
    bool ok = false;
    std::string u = Cp932ToUtf8(raw, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(u, "\xC2\x80\xEF\xA3\xB0\xEF\xA3\xB1\xEF\xA3\xB2\xEF\xA3\xB3");
    EXPECT_EQ(Utf8ToCp932(u), raw);
}

TEST(Cp932, UnconvertibleCharactersBecomeQuestionMarks) {
    bool ok = true;
    EXPECT_EQ(Utf8ToCp932("a€b😀c", &ok), "a?b?c");
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_EQ(Utf8ToCp932("x\xFFy", &ok), "x?y");  // malformed UTF-8
    EXPECT_FALSE(ok);
}

TEST(Cp932, UndecodableBytesBecomeReplacementCharacters) {
    bool ok = true;
    // A lone lead byte at the end and an unassigned pair (85 40).
    EXPECT_EQ(Cp932ToUtf8("a\x95", &ok), "a\xEF\xBF\xBD");
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_EQ(Cp932ToUtf8("\x85\x40z", &ok), "\xEF\xBF\xBDz");
    EXPECT_FALSE(ok);
}

TEST(Cp932, LongTextsConvertWhole) {
    std::string u;
    for (int i = 0; i < 5000; ++i) u += "表ｱa";
    std::string cp = Utf8ToCp932(u);
    EXPECT_EQ(cp.size(), 5000u * 4);
    EXPECT_EQ(Cp932ToUtf8(cp), u);
}

TEST(Cp932, LeadBytes) {
    // IsDBCSLeadByteEx(932): 81-9F and E0-FC; never the half-width katakana.
    for (int b = 0; b < 256; ++b) {
        bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(IsCp932LeadByte(static_cast<unsigned char>(b)), lead) << b;
        EXPECT_EQ(IsDBCSLeadByteEx(932, static_cast<BYTE>(b)) != 0, lead) << b;
        EXPECT_EQ(IsDBCSLeadByte(static_cast<BYTE>(b)) != 0, lead) << b;
        EXPECT_EQ(_ismbblead(static_cast<unsigned>(b)) != 0, lead) << b;
    }
    EXPECT_FALSE(IsDBCSLeadByteEx(1252, 0x95));
}

TEST(Cp932, SafeCutNeverSplitsACharacter) {
    std::string s = "a" + Utf8ToCp932("表") + "b";  // 61 95 5C 62
    EXPECT_EQ(Cp932SafeCut(s, 0), 0u);
    EXPECT_EQ(Cp932SafeCut(s, 1), 1u);
    EXPECT_EQ(Cp932SafeCut(s, 2), 1u);  // would end between 95 and 5C
    EXPECT_EQ(Cp932SafeCut(s, 3), 3u);
    EXPECT_EQ(Cp932SafeCut(s, 100), 4u);
    // A trail byte in the lead range (EA E0 ...) is still a trail byte.
    std::string t = "\xEA\xE0\xEA\xE0";
    EXPECT_EQ(Cp932SafeCut(t, 3), 2u);
}

TEST(Cp932, Utf16LittleEndianBothWays) {
    using platform::Utf16LeToUtf8;
    using platform::Utf8ToUtf16Le;
    // 表 U+8868, 𠮷 U+20BB7 (a surrogate pair D842 DFB7), no byte order mark written.
    EXPECT_EQ(Utf8ToUtf16Le("a表𠮷"), std::string("a\0\x68\x88\x42\xD8\xB7\xDF", 8));
    EXPECT_EQ(Utf16LeToUtf8(std::string("a\0\x68\x88\x42\xD8\xB7\xDF", 8)), "a表𠮷");
    // An unpaired surrogate reads as U+FFFD and says so; an odd last byte is dropped.
    bool ok = true;
    EXPECT_EQ(Utf16LeToUtf8(std::string("\x42\xD8x\0", 4), &ok), "\xEF\xBF\xBDx");
    EXPECT_FALSE(ok);
    EXPECT_EQ(Utf16LeToUtf8(std::string("x\0y", 3)), "x");
    // Bytes that are no UTF-8 become U+FFFD.
    EXPECT_EQ(Utf8ToUtf16Le("\xFFz", &ok), std::string("\xFD\xFFz\0", 4));
    EXPECT_FALSE(ok);
}
