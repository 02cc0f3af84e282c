// Ranges from an MRTD checked against closed forms: an exponential MRTD in an exponential
// atmosphere, a pure resolution limit, the probability function's inverse, and the intervals of a
// session's observers.
#include "camera/camera_file.h"
#include "console/session_statistics.h"
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

#include <sys/stat.h>

namespace {

// MRTD = a e^(b f) sampled every 0.25 cycles/mrad up to 8: log-linear, so interpolation is exact.
constexpr double a = 0.01, b = 1.2;
MrtdSamples exponentialMrtd() {
    MrtdSamples samples;
    for (double f = 0.25; f <= 8.0; f += 0.25)
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

struct ClosedFormRow {
    const char* criteria;
    CriticalDimension dimension;
};
class RangeClosedForm : public testing::TestWithParam<ClosedFormRow> {};

// dt0 e^(-sigma R) = a e^(b N50 R / h_c) gives R = ln(dt0 / a) / (sigma + b N50 / h_c); identical
// H and V curves make a 2-D curve equal to either.
TEST_P(RangeClosedForm, ExponentialMrtdGivesTheLogarithmicRange) {
    const RangeScenario s = scenario(GetParam().criteria, GetParam().dimension);
    const RangeMrtd mrtd{exponentialMrtd(), exponentialMrtd(), std::nullopt, "closed form", {}};
    const RangePrediction p = predictRanges(mrtd, s);
    ASSERT_EQ(p.mrtd.curve.size(), mrtd.horizontal.size());
    for (std::size_t k = 0; k < p.mrtd.curve.size(); ++k)
        EXPECT_NEAR(p.mrtd.curve[k].first, mrtd.horizontal[k].frequency, 1e-12);
    ASSERT_EQ(p.tasks.size(), s.criteria.tasks.size());
    for (const TaskRange& t : p.tasks) {
        const double expected = std::log(s.target.dt / a) / (s.extinction + b * t.task.n50 / s.criticalDimensionM());
        EXPECT_NEAR(t.crossing.rangeKm, expected, 1e-3 * expected) << t.task.task;
        EXPECT_FALSE(t.crossing.bound);
        EXPECT_NEAR(t.cycles, t.task.n50, 1e-9);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, RangeClosedForm,
                         testing::Values(ClosedFormRow{"johnson", CriticalDimension::Sqrt},
                                         ClosedFormRow{"johnson", CriticalDimension::Min},
                                         ClosedFormRow{"2d", CriticalDimension::Sqrt},
                                         ClosedFormRow{"2d", CriticalDimension::Min}));

// An MRTD of nothing below a cut-off and without limit above it: the range is where the cut-off
// frequency puts N50 cycles across the target, R = h_c f_cut / N50, whatever the air.
TEST(RangeGeometry, ACutOffGivesTheResolutionRange) {
    constexpr double cut = 2.0;
    const MrtdSamples samples{{0.1, 1e-9, {}, {}}, {cut, 1e-9, {}, {}}, {cut * (1 + 1e-9), 1e9, {}, {}}};
    for (const char* criteria : {"johnson", "2d"}) {
        const RangeScenario s = scenario(criteria, CriticalDimension::Min);
        const RangePrediction p = predictRanges({samples, {}, std::nullopt, "", {}}, s);
        EXPECT_EQ(p.mrtd.single, "horizontal");
        for (const TaskRange& t : p.tasks)
            EXPECT_NEAR(t.crossing.rangeKm, s.criticalDimensionM() * cut / t.task.n50, 1e-3 * t.crossing.rangeKm);
    }
}

// A curve that ends before the crossing gives its last range as a bound, not an extrapolation.
TEST(RangeGeometry, ACurveEndingEarlyGivesABound) {
    MrtdSamples samples = exponentialMrtd();
    samples.resize(4); // up to 1 cycle/mrad
    const RangePrediction p = predictRanges({samples, {}, 0.1, "", {}}, scenario("johnson", CriticalDimension::Sqrt));
    const TaskRange& identification = p.tasks.back();
    EXPECT_TRUE(identification.crossing.bound);
    EXPECT_NEAR(identification.crossing.rangeKm, 1.0 * std::sqrt(1.8 * 0.5) / 6.4, 1e-12);
    EXPECT_NEAR(*identification.pixels, 6.4 / 1.0 / 0.1, 1e-9); // h_c / (R IFOV) = N50 / (f IFOV)
}

// A curve that dips below the dimmed target again: the first crossing is the range, the later named.
TEST(RangeGeometry, ACurveThatFallsAgainNamesItsLaterCrossing) {
    const MrtdSamples dipping{{0.5, 0.1, {}, {}}, {1.0, 3.0, {}, {}}, {1.5, 0.05, {}, {}}, {2.0, 10.0, {}, {}}};
    RangeScenario s = scenario("johnson", CriticalDimension::Sqrt);
    s.extinction = 0.0;
    const RangePrediction p = predictRanges({{}, dipping, std::nullopt, "", {}}, s);
    EXPECT_FALSE(p.mrtd.monotonic);
    const RangeCrossing& detection = p.tasks.front().crossing; // R = f h_c / 1
    const double hc = s.criticalDimensionM();
    EXPECT_TRUE(detection.rangeKm > 0.5 * hc && detection.rangeKm < 1.0 * hc);
    ASSERT_EQ(detection.laterCrossingsKm.size(), 1u);
    EXPECT_TRUE(detection.laterCrossingsKm[0] > 1.5 * hc && detection.laterCrossingsKm[0] < 2.0 * hc);
}

class RangeProbabilityInverse : public testing::TestWithParam<std::pair<double, double>> {};
TEST_P(RangeProbabilityInverse, GivesTheCyclesRatio) {
    EXPECT_NEAR(cyclesRatioFor(GetParam().first), GetParam().second, 1e-4);
    EXPECT_NEAR(taskProbability(GetParam().second), GetParam().first, 1e-4);
}
INSTANTIATE_TEST_SUITE_P(Rows, RangeProbabilityInverse,
                         testing::Values(std::pair{0.5, 1.0}, std::pair{0.7, 1.2665}, std::pair{0.9, 1.7503},
                                         std::pair{0.95, 2.0405}));

// Five observers whose MRTDs are 0.05 e^(1.2 f) times their own factor, in both bar directions.
Session observers(const std::vector<double>& factors) {
    Session session;
    const char* names[] = {"ann", "bob", "cy", "dee", "eve"};
    for (std::size_t o = 0; o < factors.size(); ++o)
        for (double f : {0.5, 1.0, 1.5, 2.0, 3.0, 4.0})
            for (const char* bars : {orientationVertical, orientationHorizontal})
                for (double sign : {1.0, -1.0})
                    session.readings.push_back(
                        sessionReading(names[o], sign * 0.05 * std::exp(1.2 * f) * factors[o], f, bars));
    return session;
}

TEST(RangeUncertainty, IntervalsWidenWhenAnObserverIsRemoved) {
    const RangeScenario s = scenario("johnson", CriticalDimension::Sqrt);
    auto widths = [&](const std::vector<double>& factors) {
        const RangeMrtd mrtd = rangeMrtdOfSession(sessionStatistics(observers(factors)));
        RangePrediction p = predictRanges(mrtd, s);
        addRangeIntervals(p, mrtd);
        std::vector<double> w;
        for (const TaskRange& t : p.tasks) {
            EXPECT_TRUE(t.ci95 && t.ci95->first <= t.crossing.rangeKm && t.crossing.rangeKm <= t.ci95->second);
            w.push_back(t.ci95 ? t.ci95->second - t.ci95->first : 0.0);
        }
        return w;
    };
    const auto five = widths({0.8, 0.9, 1.0, 1.1, 1.25});
    const auto four = widths({0.8, 0.9, 1.1, 1.25});
    for (std::size_t k = 0; k < five.size(); ++k)
        EXPECT_GT(four[k], five[k]) << k;
}

// Whatever the source, the pitch is that of the curves' camera file, camera1.par (6.233781 degrees over
// 640 columns), when a folder holds it; unknown when none does; a pipe in its place refuses the curves.
TEST(RangeInputs, TakeThePitchFromTheCurvesCameraFile) {
    const testing_support::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.path("camera1.par").c_str(), 0600), 0);
    ObjectiveRun run;
    run.cameraFile = "camera1.par";
    const std::vector<RangeSource> sources{CameraCurvesSource{"camera1.par"},
                                           SessionSource{sessionStatistics(observers({1.0, 1.1})), 1},
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
