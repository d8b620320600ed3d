// The value rules every reader of a setting relies on.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "host/host_error.h"
#include "text/vb_conversions.h"

namespace tessaly {
namespace {

template <class F>
int32_t ErrorNumberOf(F&& f) {
    try {
        f();
    } catch (const host::HostError& e) {
        return e.Number();
    }
    return 0;
}

TEST(CBoolTest, WordsInAnyCaseWithBlanks) {
    EXPECT_TRUE(CBool("True"));
    EXPECT_TRUE(CBool("tRuE"));
    EXPECT_TRUE(CBool("TRUE"));
    EXPECT_TRUE(CBool("  True\t"));
    EXPECT_FALSE(CBool("False"));
    EXPECT_FALSE(CBool("FALSE"));
    EXPECT_FALSE(CBool(" false "));
}

TEST(CBoolTest, NumbersAreFalseOnlyWhenZero) {
    EXPECT_FALSE(CBool("0"));
    EXPECT_FALSE(CBool("0.0"));
    EXPECT_FALSE(CBool(" -0 "));
    EXPECT_FALSE(CBool("&H0"));
    EXPECT_TRUE(CBool("-1"));
    EXPECT_TRUE(CBool("1"));
    EXPECT_TRUE(CBool("0.0001"));
    EXPECT_TRUE(CBool("&H10"));
    EXPECT_TRUE(CBool("1e3"));
}

TEST(CBoolTest, AnythingElseIsTypeMismatch) {
    for (const char* text : {"yes", "", "   ", "Truex", "T", "1abc", "&H", "--1", "."}) {
        EXPECT_EQ(ErrorNumberOf([&] { CBool(text); }), host::err::kTypeMismatch) << text;
    }
}

TEST(CLngTest, DecimalWithSignBlanksAndExponent) {
    EXPECT_EQ(CLng("8388608"), 8388608);
    EXPECT_EQ(CLng("-1"), -1);
    EXPECT_EQ(CLng("+42"), 42);
    EXPECT_EQ(CLng("  17  "), 17);
    EXPECT_EQ(CLng("1e3"), 1000);
    EXPECT_EQ(CLng("1D2"), 100);
    EXPECT_EQ(CLng("5."), 5);
    EXPECT_EQ(CLng(".5"), 0);
}

TEST(CLngTest, FractionsRoundHalfToEven) {
    EXPECT_EQ(CLng("2.5"), 2);
    EXPECT_EQ(CLng("3.5"), 4);
    EXPECT_EQ(CLng("-2.5"), -2);
    EXPECT_EQ(CLng("-3.5"), -4);
    EXPECT_EQ(CLng("2.51"), 3);
    EXPECT_EQ(CLng("-0.4"), 0);
}

TEST(CLngTest, HexAndOctalTakeTheRuntimeIntegerWidths) {
    EXPECT_EQ(CLng("&H800000"), 8388608);
    EXPECT_EQ(CLng("&h800000"), 8388608);
    EXPECT_EQ(CLng("&HFFFFFFFF"), -1);
    EXPECT_EQ(CLng("&H80000000"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(CLng("&H7FFF"), 32767);
    // Up to 16 bits a literal is an Integer.
    EXPECT_EQ(CLng("&HFFFF"), -1);
    EXPECT_EQ(CLng("&H10000"), 65536);
    EXPECT_EQ(CLng("&O17"), 15);
    EXPECT_EQ(CLng(" &Hff "), 255);
}

TEST(CLngTest, OutOfRangeIsOverflow) {
    EXPECT_EQ(CLng("2147483647"), 2147483647);
    EXPECT_EQ(CLng("-2147483648"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(CLng("-2147483648.5"), std::numeric_limits<int32_t>::min());
    for (const char* text : {"2147483648", "2147483647.5", "-2147483649", "1e10", "&H100000000",
                             "&H12345678901234567890", "1e400"}) {
        EXPECT_EQ(ErrorNumberOf([&] { CLng(text); }), host::err::kOverflow) << text;
    }
}

TEST(CLngTest, NonNumbersAreTypeMismatch) {
    for (const char* text : {"", " ", "abc", "1abc", "1 2", "&H", "&HG", "&X10", "1e", "1e+", "+",
                             "-", ".", "True", "1.2.3", "--1", "&H 10"}) {
        EXPECT_EQ(ErrorNumberOf([&] { CLng(text); }), host::err::kTypeMismatch) << text;
    }
}

TEST(CSngTest, DecimalTextToSingle) {
    EXPECT_FLOAT_EQ(CSng("1234.5"), 1234.5f);
    EXPECT_FLOAT_EQ(CSng(" -7 "), -7.0f);
    EXPECT_FLOAT_EQ(CSng("0.1"), 0.1f);
    EXPECT_EQ(ErrorNumberOf([] { CSng("wide"); }), host::err::kTypeMismatch);
    EXPECT_EQ(ErrorNumberOf([] { CSng(""); }), host::err::kTypeMismatch);
    EXPECT_EQ(ErrorNumberOf([] { CSng("1e39"); }), host::err::kOverflow);
}

TEST(ValTest, LeadingNumberOfTheText) {
    EXPECT_EQ(Val("1"), 1.0);
    EXPECT_EQ(Val(" 1abc"), 1.0);
    EXPECT_EQ(Val("12.5kg"), 12.5);
    EXPECT_EQ(Val("-3"), -3.0);
    EXPECT_EQ(Val("+3"), 3.0);
    EXPECT_EQ(Val(".5"), 0.5);
    EXPECT_EQ(Val("1.2.3"), 1.2);
    EXPECT_EQ(Val("1e3"), 1000.0);
    EXPECT_EQ(Val("2D2"), 200.0);
    EXPECT_EQ(Val("1e"), 1.0);
    EXPECT_EQ(Val("1e+x"), 1.0);
    EXPECT_EQ(Val("1E-1"), 0.1);
}

TEST(ValTest, BlanksTabsAndLineFeedsAreSkippedEvenInsideTheNumber) {
    EXPECT_EQ(Val("\t\n 7"), 7.0);
    EXPECT_EQ(Val("1 2 3"), 123.0);
    EXPECT_EQ(Val("- 4"), -4.0);
    EXPECT_EQ(Val("1 . 5"), 1.5);
    EXPECT_EQ(Val("1\n0"), 10.0);
    // A carriage return is not a blank: it ends the number.
    EXPECT_EQ(Val("1\r0"), 1.0);
}

TEST(ValTest, NoLeadingNumberIsZero) {
    EXPECT_EQ(Val(""), 0.0);
    EXPECT_EQ(Val("   "), 0.0);
    EXPECT_EQ(Val("abc1"), 0.0);
    EXPECT_EQ(Val("."), 0.0);
    EXPECT_EQ(Val("-"), 0.0);
    EXPECT_EQ(Val("+-1"), 0.0);
    EXPECT_EQ(Val("&"), 0.0);
    EXPECT_EQ(Val("&H"), 0.0);
    EXPECT_EQ(Val("&Z1"), 0.0);
    EXPECT_EQ(Val("e5"), 0.0);
}

TEST(ValTest, HexAndOctalPrefixes) {
    EXPECT_EQ(Val("&H800000"), 8388608.0);
    EXPECT_EQ(Val("&h1Fzz"), 31.0);
    EXPECT_EQ(Val("&O777"), 511.0);
    EXPECT_EQ(Val("&O78"), 7.0);
    EXPECT_EQ(Val("&HFFFF"), -1.0);
    EXPECT_EQ(Val("&HFFFF&"), 65535.0);
    EXPECT_EQ(Val("&HFFFFFFFF"), -1.0);
    EXPECT_EQ(Val(" & H 1 0"), 16.0);
    // Wider than 32 bits: still no error.
    EXPECT_EQ(Val("&H100000000"), 4294967296.0);
    EXPECT_NO_THROW(Val("&HFFFFFFFFFFFFFFFFFFFF"));
}

TEST(RoundHalfEvenTest, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(-1.0), -1);
    EXPECT_EQ(RoundHalfEven(2147483647.4), 2147483647);
    EXPECT_EQ(ErrorNumberOf([] { RoundHalfEven(2147483647.5); }), host::err::kOverflow);
    EXPECT_EQ(ErrorNumberOf([] { RoundHalfEven(-2147483649.0); }), host::err::kOverflow);
    EXPECT_EQ(ErrorNumberOf([] { RoundHalfEven(std::nan("")); }), host::err::kOverflow);
    EXPECT_EQ(ErrorNumberOf([] { RoundHalfEven(HUGE_VAL); }), host::err::kOverflow);
}

TEST(TextTest, UCaseTouchesOnlyAsciiLetters) {
    EXPECT_EQ(UCase("Japan"), "JAPAN");
    EXPECT_EQ(UCase("ctrl+Shift+a1"), "CTRL+SHIFT+A1");
    EXPECT_EQ(UCase("ｊａｐａｎ日本é"), "ｊａｐａｎ日本é");
    EXPECT_EQ(UCase(""), "");
}

TEST(TextTest, ReplaceAllScansFromTheStartWithoutRescanning) {
    EXPECT_EQ(ReplaceAll("a\\nb\\n", "\\n", "\r\n"), "a\r\nb\r\n");
    EXPECT_EQ(ReplaceAll("aaa", "aa", "a"), "aa");
    EXPECT_EQ(ReplaceAll("abc", "x", "y"), "abc");
    EXPECT_EQ(ReplaceAll("abc", "", "y"), "abc");
    EXPECT_EQ(ReplaceAll("", "a", "b"), "");
    EXPECT_EQ(ReplaceAll("aXbxc", "x", "-"), "aXb-c");
    EXPECT_EQ(ReplaceAll("aa", "a", "aa"), "aaaa");
}

}  // namespace
}  // namespace tessaly
