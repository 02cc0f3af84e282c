// Ranges from an MRTD checked against closed forms: an exponential MRTD in an exponential
// atmosphere, a pure resolution limit, the brackets an end of the curve sets, the TTP metric of a flat
// curve and the probability function's inverse; that more cycles never reach farther on noisy curves;
// and by simulation, that the 95 % intervals hold the true range about 95 % of the time.
#include "camera/camera_file.h"
#include "console/session_statistics.h"
#include "measurement/objective_run_of.h"
#include "measurement/range_inputs.h"
#include "measurement/range_prediction.h"
#include "measurement/range_probability.h"
#include "measurement/range_sources.h"
#include "measurement/range_study.h"
#include "measurement/range_uncertainty.h"
#include "measurement/study_table.h"
#include "session_reading.h"
#include "test_support.h"
#include "text/messages.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include <sys/stat.h>

namespace {

// MRTD = a e^(b f) sampled every 0.25 cycles/mrad up to `top`: log-linear, so interpolation is exact.
constexpr double a = 0.01, b = 1.2;
MrtdSamples exponentialMrtd(double top = 8.0) {
    MrtdSamples samples;
    for (double f = 0.25; f <= top + 1e-9; f += 0.25)
        samples.push_back({f, a * std::exp(b * f), std::nullopt, {}});
    return samples;
}

RangeScenario scenario(const char* criteria, CriticalDimension dimension) {
    RangeScenario s;
    s.target = *targetFromText("person");
    s.extinction = 0.2;
    s.criteria = *criteriaFromText(criteria);
    s.dimension = dimension;
    return s;
}

// The curve in both orientations alike, or in one alone; both ending at `end` when given.
enum class Carried { Both, Horizontal, Vertical };
RangeMrtd carried(const MrtdSamples& samples, Carried how, std::optional<CurveEnd> end = std::nullopt) {
    RangeMrtd mrtd;
    if (how != Carried::Vertical)
        mrtd.horizontal = samples, mrtd.horizontalEnd = end;
    if (how != Carried::Horizontal)
        mrtd.vertical = samples, mrtd.verticalEnd = end;
    return mrtd;
}

struct ClosedFormRow {
    const char* criteria;
    CriticalDimension dimension;
    Carried how;
};
class RangeClosedForm : public testing::TestWithParam<ClosedFormRow> {};

// dt0 e^(-sigma R) = a e^(b N50 R / h_c) gives R = ln(dt0 / a) / (sigma + b N50 / h_c), from one
// orientation or from both alike.
TEST_P(RangeClosedForm, ExponentialMrtdGivesTheLogarithmicRange) {
    const RangeScenario s = scenario(GetParam().criteria, GetParam().dimension);
    const RangePrediction p = predictRanges(carried(exponentialMrtd(), GetParam().how), s);
    ASSERT_EQ(p.tasks.size(), s.criteria.tasks.size());
    for (const TaskRange& t : p.tasks) {
        const double expected = std::log(s.target.dt / a) / (s.extinction + b * t.task.n50 / s.criticalDimensionM());
        EXPECT_NEAR(t.crossing.rangeKm, expected, 1e-3 * expected) << t.task.task;
        EXPECT_EQ(t.crossing.limitedBy, RangeLimit::Crossing);
        EXPECT_NEAR(t.cycles, t.task.n50, 1e-9);
    }
}

// An MRTD of nothing up to a cut-off and without limit past it, flat before (where the first-reaching
// frequency would be the curve's first): R = h_c f_cut / N50, whatever the air.
TEST_P(RangeClosedForm, ACutOffGivesTheResolutionRange) {
    constexpr double cut = 1.37;
    MrtdSamples samples;
    for (double f : {0.25, 0.5, 1.0, cut})
        samples.push_back({f, 1e-4, {}, {}});
    samples.push_back({cut * (1 + 1e-9), 1e3, {}, {}});
    const RangeScenario s = scenario(GetParam().criteria, GetParam().dimension);
    for (const TaskRange& t : predictRanges(carried(samples, GetParam().how), s).tasks)
        EXPECT_NEAR(t.crossing.rangeKm, s.criticalDimensionM() * cut / t.task.n50, 1e-2 * t.crossing.rangeKm);
}

INSTANTIATE_TEST_SUITE_P(Rows, RangeClosedForm,
                         testing::Values(ClosedFormRow{"johnson", CriticalDimension::Sqrt, Carried::Both},
                                         ClosedFormRow{"johnson", CriticalDimension::Min, Carried::Horizontal},
                                         ClosedFormRow{"2d", CriticalDimension::Sqrt, Carried::Vertical},
                                         ClosedFormRow{"2d", CriticalDimension::Min, Carried::Both}));

enum class Upper { End, Dimming, None };
struct BracketRow {
    RangeLimit limit;
    double dt;         // the target's difference, kelvin
    double extinction; // per km
    Upper upper;       // what bounds the range above
};
class RangeBracket : public testing::TestWithParam<BracketRow> {};

// A curve that ends at 1 cycle/mrad before its crossing, its end at 1.2: the range lies between where
// each puts N50 cycles on the target. A Nyquist end bounds it always; a frequency unresolved at 2 K
// only while the target there is no brighter; failing both, where the air dims the target to the
// curve's last value, and in air that does not dim, nothing.
TEST_P(RangeBracket, RunsFromTheLastFrequencyToTheEnd) {
    RangeScenario s = scenario("johnson", CriticalDimension::Sqrt);
    s.target.dt = GetParam().dt;
    s.extinction = GetParam().extinction;
    const CurveEnd end{1.2, GetParam().limit, GetParam().limit == RangeLimit::Sampling ? INFINITY : 2.0};
    const RangePrediction p = predictRanges(carried(exponentialMrtd(1.0), Carried::Both, end), s);
    for (const TaskRange& t : p.tasks) {
        const double perCycle = s.criticalDimensionM() / t.task.n50;
        EXPECT_NEAR(t.crossing.rangeKm, 1.0 * perCycle, 1e-12) << t.task.task;
        const double high = GetParam().upper == Upper::End
                                ? 1.2 * perCycle
                                : std::log(GetParam().dt / (a * std::exp(b * 1.0))) / GetParam().extinction;
        EXPECT_EQ(t.crossing.highKm.has_value(), GetParam().upper != Upper::None) << t.task.task;
        if (t.crossing.highKm) {
            EXPECT_NEAR(*t.crossing.highKm, high, 1e-9 * high) << t.task.task;
        }
        EXPECT_EQ(t.crossing.limitedBy, GetParam().upper == Upper::End ? GetParam().limit : RangeLimit::Measurement);
    }
}
INSTANTIATE_TEST_SUITE_P(Rows, RangeBracket,
                         testing::Values(BracketRow{RangeLimit::Sampling, 50.0, 0.2, Upper::End},
                                         BracketRow{RangeLimit::Measurement, 2.0, 0.2, Upper::End},
                                         BracketRow{RangeLimit::Measurement, 50.0, 0.2, Upper::Dimming},
                                         BracketRow{RangeLimit::Measurement, 50.0, 0.0, Upper::None}));

// Noisy curves, each orientation with its own noise: a task that needs more cycles never reaches
// farther, by the cycle criteria or by the TTP metric, and identical curves give one curve's ranges.
TEST(RangeEnvelope, MoreCyclesNeverReachFarther) {
    std::mt19937 random(7);
    std::lognormal_distribution<double> noise(0.0, 0.3);
    const RangeScenario s = scenario("johnson", CriticalDimension::Sqrt);
    for (int draw = 0; draw < 40; ++draw) {
        MrtdSamples h = exponentialMrtd(4.0), v = h;
        for (MrtdSamples* curve : {&h, &v})
            for (MrtdSample& sample : *curve)
                sample.mrtd *= noise(random);
        const RangePrediction p = predictRanges(carried(h, Carried::Horizontal), s);
        RangeMrtd both = carried(h, Carried::Horizontal);
        both.vertical = h;
        const RangePrediction same = predictRanges(both, s);
        v.swap(both.vertical);
        const RangePrediction noisy = predictRanges(both, s);
        for (const RangePrediction* q : {&p, &noisy})
            for (std::size_t k = 1; k < q->tasks.size(); ++k) {
                EXPECT_LE(q->tasks[k].crossing.rangeKm, q->tasks[k - 1].crossing.rangeKm) << draw;
                EXPECT_LE(q->ttp[std::min<std::size_t>(k, 2)].rangeKm, q->ttp[std::min<std::size_t>(k, 2) - 1].rangeKm);
            }
        for (std::size_t k = 0; k < p.tasks.size(); ++k)
            EXPECT_NEAR(same.tasks[k].crossing.rangeKm, p.tasks[k].crossing.rangeKm, 1e-12) << draw;
    }
}

// A flat MRTD m from f0 to f1 under a target of constant difference (no air) puts r = sqrt((pi/4) dT/m)
// under the integral everywhere: V = sqrt(WH) r (f1 - f0) / R, so the TTP range is
// sqrt(WH) r (f1 - f0) / V50; holding the first value down to zero would add f0 / f1 of the metric;
// a Nyquist end fN raises the bracket's upper end to sqrt(WH) r (fN - f0) / V50; a reference
// below, integrated to zero, gives sqrt(WH) r f1 / V50; and without an end, dimming air bounds it.
TEST(RangeTtp, AFlatCurveGivesTheClosedForms) {
    constexpr double m = 0.02, f0 = 0.5, f1 = 2.0, fN = 2.4;
    RangeScenario s = scenario("johnson", CriticalDimension::Sqrt);
    s.extinction = 0.0;
    MrtdSamples flat;
    for (double f = f0; f <= f1 + 1e-9; f += 0.5)
        flat.push_back({f, m, {}, {}});
    RangeMrtd mrtd = carried(flat, Carried::Both, CurveEnd{fN, RangeLimit::Sampling});
    const double r = std::sqrt(std::numbers::pi / 4.0 * s.target.dt / m);
    const double size = std::sqrt(s.target.width * s.target.height);
    const TtpCriteria& criteria = vehicleTtpCriteria();
    const std::vector<TtpRange> measured = predictRanges(mrtd, s).ttp;
    mrtd.horizontalBelow = mrtd.verticalBelow = {{f0 / 8, m}, {f0, m}};
    const std::vector<TtpRange> below = predictRanges(mrtd, s).ttp;
    for (std::size_t k = 0; k < criteria.tasks.size(); ++k) {
        const double v50 = criteria.tasks[k].v50;
        EXPECT_NEAR(measured[k].rangeKm, size * r * (f1 - f0) / v50, 1e-6 * measured[k].rangeKm);
        EXPECT_NEAR(measured[k].unintegratedShare.value_or(0.0), f0 / f1, 1e-9);
        EXPECT_EQ(measured[k].limitedBy, RangeLimit::Sampling);
        EXPECT_NEAR(measured[k].highKm.value_or(0.0), size * r * (fN - f0) / v50, 1e-6 * measured[k].rangeKm);
        EXPECT_NEAR(below[k].rangeKm, size * r * f1 / v50, 1e-6 * below[k].rangeKm);
        EXPECT_FALSE(below[k].unintegratedShare);
    }
    // With no end, in air that dims: the upper limit is where the target falls to the last value,
    // (pi/4) dT e^(-sigma R) = m for the metric and dT e^(-sigma R) = m for the criteria.
    s.extinction = 0.2;
    const RangePrediction open = predictRanges(carried(flat, Carried::Both), s);
    const double ttpHigh = std::log(std::numbers::pi / 4.0 * s.target.dt / m) / s.extinction;
    for (const TtpRange& t : open.ttp)
        EXPECT_NEAR(t.highKm.value_or(0.0), ttpHigh, 1e-6 * ttpHigh) << t.task;
    for (const TaskRange& t : open.tasks)
        EXPECT_NEAR(t.crossing.highKm.value_or(0.0), std::log(s.target.dt / m) / s.extinction, 1e-6) << t.task.task;
    // One measured frequency integrates to nothing: the measurement, not the camera, leaves the range
    // open between none and that same dimming limit - never a crossing at zero.
    for (const TtpRange& t : predictRanges(carried({{f1, m, {}, {}}}, Carried::Both), s).ttp) {
        EXPECT_EQ(std::tuple(t.rangeKm, t.limitedBy), std::tuple(0.0, RangeLimit::Measurement)) << t.task;
        EXPECT_NEAR(t.highKm.value_or(0.0), ttpHigh, 1e-6 * ttpHigh) << t.task;
    }
}

class RangeProbabilityInverse : public testing::TestWithParam<std::pair<double, double>> {};
TEST_P(RangeProbabilityInverse, GivesTheCyclesRatio) {
    EXPECT_NEAR(cyclesRatioFor(GetParam().first), GetParam().second, 1e-4);
    EXPECT_NEAR(taskProbability(GetParam().second), GetParam().first, 1e-4);
}
INSTANTIATE_TEST_SUITE_P(Rows, RangeProbabilityInverse,
                         testing::Values(std::pair{0.5, 1.0}, std::pair{0.7, 1.2665}, std::pair{0.9, 1.7503},
                                         std::pair{0.95, 2.0405}));

// The true camera: MRTD 0.01 e^(1.5 f) in both orientations. Each unit (an observer, or a model
// observer's repeat) sees it times a factor of its own, e^(0.25 z), and at each frequency and
// orientation times e^(0.1 z') more.
constexpr double trueB = 1.5;
const char* const unitNames[] = {"ann", "bob", "cy", "dee", "eve"};

RangeMrtd synthetic(bool session, int units, std::mt19937& random) {
    std::normal_distribution<double> z;
    std::vector<double> own;
    for (int u = 0; u < units; ++u)
        own.push_back(0.25 * z(random));
    Session readings;
    std::vector<ObjectiveMrtd> runs(2);
    for (int o = 0; o < 2; ++o) {
        runs[static_cast<std::size_t>(o)].horizontalBars = o == 1;
        for (const FrequencyChoice& choice : frequencyChoices) {
            FrequencyResult& r = runs[static_cast<std::size_t>(o)].frequencies.emplace_back();
            r.frequency = choice.frequency;
            std::vector<HalfResult> repeats;
            for (int u = 0; u < units; ++u) {
                const double value =
                    a * std::exp(trueB * choice.frequency + own[static_cast<std::size_t>(u)] + 0.1 * z(random));
                repeats.push_back({ObserverOutcome::Resolved, value});
                r.repeats.push_back({{}, {}, repeats.back()});
                for (double sign : {1.0, -1.0})
                    readings.readings.push_back(sessionReading(unitNames[u], sign * value, choice.frequency,
                                                               o == 1 ? orientationHorizontal : orientationVertical));
            }
            r.mrtd = summarise(repeats);
        }
    }
    if (session)
        return rangeMrtdOfSession(sessionStatistics(readings));
    RangeMrtd mrtd;
    mrtd.horizontal = objectiveCurveOf(objectiveRunOf(runs[0], {}, {})).samples;
    mrtd.vertical = objectiveCurveOf(objectiveRunOf(runs[1], {}, {})).samples;
    return mrtd;
}

struct CoverageRow {
    bool session;
    int units;
};
class RangeIntervalCoverage : public testing::TestWithParam<CoverageRow> {};

// Over 250 synthetic measurements the 95 % interval of each task holds the true range 90 to 99 % of
// the time, with the observers or the repeats as the unit.
TEST_P(RangeIntervalCoverage, HoldsTheTrueRangeAboutNinetyFivePercentOfTheTime) {
    const RangeScenario s = scenario("johnson", CriticalDimension::Sqrt);
    MrtdSamples truth;
    for (const FrequencyChoice& choice : frequencyChoices)
        truth.push_back({choice.frequency, a * std::exp(trueB * choice.frequency), {}, {}});
    const RangePrediction truePrediction = predictRanges(carried(truth, Carried::Both), s);
    std::mt19937 random(GetParam().units + (GetParam().session ? 100 : 0));
    constexpr int draws = 250;
    std::vector<int> held(s.criteria.tasks.size(), 0);
    for (int draw = 0; draw < draws; ++draw) {
        const RangeMrtd mrtd = synthetic(GetParam().session, GetParam().units, random);
        RangePrediction p = predictRanges(mrtd, s);
        addRangeIntervals(p, mrtd);
        for (std::size_t t = 0; t < p.tasks.size(); ++t) {
            const double real = truePrediction.tasks[t].crossing.rangeKm;
            ASSERT_TRUE(p.tasks[t].ci95);
            held[t] += p.tasks[t].ci95->first <= real && (p.tasks[t].ciBound || real <= p.tasks[t].ci95->second);
        }
    }
    for (std::size_t t = 0; t < held.size(); ++t) {
        EXPECT_GE(held[t], 0.90 * draws) << s.criteria.tasks[t].task;
        EXPECT_LE(held[t], 0.99 * draws) << s.criteria.tasks[t].task;
    }
}
INSTANTIATE_TEST_SUITE_P(Rows, RangeIntervalCoverage,
                         testing::Values(CoverageRow{true, 3}, CoverageRow{true, 2}, CoverageRow{false, 2},
                                         CoverageRow{false, 3}));

// Whatever the source, the pitch is that of the curves' camera file, camera1.par (6.233781 degrees over
// 640 columns), when a folder holds it; unknown when none does; a pipe in its place refuses the curves.
TEST(RangeInputs, TakeThePitchFromTheCurvesCameraFile) {
    const testing_support::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.path("camera1.par").c_str(), 0600), 0);
    Session two;
    for (const char* who : {"ann", "bob"})
        for (double dt : {0.05, -0.05})
            two.readings.push_back(sessionReading(who, dt));
    ObjectiveRun run;
    run.cameraFile = "camera1.par";
    const std::vector<RangeSource> sources{CameraCurvesSource{"camera1.par"}, SessionSource{sessionStatistics(two), 1},
                                           ObjectiveRunsSource{{run}}};
    const std::string shipped = TERVIX_SHIPPED_DATA_DIR, nowhere = dir.path("nowhere");
    for (std::size_t k = 0; k < sources.size(); ++k) {
        std::string error;
        const auto found = assembleRangeMrtd(sources[k], {nowhere, shipped}, error);
        ASSERT_TRUE(found) << error;
        EXPECT_NEAR(found->ifovMrad.value_or(0.0), 6.233781 / 640 * M_PI / 180 * 1000, 1e-6) << k;
        if (k > 0) { // the camera's own curves need the file
            const auto unknown = assembleRangeMrtd(sources[k], {nowhere}, error);
            EXPECT_TRUE(unknown && !unknown->ifovMrad) << k;
        }
        EXPECT_FALSE(assembleRangeMrtd(sources[k], {dir.root().string(), shipped}, error)) << k;
        EXPECT_NE(error.find("a camera file must be one"), std::string::npos) << k << error;
    }
}

// Every shipped camera file takes a study's values where the reader finds them again.
class RangeStudyCamera : public testing::TestWithParam<int> {};
TEST_P(RangeStudyCamera, HoldsTheSteppedValues) {
    const std::string name = "camera" + std::to_string(GetParam()) + ".par";
    const std::string base = testing_support::readText(testing_support::shippedFile(name));
    std::string error;
    const auto plan = parseStudyPlan(R"({"camera": "c.par", "optics": {"pitch": 17, "focal": 100},
        "parameters": [{"name": "netd", "values": [0.07]}, {"name": "focal", "values": [50]}]})",
                                     defaultMaxStudyJobs, error);
    ASSERT_TRUE(plan) << error;
    const auto text = studyCameraText(base, *plan, {0.07, 50.0}, error);
    ASSERT_TRUE(text) << error;
    CameraState camera;
    MessageLog log;
    ASSERT_TRUE(readCameraText(*text, name, CameraLoadMode::Full, camera, log));
    EXPECT_NEAR(camera.set.netd, 0.07, 1e-6);
    EXPECT_NEAR(ifovMradOf(camera.set), 17.0 / 50.0, 1e-5);
}
INSTANTIATE_TEST_SUITE_P(Shipped, RangeStudyCamera, testing::Range(1, 6));

// A plan is refused whole, with the reason, before a job exists.
class StudyPlanRefusal : public testing::TestWithParam<testing_support::DataRow> {};
TEST_P(StudyPlanRefusal, NamesTheFault) {
    std::string error;
    EXPECT_FALSE(parseStudyPlan(GetParam().text(0), defaultMaxStudyJobs, error));
    EXPECT_NE(error.find(GetParam().text(1)), std::string::npos) << error;
}
INSTANTIATE_TEST_SUITE_P(Rows, StudyPlanRefusal, TERVIX_TABLE_ROWS("study/plan_refusals.tsv"));

// The job count is checked against the limit asked for, and jobs count the first parameter slowest.
TEST(StudyPlan, CountsJobsAgainstTheLimitAskedFor) {
    const std::string text = R"({"camera": "c.par", "parameters": [{"name": "netd", "values": [0.1, 0.2, 0.3]},
                                   {"name": "blur", "values": [0.01, 0.02]}]})";
    std::string error;
    EXPECT_FALSE(parseStudyPlan(text, 5, error));
    const auto plan = parseStudyPlan(text, 6, error);
    ASSERT_TRUE(plan) << error;
    EXPECT_EQ(studyJobCount(*plan), 6u);
    EXPECT_EQ(studyPoint(*plan, 4), (std::vector<double>{0.2, 0.02}));
    EXPECT_EQ(
        canonicalStudyPlan(*plan),
        canonicalStudyPlan(*parseStudyPlan(
            R"({"seed": 1, "repeats": 2, "range": "", "camera": "c.par", "parameters": [{"name": "netd", "from": 0.1,
            "to": 0.3, "steps": 3}, {"name": "blur", "values": [0.01, 0.02]}]})",
            6, error)));
}

// Each way a range run can give a task, as the merged row shows it: every empty cell is explained.
class StudyTableCells : public testing::TestWithParam<testing_support::DataRow> {};
TEST_P(StudyTableCells, FillOrExplain) {
    const StudyTableLayout layout{{"netd"}, {"detection"}, {}};
    const nlohmann::json range{{"tasks", nlohmann::json::array({nlohmann::json::parse(GetParam().text(0))})}};
    const std::string row = studyTableRow(layout, 1, {0.1}, range);
    const std::string prefix = "1,0.1,";
    ASSERT_EQ(row.rfind(prefix, 0), 0u) << row;
    std::size_t end = prefix.size();
    for (int k = 0; k < 7; ++k)
        end = row.find(',', end) + 1;
    EXPECT_EQ(row.substr(prefix.size(), end - 1 - prefix.size()), GetParam().text(1));
    const std::string notes = row.substr(row.find(",done,") + 6);
    if (GetParam().text(2) == "-")
        EXPECT_EQ(notes, "\n");
    else
        EXPECT_NE(notes.find(GetParam().text(2)), std::string::npos) << notes;
    EXPECT_EQ(studyTableHeader(layout).substr(0, 67),
              "job_number,netd_k,detection_km,detection_low_km,detection_high_km,d");
}
INSTANTIATE_TEST_SUITE_P(Rows, StudyTableCells, TERVIX_TABLE_ROWS("study/table_cells.tsv"));

} // namespace
