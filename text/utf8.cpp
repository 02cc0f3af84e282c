#include "text/utf8.h"

std::size_t firstNonUtf8Byte(std::string_view text) {
    std::size_t k = 0;
    while (k < text.size()) {
        const auto lead = static_cast<unsigned char>(text[k]);
        if (lead < 0x80) {
            ++k;
            continue;
        }
        // The sequence's length and the range its second byte must lie in (which rules out the
        // overlong forms, the surrogates and anything past U+10FFFF).
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF)
            length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else
            return k;
        if (k + length > text.size())
            return k;
        for (std::size_t n = 1; n < length; ++n) {
            const auto c = static_cast<unsigned char>(text[k + n]);
            if (c < (n == 1 ? low : 0x80) || c > (n == 1 ? high : 0xBF))
                return k;
        }
        k += length;
    }
    return std::string_view::npos;
}
