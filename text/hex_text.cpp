#include "text/hex_text.h"

namespace {

constexpr std::string_view hexDigits = "0123456789abcdef";

} // namespace

std::string hexText(std::string_view bytes) {
    std::string text;
    text.reserve(2 * bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += hexDigits[byte >> 4];
        text += hexDigits[byte & 15];
    }
    return text;
}

std::optional<std::string> bytesOfHex(std::string_view text) {
    if (text.size() % 2 != 0 || text.find_first_not_of(hexDigits) != std::string_view::npos)
        return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t k = 0; k < text.size(); k += 2)
        bytes += static_cast<char>(16 * hexDigits.find(text[k]) + hexDigits.find(text[k + 1]));
    return bytes;
}
