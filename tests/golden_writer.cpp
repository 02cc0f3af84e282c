// Writes the stored images of the golden cases from their case.json:
//   tervix_golden_writer [CASE ...]
// Without names it writes every case under the golden folder. Only for a deliberate change of the
// image model; golden/README.md says when.
#include "golden_case.h"

#include "text/messages.h"

#include <iostream>

namespace {

class StderrMessages : public MessageSink {
public:
    void message(const std::string& text) override {
        std::cerr << text << '\n';
        ++count;
    }
    int count = 0;
};

} // namespace

int main(int argc, char** argv) {
    const std::filesystem::path goldenDir{TERVIX_GOLDEN_DIR};
    std::vector<std::string> names(argv + 1, argv + argc);
    if (names.empty())
        names = goldenCaseNames(goldenDir);
    int failures = 0;
    for (const std::string& name : names) {
        const auto caseDir = goldenDir / name;
        std::string error;
        StderrMessages messages;
        auto goldenCase = readGoldenCase(caseDir, error);
        auto images = goldenCase ? renderGoldenCase(*goldenCase, caseDir, TERVIX_SHIPPED_DATA_DIR, messages, error)
                                 : std::nullopt;
        // A case that raises a message would fail its test; it is not written.
        if (images && messages.count > 0)
            error = "the bench raised a message";
        if (!images || messages.count > 0 || !writeGoldenImages(caseDir, *images, error)) {
            std::cerr << name << ": " << error << '\n';
            ++failures;
            continue;
        }
        std::cout << name << ": " << images->width << " x " << images->height << '\n';
    }
    return failures == 0 ? 0 : 1;
}
