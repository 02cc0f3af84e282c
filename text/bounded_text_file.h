#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// What a kind of text file may be, and the name its messages give it ("a camera file"). A file
// beyond these is someone's mistake or an attack, never a file the bench wrote or ships.
struct TextFileLimits {
    const char* kind;
    std::size_t maxBytes;
    std::size_t maxLineChars;
};

// Why a file could not be read: Absent when no file has the name, Refused (with a reason that
// completes "File 'x' ...") for anything else.
enum class TextFileFault { None, Absent, Refused };

// Reads a whole text file within its limits without ever waiting on it: a name that is not a regular
// file (a folder, pipe or device) is refused after a stat, and again after the non-blocking open,
// in case the name was swapped in between; the size is checked before a byte is read and the line
// lengths before the text is handed on. On failure returns nullopt and says why in fault and reason.
std::optional<std::string> readBoundedTextFile(const std::string& path, const TextFileLimits& limits,
                                               TextFileFault& fault, std::string& reason);
// The same for a reader whose refusal is one line naming the file and the rule it broke:
// "File 'PATH' does not exist", "File 'PATH' is not a regular file (a folder, pipe or device); an
// MRTD table must be one", "File 'PATH' is larger than the 1 MB an MRTD table may have".
std::optional<std::string> readBoundedTextFile(const std::string& path, const TextFileLimits& limits,
                                               std::string& error);

// Why a text that must be 8-bit text is not: a UTF-16 byte order mark (FF FE or FE FF) or NUL bytes
// in its first line, which the line-oriented readers would otherwise take for an empty file.
// Empty when the text is not UTF-16. The reason completes "File 'x' ...".
std::string utf16Reason(std::string_view text);

// The same for any file the bench reads whole (a session, a camera file named in a report), whose
// lines are not bounded beyond the size: true with the text, or false with problem completing
// "'PATH' ": "does not exist", "is not a regular file ...", "is larger than the 16 MB <what> may
// have" or the system's reason.
bool readBoundedFile(const std::string& path, std::size_t limit, const std::string& what, std::string& text,
                     std::string& problem);

// "16 MB", "64 kB" or "100 bytes": a limit as the messages name it.
std::string sizeText(std::size_t bytes);
