#include "app/atmosphere_table.h"

#include "app/text_scanner.h"

namespace {

constexpr std::size_t lineSkipLimit = 1023;
constexpr std::size_t maxAtmosphereFileBytes = 1 << 20;

template <std::size_t N>
void readRow(TextScanner& in, float* slots) {
    for (std::size_t i = 0; i < N; ++i) {
        if (auto value = in.scanFloat())
            slots[i] = static_cast<float>(*value);
    }
    in.readLine(lineSkipLimit);
}

} // namespace

bool readAtmosphereFile(const std::string& path, AtmosphereTable& table) {
    auto in = TextScanner::fromFile(path, maxAtmosphereFileBytes);
    if (!in)
        return false;
    readRow<7>(*in, table.row1.data());
    readRow<7>(*in, table.row2.data());
    readRow<7>(*in, table.row3.data());
    readRow<1>(*in, &table.row3[6]);
    readRow<AtmosphereTable::blurClasses>(*in, table.atmosphereBlur.data());
    if (auto value = in->scanInt())
        table.row6 = *value;
    return true;
}
