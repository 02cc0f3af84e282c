#include "measurement/range_mrtd.h"

#include <algorithm>
#include <cmath>
#include <set>

MrtdCurve curveOf(const MrtdSamples& samples) {
    MrtdCurve curve;
    for (const MrtdSample& s : samples)
        if (s.mrtd > 0.0 && std::isfinite(s.mrtd))
            curve.emplace_back(s.frequency, s.mrtd);
    std::sort(curve.begin(), curve.end());
    return curve;
}

bool hasNoValue(const RangeMrtd& mrtd) {
    return curveOf(mrtd.horizontal).empty() && curveOf(mrtd.vertical).empty();
}

std::optional<double> mrtdAt(const MrtdCurve& curve, double f) {
    if (curve.empty() || f > curve.back().first)
        return std::nullopt;
    if (f <= curve.front().first)
        return curve.front().second;
    auto upper = std::lower_bound(curve.begin(), curve.end(), f, [](const auto& p, double x) { return p.first < x; });
    auto lower = upper - 1;
    const double t = (f - lower->first) / (upper->first - lower->first);
    return std::exp(std::log(lower->second) + t * (std::log(upper->second) - std::log(lower->second)));
}

std::optional<double> frequencyReaching(const MrtdCurve& curve, double dt) {
    if (curve.empty())
        return std::nullopt;
    if (curve.front().second > dt)
        return 0.0;
    if (curve.front().second == dt)
        return curve.front().first;
    for (std::size_t k = 1; k < curve.size(); ++k) {
        const auto& [f0, m0] = curve[k - 1];
        const auto& [f1, m1] = curve[k];
        if (m1 == dt && m0 < dt)
            return f1;
        if (m1 > dt && m0 < dt) {
            const double t = (std::log(dt) - std::log(m0)) / (std::log(m1) - std::log(m0));
            return f0 + t * (f1 - f0);
        }
    }
    return std::nullopt;
}

namespace {

bool rises(const MrtdCurve& curve) {
    for (std::size_t k = 1; k < curve.size(); ++k)
        if (curve[k].second < curve[k - 1].second)
            return false;
    return true;
}

} // namespace

Mrtd2d mrtd2d(const MrtdCurve& horizontal, const MrtdCurve& vertical) {
    Mrtd2d result;
    if (horizontal.empty() || vertical.empty()) {
        result.curve = horizontal.empty() ? vertical : horizontal;
        result.single = horizontal.empty() ? (vertical.empty() ? "" : "vertical") : "horizontal";
        result.monotonic = rises(result.curve);
        return result;
    }
    result.monotonic = rises(horizontal) && rises(vertical);
    std::set<double> levels;
    for (const MrtdCurve* c : {&horizontal, &vertical})
        for (const auto& point : *c)
            levels.insert(point.second);
    for (double dt : levels) {
        const auto fh = frequencyReaching(horizontal, dt);
        const auto fv = frequencyReaching(vertical, dt);
        // Below either curve's first value, or past either's last, the level has no frequency in
        // that direction: the 2-D curve covers only what both measured.
        if (!fh || !fv || *fh <= 0.0 || *fv <= 0.0)
            continue;
        const double f = std::sqrt(*fh * *fv);
        if (result.curve.empty() || f > result.curve.back().first)
            result.curve.emplace_back(f, dt);
    }
    return result;
}
