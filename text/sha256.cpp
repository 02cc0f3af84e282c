#include "text/sha256.h"

#include "text/hex_text.h"

#include <gcrypt.h>

#include <array>

std::string sha256Hex(std::string_view bytes) {
    // The library must be told once which version it serves before hashing; a static does it on
    // first use, thread-safely.
    static const bool ready = gcry_check_version(nullptr) != nullptr;
    if (!ready)
        return {};
    std::array<char, 32> digest{};
    gcry_md_hash_buffer(GCRY_MD_SHA256, digest.data(), bytes.data(), bytes.size());
    return hexText(std::string_view(digest.data(), digest.size()));
}
