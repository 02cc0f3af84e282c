#include "cli/study_merge.h"

#include "cli/command_words.h"
#include "cli/exit_status.h"
#include "cli/image_files.h"
#include "cli/refusal.h"
#include "cli/study_manifest.h"
#include "drawing/plot_style.h"
#include "drawing/study_plot.h"
#include "measurement/range_study.h"
#include "text/output_file.h"
#include "text/whole_file.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <filesystem>
#include <iostream>
#include <map>

namespace fs = std::filesystem;

namespace {

constexpr int plotWidth = 860, plotHeight = 480;
// Problems are listed up to this many of each kind, then counted.
constexpr std::size_t listedProblems = 10;

struct ProblemList {
    explicit ProblemList(const char* title) : heading(title) {}
    const char* heading;
    std::vector<std::string> items;
    std::size_t count = 0;
    void add(const std::string& item) {
        if (++count <= listedProblems)
            items.push_back(item);
    }
    void print() const {
        if (count == 0)
            return;
        std::cerr << heading << " (" << count << "):\n";
        for (const std::string& item : items)
            std::cerr << "  " << item << '\n';
        if (count > items.size())
            std::cerr << "  and " << count - items.size() << " more\n";
    }
};

bool inside(const fs::path& path, const fs::path& folder) {
    std::error_code error;
    const fs::path parent = fs::weakly_canonical(fs::absolute(path).parent_path(), error);
    return !error && parent == fs::weakly_canonical(folder, error);
}

// Why an output may not be written where it is asked for, or empty: it would replace one of the
// study's inputs or results, or write through a link someone put in the folder.
std::string outputRefusal(const std::string& output, const StudyManifest& manifest) {
    const fs::path folder = manifest.folder;
    for (const char* sub : {"cameras", "results", "logs"})
        if (inside(output, folder / sub))
            return "'" + output + "' is in the study's " + sub + " folder; name a file outside it";
    std::vector<std::string> inputs{manifest.plan.path,
                                    manifest.camera.path,
                                    manifest.target.path,
                                    (folder / "manifest.json").string(),
                                    (folder / "jobs.txt").string(),
                                    (folder / "slurm.sh").string()};
    if (manifest.atmosphere)
        inputs.push_back(manifest.atmosphere->path);
    for (const std::string& input : inputs)
        if (namesSameFile(output, input))
            return "'" + output + "' is the study's input '" + input + "'; name another file";
    if (isSymbolicLink(output) && inside(output, folder))
        return "'" + output + "' is a symbolic link in the study's folder; the merge writes no file through it";
    return {};
}

std::string firstExisting(const std::string& folder, const std::vector<std::string>& names) {
    std::string found;
    std::error_code error;
    for (const std::string& name : names)
        if (fs::exists(folder + "/" + name, error))
            found += (found.empty() ? "" : ", ") + name;
    return found;
}

} // namespace

int mergeStudy(const CommandWords& words) {
    if (!words.positional().empty())
        return usageError("study --merge DIR takes no plan file");
    const std::string folder = fs::absolute(words.value("merge")).lexically_normal().string();
    std::string error;
    const auto manifest = readStudyManifest(folder, 0, error);
    if (!manifest)
        return fail(error);
    const std::string csvPath = words.has("csv") ? words.value("csv") : folder + "/ranges.csv";
    const std::string plotPath = words.has("plot") ? words.value("plot") : folder + "/ranges.png";
    if (namesSameFile(csvPath, plotPath))
        return fail("--csv and --plot name the same file '" + csvPath + "'");
    for (const std::string& output : {csvPath, plotPath})
        if (const std::string refusal = isStandardOutput(output) ? "" : outputRefusal(output, *manifest);
            !refusal.empty())
            return fail(refusal);

    const StudyTableLayout& layout = manifest->layout;
    std::string csv = studyTableHeader(layout);
    // A row is about as long as the header; growing by doubling would hold twice the table at its peak.
    csv.reserve(csv.size() * (manifest->jobCount + 1));
    ProblemList missing{"missing (no result, no log: not run yet, or still running)"}, failed{"failed (see the logs)"},
        stale{"stale (another plan's result, not merged)"}, malformed{"malformed or refused (skipped)"};
    std::map<std::pair<std::size_t, double>, StudyPlotLine> lines;
    std::size_t done = 0;
    for (const StudyJob& job : manifest->jobs) {
        nlohmann::json result;
        std::string reason;
        const StudyResultState state = readStudyResult(*manifest, job.job, result, reason);
        const std::string stem = studyJobStem(job.job, manifest->jobCount);
        const std::string jobName = "job " + std::to_string(job.job);
        if (state == StudyResultState::Done) {
            ++done;
            csv += studyTableRow(layout, job.job, job.point, result);
            for (std::size_t t = 0; t < layout.tasks.size(); ++t) {
                const auto range = studyTaskRange(result["tasks"], layout.tasks[t]);
                if (range && range->km)
                    lines[{t, job.point.size() > 1 ? job.point[1] : 0.0}].points.push_back(
                        {job.point[0], *range->km, range->lowKm, range->highKm});
            }
            continue;
        }
        const std::string logs =
            firstExisting(folder, {studyLogName(stem), "logs/slurm-" + std::to_string(job.job) + ".log"});
        std::string status, note;
        if (state == StudyResultState::Stale) {
            stale.add(reason);
            status = "stale", note = reason;
        } else if (state != StudyResultState::Absent) {
            malformed.add(reason);
            status = "malformed", note = reason;
        } else if (!logs.empty()) {
            failed.add(jobName + ": " + logs);
            status = "failed", note = "no result; see " + logs;
        } else {
            missing.add(jobName);
            status = "missing", note = "no result yet";
        }
        csv += studyTableEmptyRow(layout, job.job, job.point, status, note);
    }
    if (!writeOutputFile(csvPath, csv, error))
        return fail(error);
    csv = std::string();

    // Each quantity with its unit: "IFOV [mrad]" on the axis, "IFOV 0.15 mrad" in the legend.
    auto kindOf = [&](std::size_t k) {
        const StudyParameterKind* kind = studyParameterKind(layout.parameters[k]);
        return kind ? std::pair<std::string, std::string>(kind->label, kind->unitText)
                    : std::pair<std::string, std::string>(layout.parameters[k], "");
    };
    std::vector<StudyPlotLine> plotted;
    for (auto& [key, line] : lines) {
        line.label = QString::fromStdString(layout.tasks[key.first]);
        if (layout.parameters.size() > 1)
            line.label += QString::fromStdString(", " + kindOf(1).first + " ") + QString::number(key.second, 'g', 4) +
                          QString::fromStdString(" " + kindOf(1).second);
        plotted.push_back(std::move(line));
    }
    const QString xTitle = axisTitle(QString::fromStdString(kindOf(0).first), QString::fromStdString(kindOf(0).second));
    {
        const auto application = words.painting();
        QImage image(plotWidth, plotHeight, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        paintStudyPlot(painter, image.rect(), std::move(plotted), xTitle);
        painter.end();
        if (!writePng(image, plotPath, error))
            return fail(error);
    }
    for (const ProblemList* list : {&missing, &failed, &stale, &malformed})
        list->print();
    if (!words.standardOutputTaken())
        std::cout << done << " of " << manifest->jobCount << " jobs finished; " << csvPath << ", " << plotPath << '\n';
    return done == manifest->jobCount ? exitSuccess : exitIncomplete;
}
