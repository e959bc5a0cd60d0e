// String-to-integer conversion with the runtime's rules. Platform-free.
#pragma once

#include <cstdint>
#include <string>

// Accepts: leading spaces (U+0020 only; a tab or other control character is not a blank),
// an optional '+' or '-', then either decimal digits or hexadecimal digits (either case)
// after "$", "x", "X", "0x" or "0X". Only ASCII digits count. Nothing may follow the digits.
// The value, sign included, must lie in -2147483648..2147483647 for hexadecimal input too:
// "$7FFFFFFF" and "-$80000000" are accepted, "$80000000" and "$FFFFFFFF" are errors (the
// digits are a magnitude, not a bit pattern).
// Raises EConvertError "'<s>' は整数ではありません" otherwise.
int32_t StrToInt(const std::wstring& s);

// Same rules without raising: returns false and leaves value untouched when s is not an integer.
bool TryStrToInt(const std::wstring& s, int32_t& value);
