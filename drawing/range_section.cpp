#include "drawing/range_section.h"

#include "drawing/range_plot.h"
#include "measurement/range_inputs.h"
#include "measurement/range_notes.h"
#include "measurement/range_uncertainty.h"

#include <set>

using namespace Qt::StringLiterals;

namespace {

RangeScenario reportScenario() {
    RangeScenario s;
    s.target = *targetFromText(targetPresets[0].name);
    s.extinction = atmospherePresets[0].extinction;
    s.criteria = *criteriaFromText("johnson");
    s.dimension = CriticalDimension::Sqrt;
    s.probabilities = {0.9};
    return s;
}

QString km(const KnownRange& range) {
    return QString::fromStdString(rangeText(range));
}

void addPrediction(ReportPages& pages, const RangePrediction& p, const QString& title) {
    std::vector<ReportRow> rows;
    for (const TaskRange& t : p.tasks)
        rows.push_back(
            {{QString::fromStdString(t.task.task)},
             {QString::number(t.task.n50)},
             {km(t.crossing)},
             {t.ci95 ? QString::fromStdString(kmText(t.ci95->first) + " … " + kmText(t.ci95->second, t.ciBound))
                     : u"–"_s},
             {km(t.atProbability.front().range)},
             {QString::number(t.crossing.frequency, 'f', 3)},
             {QString::number(t.cycles, 'f', 2)},
             {t.pixels ? QString::number(*t.pixels, 'f', 1) : u"–"_s}});
    QStringList ttp;
    for (const TtpRange& t : p.ttp)
        ttp << QString(u"%1 %2 km (V50 %3)"_s).arg(QString::fromStdString(t.task), km(t)).arg(t.v50);
    QStringList notes{title + u": "_s + QString::fromStdString(p.source) + u". TTP metric: "_s + ttp.join(u", "_s) +
                      u"."_s};
    for (const std::string& note : rangeNotes(p))
        notes << QString::fromStdString(note);
    pages.table({u"Task"_s, u"N50"_s, u"Range [km]"_s, u"95 % interval [km]"_s, u"P = 0.9 [km]"_s,
                 u"Frequency [cycles/mrad]"_s, u"Cycles"_s, u"Pixels"_s},
                {1.4, 0.7, 1.0, 1.6, 1.0, 1.4, 0.8, 0.8}, rows, notes.join(u" "_s));
}

} // namespace

bool addRangeSections(ReportPages& pages, const std::vector<SessionGroup>& groups,
                      const std::vector<ObjectiveRun>& objectiveRuns, const std::vector<std::string>& cameraFolders,
                      std::string& error) {
    std::set<int> slotNumbers;
    for (const SessionGroup& g : groups)
        slotNumbers.insert(g.slot);
    const std::vector<const ObjectiveRun*> latest = latestObjectiveRuns(objectiveRuns);
    for (const ObjectiveRun* run : latest)
        slotNumbers.insert(run->slot);
    const RangeScenario scenario = reportScenario();
    for (int slot : slotNumbers) {
        pages.heading(QString(u"Range · Camera%1"_s).arg(slot), 2);
        pages.paragraph(
            QString(
                u"Scenario: the NATO standard target %1 × %2 m at ΔT₀ = %3 K, extinction %4 km⁻¹ (clear air); "_s
                u"criteria %5 (cycles across the critical dimension for P = 0.5); critical dimension %6 "_s
                u"(√(W·H) = %7 m). 95 % intervals with the observers (or the model observer's repeats) as "_s
                u"the unit, Student t on the logarithm of the MRTD, carried through the crossing. Where the curve "_s
                u"ends before the crossing the range is a bracket “low..high”, limited by the detector's "_s
                u"sampling or by the measured frequencies; “>” marks one nothing bounds above."_s)
                .arg(scenario.target.width)
                .arg(scenario.target.height)
                .arg(scenario.target.dt)
                .arg(scenario.extinction)
                .arg(QString::fromStdString(scenario.criteria.name),
                     QString::fromLatin1(dimensionName(scenario.dimension)))
                .arg(scenario.criticalDimensionM()));
        const auto session = assembleRangeMrtd(SessionSource{groups, slot}, cameraFolders, error);
        if (!session)
            return false;
        std::optional<RangePrediction> shown;
        if (!session->source.empty()) {
            RangePrediction p = predictRanges(*session, scenario);
            addRangeIntervals(p, *session);
            addPrediction(pages, p, u"Observers"_s);
            shown = p;
        }
        std::vector<ObjectiveRun> slotRuns;
        for (const ObjectiveRun* objective : latest)
            if (objective->slot == slot)
                slotRuns.push_back(*objective);
        if (!slotRuns.empty()) {
            const auto run = assembleRangeMrtd(ObjectiveRunsSource{slotRuns}, cameraFolders, error);
            if (!run)
                return false;
            RangePrediction p = predictRanges(*run, scenario);
            addRangeIntervals(p, *run);
            addPrediction(pages, p, u"Model observer"_s);
            if (!shown)
                shown = p;
        }
        if (!shown)
            continue;
        const RangePrediction drawn = *shown;
        pages.drawing(0.36, [drawn](QPainter& painter, const QRect& area) {
            const int half = area.width() / 2;
            paintRangeProbabilityPlot(painter, QRect(area.left(), area.top(), half - 8, area.height()), drawn,
                                      Qt::black);
            paintRangeCrossingPlot(painter, QRect(area.left() + half + 8, area.top(), half - 8, area.height()), drawn,
                                   Qt::black);
        });
    }
    return true;
}
