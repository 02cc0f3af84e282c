#include "drawing/session_report.h"

#include "camera/camera_file.h"
#include "camera/camera_file_lookup.h"
#include "drawing/range_section.h"
#include "drawing/record_rows.h"
#include "drawing/report_pages.h"
#include "text/messages.h"
#include "text/version.h"
#include "text/whole_file.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

// A section of the report: one slot, camera file, image model and orientation, its groups in
// frequency order. Vertical bars, the standard target as drawn, come before horizontal ones.
using SectionKey = std::tuple<int, std::string, std::string, bool, std::string>;

std::map<SectionKey, std::vector<SessionGroup>> sectionsOf(const std::vector<SessionGroup>& groups) {
    std::map<SectionKey, std::vector<SessionGroup>> sections;
    for (const SessionGroup& g : groups)
        sections[{g.slot, g.cameraFile, g.imageModel, g.orientation != orientationVertical, g.orientation}].push_back(
            g);
    return sections;
}

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

QString orientationText(const std::string& orientation) {
    return orientation == orientationHorizontal ? u"horizontal bars (vertical MRTD)"_s
                                                : u"vertical bars (horizontal MRTD)"_s;
}

QString sectionTitle(const SectionKey& key) {
    return QString(u"Camera%1 · %2 · %3 image model · %4"_s)
        .arg(std::get<0>(key))
        .arg(text(std::get<1>(key)), text(std::get<2>(key)), orientationText(std::get<4>(key)));
}

const ObjectiveRun* objectiveFor(const SectionKey& key, const Session& session) {
    return objectiveRunBeside(session.objectiveRuns, std::get<0>(key), std::get<1>(key), std::get<2>(key),
                              std::get<4>(key));
}

QString objectiveSentence(const ObjectiveRun& run) {
    QStringList values;
    for (const RunFrequency& f : run.frequencies)
        values << objectiveValueText(f);
    // The observer and the screen it read, as the run named them.
    const QString observer = run.viewing.words.empty() ? u"model observer"_s : text(run.viewing.words);
    return u"Objective MRTD of the "_s + observer + u", mean (95 % interval): "_s + values.join(u"; "_s) + u"."_s;
}

QString joined(const std::set<std::string>& names) {
    QStringList list;
    for (const std::string& n : names)
        list << text(n);
    return list.isEmpty() ? noValueText() : list.join(u", "_s);
}

QString cameraParagraph(const std::string& file, const CameraFileFacts& facts) {
    if (!facts.found)
        return text(file) + u"\nSHA-256: not found (the camera file was not found beside the session)"_s;
    const QString background = facts.backgroundTemperature
                                   ? QString(u"%1 °C (the scene's temperature when the bench loads the file)"_s)
                                         .arg(*facts.backgroundTemperature, 0, 'f', 1)
                                   : u"not known (the file does not read as a camera file)"_s;
    return QString(u"%1\nSHA-256: %2\nFirst lines: %3\nBackground temperature: %4"_s)
        .arg(text(file), facts.sha256, QString(facts.heading).replace(u"\n"_s, u" / "_s), background);
}

void addHeader(ReportPages& pages, const Session& session, const SessionCameraFiles& cameras, const ReportInfo& info) {
    std::set<std::string> observers, imageModels;
    int struck = 0;
    std::map<QString, int> displays;
    for (const SessionReading& r : session.readings) {
        observers.insert(r.observer);
        imageModels.insert(r.imageModel);
        struck += r.struck.has_value();
        ++displays[displayText(r.display)];
    }
    auto given = [](const QString& value) { return value.trimmed().isEmpty() ? u"not given"_s : value.trimmed(); };
    pages.heading(u"MRTD session report"_s, 1);
    pages.paragraph(QString(u"Laboratory: %1\nOperator: %2\nReport date: %3\nSoftware: Tervix %4 (build %5)"_s)
                        .arg(given(info.laboratory), given(info.operatorName),
                             QDateTime::currentDateTimeUtc().toString(u"yyyy-MM-dd HH:mm 'UTC'"_s),
                             QString::fromLatin1(tervixVersion), QString::fromLatin1(tervixBuild)));
    pages.paragraph(QString(u"Session started %1 · %2 readings, %3 struck out\nObservers: %4\nImage model: %5\n"_s
                            u"Atmosphere: %6"_s)
                        .arg(readableTime(session.created))
                        .arg(session.readings.size())
                        .arg(struck)
                        .arg(joined(observers), joined(imageModels),
                             info.atmosphereFile.isEmpty()
                                 ? u"the session does not record the atmosphere table in use"_s
                                 : info.atmosphereFile));
    if (info.requirement)
        pages.paragraph(u"Requirement: "_s + (info.requirementFile.isEmpty() ? u"given"_s : info.requirementFile) +
                        u" (MRTD limit per frequency, interpolated linearly between its rows)"_s);
    pages.heading(u"Camera files"_s, 2);
    for (const auto& [file, facts] : cameras)
        pages.paragraph(cameraParagraph(file, facts));
    pages.heading(u"Display settings of the readings"_s, 2);
    QStringList displayLines;
    for (const auto& [setting, count] : displays)
        displayLines << QString(u"%1: %2 readings"_s).arg(setting).arg(count);
    pages.paragraph(displayLines.isEmpty() ? noValueText() : displayLines.join(u"\n"_s));
    pages.paragraph(QString(u"A frequency meets the standard when at least %1 observers each recognised the bars at "_s
                            u"least %2 times in each half. Struck readings count in no statistic."_s)
                        .arg(standardObservers)
                        .arg(standardReadingsPerHalf));
}

void addSection(ReportPages& pages, const SectionKey& key, const std::vector<SessionGroup>& list,
                const ObjectiveRun* objective, const ReportInfo& info) {
    pages.heading(sectionTitle(key), 2);
    const RequirementCurve* requirement = info.requirement ? &*info.requirement : nullptr;
    QStringList header{u"Frequency [cycles/mrad]"_s, u"Observers"_s, u"Mean MRTD [K]"_s,
                       u"95 % interval [K]"_s,       u"Readings"_s,  u"Meets the standard"_s};
    std::vector<double> weights{1.3, 1.2, 1.1, 1.8, 1.6, 1.1};
    if (requirement) {
        header << u"Requirement [K]"_s << u"Result"_s;
        weights.insert(weights.end(), {1.6, 0.9});
    }
    std::vector<ReportRow> rows;
    for (const SessionGroup& g : list) {
        const GroupCells cells = groupCells(g);
        ReportRow row{{cells.frequency}, {cells.observers}, {cells.mean},
                      {cells.interval},  {cells.readings},  {cells.meets}};
        if (requirement) {
            const auto limit = requirementAt(*requirement, g.frequency);
            row.push_back({kelvinText(limit)});
            row.push_back({!limit || !g.mean ? noValueText() : *g.mean <= *limit ? u"pass"_s : u"fail"_s});
        }
        rows.push_back(row);
    }
    QString note = u"Mean of the observers' MRTDs; 95 % interval (on the logarithmic scale)."_s;
    if (requirement)
        note += u" Pass: mean MRTD at or below the limit; – where the requirement gives no limit."_s;
    pages.table(header, weights, rows, note);
    if (objective)
        pages.paragraph(objectiveSentence(*objective));
    pages.drawing(0.36, [list, objective, requirement](QPainter& p, const QRect& area) {
        paintSessionPlot(p, area, list, objective, requirement);
    });
}

void addObserverValues(ReportPages& pages, const std::map<SectionKey, std::vector<SessionGroup>>& sections) {
    pages.heading(u"Appendix: the observers' values"_s, 2);
    for (const auto& [key, list] : sections) {
        pages.heading(sectionTitle(key), 3);
        std::vector<ReportRow> rows;
        for (const SessionGroup& g : list)
            for (const ObserverMrtd& o : g.perObserver) {
                const ObserverCells cells = observerCells(o);
                rows.push_back({{QString::number(g.frequency)},
                                {cells.observer},
                                {cells.plus},
                                {cells.minus},
                                {cells.mrtd},
                                {cells.recognised}});
            }
        pages.table({u"Frequency"_s, u"Observer"_s, u"Mean plus [K]"_s, u"Mean minus [K]"_s, u"MRTD [K]"_s,
                     u"Recognised plus / minus"_s},
                    {1, 1, 1, 1, 1, 1.2}, rows);
    }
}

void addReadings(ReportPages& pages, const Session& session) {
    pages.heading(u"Appendix: every reading"_s, 2);
    std::vector<ReportRow> rows;
    using namespace readingColumn;
    const std::vector<int> columns{Time, Observer, Slot, CameraFile, Bars, Frequency, Half, DeltaT, Display};
    for (const SessionReading& r : session.readings) {
        const bool struck = r.struck.has_value();
        const QStringList cells = readingCells(r);
        ReportRow row;
        for (int column : columns)
            row.push_back({cells[column], struck});
        rows.push_back(row);
        if (struck)
            rows.push_back({{u"Struck out "_s + readableTime(r.struck->time) + u" "_s + cells[Struck]}});
    }
    QStringList header;
    for (int column : columns)
        header << readingColumnTitle(column);
    pages.table(header, {2.6, 1.3, 0.7, 1.7, 1.5, 1.4, 0.8, 1.0, 2.1}, rows,
                u"Struck readings are shown struck through, followed by who struck them, when and why; they count in "_s
                u"no statistic."_s);
}

} // namespace

std::vector<std::string> localPaths(const QStringList& paths) {
    std::vector<std::string> local;
    for (const QString& path : paths)
        local.push_back(QFile::encodeName(path).toStdString());
    return local;
}

CameraFileFacts cameraFileFacts(const QString& fileName, const QStringList& folders) {
    CameraFileFacts facts;
    std::string problem;
    const auto file = lookUpCameraFile(QFile::encodeName(fileName).toStdString(), localPaths(folders), problem);
    facts.problem = QString::fromStdString(problem);
    if (!file)
        return facts;
    // A heading line longer than this is no heading; the report shows its start.
    constexpr qsizetype longestHeading = 200;
    const QByteArray bytes = QByteArray::fromStdString(file->text);
    facts.found = true;
    facts.sha256 = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    const QList<QByteArray> lines = bytes.left(2 * longestHeading + 2).split('\n');
    facts.heading = QString::fromLocal8Bit(lines.value(0).left(longestHeading)).trimmed() + u"\n"_s +
                    QString::fromLocal8Bit(lines.value(1).left(longestHeading)).trimmed();
    CameraState camera = defaultCameraState();
    MessageLog ignored;
    if (readCameraText(file->text, file->path, CameraLoadMode::Full, camera, ignored))
        facts.backgroundTemperature = camera.set.backgroundTemperature;
    return facts;
}

std::optional<SessionCameraFiles> sessionCameraFiles(const Session& session, const QStringList& folders,
                                                     QString& error) {
    SessionCameraFiles cameras;
    for (const SessionReading& r : session.readings) {
        if (cameras.contains(r.cameraFile))
            continue;
        cameras[r.cameraFile] = cameraFileFacts(text(r.cameraFile), folders);
        if (!cameras[r.cameraFile].problem.isEmpty()) {
            error = cameras[r.cameraFile].problem;
            return std::nullopt;
        }
    }
    return cameras;
}

bool writeSessionReport(const Session& session, const QStringList& cameraFolders, const QString& path, QString& error,
                        const ReportInfo& info) {
    const auto cameras = sessionCameraFiles(session, cameraFolders, error);
    if (!cameras)
        return false;
    QFont body(u"DejaVu Sans"_s);
    body.setPointSizeF(9.5);
    ReportPages pages(body);
    addHeader(pages, session, *cameras, info);
    const auto groups = sessionStatistics(session);
    const auto sections = sectionsOf(groups);
    for (const auto& [key, list] : sections)
        addSection(pages, key, list, objectiveFor(key, session), info);
    std::string rangeError;
    if (!addRangeSections(pages, groups, session.objectiveRuns, localPaths(cameraFolders), rangeError)) {
        error = QString::fromStdString(rangeError);
        return false;
    }
    addObserverValues(pages, sections);
    if (session.readings.empty())
        pages.paragraph(u"The session holds no readings."_s);
    else
        addReadings(pages, session);
    pages.heading(u"Signatures"_s, 2);
    pages.signatures({u"Tested by"_s, u"Approved by"_s});

    // The PDF is made in memory and written whole, so that an existing report is replaced only by a
    // complete one.
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(u"MRTD session report"_s);
        writer.setCreator(u"Tervix "_s + QString::fromLatin1(tervixVersion));
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(18, 15, 18, 12), QPageLayout::Millimeter);
        writer.setResolution(300);
        QPainter painter(&writer);
        pages.print(painter, writer, QRectF(QPointF(0, 0), QSizeF(writer.width(), writer.height())));
    }
    std::string cause;
    if (pdf.isEmpty())
        cause = "cannot write '" + path.toStdString() + "': the PDF is empty";
    else if (writeWholeFile(QFile::encodeName(path).toStdString(),
                            std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())), cause))
        return true;
    error = QString::fromStdString(cause);
    return false;
}
