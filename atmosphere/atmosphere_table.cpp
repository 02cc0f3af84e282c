#include "atmosphere/atmosphere_table.h"

#include "text/text_scanner.h"

namespace {

constexpr std::size_t lineSkipLimit = 1023;

template <std::size_t N>
void readRow(TextScanner& in, float* slots) {
    for (std::size_t i = 0; i < N; ++i) {
        if (auto value = in.scanFloat())
            slots[i] = static_cast<float>(*value);
    }
    in.readLine(lineSkipLimit);
}

} // namespace

void readAtmosphereText(std::string text, AtmosphereTable& table) {
    TextScanner in(std::move(text));
    readRow<7>(in, table.row1.data());
    readRow<7>(in, table.row2.data());
    readRow<7>(in, table.row3.data());
    readRow<1>(in, &table.row3[6]);
    readRow<AtmosphereTable::blurClasses>(in, table.atmosphereBlur.data());
    if (auto value = in.scanInt())
        table.row6 = *value;
}

bool readAtmosphereFile(const std::string& path, AtmosphereTable& table, std::string& error) {
    auto text = readBoundedTextFile(path, atmosphereFileLimits, error);
    if (!text)
        return false;
    readAtmosphereText(std::move(*text), table);
    return true;
}
