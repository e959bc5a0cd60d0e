// Platform-free text rule of the floating caption drawn without the system's routine.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Text fitted into maxWidth pixels as widthOf measures it: unchanged when it fits, otherwise
// a prefix followed by "...", shortened one character (code point) at a time and never below
// one character plus "...".
std::wstring ShortenCaption(const std::wstring& text, int32_t maxWidth,
                            const std::function<int32_t(const std::wstring&)>& widthOf);
