#pragma once

#include "sim/spatial_frequencies.h"

#include <array>
#include <string>
#include <vector>

// The two measured halves of one result row, in kelvin, or one of the markers below.
struct MrtdRecord {
    float mrtdMinus = -999999.0f;
    float mrtdPlus = -999999.0f;
};

inline constexpr float mrtdNotMeasured = -999999.0f;
inline constexpr float mrtdNotRecognized = -10.0f;
// A half at or below this was never measured; at or below mrtdNotRecognized it was not recognised.
inline constexpr float mrtdSetLimit = -100.0f;

inline bool isSet(float half) {
    return half > mrtdSetLimit;
}
inline bool isMeasured(float half) {
    return half > mrtdNotRecognized;
}

inline constexpr int cameraSlots = 5;
inline constexpr int resultRowCount = 13;

// The row of a results list that shows frequency index i.
inline int rowOfFrequency(int i) {
    return 2 * i + 2;
}

// The text of the row of frequency index i.
std::string formatResultRow(int i, const MrtdRecord& record);

// The five results lists with their records: a list per camera slot, 13 rows each, the frequency
// rows showing records 1 ... 6 of that slot. Nothing ever clears them.
class MrtdResults {
public:
    MrtdResults();

    const std::vector<std::string>& rows(int camera) const { return lists_[static_cast<std::size_t>(camera)]; }
    const MrtdRecord& record(int camera, int frequencyIndex) const;
    // The records of the six frequency rows of a slot.
    std::array<MrtdRecord, frequencyCount> records(int camera) const;

    // Records the difference as MRTD+ (zero or positive) or MRTD- (negative), and rewrites the row.
    void applyResult(int camera, int frequencyIndex, float temperatureDifference);
    // Marks the half on the side of the difference as not recognised.
    void markNotRecognized(int camera, int frequencyIndex, float temperatureDifference);
    // The list as "Save table" writes it: every row followed by a line end.
    std::string tableText(int camera) const;

private:
    void setHalf(int camera, int frequencyIndex, float temperatureDifference, float value);

    std::array<std::array<MrtdRecord, 8>, cameraSlots> records_{};
    std::array<std::vector<std::string>, cameraSlots> lists_;
};
