#pragma once

#include <cstddef>
#include <string_view>

// The offset of the first byte that breaks UTF-8 (a stray continuation byte, a sequence cut short,
// an overlong form, a surrogate or a code point beyond U+10FFFF), or npos when the text is UTF-8.
std::size_t firstNonUtf8Byte(std::string_view text);
