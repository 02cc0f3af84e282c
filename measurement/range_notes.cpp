#include "measurement/range_notes.h"

#include <algorithm>
#include <cstdio>

std::string kmText(double km, bool lowerBound) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%.3g", lowerBound ? ">" : "", km);
    return text;
}

std::string rangeText(const KnownRange& range) {
    if (!range.bracket())
        return kmText(range.rangeKm);
    if (!range.highKm)
        return kmText(range.rangeKm, true);
    return kmText(range.rangeKm) + ".." + kmText(*range.highKm);
}

std::vector<std::string> rangeNotes(const RangePrediction& p) {
    std::vector<std::string> notes;
    if (p.mrtd.curve.empty())
        notes.push_back("No frequency has an MRTD value: no range can be given.");
    else if (!p.mrtd.single.empty())
        notes.push_back("Only the " + p.mrtd.single + " MRTD has values: it is used alone as the 2-D MRTD.");
    if (!p.mrtd.monotonic)
        notes.push_back(
            "The MRTD falls somewhere as frequency rises: the ranges take its non-decreasing envelope, since "
            "a finer pattern is never easier to resolve than a coarser one.");
    std::string sampling, measurement, open, intervalBound;
    auto listed = [](std::string& list, const std::string& task) { list += (list.empty() ? "" : ", ") + task; };
    auto sort = [&](const KnownRange& r, const std::string& task) {
        if (r.bracket() && !r.highKm)
            listed(open, task);
        else if (r.limitedBy == RangeLimit::Sampling)
            listed(sampling, task);
        else if (r.limitedBy == RangeLimit::Measurement)
            listed(measurement, task);
    };
    for (const TaskRange& t : p.tasks) {
        sort(t.crossing, t.task.task);
        if (!t.crossing.bracket() && t.crossing.rangeKm == 0.0 && !p.mrtd.curve.empty())
            notes.push_back(t.task.task + ": the target's difference is below the MRTD even at the first frequency; it "
                                          "is not seen at any range.");
        if (t.ciBound)
            listed(intervalBound, t.task.task);
    }
    for (const TtpRange& t : p.ttp)
        sort(t, "TTP " + t.task);
    if (!sampling.empty())
        notes.push_back(sampling +
                        ": the MRTD curve ends at the detector's sampling limit before the target's apparent "
                        "difference falls to it; the range lies between where the last measured frequency "
                        "and where the Nyquist frequency put the cycles.");
    if (!measurement.empty())
        notes.push_back(measurement +
                        ": the measured frequencies end before the target's apparent difference falls to "
                        "the MRTD; the range lies between where the last one resolved and the upper limit "
                        "the curve's end sets: where the first frequency not resolved puts the cycles, "
                        "or where the air dims the target below the curve's last value.");
    if (!open.empty())
        notes.push_back(open + ": the MRTD curve ends before the crossing and nothing known bounds the range above; it "
                               "is at least the value marked >.");
    if (!intervalBound.empty())
        notes.push_back(intervalBound + ": the interval's far end reaches past the measured frequencies with no limit "
                                        "known; it is a lower bound.");
    notes.push_back("TTP: V50 and probability function of the " + p.ttpCriteria.name + " set (" + p.ttpCriteria.source +
                    ").");
    double share = 0.0;
    for (const TtpRange& t : p.ttp)
        share = std::max(share, t.unintegratedShare.value_or(0.0));
    if (share > 0.0) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "TTP: below the lowest measured frequency the metric is not integrated; holding the first value "
                      "there would add up to %.0f %% of it.",
                      100.0 * share);
        notes.push_back(text);
    }
    return notes;
}
