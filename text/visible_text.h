#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text a user typed (names, laboratory, operator, reasons, requirement labels) as the report and
// the window show it: every character that could move other text or start a line of its own (the
// bidirectional embeddings, overrides, isolates and marks, line and paragraph breaks, other control
// characters) shown as a visible escape such as "\n" or "<U+202E>", so that a name can neither
// reverse the lines around it nor add a line such as "Approved by: ...". Bytes that are not UTF-8
// show as "<0xFF>".
std::string visibleText(std::string_view text);

// The longest texts of each kind a user may give, in characters (code points): enough for any real
// name or remark, short enough that a report's table keeps its shape.
inline constexpr std::size_t observerNameLimit = 64;
inline constexpr std::size_t observerIdentifierLimit = 32;
inline constexpr std::size_t reasonLimit = 200;
inline constexpr std::size_t reportFieldLimit = 120; // laboratory, operator, requirement label

// The number of characters (code points) of a UTF-8 text; each byte that is not UTF-8 counts as one.
std::size_t characterCount(std::string_view text);
// Empty when the text is within the limit, else the message that says so:
// "The observer's name is 70 characters long; at most 64 are kept. Shorten it."
std::string lengthProblem(std::string_view text, std::size_t limit, const std::string& what);
