#pragma once

#include <array>
#include <string>

// One spatial frequency of the bench: in cycles per mrad, its radio's label, how the results list
// writes it, and the scale the standard target's bars take for it.
struct FrequencyChoice {
    double frequency;
    const char* label;
    const char* resultLabel;
    float barScale; // 4 / frequency, as the bench has it
};

// The bench's spatial frequencies, in the order of the console's radios, the results rows and the
// plot's ticks.
inline constexpr std::array<FrequencyChoice, 6> frequencyChoices{{
    {0.5, "0.5", "0.5", 8.0f},
    {1.0, "1", "1.", 4.0f},
    {1.5, "1.5", "1.5", 2.66666f}, // the bench's own value, not 8/3
    {2.0, "2", "2.", 2.0f},
    {3.0, "3", "3.", 4.0f / 3.0f},
    {4.0, "4", "4.", 1.0f},
}};
inline constexpr int frequencyCount = static_cast<int>(frequencyChoices.size());

// The radio labels as a list for a message: "0.5, 1, 1.5, 2, 3 or 4".
inline std::string frequencyLabelList() {
    std::string list;
    for (std::size_t k = 0; k < frequencyChoices.size(); ++k)
        list += std::string(k == 0 ? "" : k + 1 < frequencyChoices.size() ? ", " : " or ") + frequencyChoices[k].label;
    return list;
}
