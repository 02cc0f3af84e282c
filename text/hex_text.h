#pragma once

#include <optional>
#include <string>
#include <string_view>

// Bytes as lower-case hex digits, two per byte, and back: how a digest is written and how a copy
// of a file that is not UTF-8 stands in JSON byte for byte.
std::string hexText(std::string_view bytes);
// None for a text of odd length or with a character that is not a lower-case hex digit.
std::optional<std::string> bytesOfHex(std::string_view text);
