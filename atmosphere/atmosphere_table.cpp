#include "atmosphere/atmosphere_table.h"

#include "text/text_scanner.h"
#include "text/tokens.h"

#include <cfloat>
#include <cmath>

namespace {

constexpr std::size_t lineSkipLimit = 1023;

// Reads one row's values into its slots; false, with the fault, at a number no float holds or, in a
// row of blur widths, one below zero.
template <std::size_t N>
bool readRow(TextScanner& in, float* slots, int row, bool blurWidths, std::string& fault) {
    for (std::size_t i = 0; i < N; ++i) {
        const auto value = in.scanFloat();
        if (!value)
            continue;
        const std::string at = "row " + std::to_string(row) + " value " + std::to_string(i + 1) + ": ";
        if (!std::isfinite(*value) || std::fabs(*value) > FLT_MAX) {
            fault = at + messageNumber(*value) + " is beyond the numbers the table may hold";
            return false;
        }
        if (blurWidths && *value < 0.0) {
            fault = at + "the blur width " + messageNumber(*value) + " mrad is below zero";
            return false;
        }
        slots[i] = static_cast<float>(*value);
    }
    in.readLine(lineSkipLimit);
    return true;
}

} // namespace

bool readAtmosphereText(std::string text, const std::string& path, AtmosphereTable& table, std::string& error) {
    TextScanner in(std::move(text));
    AtmosphereTable read = table;
    std::string fault;
    if (!readRow<7>(in, read.row1.data(), 1, false, fault) || !readRow<7>(in, read.row2.data(), 2, false, fault) ||
        !readRow<7>(in, read.row3.data(), 3, false, fault) || !readRow<1>(in, &read.row3[6], 4, false, fault) ||
        !readRow<AtmosphereTable::blurClasses>(in, read.atmosphereBlur.data(), 5, true, fault)) {
        error = "File '" + path + "' " + fault;
        return false;
    }
    if (auto value = in.scanInt())
        read.row6 = *value;
    table = read;
    return true;
}

bool readAtmosphereFile(const std::string& path, AtmosphereTable& table, std::string& error) {
    auto text = readBoundedTextFile(path, atmosphereFileLimits, error);
    return text && readAtmosphereText(std::move(*text), path, table, error);
}
