#include "Colors.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

struct TNamed {
    int32_t Value;
    const wchar_t* Name;
};

// Every name the layout may write, with the value written independently of the toolkit's table.
const TNamed Charsets[] = {
    {0, L"ANSI_CHARSET"}, {1, L"DEFAULT_CHARSET"}, {2, L"SYMBOL_CHARSET"}, {77, L"MAC_CHARSET"},
    {128, L"SHIFTJIS_CHARSET"}, {129, L"HANGEUL_CHARSET"}, {130, L"JOHAB_CHARSET"}, {134, L"GB2312_CHARSET"},
    {136, L"CHINESEBIG5_CHARSET"}, {161, L"GREEK_CHARSET"}, {162, L"TURKISH_CHARSET"},
    {163, L"VIETNAMESE_CHARSET"}, {177, L"HEBREW_CHARSET"}, {178, L"ARABIC_CHARSET"}, {186, L"BALTIC_CHARSET"},
    {204, L"RUSSIAN_CHARSET"}, {222, L"THAI_CHARSET"}, {238, L"EASTEUROPE_CHARSET"}, {255, L"OEM_CHARSET"},
};

const TNamed Colours[] = {
    {0x000000, L"clBlack"}, {0x0000FF, L"clRed"}, {0xFFFFFF, L"clWhite"}, {0xC0DCC0, L"clMoneyGreen"},
    {static_cast<int32_t>(0xFF000000u), L"clScrollBar"}, {static_cast<int32_t>(0xFF00000Fu), L"clBtnFace"},
    {static_cast<int32_t>(0xFF000008u), L"clWindowText"}, {static_cast<int32_t>(0xFF000018u), L"clInfoBk"},
    {static_cast<int32_t>(0xFF00001Au), L"clHotLight"}, {static_cast<int32_t>(0xFF00001Eu), L"clMenuBar"},
    {0x1FFFFFFF, L"clNone"}, {0x20000000, L"clDefault"},
};

}  // namespace

TEST(Colors, NamesReadAndWriteTheirValues)
{
    for (const TNamed& n : Charsets) {
        int32_t value = -1;
        ASSERT_TRUE(IdentToCharset(n.Name, value)) << n.Value;
        EXPECT_EQ(value, n.Value);
        std::wstring name;
        ASSERT_TRUE(CharsetToIdent(n.Value, name)) << n.Value;
        EXPECT_EQ(name, n.Name);
    }
    for (const TNamed& n : Colours) {
        TColor value = 0;
        ASSERT_TRUE(IdentToColor(n.Name, value)) << n.Value;
        EXPECT_EQ(value, n.Value);
        std::wstring name;
        ASSERT_TRUE(ColorToIdent(n.Value, name)) << n.Value;
        EXPECT_EQ(name, n.Name);
    }
}

TEST(Colors, AliasesAndCaseAreReadButTheWrittenNameIsCanonical)
{
    TColor c = 0;
    ASSERT_TRUE(IdentToColor(L"clLtGray", c));
    EXPECT_EQ(c, clSilver);
    ASSERT_TRUE(IdentToColor(L"CLDKGRAY", c));
    EXPECT_EQ(c, clGray);
    std::wstring name;
    ASSERT_TRUE(ColorToIdent(clSilver, name));
    EXPECT_EQ(name, L"clSilver");
    int32_t cs = 0;
    ASSERT_TRUE(IdentToCharset(L"shiftjis_charset", cs));
    EXPECT_EQ(cs, 128);

    // Near misses are refused, in both directions.
    EXPECT_FALSE(IdentToColor(L"clBtnFac", c));
    EXPECT_FALSE(IdentToColor(L"clBtnFaces", c));
    EXPECT_FALSE(IdentToColor(L"", c));
    EXPECT_FALSE(ColorToIdent(0x000001, name));
    EXPECT_FALSE(ColorToIdent(static_cast<TColor>(0xFF000019u), name));  // index 25 has no colour
    EXPECT_FALSE(IdentToCharset(L"SHIFTJIS", cs));
    EXPECT_FALSE(CharsetToIdent(254, name));
    EXPECT_FALSE(CharsetToIdent(256, name));
    EXPECT_FALSE(CharsetToIdent(-1, name));
}

#ifdef _WIN32
// The portable values are the window system's own.
TEST(Colors, ValuesAreTheWindowSystems)
{
    const int32_t windows[] = {ANSI_CHARSET, DEFAULT_CHARSET, SYMBOL_CHARSET, MAC_CHARSET, SHIFTJIS_CHARSET,
                               HANGEUL_CHARSET, JOHAB_CHARSET, GB2312_CHARSET, CHINESEBIG5_CHARSET, GREEK_CHARSET,
                               TURKISH_CHARSET, VIETNAMESE_CHARSET, HEBREW_CHARSET, ARABIC_CHARSET, BALTIC_CHARSET,
                               RUSSIAN_CHARSET, THAI_CHARSET, EASTEUROPE_CHARSET, OEM_CHARSET};
    static_assert(std::size(windows) == std::size(Charsets));
    for (size_t i = 0; i < std::size(windows); ++i)
        EXPECT_EQ(Charsets[i].Value, windows[i]) << i;
    EXPECT_EQ(clBtnFace, static_cast<TColor>(0xFF000000u | COLOR_BTNFACE));
    EXPECT_EQ(cl3DDkShadow, static_cast<TColor>(0xFF000000u | COLOR_3DDKSHADOW));
    EXPECT_EQ(clInfoBk, static_cast<TColor>(0xFF000000u | COLOR_INFOBK));
    EXPECT_EQ(clMenuBar, static_cast<TColor>(0xFF000000u | COLOR_MENUBAR));
}
#endif
