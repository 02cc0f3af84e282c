#pragma once

#include <cstdint>

// A fast 64-bit generator of the xoshiro family (xoshiro256++), for noise that must not repeat
// within a frame or between frames: its period, 2^256 - 1, is beyond any run of the bench.
class FreshRandom {
public:
    explicit FreshRandom(std::uint64_t seed = 1) { reseed(seed); }

    // Spreads one seed over the whole state with splitmix64, so that close seeds give unrelated streams.
    void reseed(std::uint64_t seed) {
        for (std::uint64_t& word : s_) {
            seed += 0x9E3779B97F4A7C15ull;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            word = z ^ (z >> 31);
        }
    }

    std::uint64_t next() {
        const std::uint64_t result = rotl(s_[0] + s_[3], 23) + s_[0];
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }

    // Uniform in [0, 1), from the top 53 bits.
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t s_[4]{};
};
