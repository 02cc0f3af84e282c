#include "text/visible_text.h"

#include <cstdio>

namespace {

// One code point decoded at `at`, or -1 (with one byte taken) for a byte that does not start one.
long decode(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(at);
    int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || at + static_cast<std::size_t>(length) > text.size()) {
        ++at;
        return -1;
    }
    long code = length == 1 ? lead : lead & (0x7f >> length);
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(at + static_cast<std::size_t>(k));
        if ((next >> 6) != 2) {
            ++at;
            return -1;
        }
        code = (code << 6) | (next & 0x3f);
    }
    static constexpr long smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) {
        ++at;
        return -1;
    }
    at += static_cast<std::size_t>(length);
    return code;
}

// The characters that change the layout of what follows them, or break the line, in Unicode's own
// classes: Bidi_Control, line and paragraph separators, and the C0 and C1 controls.
bool movesText(long code) {
    return code < 0x20 || (code >= 0x7f && code <= 0x9f) || code == 0x061c || code == 0x200e || code == 0x200f ||
           (code >= 0x202a && code <= 0x202e) || (code >= 0x2066 && code <= 0x2069) || code == 0x2028 || code == 0x2029;
}

} // namespace

std::string visibleText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        const long code = decode(text, at);
        char escape[24];
        if (code < 0)
            std::snprintf(escape, sizeof escape, "<0x%02X>", static_cast<unsigned char>(text[start]));
        else if (code == '\n' || code == '\r' || code == '\t')
            std::snprintf(escape, sizeof escape, "\\%c", code == '\n' ? 'n' : code == '\r' ? 'r' : 't');
        else if (movesText(code))
            std::snprintf(escape, sizeof escape, "<U+%04X>", static_cast<unsigned>(code));
        else {
            shown.append(text.substr(start, at - start));
            continue;
        }
        shown += escape;
    }
    return shown;
}

std::size_t characterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); ++count)
        decode(text, at);
    return count;
}

std::string lengthProblem(std::string_view text, std::size_t limit, const std::string& what) {
    const std::size_t count = characterCount(text);
    if (count <= limit)
        return {};
    return what + " is " + std::to_string(count) + " characters long; at most " + std::to_string(limit) +
           " are allowed. Shorten it.";
}
