#include "cli/study_command.h"

#include "cli/command_words.h"
#include "cli/image_files.h"
#include "drawing/range_plot.h"
#include "measurement/range_study.h"
#include "text/text_scanner.h"
#include "text/whole_file.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>

namespace {

constexpr std::size_t maxPlanBytes = 1024 * 1024;
constexpr std::size_t maxCameraBytes = 16 * 1024 * 1024;
constexpr int plotWidth = 720, plotHeight = 440;

int fail(const std::string& error) {
    std::cerr << "tervix-cli: " << error << '\n';
    return 1;
}

// Range against the first parameter, one line per task (and per value of a second parameter).
bool writeStudyPlot(const StudyResults& results, const std::string& path, std::string& error) {
    std::map<std::pair<std::string, double>, std::vector<std::pair<double, double>>> lines;
    double maxX = 0.0, minX = 1e300, maxKm = 0.0;
    for (const StudyRow& row : results.rows) {
        if (!row.ranges)
            continue;
        for (const auto& t : (*row.ranges)["tasks"]) {
            const double km = t.value("rangeKm", 0.0);
            lines[{t.value("task", ""), row.point.size() > 1 ? row.point[1] : 0.0}].emplace_back(row.point[0], km);
            maxKm = std::max(maxKm, km);
        }
        maxX = std::max(maxX, row.point[0]);
        minX = std::min(minX, row.point[0]);
    }
    QImage image(plotWidth, plotHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect plot = image.rect().adjusted(60, 16, -170, -40);
    painter.setPen(Qt::black);
    painter.drawRect(plot);
    const double spanX = maxX > minX ? maxX - minX : 1.0;
    maxKm = maxKm > 0.0 ? maxKm * 1.1 : 1.0;
    auto x = [&](double v) { return plot.left() + plot.width() * (v - minX) / spanX; };
    auto y = [&](double km) { return plot.bottom() - plot.height() * km / maxKm; };
    for (int k = 0; k <= 4; ++k) {
        painter.drawText(QPointF(4, y(maxKm * k / 4) + 4), QString::number(maxKm * k / 4, 'g', 3));
        painter.drawText(QPointF(x(minX + spanX * k / 4) - 12, plot.bottom() + 16),
                         QString::number(minX + spanX * k / 4, 'g', 3));
    }
    const std::string axis = results.parameters.front() + " (range in km up)";
    painter.drawText(QPointF(plot.center().x() - 60, plotHeight - 6), QString::fromStdString(axis));
    int legendY = plot.top() + 12, colour = 0;
    for (auto& [key, points] : lines) {
        std::sort(points.begin(), points.end());
        QPainterPath path;
        for (const auto& [v, km] : points)
            path.elementCount() == 0 ? path.moveTo(x(v), y(km)) : path.lineTo(x(v), y(km));
        painter.setPen(QPen(taskColour(colour++), 2));
        painter.drawPath(path);
        std::string label = key.first;
        if (results.parameters.size() > 1)
            label += " " + results.parameters[1] + "=" + QString::number(key.second, 'g', 4).toStdString();
        painter.drawText(QPointF(plot.right() + 8, legendY), QString::fromStdString(label));
        legendY += 14;
    }
    painter.end();
    return writePng(image, path, error);
}

int merge(const CommandWords& words) {
    std::string error;
    const std::string folder = words.value("merge");
    const auto results = readStudyResults(folder, error);
    if (!results)
        return fail(error);
    const std::string csv = studyResultsCsv(*results);
    const std::string csvPath = words.has("csv") ? words.value("csv") : folder + "/ranges.csv";
    const std::string plotPath = words.has("plot") ? words.value("plot") : folder + "/ranges.png";
    if (!writeWholeFile(csvPath, csv, error))
        return fail(error);
    const auto application = words.painting();
    if (!writeStudyPlot(*results, plotPath, error))
        return fail(error);
    int finished = 0;
    for (const StudyRow& row : results->rows)
        finished += row.ranges ? 1 : 0;
    std::cout << csv;
    std::cerr << finished << " of " << results->rows.size() << " jobs finished; " << csvPath << ", " << plotPath
              << '\n';
    return 0;
}

} // namespace

int runStudyCommand(const CommandWords& words) {
    if (words.has("merge"))
        return words.positional().empty() ? merge(words) : fail("study --merge DIR takes no study file");
    if (words.positional().size() != 1)
        return fail("study takes one study file (or --merge DIR)");
    const std::filesystem::path planPath = std::filesystem::absolute(words.positional()[0]);
    const auto planText = readTextFile(planPath.string(), maxPlanBytes);
    if (!planText)
        return fail("cannot read " + planPath.string());
    std::string error;
    const auto plan = parseStudyPlan(nlohmann::json::parse(*planText, nullptr, false), error);
    if (!plan)
        return fail(planPath.string() + ": " + error);
    const std::filesystem::path folder = std::filesystem::absolute(
        words.has("out") ? std::filesystem::path(words.value("out")) : planPath.parent_path() / planPath.stem());
    const std::filesystem::path base = planPath.parent_path() / plan->baseCamera;
    const auto baseText = readTextFile(base.string(), maxCameraBytes);
    if (!baseText)
        return fail("cannot read the base camera file " + base.string());
    std::error_code made;
    std::filesystem::create_directories(folder / "cameras", made);
    std::filesystem::create_directories(folder / "results", made);
    if (made)
        return fail("cannot make " + folder.string() + ": " + made.message());
    std::string jobs;
    int job = 0;
    for (const auto& point : studyGrid(*plan)) {
        const auto camera = studyCameraText(*baseText, *plan, point, error);
        if (!camera || !writeWholeFile((folder / studyCameraName(++job)).string(), *camera, error))
            return fail(error);
        jobs += studyJobLine(words.program(), folder.string(), *plan, job) + "\n";
    }
    if (!writeWholeFile((folder / "jobs.txt").string(), jobs, error) ||
        !writeWholeFile((folder / "study.json").string(), studyIndexJson(*plan).dump(2) + "\n", error))
        return fail(error);
    std::cout << job << " jobs in " << (folder / "jobs.txt").string() << "\nrun: parallel < "
              << (folder / "jobs.txt").string() << "\nthen: " << words.program() << " study --merge " << folder.string()
              << '\n';
    return 0;
}
