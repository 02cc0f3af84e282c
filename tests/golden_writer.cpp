// Writes the stored images of the golden cases from their case.json:
//   tervix_golden_writer [CASE ...]
// Without names it writes every case under the golden folder. Only for a deliberate change of the
// image model; golden/README.md says when.
#include "golden_case.h"

#include "text/messages.h"

#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    const std::filesystem::path goldenDir{TERVIX_GOLDEN_DIR};
    std::vector<std::string> names(argv + 1, argv + argc);
    if (names.empty())
        names = goldenCaseNames(goldenDir);
    int failures = 0;
    for (const std::string& name : names) {
        std::string error;
        MessageLog messages;
        auto goldenCase = readGoldenCase(goldenDir / name, error);
        auto images = goldenCase
                          ? renderGoldenCase(*goldenCase, goldenDir / name, TERVIX_SHIPPED_DATA_DIR, messages, error)
                          : std::nullopt;
        // A case that raises a message would fail its test; it is not written.
        if (images && !messages.messages.empty())
            error = messages.messages[0];
        bool written = images && messages.messages.empty();
        for (std::size_t k = 0; written && k < images->files.size(); ++k)
            if (!(std::ofstream(goldenDir / name / goldenImageFiles[k], std::ios::binary) << images->files[k]))
                written = false, error = "cannot write " + std::string(goldenImageFiles[k]);
        if (written)
            std::cout << name << ": " << images->width << " x " << images->height << '\n';
        else
            std::cerr << name << ": " << error << '\n';
        failures += written ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}
