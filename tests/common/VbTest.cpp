#include <gtest/gtest.h>

#include "TextCodec.h"
#include "Vb.h"

using namespace parvel;
using namespace parvel::vb;

TEST(InStr, PositionsAreOneBasedAndStartMustBePositive) {
    EXPECT_EQ(InStr(1, "abcabc", "c"), 3);
    EXPECT_EQ(InStr(4, "abcabc", "c"), 6);
    EXPECT_EQ(InStr(7, "abcabc", "c"), 0);
    EXPECT_EQ(InStr(1, "abc", "x"), 0);
    EXPECT_FALSE(InStr(0, "abc", "a").has_value());
    EXPECT_FALSE(InStr(-3, "abc", "a").has_value());
    EXPECT_EQ(InStr(2, "abc", ""), 2);
}

TEST(InStr, TextCompareIgnoresCaseOfWindows1252Letters) {
    EXPECT_EQ(InStr(1, "[Setup]", "[SETUP]", true), 1);
    EXPECT_EQ(InStr(1, "[Setup]", "[SETUP]", false), 0);
    EXPECT_EQ(InStr(1, "x\xE9t\xE9", "\xC9T\xC9", true), 2);  // été / ÉTÉ
}

TEST(Mid, RejectsBadStartAndLength) {
    EXPECT_EQ(*Mid("abcdef", 2, 3), "bcd");
    EXPECT_EQ(*Mid("abcdef", 5), "ef");
    EXPECT_EQ(*Mid("abcdef", 9, 2), "");
    EXPECT_EQ(*Mid("abcdef", 6, 100), "f");
    EXPECT_FALSE(Mid("abc", 0, 1).has_value());
    EXPECT_FALSE(Mid("abc", 1, -1).has_value());
    EXPECT_EQ(*Mid("abc", 1, 0), "");
}

TEST(UCase, UpperCasesBytesOfWindows1252) {
    EXPECT_EQ(UCase("abc XYZ 123"), "ABC XYZ 123");
    EXPECT_EQ(UCase("\xE0\xFE\xF7\xFF\x9A"), "\xC0\xDE\xF7\x9F\x8A");
    EXPECT_EQ(LCase("\xC0Z"), "\xE0z");
}

TEST(Trim, OnlySpacesAreBlank) {
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(Trim("\ta\t"), "\ta\t");
    EXPECT_EQ(Trim("    "), "");
}

TEST(Val, ReadsTheLeadingNumber) {
    EXPECT_EQ(Val("12abc"), 12);
    EXPECT_EQ(Val("  -3.5e2x"), -350);
    EXPECT_EQ(Val("1 2 3"), 123);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val(".5"), 0.5);
    EXPECT_EQ(Val("&H1F"), 31);
    EXPECT_EQ(Val("&HFFFF"), -1);
    EXPECT_EQ(Val("&H10000"), 65536);
    EXPECT_EQ(Val("&O17"), 15);
    EXPECT_EQ(Val("7e"), 7);
}

TEST(CLng, BankersRoundingAndOverflow) {
    EXPECT_EQ(CLng("2.5"), 2);
    EXPECT_EQ(CLng("3.5"), 4);
    EXPECT_EQ(CLng("-2.5"), -2);
    EXPECT_EQ(CLng(" 42 "), 42);
    EXPECT_EQ(CLng("1,000"), 1000);
    EXPECT_EQ(CLng("&HFF"), 255);
    EXPECT_EQ(CLng("2147483647"), 2147483647);
    EXPECT_FALSE(CLng("2147483648").has_value());
    EXPECT_EQ(CLng("-2147483648"), -2147483647 - 1);
    EXPECT_FALSE(CLng("").has_value());
    EXPECT_FALSE(CLng("12abc").has_value());
    EXPECT_FALSE(CLng("abc").has_value());
    EXPECT_EQ(CLng("True"), -1);
}

TEST(CInt, SixteenBitRange) {
    EXPECT_EQ(CInt("32767"), 32767);
    EXPECT_FALSE(CInt("32768").has_value());
    EXPECT_EQ(CInt("-32768"), -32768);
    EXPECT_FALSE(CInt("-32768.6").has_value());
    EXPECT_EQ(CInt("0.5"), 0);
    EXPECT_EQ(CInt("1.5"), 2);
    EXPECT_EQ(CInt(-0.5), 0);
}

TEST(CBool, WordsAndNumbers) {
    EXPECT_EQ(CBool("True"), true);
    EXPECT_EQ(CBool("fALSE"), false);
    EXPECT_EQ(CBool("0"), false);
    EXPECT_EQ(CBool("-1"), true);
    EXPECT_EQ(CBool("2"), true);
    EXPECT_FALSE(CBool("maybe").has_value());
    EXPECT_FALSE(CBool("").has_value());
}

TEST(Hex, NoLeadingZeros) {
    EXPECT_EQ(Hex(0), "0");
    EXPECT_EQ(Hex(0xABC), "ABC");
    EXPECT_EQ(Hex(0xFFFFFFFFu), "FFFFFFFF");
}

TEST(TextCodec, Windows1252RoundTripsThroughUtf8) {
    EXPECT_EQ(cp1252ToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    auto back = utf8ToCp1252(cp1252ToUtf8(all));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);
    EXPECT_FALSE(utf8ToCp1252("\xE4\xB8\xAD").has_value());  // not in the code page
    EXPECT_FALSE(utf8ToCp1252("\xC3").has_value());          // truncated
    EXPECT_FALSE(isValidUtf8("\xC0\x80"));                   // overlong
    EXPECT_TRUE(isValidUtf8("plain"));
}
