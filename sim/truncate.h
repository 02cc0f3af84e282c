#pragma once

#include <cmath>
#include <limits>

// Float-to-integer conversion towards zero, as the whole simulation converts. Values beyond the int
// range saturate and NaN gives 0, so absurd geometry cannot overflow a pixel index.
inline int truncToInt(double v) {
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (v <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

// A grey value: truncated towards zero, then clamped to 0 ... 255.
inline int toGrey(double v) {
    int g = truncToInt(v);
    return g < 0 ? 0 : (g > 255 ? 255 : g);
}
