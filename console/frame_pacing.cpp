#include "console/frame_pacing.h"

#include <cmath>

FramePacing::FramePacing(double rate) : rate_(rate > 0.0 && std::isfinite(rate) ? rate : 1.0) {}

void FramePacing::start(double now) {
    start_ = now;
    last_ = -1;
}

FramePacing::Tick FramePacing::tick(double now) {
    Tick t;
    const double elapsed = now - start_;
    const auto due = elapsed < 0.0 ? -1LL : static_cast<long long>(std::floor(elapsed * rate_));
    if (due > last_) {
        t.present = true;
        t.frame = due;
        t.dropped = due - last_ - 1;
        last_ = due;
    } else {
        t.frame = last_;
    }
    t.wait = wait(now);
    return t;
}

double FramePacing::wait(double now) const {
    const double elapsed = now - start_;
    const double next = static_cast<double>(last_ + 1) / rate_;
    return next > elapsed ? next - elapsed : 0.0;
}
