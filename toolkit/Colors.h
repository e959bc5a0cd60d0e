// Colour and character-set values and the names the stored layout writes them with. No Windows
// header here: the values are the window system's own, checked against it where it is known.
#pragma once

#include <cstdint>
#include <string>

// ---- colours --------------------------------------------------------------------------------

// Negative values are system colours (clSystemColor | COLOR_xxx); the others are 0x00BBGGRR.
using TColor = int32_t;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);

constexpr TColor clScrollBar = clSystemColor | 0;  // COLOR_SCROLLBAR
constexpr TColor clBackground = clSystemColor | 1;  // COLOR_BACKGROUND
constexpr TColor clActiveCaption = clSystemColor | 2;  // COLOR_ACTIVECAPTION
constexpr TColor clInactiveCaption = clSystemColor | 3;  // COLOR_INACTIVECAPTION
constexpr TColor clMenu = clSystemColor | 4;  // COLOR_MENU
constexpr TColor clWindow = clSystemColor | 5;  // COLOR_WINDOW
constexpr TColor clWindowFrame = clSystemColor | 6;  // COLOR_WINDOWFRAME
constexpr TColor clMenuText = clSystemColor | 7;  // COLOR_MENUTEXT
constexpr TColor clWindowText = clSystemColor | 8;  // COLOR_WINDOWTEXT
constexpr TColor clCaptionText = clSystemColor | 9;  // COLOR_CAPTIONTEXT
constexpr TColor clActiveBorder = clSystemColor | 10;  // COLOR_ACTIVEBORDER
constexpr TColor clInactiveBorder = clSystemColor | 11;  // COLOR_INACTIVEBORDER
constexpr TColor clAppWorkSpace = clSystemColor | 12;  // COLOR_APPWORKSPACE
constexpr TColor clHighlight = clSystemColor | 13;  // COLOR_HIGHLIGHT
constexpr TColor clHighlightText = clSystemColor | 14;  // COLOR_HIGHLIGHTTEXT
constexpr TColor clBtnFace = clSystemColor | 15;  // COLOR_BTNFACE
constexpr TColor clBtnShadow = clSystemColor | 16;  // COLOR_BTNSHADOW
constexpr TColor clGrayText = clSystemColor | 17;  // COLOR_GRAYTEXT
constexpr TColor clBtnText = clSystemColor | 18;  // COLOR_BTNTEXT
constexpr TColor clInactiveCaptionText = clSystemColor | 19;  // COLOR_INACTIVECAPTIONTEXT
constexpr TColor clBtnHighlight = clSystemColor | 20;  // COLOR_BTNHIGHLIGHT
constexpr TColor cl3DDkShadow = clSystemColor | 21;  // COLOR_3DDKSHADOW
constexpr TColor cl3DLight = clSystemColor | 22;  // COLOR_3DLIGHT
constexpr TColor clInfoText = clSystemColor | 23;  // COLOR_INFOTEXT
constexpr TColor clInfoBk = clSystemColor | 24;  // COLOR_INFOBK
constexpr TColor clHotLight = clSystemColor | 26;  // COLOR_HOTLIGHT
constexpr TColor clGradientActiveCaption = clSystemColor | 27;    // COLOR_GRADIENTACTIVECAPTION
constexpr TColor clGradientInactiveCaption = clSystemColor | 28;  // COLOR_GRADIENTINACTIVECAPTION
constexpr TColor clMenuHighlight = clSystemColor | 29;  // COLOR_MENUHILIGHT
constexpr TColor clMenuBar = clSystemColor | 30;        // COLOR_MENUBAR

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// Colour names as the layout stores them ("clBtnFace"). IdentToColor ignores ASCII case.
bool IdentToColor(const std::wstring& ident, TColor& color);
bool ColorToIdent(TColor color, std::wstring& ident);

// Character-set names as the layout stores them ("SHIFTJIS_CHARSET"). Ignores ASCII case.
bool IdentToCharset(const std::wstring& ident, int32_t& charset);
bool CharsetToIdent(int32_t charset, std::wstring& ident);
