#pragma once

#include <string>
#include <string_view>

// The SHA-256 of the bytes as 64 lower-case hex digits: what a record names an input or a session
// file by, and what the audit trail chains its entries with.
std::string sha256Hex(std::string_view bytes);
