#include "sim/display_frame.h"

#include "sim/image_model_behaviour.h"
#include "sim/noise.h"

#include <algorithm>

namespace {

// One stretch of a frame row: grey plus pixel noise plus the row's and columns' noise (summed in
// offsets), times the flicker gain, rounded and clamped to a byte (NaN falls to 0).
// Built for AVX2 as well where the processor has it (chosen at load time): its byte shuffles make
// the three-byte stride of DisplayImage cheap to read.
__attribute__((target_clones("avx2", "default"))) void
writeNoisyRun(const std::uint8_t* __restrict grey, const float* __restrict samples, const float* __restrict offsets,
              float scale, float gain, int count, std::uint8_t* __restrict out) {
    for (int r = 0; r < count; ++r) {
        float v = (samples[r] * scale + offsets[r] + static_cast<float>(grey[3 * r])) * gain + 0.5f;
        // Two selects rather than one nested condition: they become branch-free min and max, and
        // saturated pixels cost no mispredicted jumps.
        v = v > 0.0f ? v : 0.0f;
        v = v < 255.0f ? v : 255.0f;
        out[r] = static_cast<std::uint8_t>(static_cast<int>(v));
    }
}

} // namespace

void buildSpecifiedViewFrame(const SimState& sim, const CameraSet& camera, RandomGenerator& random,
                             std::vector<std::uint8_t>& frame) {
    const int width = sim.imageWidth;
    const int height = sim.imageHeight;
    const float* noise = sim.noiseTable.data();
    const std::size_t tableSize = sim.noiseTable.size();
    std::size_t k = tableSize > 0 ? static_cast<std::size_t>(random.next()) % noiseTableSize % tableSize : 0;
    auto nextNoise = [&]() {
        if (tableSize == 0)
            return 0.0f;
        float v = noise[k];
        if (++k == tableSize)
            k = 0;
        return v;
    };
    frame.resize(static_cast<std::size_t>(width + viewFramePadding) *
                 static_cast<std::size_t>(height + viewFramePadding));
    const double greyPerSignal = 256.0 / (sim.windowHigh - sim.windowLow);

    std::vector<float> rowNoise(static_cast<std::size_t>(height), 0.0f);
    std::vector<float> columnNoise(static_cast<std::size_t>(width), 0.0f);
    if (camera.frameNoise[1] != 0)
        for (float& r : rowNoise)
            r = static_cast<float>(nextNoise() * camera.frameNoise[1] * greyPerSignal * 0.01);
    if (camera.frameNoise[2] != 0)
        for (float& c : columnNoise)
            c = static_cast<float>(nextNoise() * camera.frameNoise[2] * greyPerSignal * 0.01);
    const float pixelScale = static_cast<float>(camera.frameNoise[0] * greyPerSignal * 0.01);

    float gain = 1.0f;
    if (random.next() / RandomGenerator::valueRange <= camera.flickerProbability)
        gain = static_cast<float>(1.0 + random.next() * static_cast<double>(camera.flickerAmplitude) /
                                            RandomGenerator::valueRange);

    // Without a table (no camera refresh yet) the pixel noise reads zeros.
    static const std::vector<float> silence(4096, 0.0f);
    const std::uint8_t* display = sim.displayImage.data();
    std::vector<float> offsets(static_cast<std::size_t>(width));
    for (int j = 0; j < height; ++j) {
        const float rowValue = rowNoise[static_cast<std::size_t>(j)];
        for (int i = 0; i < width; ++i)
            offsets[static_cast<std::size_t>(i)] = columnNoise[static_cast<std::size_t>(i)] + rowValue;
        std::uint8_t* out = &frame[static_cast<std::size_t>(j) * width];
        const std::uint8_t* in = display + static_cast<std::size_t>(j) * width * 3;
        int i = 0;
        while (i < width) {
            // Runs that do not wrap around the table go through one loop the compiler can vectorise.
            const std::size_t left = tableSize > 0 ? tableSize - k : silence.size();
            const int run = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(width - i), left));
            const float* samples = tableSize > 0 ? noise + k : silence.data();
            writeNoisyRun(in + 3 * i, samples, offsets.data() + i, pixelScale, gain, run, out + i);
            i += run;
            if (tableSize > 0) {
                k += static_cast<std::size_t>(run);
                if (k == tableSize)
                    k = 0;
            }
        }
    }
}

void BuildViewFrame(const SimState& sim, const CameraSet& camera, RandomGenerator& random,
                    std::vector<std::uint8_t>& frame) {
    imageModelBehaviour(sim.imageModel).buildViewFrame(sim, camera, random, frame);
}

std::vector<std::uint8_t> BuildViewFrame(const SimState& sim, const CameraSet& camera, RandomGenerator& random) {
    std::vector<std::uint8_t> frame;
    BuildViewFrame(sim, camera, random, frame);
    return frame;
}
