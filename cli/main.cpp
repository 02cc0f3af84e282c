// tervix-cli: the bench's pipeline without windows. Only the options are parsed here; everything
// else is the core's.
#include "app/bench_state.h"
#include "app/messages.h"
#include "cli/camera_json.h"
#include "cli/image_files.h"
#include "console/bench_console.h"
#include "sim/display.h"
#include "target/target_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

class StderrMessages : public MessageSink {
public:
    void message(const std::string& text) override { std::cerr << text << '\n'; }
};

const char* usage =
    "usage:\n"
    "  tervix-cli camera FILE [--mode full|standard|switch] [--atmosphere FILE] [--no-activate]\n"
    "  tervix-cli target FILE\n"
    "  tervix-cli render --camera FILE --target FILE [--atmosphere FILE] [--frequency F] [--dt K]\n"
    "                    [--seed N] [--randomise] --out PNG [--sensor PFM] [--frame PNG]\n";

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    std::map<std::string, bool> flags;
};

// Options take one value each; flags none. Anything else is an error.
std::optional<Arguments> parseArguments(int argc, char** argv, const std::vector<std::string>& valueOptions,
                                        const std::vector<std::string>& flagOptions, std::string& error) {
    Arguments args;
    for (int k = 2; k < argc; ++k) {
        std::string word = argv[k];
        if (word.rfind("--", 0) == 0) {
            if (std::find(flagOptions.begin(), flagOptions.end(), word) != flagOptions.end()) {
                args.flags[word] = true;
            } else if (std::find(valueOptions.begin(), valueOptions.end(), word) != valueOptions.end()) {
                if (k + 1 >= argc) {
                    error = "option " + word + " needs a value";
                    return std::nullopt;
                }
                args.options[word] = argv[++k];
            } else {
                error = "unknown option " + word;
                return std::nullopt;
            }
        } else {
            args.positional.push_back(word);
        }
    }
    return args;
}

std::optional<double> parseNumber(const std::string& text) {
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

int fail(const std::string& error) {
    std::cerr << "tervix-cli: " << error << '\n';
    return 1;
}

int runCamera(int argc, char** argv) {
    std::string error;
    auto args = parseArguments(argc, argv, {"--mode", "--atmosphere"}, {"--no-activate"}, error);
    if (!args)
        return fail(error);
    if (args->positional.size() != 1)
        return fail("camera takes one camera file");
    CameraLoadMode mode = CameraLoadMode::Full;
    if (args->options.count("--mode")) {
        const std::string& m = args->options["--mode"];
        if (m == "full")
            mode = CameraLoadMode::Full;
        else if (m == "standard")
            mode = CameraLoadMode::Standard;
        else if (m == "switch")
            mode = CameraLoadMode::SwitchCamera;
        else
            return fail("unknown mode " + m + " (full, standard or switch)");
    }
    BenchState state;
    StderrMessages messages;
    if (args->options.count("--atmosphere") && !readAtmosphereFile(args->options["--atmosphere"], state.atmosphere))
        return fail("cannot read the atmosphere file " + args->options["--atmosphere"]);
    if (!loadCameraFile(state, args->positional[0], mode, messages))
        return 1;
    if (!args->flags.count("--no-activate")) {
        CameraModelContext context = state.model();
        activateCameraModel(context);
    }
    std::cout << cameraJson(state, true).dump(2) << '\n';
    return 0;
}

int runTarget(int argc, char** argv) {
    std::string error;
    auto args = parseArguments(argc, argv, {}, {}, error);
    if (!args)
        return fail(error);
    if (args->positional.size() != 1)
        return fail("target takes one target file");
    Target target;
    if (!readTargetFile(args->positional[0], target, 0))
        return fail("cannot read the target file " + args->positional[0]);
    std::cout << targetJson(target).dump(2) << '\n';
    return 0;
}

int runRender(int argc, char** argv) {
    std::string error;
    auto args = parseArguments(argc, argv,
                               {"--camera", "--target", "--atmosphere", "--frequency", "--dt", "--seed", "--out",
                                "--sensor", "--frame"},
                               {"--randomise"}, error);
    if (!args)
        return fail(error);
    if (!args->positional.empty())
        return fail("render takes options only");
    for (const char* required : {"--camera", "--target", "--out"})
        if (!args->options.count(required))
            return fail(std::string("render needs ") + required);

    int frequencyIndex = 0;
    if (args->options.count("--frequency")) {
        auto f = parseNumber(args->options["--frequency"]);
        auto choice = std::find_if(frequencyChoices.begin(), frequencyChoices.end(),
                                   [&](const FrequencyChoice& c) { return f && c.frequency == *f; });
        if (choice == frequencyChoices.end())
            return fail("the frequency must be one of 0.5, 1, 1.5, 2, 3 or 4");
        frequencyIndex = static_cast<int>(choice - frequencyChoices.begin());
    }
    double dt = 0.0;
    if (args->options.count("--dt")) {
        auto value = parseNumber(args->options["--dt"]);
        if (!value || *value < -2.0 || *value > 2.0)
            return fail("the temperature difference must be a number from -2 to 2 K");
        dt = *value;
    }
    std::optional<std::uint32_t> seed;
    if (args->options.count("--seed")) {
        auto value = parseNumber(args->options["--seed"]);
        if (!value || *value < 0 || *value > 4294967295.0 || *value != std::floor(*value))
            return fail("the seed must be a whole number from 0 to 4294967295");
        seed = static_cast<std::uint32_t>(*value);
    }

    BenchState state;
    StderrMessages messages;
    if (args->options.count("--atmosphere") && !readAtmosphereFile(args->options["--atmosphere"], state.atmosphere))
        return fail("cannot read the atmosphere file " + args->options["--atmosphere"]);
    if (seed)
        state.random.seed(*seed);
    if (!loadCameraFile(state, args->options["--camera"], CameraLoadMode::Full, messages))
        return 1;
    BenchConsole console(state, messages);
    console.activateCamera();
    if (!readTargetFile(args->options["--target"], state.target, console.stepIndex))
        return fail("cannot read the target file " + args->options["--target"]);
    console.updateScene();
    if (args->flags.count("--randomise"))
        console.randomisePosition = true;
    console.selectFrequency(frequencyIndex);
    console.onTemperatureSlider(BenchConsole::sliderPositionOf(dt));

    if (!writeDisplayImagePng(state.sim, args->options["--out"]))
        return fail("cannot write " + args->options["--out"]);
    if (args->options.count("--sensor") && !writeSensorImagePfm(state.sim, args->options["--sensor"]))
        return fail("cannot write " + args->options["--sensor"]);
    if (args->options.count("--frame")) {
        auto frame = BuildViewFrame(state.sim, state.camera.set, state.random);
        if (!writeGreyFramePng(frame, state.sim.imageWidth, state.sim.imageHeight, args->options["--frame"]))
            return fail("cannot write " + args->options["--frame"]);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << usage;
        return 1;
    }
    std::string command = argv[1];
    if (command == "camera")
        return runCamera(argc, argv);
    if (command == "target")
        return runTarget(argc, argv);
    if (command == "render")
        return runRender(argc, argv);
    if (command == "--help" || command == "-h") {
        std::cout << usage;
        return 0;
    }
    std::cerr << "tervix-cli: unknown command " << command << '\n' << usage;
    return 1;
}
