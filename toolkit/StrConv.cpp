#include "StrConv.h"

#include "SysUtils.h"

namespace {

int DigitValue(wchar_t c, unsigned base)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (base == 16) {
        if (c >= L'a' && c <= L'f')
            return c - L'a' + 10;
        if (c >= L'A' && c <= L'F')
            return c - L'A' + 10;
    }
    return -1;
}

bool IsX(wchar_t c) { return c == L'x' || c == L'X'; }

}  // namespace

bool TryStrToInt(const std::wstring& s, int32_t& value)
{
    const size_t n = s.size();
    size_t i = 0;
    while (i < n && s[i] == L' ')
        ++i;

    bool negative = false;
    if (i < n && (s[i] == L'+' || s[i] == L'-')) {
        negative = s[i] == L'-';
        ++i;
    }

    unsigned base = 10;
    if (i < n && (s[i] == L'$' || IsX(s[i]))) {
        base = 16;
        ++i;
    } else if (i + 1 < n && s[i] == L'0' && IsX(s[i + 1])) {
        base = 16;
        i += 2;
    }
    if (i == n)
        return false;

    // The magnitude may reach 2^31 only when negated; checking after every digit keeps
    // the accumulator far from overflow however many digits follow.
    const uint64_t limit = negative ? 2147483648u : 2147483647u;
    uint64_t magnitude = 0;
    for (; i < n; ++i) {
        const int digit = DigitValue(s[i], base);
        if (digit < 0)
            return false;
        magnitude = magnitude * base + static_cast<unsigned>(digit);
        if (magnitude > limit)
            return false;
    }
    const int64_t signedValue = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    value = static_cast<int32_t>(signedValue);
    return true;
}

int32_t StrToInt(const std::wstring& s)
{
    int32_t value = 0;
    if (!TryStrToInt(s, value))
        // "'%s' は整数ではありません", escaped so that no compiler depends on the source code page.
        throw EConvertError(L"'" + s + L"' \u306F\u6574\u6570\u3067\u306F\u3042\u308A\u307E\u305B\u3093");
    return value;
}
