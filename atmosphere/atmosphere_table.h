#pragma once

#include "text/bounded_text_file.h"

#include <array>
#include <string>

// Atmosphere.ini is six short rows of numbers; a megabyte is far beyond any such table.
inline constexpr TextFileLimits atmosphereFileLimits{"an atmosphere file", 1u << 20, 1u << 20};

// The values of "Atmosphere.ini". Only row 5, the atmospheric blur per atmosphere class, has a
// reader; the other rows are kept because the file's layout depends on them.
struct AtmosphereTable {
    static constexpr int blurClasses = 8;

    std::array<float, 7> row1{0, 0, 0, 0, 0, 0, 0};
    std::array<float, 7> row2{0, 0, 0, 0, 0, 0, 0};
    // Row 4's single value is stored in row 3's seventh slot.
    std::array<float, 7> row3{1.0f, 0.9f, 0.8f, 0.7f, 0.6f, 0.5f, -4.0f};
    std::array<float, blurClasses> atmosphereBlur{};
    int row6 = 0;
};

// Reads the file over the values already in the table. A value that does not convert keeps its slot
// and leaves its text for the row's line skip. Returns false, with one line naming the file and the
// reason in error, when it is absent or refused: not a regular file, beyond atmosphereFileLimits, or
// holding a number no float holds or a blur width below zero ("File 'Atmosphere.ini' row 5 value 2:
// the blur width -0.5 mrad is below zero"). A refused file leaves the table as it was.
bool readAtmosphereFile(const std::string& path, AtmosphereTable& table, std::string& error);
// The same for the file's text; path only names the file in the error.
bool readAtmosphereText(std::string text, const std::string& path, AtmosphereTable& table, std::string& error);
