#include "console/mrtd_results.h"

#include <algorithm>
#include <cstdio>

namespace {

const std::array<const char*, resultRowCount> initialRows{
    "    N\tFrequency\tMRTD-\t   MRTD+\t   MRTD",
    "",
    "   1\t    0.5",
    "",
    "   2\t    1.",
    "",
    "   3\t    1.5",
    "",
    "   4\t    2.",
    "",
    "   5\t    3,", // the list has always opened with a comma here, until a result is recorded
    "",
    "   6\t    4.",
};

// Clamps a slot and a frequency index into the tables.
int slotOf(int camera) {
    return std::clamp(camera, 0, cameraSlots - 1);
}
int frequencyOf(int i) {
    return std::clamp(i, 0, frequencyCount - 1);
}

} // namespace

std::string formatResultRow(int i, const MrtdRecord& record) {
    i = frequencyOf(i);
    const int n = i + 1;
    const char* f = frequencyChoices[static_cast<std::size_t>(i)].resultLabel;
    const double minus = record.mrtdMinus;
    const double plus = record.mrtdPlus;
    char text[256];
    if (isSet(record.mrtdMinus) && isSet(record.mrtdPlus)) {
        if (isMeasured(record.mrtdMinus) && isMeasured(record.mrtdPlus))
            std::snprintf(text, sizeof text, "   %d\t   %s\t %5.3f\t %5.3f\t  %4.3f", n, f, minus, plus,
                          (plus - minus) * 0.5);
        else
            std::snprintf(text, sizeof text, "   %d\t   %s\t %5.3f\t %5.3f\t  ", n, f, minus, plus);
    } else if (isSet(record.mrtdMinus)) {
        std::snprintf(text, sizeof text, "   %d\t   %s\t  %5.3f", n, f, minus);
    } else {
        std::snprintf(text, sizeof text, "   %d\t   %s\t \t  %5.3f", n, f, plus);
    }
    std::string row = text;
    // The halves carry three decimals, as the trackbar steps 0.004 K. Each not-recognised half
    // (-10.000) shows as three asterisks; the text keeps its length.
    for (int pass = 0; pass < 2; ++pass) {
        std::size_t p = row.find("-10");
        if (p == std::string::npos || p == 0)
            break;
        const std::string mark = " ***   ";
        for (std::size_t k = 0; k < mark.size() && p + k < row.size(); ++k)
            row[p + k] = mark[k];
    }
    return row;
}

MrtdResults::MrtdResults() {
    for (auto& list : lists_)
        list.assign(initialRows.begin(), initialRows.end());
}

const MrtdRecord& MrtdResults::record(int camera, int frequencyIndex) const {
    return records_[static_cast<std::size_t>(slotOf(camera))]
                   [static_cast<std::size_t>(frequencyOf(frequencyIndex) + 1)];
}

std::array<MrtdRecord, frequencyCount> MrtdResults::records(int camera) const {
    std::array<MrtdRecord, frequencyCount> out;
    for (int i = 0; i < frequencyCount; ++i)
        out[static_cast<std::size_t>(i)] = record(camera, i);
    return out;
}

void MrtdResults::setHalf(int camera, int frequencyIndex, float temperatureDifference, float value) {
    camera = slotOf(camera);
    frequencyIndex = frequencyOf(frequencyIndex);
    MrtdRecord& r = records_[static_cast<std::size_t>(camera)][static_cast<std::size_t>(frequencyIndex + 1)];
    if (temperatureDifference < 0.0f)
        r.mrtdMinus = value;
    else
        r.mrtdPlus = value;
    lists_[static_cast<std::size_t>(camera)][static_cast<std::size_t>(rowOfFrequency(frequencyIndex))] =
        formatResultRow(frequencyIndex, r);
}

void MrtdResults::applyResult(int camera, int frequencyIndex, float temperatureDifference) {
    setHalf(camera, frequencyIndex, temperatureDifference, temperatureDifference);
}

void MrtdResults::markNotRecognized(int camera, int frequencyIndex, float temperatureDifference) {
    setHalf(camera, frequencyIndex, temperatureDifference, mrtdNotRecognized);
}

std::string MrtdResults::tableText(int camera) const {
    std::string text;
    for (const std::string& row : rows(slotOf(camera)))
        text += row + "\n";
    return text;
}
