#pragma once

#include <cstddef>
#include <string>

// Reads a file whole when it is a regular file of at most `limit` bytes. Anything else is refused
// before a byte is read: a pipe would block the reader for ever and a device (/dev/zero) never ends,
// so the kind is checked both before opening and on the opened file (which is opened without
// blocking), and the size before reading. On refusal, problem says why in words that fit after
// "'PATH' ": "does not exist", "is not a regular file", "is larger than the 16 MB <what> may have"
// or the system's reason.
bool readBoundedFile(const std::string& path, std::size_t limit, const std::string& what, std::string& text,
                     std::string& problem);

// "16 MB", "64 kB" or "100 bytes": a limit as the messages name it.
std::string sizeText(std::size_t bytes);
