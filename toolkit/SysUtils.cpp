#include "SysUtils.h"

#include "Utf8.h"

Exception::Exception(std::wstring message) : FMessage(std::move(message)), FNarrow(WideToUtf8(FMessage)) {}

bool SameText(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'a' && x <= L'z')
            x = static_cast<wchar_t>(x - 32);
        if (y >= L'a' && y <= L'z')
            y = static_cast<wchar_t>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}
