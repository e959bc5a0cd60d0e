#include "Colors.h"

#include "SysUtils.h"

namespace {

struct TIdentEntry {
    int32_t Value;
    const wchar_t* Name;
};

// Aliases come after the name a value is written with.
constexpr TIdentEntry ColorIdents[] = {
    {clBlack, L"clBlack"}, {clMaroon, L"clMaroon"}, {clGreen, L"clGreen"}, {clOlive, L"clOlive"},
    {clNavy, L"clNavy"}, {clPurple, L"clPurple"}, {clTeal, L"clTeal"}, {clGray, L"clGray"},
    {clSilver, L"clSilver"}, {clRed, L"clRed"}, {clLime, L"clLime"}, {clYellow, L"clYellow"},
    {clBlue, L"clBlue"}, {clFuchsia, L"clFuchsia"}, {clAqua, L"clAqua"}, {clWhite, L"clWhite"},
    {clMoneyGreen, L"clMoneyGreen"}, {clSkyBlue, L"clSkyBlue"}, {clCream, L"clCream"},
    {clMedGray, L"clMedGray"},
    {clScrollBar, L"clScrollBar"}, {clBackground, L"clBackground"}, {clActiveCaption, L"clActiveCaption"},
    {clInactiveCaption, L"clInactiveCaption"}, {clMenu, L"clMenu"}, {clWindow, L"clWindow"},
    {clWindowFrame, L"clWindowFrame"}, {clMenuText, L"clMenuText"}, {clWindowText, L"clWindowText"},
    {clCaptionText, L"clCaptionText"}, {clActiveBorder, L"clActiveBorder"},
    {clInactiveBorder, L"clInactiveBorder"}, {clAppWorkSpace, L"clAppWorkSpace"},
    {clHighlight, L"clHighlight"}, {clHighlightText, L"clHighlightText"}, {clBtnFace, L"clBtnFace"},
    {clBtnShadow, L"clBtnShadow"}, {clGrayText, L"clGrayText"}, {clBtnText, L"clBtnText"},
    {clInactiveCaptionText, L"clInactiveCaptionText"}, {clBtnHighlight, L"clBtnHighlight"},
    {cl3DDkShadow, L"cl3DDkShadow"}, {cl3DLight, L"cl3DLight"}, {clInfoText, L"clInfoText"},
    {clInfoBk, L"clInfoBk"}, {clHotLight, L"clHotLight"},
    {clGradientActiveCaption, L"clGradientActiveCaption"},
    {clGradientInactiveCaption, L"clGradientInactiveCaption"}, {clMenuHighlight, L"clMenuHighlight"},
    {clMenuBar, L"clMenuBar"}, {clNone, L"clNone"}, {clDefault, L"clDefault"},
    {clSilver, L"clLtGray"}, {clGray, L"clDkGray"},
};

// The window system's character-set numbers.
constexpr TIdentEntry CharsetIdents[] = {
    {0, L"ANSI_CHARSET"}, {1, L"DEFAULT_CHARSET"},
    {2, L"SYMBOL_CHARSET"}, {77, L"MAC_CHARSET"},
    {128, L"SHIFTJIS_CHARSET"}, {129, L"HANGEUL_CHARSET"},
    {130, L"JOHAB_CHARSET"}, {134, L"GB2312_CHARSET"},
    {136, L"CHINESEBIG5_CHARSET"}, {161, L"GREEK_CHARSET"},
    {162, L"TURKISH_CHARSET"}, {163, L"VIETNAMESE_CHARSET"},
    {177, L"HEBREW_CHARSET"}, {178, L"ARABIC_CHARSET"},
    {186, L"BALTIC_CHARSET"}, {204, L"RUSSIAN_CHARSET"},
    {222, L"THAI_CHARSET"}, {238, L"EASTEUROPE_CHARSET"},
    {255, L"OEM_CHARSET"},
};

template <size_t N>
bool IdentToValue(const TIdentEntry (&table)[N], const std::wstring& ident, int32_t& value)
{
    for (const TIdentEntry& e : table)
        if (SameText(ident, e.Name)) {
            value = e.Value;
            return true;
        }
    return false;
}

template <size_t N>
bool ValueToIdent(const TIdentEntry (&table)[N], int32_t value, std::wstring& ident)
{
    for (const TIdentEntry& e : table)
        if (e.Value == value) {
            ident = e.Name;
            return true;
        }
    return false;
}

}  // namespace

bool IdentToColor(const std::wstring& ident, TColor& color)
{
    return IdentToValue(ColorIdents, ident, color);
}

bool ColorToIdent(TColor color, std::wstring& ident)
{
    return ValueToIdent(ColorIdents, color, ident);
}

bool IdentToCharset(const std::wstring& ident, int32_t& charset)
{
    return IdentToValue(CharsetIdents, ident, charset);
}

bool CharsetToIdent(int32_t charset, std::wstring& ident)
{
    return ValueToIdent(CharsetIdents, charset, ident);
}
