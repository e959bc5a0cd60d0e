#include "StrConv.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

namespace {

std::wstring ConversionMessage(const std::wstring& s)
{
    try {
        StrToInt(s);
    } catch (const EConvertError& e) {
        return e.Message();
    }
    ADD_FAILURE() << "no EConvertError for the input";
    return {};
}

void ExpectRejected(const std::wstring& s)
{
    EXPECT_EQ(ConversionMessage(s), L"'" + s + L"' は整数ではありません");
    int32_t untouched = 12345;
    EXPECT_FALSE(TryStrToInt(s, untouched));
    EXPECT_EQ(untouched, 12345);
}

TEST(StrToInt, AcceptsDecimalWithBlanksAndSign)
{
    EXPECT_EQ(StrToInt(L"0"), 0);
    EXPECT_EQ(StrToInt(L"-1"), -1);
    EXPECT_EQ(StrToInt(L"+7"), 7);
    EXPECT_EQ(StrToInt(L"  12"), 12);
    EXPECT_EQ(StrToInt(L"30"), 30);
    EXPECT_EQ(StrToInt(L"007"), 7);
    EXPECT_EQ(StrToInt(L"-0"), 0);
    EXPECT_EQ(StrToInt(L"   -15"), -15);
}

TEST(StrToInt, AcceptsHexadecimalPrefixesInEitherCase)
{
    EXPECT_EQ(StrToInt(L"$1F"), 31);
    EXPECT_EQ(StrToInt(L"0x1f"), 31);
    EXPECT_EQ(StrToInt(L"0X1F"), 31);
    EXPECT_EQ(StrToInt(L"X1F"), 31);
    EXPECT_EQ(StrToInt(L"x1f"), 31);
    EXPECT_EQ(StrToInt(L"$aBc"), 0xABC);
    EXPECT_EQ(StrToInt(L" -$10"), -16);
    EXPECT_EQ(StrToInt(L"+0x10"), 16);
    EXPECT_EQ(StrToInt(L"0x0"), 0);
    EXPECT_EQ(StrToInt(L"$0000000000000001"), 1);  // leading zeros do not count toward the range
}

TEST(StrToInt, DecimalRangeBounds)
{
    EXPECT_EQ(StrToInt(L"2147483647"), 2147483647);
    EXPECT_EQ(StrToInt(L"-2147483648"), INT32_MIN);
    EXPECT_EQ(StrToInt(L"-2147483647"), -2147483647);
    EXPECT_EQ(StrToInt(L"000002147483647"), 2147483647);
    ExpectRejected(L"2147483648");
    ExpectRejected(L"-2147483649");
    ExpectRejected(L"4294967296");   // wraps to 0 in 32 bits
    ExpectRejected(L"4294967297");   // wraps to 1 in 32 bits
    ExpectRejected(L"99999999999999999999999999");
}

TEST(StrToInt, HexadecimalIsAMagnitudeInTheSameRange)
{
    EXPECT_EQ(StrToInt(L"$7FFFFFFF"), 2147483647);
    EXPECT_EQ(StrToInt(L"-$80000000"), INT32_MIN);
    EXPECT_EQ(StrToInt(L"-0x80000000"), INT32_MIN);
    ExpectRejected(L"$80000000");
    ExpectRejected(L"$FFFFFFFF");
    ExpectRejected(L"-$80000001");
    ExpectRejected(L"$100000000");
    ExpectRejected(L"0x1FFFFFFFFFFFFFFFF");
}

TEST(StrToInt, RejectsWithExactMessage)
{
    EXPECT_EQ(ConversionMessage(L""), L"'' は整数ではありません");
    EXPECT_EQ(ConversionMessage(L"12 "), L"'12 ' は整数ではありません");
    EXPECT_EQ(ConversionMessage(L"1e3"), L"'1e3' は整数ではありません");
    EXPECT_EQ(ConversionMessage(L"abc"), L"'abc' は整数ではありません");
    EXPECT_EQ(ConversionMessage(L"2147483648"), L"'2147483648' は整数ではありません");
}

TEST(StrToInt, RejectsMalformedText)
{
    for (const wchar_t* s : {L"", L" ", L"12 ", L"1e3", L"abc", L"+", L"-", L"  -", L"$", L"-$", L"0x", L"x",
                             L"X", L"--1", L"+-1", L"- 1", L"$ 1", L"0x 1", L"$G", L"0x1g", L"12a", L"1.0",
                             L"1,000", L"00x1", L"0$1", L"$$1", L"0xx1", L"#1", L"h1"})
        ExpectRejected(s);
}

TEST(StrToInt, OnlyAsciiSpacesAndDigitsCount)
{
    ExpectRejected(L"\t12");
    ExpectRejected(L"\n12");
    ExpectRejected(L"\x3000" L"12");          // ideographic space
    ExpectRejected(L"\xFF11\xFF12");          // full-width "12"
    ExpectRejected(L"1\xFF12");
    ExpectRejected(L"\x0661");                // Arabic-Indic one
    ExpectRejected(L"$\xFF21");               // full-width A
    ExpectRejected(std::wstring(L"12\0", 3)); // embedded NUL is text after the digits
    EXPECT_EQ(ConversionMessage(L"\xFF13\xFF10"), L"'３０' は整数ではありません");
}

TEST(TryStrToInt, StoresValueOnSuccess)
{
    int32_t value = 0;
    EXPECT_TRUE(TryStrToInt(L"-$1F", value));
    EXPECT_EQ(value, -31);
    EXPECT_TRUE(TryStrToInt(L"2147483647", value));
    EXPECT_EQ(value, 2147483647);
}

}  // namespace
