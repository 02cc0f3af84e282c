#pragma once

#include <string_view>

// Whether the text is a UTC time as the bench stamps them, "2026-12-06T14:15:17.250Z": a real date
// (month 1 to 12, the month's days, 29 February only in a leap year), hour below 24, minute and
// second below 60, an optional fraction of 1 to 9 digits, and "Z". Read by hand, character by
// character, so that no input length makes the check slow or deep.
bool isIsoUtcTime(std::string_view text);
