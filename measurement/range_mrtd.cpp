#include "measurement/range_mrtd.h"

#include <algorithm>
#include <cmath>
#include <set>

const char* rangeLimitName(RangeLimit limit) {
    switch (limit) {
    case RangeLimit::Crossing:
        return "crossing";
    case RangeLimit::Sampling:
        return "sampling";
    case RangeLimit::Measurement:
        return "measurement";
    }
    return "";
}

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

MrtdCurve envelopeOf(const MrtdCurve& curve) {
    MrtdCurve envelope = curve;
    for (std::size_t k = 1; k < envelope.size(); ++k)
        envelope[k].second = std::max(envelope[k].second, envelope[k - 1].second);
    return envelope;
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

std::optional<double> frequencyResolved(const MrtdCurve& curve, double dt) {
    if (curve.empty())
        return std::nullopt;
    if (curve.front().second > dt)
        return 0.0;
    // The last point at or below dt; past it the curve rises above dt, or ends.
    std::size_t last = 0;
    while (last + 1 < curve.size() && curve[last + 1].second <= dt)
        ++last;
    if (last + 1 == curve.size())
        return curve.back().second == dt ? std::optional(curve.back().first) : std::nullopt;
    const auto& [f0, m0] = curve[last];
    const auto& [f1, m1] = curve[last + 1];
    const double t = (std::log(dt) - std::log(m0)) / (std::log(m1) - std::log(m0));
    return f0 + t * (f1 - f0);
}

std::optional<double> frequencyReaching(const MrtdCurve& curve, double dt) {
    if (curve.empty())
        return std::nullopt;
    if (curve.front().second >= dt)
        return curve.front().second == dt ? curve.front().first : 0.0;
    for (std::size_t k = 1; k < curve.size(); ++k) {
        const auto& [f0, m0] = curve[k - 1];
        const auto& [f1, m1] = curve[k];
        if (m1 >= dt) {
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

// The value at f, the ends held beyond the curve.
double heldAt(const MrtdCurve& curve, double f) {
    return f >= curve.back().first ? curve.back().second : *mrtdAt(curve, f);
}

double geometricMean(double a, double b) {
    return a == b ? a : std::sqrt(a * b);
}

} // namespace

Mrtd2d mrtd2d(const RangeMrtd& mrtd) {
    Mrtd2d result;
    const MrtdCurve horizontal = curveOf(mrtd.horizontal), vertical = curveOf(mrtd.vertical);
    result.monotonic = rises(horizontal) && rises(vertical);
    if (horizontal.empty() || vertical.empty()) {
        const bool h = !horizontal.empty();
        result.curve = envelopeOf(h ? horizontal : vertical);
        result.single = h ? "horizontal" : (vertical.empty() ? "" : "vertical");
        result.end = h ? mrtd.horizontalEnd : mrtd.verticalEnd;
        result.below = h ? mrtd.horizontalBelow : mrtd.verticalBelow;
        return result;
    }
    const MrtdCurve h = envelopeOf(horizontal), v = envelopeOf(vertical);
    // Below both first frequencies the larger first value holds: the start of the band both measured.
    result.curve.emplace_back(geometricMean(h.front().first, v.front().first),
                              std::max(h.front().second, v.front().second));
    std::set<double> levels;
    for (const MrtdCurve* c : {&h, &v})
        for (const auto& point : *c)
            levels.insert(point.second);
    for (double dt : levels)
        for (auto frequencyAt : {frequencyReaching, frequencyResolved}) {
            const auto fh = frequencyAt(h, dt);
            const auto fv = frequencyAt(v, dt);
            // Below either curve's first value, or past either's last, the level has no frequency in
            // that direction: the 2-D curve covers only what both measured.
            if (!fh || !fv || *fh <= 0.0 || *fv <= 0.0)
                continue;
            const double f = geometricMean(*fh, *fv);
            if (f > result.curve.back().first)
                result.curve.emplace_back(f, dt);
        }
    if (mrtd.horizontalEnd && mrtd.verticalEnd) {
        const CurveEnd &a = *mrtd.horizontalEnd, &b = *mrtd.verticalEnd;
        const bool sampling = a.limit == RangeLimit::Sampling && b.limit == RangeLimit::Sampling;
        result.end =
            CurveEnd{geometricMean(a.frequency, b.frequency), sampling ? RangeLimit::Sampling : RangeLimit::Measurement,
                     std::min(a.dtLimit, b.dtLimit)};
    }
    const MrtdCurve &bh = mrtd.horizontalBelow, &bv = mrtd.verticalBelow;
    if (!bh.empty() && !bv.empty())
        for (const auto& [f, m] : bh)
            result.below.emplace_back(f, geometricMean(m, heldAt(bv, f)));
    return result;
}
