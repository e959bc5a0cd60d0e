#include "TB97Caption.h"

namespace {

bool IsLowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

bool IsHighSurrogate(wchar_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

}  // namespace

std::wstring ShortenCaption(const std::wstring& text, int32_t maxWidth,
                            const std::function<int32_t(const std::wstring&)>& widthOf)
{
    if (widthOf(text) <= maxWidth)
        return text;
    std::wstring s = text + L"...";
    // s.size() - 3 units precede the dots; stop at one character, a surrogate pair kept whole.
    while (widthOf(s) > maxWidth) {
        size_t end = s.size() - 3;
        if (end == 0)
            break;
        size_t start = end - 1;
        if (start > 0 && IsLowSurrogate(s[start]) && IsHighSurrogate(s[start - 1]))
            --start;
        if (start == 0)
            break;
        s.erase(start, end - start);
    }
    return s;
}
