#include "measurement/range_prediction.h"

#include "measurement/range_probability.h"

#include <algorithm>
#include <cmath>

RangePrediction predictRanges(const RangeMrtd& mrtd, const RangeScenario& scenario, const TtpCriteria& ttpCriteria) {
    RangePrediction p;
    p.scenario = scenario;
    p.mrtd = mrtd2d(mrtd);
    p.ifovMrad = mrtd.ifovMrad;
    p.source = mrtd.source;
    const double hc = scenario.criticalDimensionM();
    for (const RangeTask& task : scenario.criteria.tasks) {
        TaskRange t;
        t.task = task;
        t.crossing = rangeCrossing(p.mrtd.curve, scenario, task.n50, p.mrtd.end);
        if (t.crossing.rangeKm > 0.0) {
            t.cycles = t.crossing.frequency * hc / t.crossing.rangeKm;
            if (p.ifovMrad && *p.ifovMrad > 0.0)
                t.pixels = hc / (t.crossing.rangeKm * *p.ifovMrad);
        }
        for (double probability : scenario.probabilities)
            t.atProbability.push_back({probability, rangeCrossing(p.mrtd.curve, scenario,
                                                                  task.n50 * cyclesRatioFor(probability), p.mrtd.end)});
        p.tasks.push_back(t);
    }
    p.ttpCriteria = ttpCriteria;
    p.ttp = ttpRanges(p.mrtd, scenario, ttpCriteria);
    return p;
}

std::vector<ProbabilityPoint> probabilityCurve(const MrtdCurve& curve, const RangeScenario& scenario, double n50,
                                               double maxKm, int points) {
    std::vector<ProbabilityPoint> out;
    if (curve.empty() || !(maxKm > 0.0) || points < 2)
        return out;
    const double hc = scenario.criticalDimensionM();
    for (int k = 1; k <= points; ++k) {
        const double range = maxKm * k / points;
        const auto f = frequencyResolved(curve, scenario.apparentDt(range));
        const double resolved = f ? *f : curve.back().first;
        out.push_back({range, taskProbability(resolved * hc / range / n50), !f});
    }
    return out;
}

double plotRangeKm(const RangePrediction& prediction) {
    double farthest = 0.0;
    for (const TaskRange& t : prediction.tasks)
        farthest = std::max(farthest, t.crossing.highKm.value_or(t.crossing.rangeKm));
    return farthest > 0.0 ? 2.0 * farthest : 10.0;
}
