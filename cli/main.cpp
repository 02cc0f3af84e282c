// tervix-cli: the bench's pipeline without windows. Only the options are parsed here; everything
// else is the core's.
#include "console/bench_state.h"
#include "text/messages.h"
#include "cli/camera_json.h"
#include "cli/fidelity_output.h"
#include "cli/image_files.h"
#include "cli/mrtd_plot_image.h"
#include "console/bench_console.h"
#include "console/open_bench.h"
#include "measurement/fidelity_report.h"
#include "measurement/model_observer.h"
#include "sim/display.h"
#include "target/target_file.h"

#include <algorithm>
#include <QGuiApplication>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
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
    "                    [--seed N] [--randomise] [--model specified|physical] [--phase DX,DY]\n"
    "                    --out PNG [--sensor PFM] [--frame PNG]\n"
    "  tervix-cli mrtd --camera FILE [--target FILE] [--atmosphere FILE] [--seed N] [--snr K] [--time S]\n"
    "                  [--model specified|physical] [--table OUT.txt] [--csv OUT.csv] [--plot OUT.png]\n"
    "  tervix-cli fidelity --camera FILE [--atmosphere FILE] [--model specified|physical] [--json]\n";

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

// --model specified|physical; the specified model when the option is absent.
std::optional<ImageModel> modelOption(std::map<std::string, std::string>& options) {
    if (!options.count("--model") || options["--model"] == "specified")
        return ImageModel::Specified;
    if (options["--model"] == "physical")
        return ImageModel::Physical;
    return std::nullopt;
}
const char* modelError = "the model must be specified or physical";

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

// The bench as the console leaves it after the start, on the files the options name. Returns false
// with an error line, or with none when the camera file's own message has been written.
bool prepareBench(BenchConsole& console, std::map<std::string, std::string>& options, std::optional<std::uint32_t> seed,
                  std::optional<ImageModel> imageModel, std::string& error) {
    error.clear();
    BenchSources sources;
    sources.camera.path = options["--camera"];
    sources.target.path = options.count("--target") ? options["--target"] : "mira.tag";
    if (options.count("--atmosphere"))
        sources.atmosphere = BenchSource{options["--atmosphere"], std::nullopt};
    sources.seed = seed;
    sources.imageModel = imageModel;
    const BenchOpenFault fault = openBench(console, sources);
    if (fault == BenchOpenFault::Atmosphere)
        error = "cannot read the atmosphere file " + sources.atmosphere->path;
    if (fault == BenchOpenFault::Target)
        error = "cannot read the target file " + sources.target.path;
    return fault == BenchOpenFault::None;
}

int runRender(int argc, char** argv) {
    std::string error;
    auto args = parseArguments(argc, argv,
                               {"--camera", "--target", "--atmosphere", "--frequency", "--dt", "--seed", "--out",
                                "--sensor", "--frame", "--model", "--phase"},
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
            return fail("the frequency must be one of " + frequencyLabelList());
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
    const auto model = modelOption(args->options);
    if (!model)
        return fail(modelError);
    std::optional<std::pair<double, double>> phase;
    if (args->options.count("--phase")) {
        const std::string& text = args->options["--phase"];
        const auto comma = text.find(',');
        auto dx = parseNumber(text.substr(0, comma));
        auto dy = comma == std::string::npos ? std::nullopt : parseNumber(text.substr(comma + 1));
        if (!dx || !dy || std::fabs(*dx) > 1000.0 || std::fabs(*dy) > 1000.0)
            return fail("the phase must be DX,DY in pixels, each from -1000 to 1000");
        phase = std::make_pair(*dx, *dy);
    }

    BenchState state;
    StderrMessages messages;
    BenchConsole console(state, messages);
    if (!prepareBench(console, args->options, seed, model, error))
        return error.empty() ? 1 : fail(error);
    if (args->flags.count("--randomise"))
        console.randomisePosition = true;
    console.selectFrequency(frequencyIndex);
    if (phase)
        console.setTargetPhase(state.console.targetPhaseX + phase->first, state.console.targetPhaseY + phase->second);
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


std::optional<double> optionNumber(std::map<std::string, std::string>& options, const char* name, double fallback,
                                   double low, double high) {
    if (!options.count(name))
        return fallback;
    auto value = parseNumber(options[name]);
    if (!value || *value < low || *value > high)
        return std::nullopt;
    return value;
}

int runMrtd(int argc, char** argv) {
    std::string error;
    auto args = parseArguments(argc, argv,
                               {"--camera", "--target", "--atmosphere", "--seed", "--snr", "--time", "--table", "--csv",
                                "--plot", "--model"},
                               {}, error);
    if (!args)
        return fail(error);
    if (!args->positional.empty() || !args->options.count("--camera"))
        return fail("mrtd needs --camera FILE");
    ObserverSettings settings;
    auto snr = optionNumber(args->options, "--snr", settings.thresholdSnr, 0.1, 100.0);
    auto time = optionNumber(args->options, "--time", settings.integrationTime, 0.001, 10.0);
    auto seed = optionNumber(args->options, "--seed", 1.0, 0.0, 4294967295.0);
    if (!snr || !time || !seed || *seed != std::floor(*seed))
        return fail("--snr takes 0.1 to 100, --time 0.001 to 10 seconds, --seed a whole number");
    settings.thresholdSnr = *snr;
    settings.integrationTime = *time;
    const auto model = modelOption(args->options);
    if (!model)
        return fail(modelError);

    BenchState state;
    StderrMessages messages;
    BenchConsole console(state, messages);
    console.setImageModel(*model);
    if (!prepareBench(console, args->options, static_cast<std::uint32_t>(*seed), std::nullopt, error))
        return error.empty() ? 1 : fail(error);
    const auto mrtd = measureMrtd(console, settings);
    const std::string table = console.results.tableText(console.cameraIndex);
    std::cout << table;
    if (args->options.count("--table")) {
        std::ofstream out(args->options["--table"], std::ios::binary);
        if (!(out << table))
            return fail("cannot write " + args->options["--table"]);
    }
    if (args->options.count("--csv")) {
        std::ofstream out(args->options["--csv"], std::ios::binary);
        out << "frequency,mrtd_minus,mrtd_plus,mrtd,camera_mrtd\n";
        for (int i = 0; i < frequencyCount; ++i) {
            const MrtdRecord& r = console.results.record(console.cameraIndex, i);
            auto cell = [](double v, bool known) {
                char text[32];
                std::snprintf(text, sizeof text, "%.3f", v);
                return known ? std::string(text) : std::string("not recognized");
            };
            const double own = cameraMrtdAt(state.camera, frequencyChoices[static_cast<std::size_t>(i)].frequency);
            out << frequencyChoices[static_cast<std::size_t>(i)].label << ',' << cell(r.mrtdMinus, isMeasured(r.mrtdMinus))
                << ',' << cell(r.mrtdPlus, isMeasured(r.mrtdPlus)) << ','
                << cell(mrtd[static_cast<std::size_t>(i)], mrtd[static_cast<std::size_t>(i)] >= 0.0) << ','
                << (own > 0.0 ? cell(own, true) : std::string()) << '\n';
        }
        if (!out)
            return fail("cannot write " + args->options["--csv"]);
    }
    if (args->options.count("--plot")) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        int qtArgc = 1;
        QGuiApplication application(qtArgc, argv);
        if (!writeMrtdPlotPng(console.results.records(console.cameraIndex), state.camera, args->options["--plot"]))
            return fail("cannot write " + args->options["--plot"]);
    }
    return 0;
}

int runFidelity(int argc, char** argv) {
    std::string error;
    auto args = parseArguments(argc, argv, {"--camera", "--atmosphere", "--target", "--model"}, {"--json"}, error);
    if (!args)
        return fail(error);
    if (!args->positional.empty() || !args->options.count("--camera"))
        return fail("fidelity needs --camera FILE");
    const auto model = modelOption(args->options);
    if (!model)
        return fail(modelError);
    BenchState state;
    StderrMessages messages;
    BenchConsole console(state, messages);
    console.setImageModel(*model);
    if (!prepareBench(console, args->options, std::nullopt, std::nullopt, error))
        return error.empty() ? 1 : fail(error);
    const ModelFidelity report = modelFidelityReport(console);
    if (args->flags.count("--json")) {
        std::cout << modelFidelityJson(report).dump(2) << '\n';
        return 0;
    }
    std::cout << modelFidelityText(report);
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
    if (command == "mrtd")
        return runMrtd(argc, argv);
    if (command == "fidelity")
        return runFidelity(argc, argv);
    if (command == "--help" || command == "-h") {
        std::cout << usage;
        return 0;
    }
    std::cerr << "tervix-cli: unknown command " << command << '\n' << usage;
    return 1;
}
