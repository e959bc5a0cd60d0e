#include <gtest/gtest.h>

#include "TB97Caption.h"

// Every character 5 pixels wide, 'W' 12, a surrogate pair 8 (4 each half).
static int32_t WidthOf(const std::wstring& s)
{
    int32_t w = 0;
    for (wchar_t c : s)
        w += c == L'W' ? 12 : (c >= 0xD800 && c <= 0xDFFF) ? 4 : 5;
    return w;
}

TEST(ShortenCaption, FitsOrEndsInDotsNeverBelowOneCharacter)
{
    const std::wstring pair = L"\xD83D\xDE00";
    struct {
        std::wstring Text;
        int32_t Width;
        std::wstring Expected;
    } cases[] = {
        {L"abcd", 20, L"abcd"},            // exactly fits
        {L"abcde", 24, L"a..."},           // one pixel short: shortened down to "a..." (20)
        {L"abcdef", 29, L"ab..."},
        {L"abcdefgh", 35, L"abcd..."},     // prefix plus dots exactly 35
        {L"abcdefgh", 34, L"abc..."},
        {L"WWWW", 10, L"W..."},            // never shorter than one character plus "..."
        {L"W", 11, L"W..."},
        {L"", -1, L"..."},
        {L"a" + pair + L"bcdef", 28, L"a" + pair + L"..."},
        {pair + L"bcdef", 10, pair + L"..."},  // the pair stays whole
        // The highest pair (U+10FFFF) at the cut goes whole; a lone high surrogate before
        // U+E000 (no low surrogate) goes alone.
        {L"a\xDBFF\xDFFF" L"bcdef", 28, L"a\xDBFF\xDFFF..."},
        {L"a\xDBFF\xDFFF" L"bcdef", 27, L"a..."},
        {L"a\xDBFF\xE000" L"bcdef", 28, L"a\xDBFF..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "width " << c.Width << " length " << c.Text.size());
        EXPECT_EQ(ShortenCaption(c.Text, c.Width, WidthOf), c.Expected);
    }
}
