// UTF-8 <-> wide text. wchar_t is UTF-16 on Windows and UTF-32 elsewhere; both are handled.
#pragma once

#include <string>
#include <string_view>

// Malformed input never throws: each bad byte becomes U+FFFD.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
