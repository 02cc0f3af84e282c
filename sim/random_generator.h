#pragma once

#include "sim/fresh_random.h"

#include <cstdint>

// The bench's one pseudo-random source: a linear congruential generator giving 15-bit values, so
// that a seed reproduces every noise frame and target position.
class RandomGenerator {
public:
    static constexpr int maxValue = 32767;
    // The same as a double, to scale a value to a fraction of the range.
    static constexpr double valueRange = maxValue;

    explicit RandomGenerator(std::uint32_t seed = 1) : state_(seed), fresh_(seed) {}
    // Seeds both sources: the 15-bit one and the physical image model's fresh one.
    void seed(std::uint32_t seed) {
        state_ = seed;
        fresh_.reseed(seed);
    }
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

    // The physical image model's source of noise and target phases.
    FreshRandom& fresh() { return fresh_; }

private:
    std::uint32_t state_;
    FreshRandom fresh_;
};
