// Every stored fuzz input, the ones that once crashed included, read again on each run.
#include "fuzz/fuzz_targets.h"

#include "test_support.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace {

struct Corpus {
    const char* name;
    int (*entry)(const std::uint8_t*, std::size_t);
};
const Corpus corpora[] = {{"camera", fuzzCameraFile},
                          {"target", fuzzTargetFile},
                          {"atmosphere", fuzzAtmosphereFile},
                          {"pipeline", fuzzPipeline},
                          {"session", fuzzSessionFile},
                          {"mrtd_table", fuzzMrtdTable},
                          {"objective_json", fuzzObjectiveJson},
                          {"requirement", fuzzRequirement},
                          {"study_plan", fuzzStudyPlan},
                          {"study_result", fuzzStudyResult}};

class FuzzReplay : public ::testing::TestWithParam<Corpus> {};

TEST_P(FuzzReplay, EveryStoredInputRunsCleanly) {
    int inputs = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(TERVIX_FUZZ_CORPUS_DIR "/") + GetParam().name)) {
        const std::string data = testing_support::readText(entry.path().string());
        EXPECT_EQ(GetParam().entry(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), 0) << entry.path();
        ++inputs;
    }
    EXPECT_GT(inputs, 0);
}
INSTANTIATE_TEST_SUITE_P(Corpora, FuzzReplay, ::testing::ValuesIn(corpora), testing_support::RowNamedByName{});

} // namespace
