#pragma once

// π to six decimals, as the bench has always taken it for its angles and its Gaussians. The images
// depend on it bit for bit, so it is not std::numbers::pi; the independent checks use the real one.
inline constexpr double truncatedPi = 3.141592;
inline constexpr double truncatedTwoPi = 2.0 * truncatedPi;
