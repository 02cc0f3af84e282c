// tervix-cli: the bench's pipeline without windows. Only the options are parsed here; everything
// else is the core's. Each command is one row of `commands` below: its usage, the files it reads
// by itself, its options and the function that runs it.
#include "cli/camera_json.h"
#include "cli/command_help.h"
#include "cli/command_words.h"
#include "cli/exit_status.h"
#include "cli/fidelity_output.h"
#include "cli/image_files.h"
#include "cli/mrtd_plot_image.h"
#include "cli/objective_mrtd_output.h"
#include "cli/observer_command.h"
#include "cli/openpgp_signature.h"
#include "cli/output_rule.h"
#include "cli/provenance.h"
#include "cli/range_command.h"
#include "cli/refusal.h"
#include "cli/study_command.h"
#include "console/bench.h"
#include "console/bench_case.h"
#include "console/bench_state.h"
#include "console/data_files.h"
#include "console/session.h"
#include "console/session_statistics.h"
#include "drawing/platform_notices.h"
#include "drawing/session_report.h"
#include "measurement/classic_mrtd.h"
#include "measurement/fidelity_report.h"
#include "measurement/human_chain.h"
#include "measurement/model_observer.h"
#include "measurement/observer_profile.h"
#include "sim/display.h"
#include "target/target_file.h"
#include "text/messages.h"
#include "text/output_file.h"
#include "text/sha256.h"
#include "text/tokens.h"
#include "text/version.h"
#include "text/visible_text.h"
#include "text/whole_file.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

std::optional<double> parseNumber(const std::string& text) {
    double value = 0.0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The folder of the running program, ending in '/': the window reads "Atmosphere.ini" from its own
// folder, and so does the tool.
std::string programDirectory(const char* argv0) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        return self.parent_path().string() + "/";
    return programDirectoryFromPath(argv0, '/');
}

// One command's parsed words.
class Invocation : public CommandWords {
public:
    Invocation(const QCommandLineParser& parser, std::string programDirectory, char* argv0,
               std::vector<std::string> commandLine)
        : parser_(parser), programDirectory_(std::move(programDirectory)), argv0_(argv0),
          commandLine_(std::move(commandLine)) {}
    // Words parsed away from the command line: the parser lives as long as they do.
    Invocation(std::shared_ptr<QCommandLineParser> parser, std::string programDirectory, char* argv0,
               std::vector<std::string> commandLine)
        : Invocation(*parser, std::move(programDirectory), argv0, std::move(commandLine)) {
        owned_ = std::move(parser);
    }

    bool has(const char* option) const override { return parser_.isSet(QLatin1StringView(option)); }
    std::string value(const char* option) const override {
        return parser_.value(QLatin1StringView(option)).toStdString();
    }
    std::vector<std::string> values(const char* option) const override {
        std::vector<std::string> all;
        for (const QString& v : parser_.values(QLatin1StringView(option)))
            all.push_back(v.toStdString());
        return all;
    }
    std::string program() const override {
        std::error_code error;
        const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
        return error ? std::filesystem::absolute(argv0_).string() : self.string();
    }
    std::unique_ptr<QGuiApplication> painting() const override;
    bool standardOutputTaken() const override { return standardOutputTaken_; }
    void takeStandardOutput() { standardOutputTaken_ = true; }
    std::vector<std::string> commandLine() const override { return commandLine_; }
    std::vector<std::string> positional() const override {
        std::vector<std::string> words;
        for (const QString& word : parser_.positionalArguments())
            words.push_back(word.toStdString());
        return words;
    }
    // The value of a number option, `fallback` when it is not given, nothing when it is not a number
    // from `low` to `high`.
    std::optional<double> number(const char* option, double fallback, double low, double high) const {
        if (!has(option))
            return fallback;
        auto parsed = parseNumber(value(option));
        if (!parsed || *parsed < low || *parsed > high)
            return std::nullopt;
        return parsed;
    }
    // "--atmosphere" when given, else "Atmosphere.ini" where the window reads it; none when it is in
    // neither place (the window then goes on without, and so does the tool).
    std::optional<std::string> atmosphereFile() const {
        if (has("atmosphere"))
            return value("atmosphere");
        const std::string path = dataFilePath(programDirectory_, atmosphereFileName);
        // One that is there but no file to read (a pipe, a device) is refused, as in the window.
        std::error_code error;
        if (std::filesystem::exists(path, error))
            return path;
        return std::nullopt;
    }
    // "--target" when given, else the standard target where the window's Load/Edit finds it (the
    // working folder), else beside the program or in the installed data.
    std::string standardTarget() const {
        if (has("target"))
            return value("target");
        std::error_code error;
        if (std::filesystem::is_regular_file(standardTargetFile, error))
            return standardTargetFile;
        return dataFilePath(programDirectory_, standardTargetFile);
    }
    // --model specified|physical; the physical model when the option is absent, as in the window.
    std::optional<ImageModel> model() const {
        return has("model") ? imageModelFromName(value("model")) : defaultImageModel;
    }
    // --orientation vertical|horizontal as "the bars are horizontal"; vertical when the option is
    // absent, nothing for any other word.
    std::optional<bool> horizontalBars() const {
        if (!has("orientation") || value("orientation") == orientationVertical)
            return false;
        if (value("orientation") == orientationHorizontal)
            return true;
        return std::nullopt;
    }
    // The laboratory's screen from --screen-pixel, --viewing-distance, --luminance, --gamma and
    // --black-level, the defaults where absent; none, with the rule broken, for a value out of range.
    std::optional<ScreenViewing> screen(std::string& error) const {
        ScreenViewing v;
        auto screenPixel = number("screen-pixel", v.screenPixel, 0.01, 10.0);
        auto distance = number("viewing-distance", v.distance, 0.05, 20.0);
        auto luminance = number("luminance", v.peakLuminance, 0.1, 10000.0);
        auto gamma = number("gamma", v.gamma, 1.0, 4.0);
        auto black = number("black-level", v.blackLuminance, 0.0, 100.0);
        if (!screenPixel || !distance || !luminance || !gamma || !black || *black >= *luminance) {
            error = "--screen-pixel takes 0.01 to 10 mm, --viewing-distance 0.05 to 20 m, --luminance 0.1 to 10000 "
                    "cd/m2, --gamma 1 to 4, --black-level 0 to 100 cd/m2 below the peak luminance";
            return std::nullopt;
        }
        v.screenPixel = *screenPixel;
        v.distance = *distance;
        v.peakLuminance = *luminance;
        v.gamma = *gamma;
        v.blackLuminance = *black;
        return v;
    }
    char* argv0() const { return argv0_; }

private:
    const QCommandLineParser& parser_;
    std::string programDirectory_;
    char* argv0_;
    std::vector<std::string> commandLine_;
    std::shared_ptr<QCommandLineParser> owned_;
    bool standardOutputTaken_ = false;
};

// The bench as the console leaves it after the start, on the files the options name or the standard
// ones, set up as the case says. Returns false with an error line, or with none when a reader's own
// message has been said.
bool prepareBench(const Invocation& run, Bench& bench, const StderrMessages& messages, BenchCase benchCase,
                  std::string& error) {
    error.clear();
    benchCase.sources.camera.path = run.value("camera");
    benchCase.sources.target.path = run.standardTarget();
    if (const auto atmosphere = run.atmosphereFile())
        benchCase.sources.atmosphere = BenchSource{*atmosphere, std::nullopt};
    const int said = messages.said;
    const BenchOpenFault fault = applyBenchCase(bench, benchCase);
    if (fault == BenchOpenFault::Target && messages.said == said) // absent: the reader says nothing
        error = "cannot read the target file " + benchCase.sources.target.path;
    return fault == BenchOpenFault::None;
}

constexpr FileRole input = FileRole::Input, output = FileRole::Output;

struct Command {
    const char* name;
    const char* usage;       // the lines after "tervix-cli " in the tool's usage, without the end
    const char* description; // what it does and which files it reads by itself
    const char* positional;  // the positional argument's name (a file it reads), or nullptr
    std::vector<CommandOption> options;
    int (*run)(const Invocation&);
};

const char* modelError = "the model must be specified or physical";
const char* orientationError = "the orientation must be vertical or horizontal";

// Qt paints only with an application object; the tool has no window, so it paints offscreen unless
// told otherwise.
std::unique_ptr<QGuiApplication> paintingApplication(const Invocation& run) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char* argv[] = {run.argv0(), nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

std::unique_ptr<QGuiApplication> Invocation::painting() const {
    return paintingApplication(*this);
}

int runCamera(const Invocation& run) {
    if (run.positional().size() != 1)
        return usageError("camera takes one camera file");
    CameraLoadMode mode = CameraLoadMode::Full;
    if (run.has("mode")) {
        const std::string m = run.value("mode");
        if (m == "full")
            mode = CameraLoadMode::Full;
        else if (m == "standard")
            mode = CameraLoadMode::Standard;
        else if (m == "switch")
            mode = CameraLoadMode::SwitchCamera;
        else
            return usageError("unknown mode " + m + " (full, standard or switch)");
    }
    BenchState state;
    StderrMessages messages;
    std::string error;
    if (run.has("atmosphere") && !readAtmosphereFile(run.value("atmosphere"), state.atmosphere, error))
        return fail(error);
    if (!loadCameraFile(state, run.positional()[0], mode, messages))
        return 1;
    if (!run.has("no-activate")) {
        CameraModelContext context = state.model();
        activateCameraModel(context);
    }
    std::cout << cameraJson(state, true).dump(2) << '\n';
    return 0;
}

int runTarget(const Invocation& run) {
    if (run.positional().size() != 1)
        return usageError("target takes one target file");
    Target target;
    StderrMessages messages;
    if (!readTargetFile(run.positional()[0], target, 0, messages))
        return messages.said > 0 ? 1 : fail("cannot read the target file " + run.positional()[0]);
    std::cout << targetJson(target).dump(2) << '\n';
    return 0;
}

int runRender(const Invocation& run) {
    if (!run.positional().empty())
        return usageError("render takes options only");
    for (const char* required : {"camera", "out"})
        if (!run.has(required))
            return usageError(std::string("render needs --") + required);

    BenchCase benchCase;
    benchCase.frequency = frequencyChoices[0].frequency;
    if (run.has("frequency")) {
        auto f = parseNumber(run.value("frequency"));
        if (!f || frequencyIndexOf(*f) < 0)
            return usageError("the frequency must be one of " + frequencyLabelList());
        benchCase.frequency = *f;
    }
    const auto dt = run.number("dt", 0.0, -2.0, 2.0);
    if (!dt)
        return usageError("the temperature difference must be a number from -2 to 2 K");
    const auto seed = run.number("seed", 0.0, 0.0, 4294967295.0);
    if (!seed || *seed != std::floor(*seed))
        return usageError("the seed must be a whole number from 0 to 4294967295");
    const auto model = run.model();
    if (!model)
        return usageError(modelError);
    if (run.has("phase")) {
        const std::string text = run.value("phase");
        const auto comma = text.find(',');
        auto dx = parseNumber(text.substr(0, comma));
        auto dy = comma == std::string::npos ? std::nullopt : parseNumber(text.substr(comma + 1));
        if (!dx || !dy || std::fabs(*dx) > 1000.0 || std::fabs(*dy) > 1000.0)
            return usageError("the phase must be DX,DY in pixels, each from -1000 to 1000");
        benchCase.phaseX = *dx;
        benchCase.phaseY = *dy;
    }
    const auto horizontal = run.horizontalBars();
    if (!horizontal)
        return usageError(orientationError);
    benchCase.orientation = *horizontal ? BarOrientation::Horizontal : BarOrientation::Vertical;
    benchCase.temperatureDifference = *dt;
    benchCase.randomise = run.has("randomise");
    if (run.has("seed"))
        benchCase.sources.seed = static_cast<std::uint32_t>(*seed);
    benchCase.sources.imageModel = model;

    BenchState state;
    StderrMessages messages;
    Bench bench(state, messages);
    std::string error;
    if (!prepareBench(run, bench, messages, benchCase, error))
        return error.empty() ? 1 : fail(error);

    if (!writeDisplayImagePng(state.sim, run.value("out"), error))
        return fail(error);
    if (run.has("sensor") && !writeSensorImagePfm(state.sim, run.value("sensor"), error))
        return fail(error);
    if (run.has("frame")) {
        std::vector<std::uint8_t> frame;
        nextFrame(state, false, frame);
        if (!writeGreyFramePng(frame, state.sim.imageWidth, state.sim.imageHeight, run.value("frame"), error))
            return fail(error);
    }
    return 0;
}

// What an objective MRTD was measured on and how: the files with their SHA-256, the seed, the image
// model, the bars' orientation and the observer with every setting that moves its readings.
std::optional<nlohmann::json> mrtdProvenance(const Invocation& run, const ObserverSettings& settings, ImageModel model,
                                             BarOrientation orientation, std::string& error) {
    nlohmann::json provenance = provenanceJson(run);
    nlohmann::json inputs = {{"atmosphere", nullptr}};
    const auto atmosphere = run.atmosphereFile();
    for (auto [role, path] : {std::pair<const char*, std::optional<std::string>>{"camera", run.value("camera")},
                              {"target", run.standardTarget()},
                              {"atmosphere", atmosphere}}) {
        if (!path)
            continue;
        const auto record = inputRecord(*path, error);
        if (!record)
            return std::nullopt;
        inputs[role] = *record;
    }
    provenance["inputs"] = inputs;
    provenance["seed"] = settings.seed;
    provenance["model"] = imageModelName(model);
    provenance["orientation"] = orientation == BarOrientation::Horizontal ? orientationHorizontal : orientationVertical;
    provenance["observer"] = observerProvenanceJson(settings);
    provenance["observer"]["frequencies"] =
        settings.toCameraLimit ? nlohmann::json("auto") : nlohmann::json(listedFrequencies(settings));
    return provenance;
}

// --frequencies: "auto", or frequencies in cycles/mrad separated by commas, each above zero and at
// most the largest the bench can show, none twice; measured in ascending order.
std::optional<std::vector<double>> frequencyList(const std::string& text) {
    std::vector<double> list;
    for (const std::string& cell : splitTokens(text, ",")) {
        const auto f = parseNumber(cell);
        if (!f || !(*f > 0.0) || *f > maxMeasuredFrequency)
            return std::nullopt;
        list.push_back(*f);
    }
    std::sort(list.begin(), list.end());
    if (list.empty() || std::adjacent_find(list.begin(), list.end()) != list.end())
        return std::nullopt;
    return list;
}

int runMrtd(const Invocation& run) {
    if (!run.positional().empty() || !run.has("camera"))
        return usageError("mrtd needs --camera FILE");
    ObserverSettings settings;
    std::string error;
    auto snr = run.number("snr", settings.thresholdSnr, 0.1, 100.0);
    auto time = run.number("time", settings.integrationTime, 0.001, 10.0);
    auto seed = run.number("seed", 1.0, 0.0, 4294967295.0);
    auto repeats = run.number("repeats", settings.repeats, 1, 1000);
    auto threads = run.number("threads", 0, 0, 256);
    if (!snr || !time || !seed || *seed != std::floor(*seed) || !repeats || *repeats != std::floor(*repeats) ||
        !threads || *threads != std::floor(*threads))
        return usageError(
            "--snr takes 0.1 to 100, --time 0.001 to 10 seconds, --seed a whole number, --repeats 1 to 1000, "
            "--threads 0 (all cores) to 256");
    settings.thresholdSnr = *snr;
    settings.integrationTime = *time;
    settings.seed = static_cast<std::uint32_t>(*seed);
    settings.repeats = static_cast<int>(*repeats);
    settings.threads = static_cast<int>(*threads);
    settings.grid = run.has("grid");
    if (run.has("frequencies")) {
        const auto list = run.value("frequencies") == "auto" ? std::optional<std::vector<double>>(std::vector<double>{})
                                                             : frequencyList(run.value("frequencies"));
        if (!list)
            return usageError(
                "--frequencies takes auto or frequencies in cycles/mrad separated by commas, each above 0 "
                "and at most " +
                std::to_string(static_cast<int>(maxMeasuredFrequency)) + ", none twice");
        settings.frequencies = *list;
        settings.toCameraLimit = list->empty();
    }
    const auto observer = observerNamed(run.has("observer") ? run.value("observer") : "human");
    if (!observer)
        return usageError("--observer takes ideal or human");
    settings.observer = *observer;
    const auto screen = run.screen(error);
    if (!screen)
        return fail(error);
    auto magnification = run.number("magnification", settings.viewing.magnification, 0.125, 64.0);
    auto level = run.number("level", sliderRange / 2, 0, sliderRange);
    auto contrast = run.number("contrast", 0, 0, sliderRange);
    if (!magnification || !level || !contrast || *level != std::floor(*level) || *contrast != std::floor(*contrast))
        return usageError("--magnification takes 0.125 to 64, --level and --contrast whole positions 0 to 1000");
    settings.viewing = *screen;
    settings.viewing.magnification = *magnification;
    if (run.has("observer-profile")) {
        std::string profileError;
        const auto profile = readObserverProfile(run.value("observer-profile"), profileError);
        if (!profile)
            return fail(profileError);
        settings.profile = *profile;
    }
    if (run.has("level") || run.has("contrast"))
        settings.displayWindow = LevelContrast{static_cast<int>(*level), static_cast<int>(*contrast)};
    const auto model = run.model();
    if (!model)
        return usageError(modelError);
    const auto horizontal = run.horizontalBars();
    if (!horizontal)
        return usageError(orientationError);

    BenchCase benchCase;
    benchCase.orientation = *horizontal ? BarOrientation::Horizontal : BarOrientation::Vertical;
    benchCase.sources.seed = settings.seed;
    benchCase.sources.imageModel = *model;
    BenchState state;
    StderrMessages messages;
    Bench bench(state, messages);
    if (!prepareBench(run, bench, messages, benchCase, error))
        return error.empty() ? 1 : fail(error);
    if (settings.displayWindow)
        bench.setDisplayWindow(settings.displayWindow->level, settings.displayWindow->contrast);
    // A progress line for a person watching; none into a pipe or a log.
    const bool terminal = isatty(STDERR_FILENO) != 0;
    auto progress = [terminal](int done, int total) {
        if (terminal)
            std::fprintf(stderr, "\rmrtd: %d of %d runs", done, total);
    };
    const ObjectiveMrtd result = measureObjectiveMrtd(state, settings, progress);
    if (terminal)
        std::fprintf(stderr, "\n");

    const std::string table = objectiveMrtdTable(result);
    // With an output on standard output, that output is all a pipe receives.
    if (!run.standardOutputTaken() && run.has("json")) {
        nlohmann::json json = objectiveMrtdJson(result, settings);
        const auto provenance = mrtdProvenance(run, settings, *model, benchCase.orientation, error);
        if (!provenance)
            return fail(error);
        json["provenance"] = *provenance;
        std::cout << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    } else if (!run.standardOutputTaken())
        std::cout << table;
    if (run.has("table") && !writeOutputFile(run.value("table"), table, error))
        return fail(error);
    if (run.has("csv") && !writeOutputFile(run.value("csv"), objectiveMrtdCsv(result), error))
        return fail(error);
    if (run.has("plot")) {
        const auto application = paintingApplication(run);
        const ClassicTerms terms = classicTerms(state);
        // The reference the observer is calibrated against: for the human observer the chain
        // through the screen and the eye, whose display follows each frequency's image, drawn
        // through the values the run computed rather than with one frequency's display for all.
        auto classic = [&](double f) {
            return settings.observer == ObserverKind::Human
                       ? referenceThroughRun(result, f)
                       : classicMrtd(terms, f, settings.thresholdSnr, settings.integrationTime);
        };
        if (!writeMrtdPlotPng(result, state.camera, classic, run.value("plot"), error))
            return fail(error);
    }
    return 0;
}

int runFidelity(const Invocation& run) {
    if (!run.positional().empty() || !run.has("camera"))
        return usageError("fidelity needs --camera FILE");
    const auto model = run.model();
    if (!model)
        return usageError(modelError);
    BenchState state;
    StderrMessages messages;
    Bench bench(state, messages);
    BenchCase benchCase;
    benchCase.sources.imageModel = *model;
    std::string error;
    if (!prepareBench(run, bench, messages, benchCase, error))
        return error.empty() ? 1 : fail(error);
    const ModelFidelity report = modelFidelityReport(bench);
    if (run.has("json")) {
        std::cout << modelFidelityJson(report).dump(2) << '\n';
        return 0;
    }
    std::cout << modelFidelityText(report);
    return 0;
}

// What identifies the session and what was measured: the report's number and revision, the file's
// SHA-256, each input as frozen with how its file on disk stands now, and the audit trail's state.
std::string sessionRecordText(const Session& session, const std::string& sha256,
                              const std::vector<InputOnDisk>& onDisk) {
    std::string out = "report " + reportNumberOf(session) + ", revision " + std::to_string(currentRevision(session)) +
                      "; session file SHA-256 " + sha256 + "\n";
    for (std::size_t k = 0; k < session.inputs.size(); ++k) {
        const SessionInput& in = session.inputs[k];
        out += "input " + std::to_string(k + 1) + ": " + in.kind + " " + visibleText(in.file) + ", SHA-256 " +
               in.sha256 + ", on disk: " + inputOnDiskText(onDisk[k]) + "\n";
    }
    if (const auto broken = auditBreak(session))
        out += "changed outside Tervix after entry " + std::to_string(*broken) + " of the audit trail\n";
    else if (!session.audit.empty())
        out += "audit trail: " + std::to_string(session.audit.size()) + " entries, intact\n";
    return out;
}

// A session file's statistics: a summary table, or JSON, and CSV and the report.
int runSession(const Invocation& run) {
    if (run.positional().size() != 1)
        return usageError("session takes one session file");
    const std::string path = run.positional()[0];
    // The file is read once: its statistics and its SHA-256 are of the same bytes.
    std::string text;
    MessageLog log;
    const auto session = readSessionFile(path, log, &text);
    if (!session)
        return fail(log.messages.empty() ? path + " cannot be read" : log.messages.front());
    // A requirement is checked before anything is printed, so a malformed one leaves no half output.
    ReportInfo info;
    info.laboratory = QString::fromStdString(run.value("laboratory"));
    info.operatorName = QString::fromStdString(run.value("operator"));
    info.sessionSha256 = QString::fromStdString(sha256Hex(text));
    for (const char* field : {"laboratory", "operator"})
        if (auto problem = lengthProblem(run.value(field), reportFieldLimit, std::string("--") + field);
            !problem.empty())
            return fail(problem);
    if (run.has("rule")) {
        const auto rule = decisionRuleNamed(run.value("rule"));
        if (!rule)
            return usageError("--rule is 'interval' or 'simple', not '" + visibleText(run.value("rule")) + "'");
        info.rule = *rule;
    }
    if (run.has("requirement")) {
        std::string requirementError;
        info.requirement = readRequirementFile(run.value("requirement"), requirementError);
        if (!info.requirement)
            return fail(requirementError);
        info.requirementFile = QString::fromStdString(run.value("requirement"));
    }
    if (run.has("sign") && (!run.has("pdf") || isStandardOutput(run.value("pdf"))))
        return usageError("--sign signs the report: give --pdf FILE too");
    // The camera files are looked for beside the session, then in the working folder; one the report
    // would refuse (a pipe, a device) is said before anything is printed or Qt starts.
    const QStringList folders{QFileInfo(QString::fromStdString(path)).absolutePath(), QDir::currentPath()};
    QString reportError;
    if (run.has("pdf") && !sessionCameraFiles(*session, folders, reportError))
        return fail(reportError.toStdString());
    const auto groups = sessionStatistics(*session);
    const auto onDisk = inputsOnDisk(session->inputs, localPaths(folders));
    // The JSON stays what the window's export writes; the record's lines go with the table.
    if (!run.standardOutputTaken())
        std::cout << (run.has("json") ? sessionJson(*session)
                                      : sessionRecordText(*session, sha256Hex(text), onDisk) + statisticsTable(groups) +
                                            objectiveRunsTable(session->objectiveRuns));
    std::string error;
    if (run.has("csv") && !writeOutputFile(run.value("csv"), statisticsCsv(groups), error))
        return fail(error);
    if (run.has("pdf")) {
        const auto application = paintingApplication(run);
        if (!writeSessionReport(*session, folders, QString::fromStdString(run.value("pdf")), reportError, info))
            return fail(reportError.toStdString());
    }
    if (run.has("sign") && !signDetached(run.value("pdf"), run.value("sign"), run.value("pdf") + ".sig", error))
        return fail(error);
    return 0;
}

// A report's detached signature checked by GnuPG against the keys the user trusts.
int runVerify(const Invocation& run) {
    if (run.positional().size() != 1)
        return usageError("verify takes one report");
    const std::string report = run.positional()[0];
    const std::string signature = run.has("signature") ? run.value("signature") : report + ".sig";
    std::string account;
    const bool good = verifyDetached(report, signature, account);
    std::cout << account << '\n';
    if (!good)
        return fail("the signature '" + signature + "' does not vouch for '" + report + "'");
    std::cout << "good signature: '" + report + "' is as it was signed\n";
    return 0;
}

int runObserver(const Invocation& run) {
    std::string error;
    const auto screen = run.screen(error);
    if (!screen)
        return fail(error);
    return runObserverCommand(run, *screen, run.standardTarget(), run.atmosphereFile());
}

int runRange(const Invocation& run) {
    return runRangeCommand(run);
}
int runStudy(const Invocation& run) {
    return runStudyCommand(run);
}

const std::vector<Command>& commands() {
    static const CommandOption atmosphere{"atmosphere", "FILE", "The atmosphere table (Atmosphere.ini).", input};
    static const CommandOption camera{"camera", "FILE", "The camera file (*.par).", input};
    static const CommandOption target{"target", "FILE", "The target file (*.tag); the standard target when left out.",
                                      input};
    static const CommandOption seed{"seed", "N", "Seed of the noise generator, 0 to 4294967295."};
    static const CommandOption model{"model", "MODEL",
                                     "The image model: physical or specified, the bit-exact image (default physical)."};
    static const CommandOption orientation{
        "orientation", "BARS", "vertical (the standard target, default) or horizontal (turned by 90 degrees)."};
    static const CommandOption screenPixel{"screen-pixel", "MM",
                                           "The monitor's pixel pitch, 0.01 to 10 mm (default 0.25)."};
    static const CommandOption distance{"viewing-distance", "M", "Eye to screen, 0.05 to 20 m (default 0.5)."};
    static const CommandOption luminance{"luminance", "CD_M2",
                                         "The monitor's peak luminance, 0.1 to 10000 cd/m2 (default 100)."};
    static const CommandOption gamma{"gamma", "G", "The monitor's luminance law's exponent, 1 to 4 (default 2.2)."};
    static const CommandOption black{"black-level", "CD_M2",
                                     "The monitor's luminance at grey 0, 0 to 100 cd/m2 (default 0)."};
    static const std::vector<Command> table{
        {"camera",
         "camera FILE [--mode full|standard|switch] [--atmosphere FILE] [--no-activate]",
         "Reads a camera file as the bench does and prints the camera record, its tables and kernels as JSON.\n"
         "Reads no atmosphere unless --atmosphere names one.",
         "FILE",
         {{"mode", "MODE", "How the file is read: full, standard or switch (default full)."},
          atmosphere,
          {"no-activate", "", "Print the record as read, before the camera is activated."}},
         runCamera},
        {"target",
         "target FILE",
         "Reads a target file as the bench does and prints its items as JSON.",
         "FILE",
         {},
         runTarget},
        {"render",
         "render --camera FILE [--target FILE] [--atmosphere FILE] [--frequency F] [--dt K]\n"
         "                    [--seed N] [--randomise] [--model specified|physical] [--phase DX,DY]\n"
         "                    [--orientation vertical|horizontal] --out PNG [--sensor PFM] [--frame PNG]",
         "Writes the display image the bench shows for a camera, target, frequency and temperature difference.",
         nullptr,
         {camera,
          target,
          atmosphere,
          {"frequency", "F", "Spatial frequency in cycles/mrad: 0.5, 1, 1.5, 2, 3 or 4 (default 0.5)."},
          {"dt", "K", "Temperature difference of the bars, -2 to 2 K (default 0)."},
          seed,
          {"randomise", "", "Randomise the target's position, as the console's check box does."},
          model,
          {"phase", "DX,DY", "Shift the target by DX,DY pixels, each from -1000 to 1000."},
          orientation,
          {"out", "PNG", "The display image to write.", output},
          {"sensor", "PFM", "Also write the sensor image.", output},
          {"frame", "PNG", "Also write one noisy frame.", output}},
         runRender},
        {"mrtd",
         "mrtd --camera FILE [--target FILE] [--atmosphere FILE] [--seed N] [--snr K] [--time S]\n"
         "                  [--model specified|physical] [--repeats N] [--threads N] [--grid] [--json]\n"
         "                  [--observer ideal|human] [--screen-pixel MM] [--viewing-distance M]\n"
         "                  [--magnification N] [--luminance CD_M2] [--gamma G] [--black-level CD_M2]\n"
         "                  [--observer-profile FILE] [--level N] [--contrast N]\n"
         "                  [--orientation vertical|horizontal] [--frequencies LIST|auto] [--table OUT.txt]\n"
         "                  [--csv OUT.csv] [--plot OUT.png]",
         "Measures the camera's MRTD with the model observer, repeated at random target phases, and prints\n"
         "each frequency's outcome, mean, spread and 95 % interval beside the classic formula, under the pixel\n"
         "angle and Nyquist frequency across the bars. Vertical bars give the horizontal MRTD; horizontal bars,\n"
         "read across the rows, the vertical MRTD. Above the Nyquist frequency nothing is measured: the\n"
         "outcome is 'beyond the sampling limit'.",
         nullptr,
         {camera,
          target,
          atmosphere,
          {"seed", "N", "Seed of the repeats' noise and target phases, a whole number (default 1)."},
          {"snr", "K", "The classic threshold signal-to-noise ratio, 0.1 to 100 (default 2.5)."},
          {"time", "S", "The observer's integration time, 0.001 to 10 seconds (default 0.2)."},
          model,
          orientation,
          {"repeats", "N", "Independent runs per frequency, 1 to 1000 (default 8)."},
          {"frequencies", "LIST",
           "Frequencies in cycles/mrad, e.g. 0.5,1,2.5, or auto: from 0.25 in steps of at most 0.25 and 10 %\n"
           "to the first frequency not resolved within +-2 K or past the sampling limit (default: the six)."},
          {"threads", "N", "Worker threads, 0 for every core (default 0)."},
          {"grid", "", "Step the difference on the trackbar's grid instead of searching it."},
          {"observer", "NAME", "ideal (noise-limited) or human (the screen and the eye; the default)."},
          screenPixel,
          distance,
          {"magnification", "N", "The view's magnifier, 0.125 to 64 (default 1)."},
          luminance,
          gamma,
          black,
          {"observer-profile", "FILE",
           "A laboratory's observer profile (tervix-cli observer fit): its threshold factor and\n"
           "noise efficiency in place of the published eye's."},
          {"level", "N", "Hold the display's Level position, 0 to 1000 (default automatic)."},
          {"contrast", "N", "Hold the display's Contrast position, 0 to 1000 (default automatic)."},
          {"json", "", "Print the results as JSON instead of the table."},
          {"table", "OUT.txt", "Also write the table.", output},
          {"csv", "OUT.csv", "Also write the table's columns as comma-separated values.", output},
          {"plot", "OUT.png", "Also draw the plot.", output}},
         runMrtd},
        {"observer",
         "observer fit SESSION [--blind-only] --out PROFILE.json [--target FILE] [--atmosphere FILE]\n"
         "                     [--screen-pixel MM] [--viewing-distance M] [--luminance CD_M2] [--gamma G]\n"
         "                     [--black-level CD_M2]",
         "Fits the human observer's threshold factor and noise efficiency to a session's human readings, each\n"
         "seen on its own camera, frequency, bars and display, prints both with their 95 % intervals (the\n"
         "observers resampled) and the residuals, and writes the profile that the mrtd command (its option\n"
         "observer-profile) and the window use. Reads the camera files the readings name (beside the session,\n"
         "then in the working folder), the standard target and the atmosphere as mrtd does.",
         "SESSION",
         {{"blind-only", "", "Fit only the readings taken while their observer read blind."},
          {"out", "PROFILE.json", "The profile to write."},
          target,
          atmosphere,
          screenPixel,
          distance,
          luminance,
          gamma,
          black},
         runObserver},
        {"fidelity",
         "fidelity --camera FILE [--target FILE] [--atmosphere FILE] [--model specified|physical]\n"
         "                      [--json]",
         "Compares the simulated image's measured quantities with their predicted values.",
         nullptr,
         {camera, target, atmosphere, model, {"json", "", "Print the report as JSON."}},
         runFidelity},
        {"session",
         "session FILE [--json] [--csv OUT.csv] [--pdf OUT.pdf [--laboratory TEXT] [--operator TEXT]\n"
         "                     [--requirement CSV [--rule interval|simple]] [--sign KEY]]",
         "Reads a measurement session written by the bench and prints its report number and revision, its\n"
         "SHA-256, the inputs it froze (and whether their files on disk differ), the audit trail's state, its\n"
         "statistics per slot, camera file, image model, orientation and frequency, and the model observer's\n"
         "runs. Reads no other file, except the inputs' files it compares (beside the session, then in the\n"
         "working folder) and the requirement it is given.",
         "FILE",
         {{"json", "", "Print the statistics and the model observer's runs as JSON."},
          {"csv", "OUT.csv", "Also write the statistics as comma-separated values.", output},
          {"pdf", "OUT.pdf", "Also write the report.", output},
          {"laboratory", "TEXT", "The laboratory the report names."},
          {"operator", "TEXT", "The operator the report names."},
          {"requirement", "CSV",
           "MRTD limits as 'frequency,MRTD limit' rows: the report judges each frequency\n"
           "against them and draws them.",
           input},
          {"rule", "RULE",
           "interval (default: pass only when the 95 % interval lies at or below the limit)\n"
           "or simple (simple acceptance: the mean alone), named as such in the report."},
          {"sign", "KEY", "Also sign the report with this key of your GnuPG keyring: OUT.pdf.sig."}},
         runSession},
        {"verify",
         "verify REPORT [--signature SIG]",
         "Checks a report against its detached OpenPGP signature (REPORT.sig) with GnuPG and the keys in\n"
         "your keyring, and says who signed it. Exits with 1 unless the signature is good.",
         "REPORT",
         {{"signature", "SIG", "The signature file (default REPORT.sig)."}},
         runVerify},
        {"range",
         "range (--camera FILE | --session FILE [--slot N] | --objective JSON [--objective-horizontal JSON]\n"
         "                   | --mrtd CSV) [--target nato|person|W,H] [--dt K] [--extinction clear|humid|haze|S]\n"
         "                   [--criteria johnson|2d|N1,N2,N3] [--dimension sqrt|min] [--probability P...]\n"
         "                   [--v50 V1,V2,V3] [--ttp-exponent A,B] [--json] [--csv OUT.csv] [--plot OUT.png]",
         "Predicts the detection, recognition and identification ranges from an MRTD, with their 95 % intervals\n"
         "where the source has a spread, and the TTP metric's ranges beside them. A range is a number where the\n"
         "curve crosses the target's difference, else a bracket limited by the sampling or the measurement.\n"
         "Reads only the files named.",
         nullptr,
         {{"camera", "FILE", "The camera file's MRTD curves for the field of view in use.", input},
          {"session", "FILE", "A session's observers' group means (intervals with the observers as the unit).", input},
          {"slot", "N", "The session's camera slot, 1 to 5 (default: the first with readings)."},
          {"objective", "JSON", "The JSON of tervix-cli mrtd --json with vertical bars (the horizontal MRTD).", input},
          {"objective-horizontal", "JSON", "The same with horizontal bars (the vertical MRTD).", input},
          {"mrtd", "CSV", "Rows 'frequency, mrtdH, mrtdV' in cycles/mrad and kelvin; a cell may be empty.", input},
          {"target", "W,H", "nato (2.3 x 2.3 m, default), person (1.8 x 0.5 m) or width,height in metres."},
          {"dt", "K", "The target's temperature difference (default 2 K)."},
          {"extinction", "S", "clear (0.2, default), humid (0.5), haze (1.0) or a coefficient in km^-1."},
          {"criteria", "SET", "johnson (default), 2d or N1,N2,N3 cycles for detection, recognition, identification."},
          {"dimension", "HOW", "The critical dimension: sqrt (of the area, default) or min (the smaller side)."},
          {"probability", "P", "Also the ranges at these probabilities, e.g. 0.9 or 0.7,0.9 (may repeat)."},
          {"v50", "V1,V2,V3", "The TTP metric's V50 for detection, recognition, identification."},
          {"ttp-exponent", "A,B", "The TTP probability function's exponent E = A + B V/V50 (default 1.51,0.24)."},
          {"json", "", "Print the ranges as JSON."},
          {"csv", "OUT.csv", "Also write one row per task.", output},
          {"plot", "OUT.png", "Also draw the chance of each task against range.", output}},
         runRange},
        {"study",
         "study PLAN.json [--out DIR] [--max-jobs N] | study run DIR N | study slurm DIR [--array-limit N]\n"
         "                   | study --merge DIR [--csv OUT.csv] [--plot OUT.png]",
         "Checks a trade study's plan (one or two parameters stepped from a base camera file) and writes its\n"
         "folder: the cameras, manifest.json and jobs.txt, one 'study run DIR N' line per job, for GNU parallel\n"
         "(parallel < DIR/jobs.txt); 'study slurm DIR' writes DIR/slurm.sh, a job array for Slurm. A job\n"
         "measures its camera in both orientations and predicts its ranges; a finished job is not run again.\n"
         "--merge gathers this plan's results into one CSV and a plot, names what is missing, failed or\n"
         "stale, and exits with 3 until every job has finished.",
         "PLAN",
         {{"out", "DIR", "The study's folder (default: beside the plan, named after it)."},
          {"max-jobs", "N", "Allow a plan of up to N jobs (default 100000, at most 1000000)."},
          {"array-limit", "N", "The most tasks one job array may have (default 1000, below Slurm's MaxArraySize)."},
          {"merge", "DIR", "Gather a study's results."},
          {"csv", "OUT.csv", "Where --merge writes the CSV (default DIR/ranges.csv).", output},
          {"plot", "OUT.png", "Where --merge draws the plot (default DIR/ranges.png).", output}},
         runStudy},
    };
    return table;
}

std::string toolUsage() {
    std::string text = "usage:\n";
    for (const Command& command : commands())
        text += std::string("  tervix-cli ") + command.usage + "\n";
    return text;
}

CommandHelp helpOf(const Command& command) {
    return {command.name, command.usage, command.description, &command.options};
}

void printHelp(const Command& command, const QCommandLineParser& parser) {
    // Qt's text begins with its own usage line; the command's usage replaces it.
    QString qtHelp = parser.helpText();
    qtHelp.remove(0, qtHelp.indexOf(u'\n') + 1);
    std::cout << "usage: tervix-cli " << command.usage << "\n\n"
              << command.description << '\n'
              << standardFilesText(helpOf(command)) << qtHelp.toStdString();
}

void printVersion() {
    std::cout << "tervix-cli " << QCoreApplication::applicationVersion().toStdString() << '\n';
}

// Qt names an unknown option without its dashes; the user's spelling is kept where it is known.
std::string parseError(const QCommandLineParser& parser) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString& name = unknown.front();
        return "unknown option " + std::string(name.size() == 1 ? "-" : "--") + name.toStdString();
    }
    return parser.errorText().toStdString();
}

QStringList argumentsFrom(int argc, char** argv) {
    QStringList arguments;
    for (int k = 0; k < argc; ++k)
        arguments << QString::fromLocal8Bit(argv[k]);
    return arguments;
}

// The tool's own --help and --version, which Qt's built-in ones would word differently (and follow with
// Qt's own options, which the tool does not take).
QCommandLineOption addHelpOptions(QCommandLineParser& parser) {
    QCommandLineOption help({u"h"_s, u"help"_s}, u"Show this help."_s);
    parser.addOption(help);
    return help;
}
QCommandLineOption addVersionOption(QCommandLineParser& parser) {
    QCommandLineOption version({u"v"_s, u"version"_s}, u"Show the version."_s);
    parser.addOption(version);
    return version;
}

// The files a run reads: its positional argument, the options that name inputs, and the standard
// target and Atmosphere.ini that a command taking --target reads when they are left out.
std::vector<NamedFile> filesRead(const Command& command, const Invocation& run) {
    std::vector<NamedFile> files;
    if (command.positional)
        for (const std::string& path : run.positional())
            files.push_back({command.positional, path});
    for (const CommandOption& option : command.options) {
        if (option.role == FileRole::Input && run.has(option.name))
            files.push_back({std::string("--") + option.name, run.value(option.name)});
        if (option.role == FileRole::Input && std::string(option.name) == "target") {
            if (!run.has("target"))
                files.push_back({"the standard target", run.standardTarget()});
            if (const auto atmosphere = run.atmosphereFile(); atmosphere && !run.has("atmosphere"))
                files.push_back({"the atmosphere", *atmosphere});
        }
    }
    return files;
}

std::vector<NamedFile> filesWritten(const Command& command, const Invocation& run) {
    std::vector<NamedFile> files;
    for (const CommandOption& option : command.options)
        if (option.role == FileRole::Output && run.has(option.name))
            files.push_back({std::string("--") + option.name, run.value(option.name)});
    // A signed report's signature is written beside it: an output like the others.
    const bool signs = std::any_of(command.options.begin(), command.options.end(),
                                   [](const CommandOption& option) { return std::string(option.name) == "sign"; });
    if (signs && run.has("sign") && run.has("pdf"))
        files.push_back({"--sign", run.value("pdf") + ".sig"});
    return files;
}

void addCommandOptions(QCommandLineParser& parser, const Command& command) {
    for (const CommandOption& entry : command.options) {
        QCommandLineOption option(QString::fromUtf8(entry.name), QString::fromUtf8(entry.description));
        if (*entry.valueName)
            option.setValueName(QString::fromUtf8(entry.valueName));
        parser.addOption(option);
    }
    if (command.positional)
        parser.addPositionalArgument(QString::fromUtf8(command.positional), u"The file to read."_s);
}

std::vector<std::string> commandLineOf(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

int runCommand(const Command& command, int argc, char** argv) {
    QCommandLineParser parser;
    const QCommandLineOption help = addHelpOptions(parser);
    const QCommandLineOption version = addVersionOption(parser);
    addCommandOptions(parser, command);
    // The command's name is not one of its arguments.
    QStringList arguments = argumentsFrom(argc, argv);
    arguments.removeAt(1);
    if (!parser.parse(arguments))
        return usageError(parseError(parser));
    if (parser.isSet(help)) {
        printHelp(command, parser);
        return 0;
    }
    if (parser.isSet(version)) {
        printVersion();
        return 0;
    }
    Invocation run(parser, programDirectory(argv[0]), argv[0], commandLineOf(argc, argv));
    const std::vector<NamedFile> written = filesWritten(command, run);
    if (const auto refusal = outputOverInput(filesRead(command, run), written))
        return fail(*refusal);
    if (std::any_of(written.begin(), written.end(), [](const NamedFile& f) { return isStandardOutput(f.path); }))
        run.takeStandardOutput();
    return command.run(run);
}

// The program's own argv[0], for words parsed away from the command line.
char* programArgv0 = nullptr;

// The tool's own options, before any command.
int runToolOptions(int argc, char** argv) {
    QCommandLineParser parser;
    const QCommandLineOption help = addHelpOptions(parser);
    const QCommandLineOption version = addVersionOption(parser);
    const QCommandLineOption man(u"man"_s, u"Print the manual page."_s);
    parser.addOption(man);
    if (!parser.parse(argumentsFrom(argc, argv)))
        return usageError(parseError(parser));
    if (parser.isSet(version)) {
        printVersion();
        return 0;
    }
    if (parser.isSet(man)) {
        std::vector<CommandHelp> help;
        for (const Command& command : commands())
            help.push_back(helpOf(command));
        std::cout << manualPage(help, tervixVersion);
        return 0;
    }
    if (parser.isSet(help) && parser.positionalArguments().isEmpty()) {
        std::cout << toolUsage() << '\n'
                  << toolSummary << "\n\n"
                  << "Options:\n  -h, --help     Show this help.\n  -v, --version  Show the version.\n"
                     "  --man          Print the manual page.\n";
        return 0;
    }
    std::cerr << toolUsage();
    return exitUsage;
}

} // namespace

std::unique_ptr<CommandWords> parseCommandWords(const std::string& name, const std::vector<std::string>& words,
                                                std::string& error) {
    const auto& table = commands();
    const auto command = std::find_if(table.begin(), table.end(), [&](const Command& c) { return name == c.name; });
    if (command == table.end()) {
        error = "unknown command " + name;
        return nullptr;
    }
    auto parser = std::make_shared<QCommandLineParser>();
    addCommandOptions(*parser, *command);
    QStringList arguments{u"tervix-cli"_s};
    for (const std::string& word : words)
        arguments << QString::fromStdString(word);
    if (!parser->parse(arguments)) {
        error = parseError(*parser);
        return nullptr;
    }
    std::vector<std::string> commandLine{"tervix-cli", name};
    commandLine.insert(commandLine.end(), words.begin(), words.end());
    return std::make_unique<Invocation>(std::move(parser), programDirectory(programArgv0), programArgv0,
                                        std::move(commandLine));
}

int main(int argc, char** argv) {
    programArgv0 = argv[0];
    keepPlatformNoticesOffStderr();
    QCoreApplication::setApplicationName(u"tervix-cli"_s);
    QCoreApplication::setApplicationVersion(QString::fromLatin1(tervixVersion));
    if (argc < 2) {
        std::cerr << toolUsage();
        return exitUsage;
    }
    const std::string word = argv[1];
    if (word.rfind('-', 0) == 0)
        return runToolOptions(argc, argv);
    const auto& table = commands();
    auto command = std::find_if(table.begin(), table.end(), [&](const Command& c) { return word == c.name; });
    if (command == table.end()) {
        std::cerr << "tervix-cli: unknown command " << word << '\n' << toolUsage();
        return exitUsage;
    }
    return runCommand(*command, argc, argv);
}
