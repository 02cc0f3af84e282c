#include "measurement/range_notes.h"

#include <cstdio>

std::string rangeText(double km, bool bound) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%.3g", bound ? ">" : "", km);
    return text;
}

std::vector<std::string> rangeNotes(const RangePrediction& p) {
    std::vector<std::string> notes;
    if (p.mrtd.curve.empty())
        notes.push_back("No frequency has an MRTD value: no range can be given.");
    else if (!p.mrtd.single.empty())
        notes.push_back("Only the " + p.mrtd.single + " MRTD has values: it is used alone as the 2-D MRTD.");
    if (!p.mrtd.monotonic)
        notes.push_back("The MRTD falls somewhere as frequency rises: each range is the first crossing from short "
                        "range; later crossings are named.");
    std::string bound, intervalBound;
    auto listed = [](std::string& list, const std::string& task) { list += (list.empty() ? "" : ", ") + task; };
    for (const TaskRange& t : p.tasks) {
        if (t.crossing.bound)
            listed(bound, t.task.task);
        else if (t.crossing.rangeKm == 0.0 && !p.mrtd.curve.empty())
            notes.push_back(t.task.task + ": the target's difference is below the MRTD even at the first frequency; it "
                                          "is not seen at any range.");
        if (t.ciBound)
            listed(intervalBound, t.task.task);
        for (double later : t.crossing.laterCrossingsKm)
            notes.push_back(t.task.task + ": the curves cross again at " + rangeText(later, false) + " km.");
    }
    if (!bound.empty())
        notes.push_back(bound + ": the MRTD curve ends before the target's apparent difference falls to it; the range "
                                "(marked >) is where the last measured frequency puts the cycles, not extrapolated.");
    if (!intervalBound.empty())
        notes.push_back(intervalBound + ": some resampled curves end before their crossing; the interval reaches past "
                                        "the measured frequencies.");
    std::string ttpBound;
    for (const TtpRange& t : p.ttp)
        if (t.bound)
            listed(ttpBound, t.task);
    if (!ttpBound.empty())
        notes.push_back("TTP " + ttpBound +
                        ": the band reaches the last measured frequency; the range is a lower bound.");
    return notes;
}
