#include "drawing/session_report.h"

#include "camera/camera_file.h"
#include "camera/camera_file_lookup.h"
#include "drawing/range_section.h"
#include "drawing/record_rows.h"
#include "drawing/report_front_page.h"
#include "drawing/report_pages.h"
#include "text/messages.h"
#include "text/output_file.h"
#include "text/version.h"

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

void addSection(ReportPages& pages, const SectionKey& key, const std::vector<SessionGroup>& list,
                const ObjectiveRun* objective, const ReportInfo& info) {
    pages.heading(sectionTitle(key), 2);
    const RequirementCurve* requirement = info.requirement ? &*info.requirement : nullptr;
    QStringList header{u"Frequency [cycles/mrad]"_s, u"Observers"_s, u"Mean MRTD [K]"_s,
                       u"95 % interval [K]"_s,       u"Readings"_s,  u"Meets the standard"_s};
    std::vector<double> weights{1.3, 1.2, 1.1, 1.8, 1.6, 1.1};
    if (requirement) {
        header << u"Requirement [K]"_s << u"Result"_s;
        weights.insert(weights.end(), {1.6, 1.3});
    }
    std::vector<ReportRow> rows;
    for (const SessionGroup& g : list) {
        const GroupCells cells = groupCells(g);
        ReportRow row{{cells.frequency}, {cells.observers}, {cells.mean},
                      {cells.interval},  {cells.readings},  {cells.meets}};
        if (requirement) {
            const auto limit = requirementAt(*requirement, g.frequency);
            row.push_back({kelvinText(limit)});
            row.push_back({QString::fromUtf8(verdictText(verdictOf(g, limit, info.rule)))});
        }
        rows.push_back(row);
    }
    QString note = u"Mean of the observers' MRTDs; 95 % interval (on the logarithmic scale)."_s;
    if (requirement)
        note += info.rule == DecisionRule::Interval
                    ? u" Result by the interval rule (see the first page); – where the requirement gives no limit."_s
                    : u" Result by simple acceptance, the mean alone (see the first page); – where the requirement "_s
                      u"gives no limit."_s;
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
    const std::vector<int> columns{Time, Observer, Slot, CameraFile, Bars, Frequency, Half, DeltaT, Display, Blind};
    const std::vector<bool> blind = blindReadings(session);
    for (std::size_t k = 0; k < session.readings.size(); ++k) {
        const SessionReading& r = session.readings[k];
        const bool struck = r.struck.has_value();
        const QStringList cells = readingCells(r, false, blind[k]);
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
    pages.table(header, {2.6, 1.3, 0.7, 1.7, 1.5, 1.4, 0.8, 1.0, 2.1, 0.8}, rows,
                u"Struck readings are shown struck through, followed by who struck them, when and why; they count in "_s
                u"no statistic. \"blind\": taken in blind mode, with no value shown."_s);
}

QString viewingText(const RunViewing& v) {
    QString window =
        v.displayWindow ? QString(u"level %1, contrast %2"_s).arg(v.displayWindow->level).arg(v.displayWindow->contrast)
                        : u"automatic"_s;
    // Runs of earlier releases did not record the screen's law below its peak.
    if (v.gamma > 0.0)
        window += QString(u"; screen gamma %1, black %2 cd/m²"_s).arg(v.gamma).arg(v.blackLuminance);
    return QString(u"%1; threshold SNR %2, integration %3 s, %4; display %5"_s)
        .arg(v.words.empty() ? u"model observer"_s : text(v.words))
        .arg(v.thresholdSnr)
        .arg(v.integrationTime)
        .arg(v.grid ? u"on the trackbar's grid"_s : QString(u"searched to %1 K"_s).arg(v.resolution))
        .arg(window);
}

void addObjectiveRuns(ReportPages& pages, const Session& session) {
    if (session.objectiveRuns.empty())
        return;
    pages.heading(u"Appendix: the model observer's runs"_s, 2);
    std::vector<ReportRow> rows;
    for (const ObjectiveRun& run : session.objectiveRuns)
        rows.push_back({{readableTime(run.time, false)},
                        {QString(u"Camera%1 %2, %3"_s).arg(run.slot).arg(text(run.cameraFile), text(run.imageModel))},
                        {text(run.orientation)},
                        {text(run.observer)},
                        {viewingText(run.viewing)},
                        {QString(u"%1 × seed %2"_s).arg(run.repeats).arg(run.seed)}});
    pages.table({u"Ended (UTC)"_s, u"Camera, image model"_s, u"Bars"_s, u"Observer"_s, u"Settings"_s, u"Repeats"_s},
                {1.5, 1.7, 0.9, 0.8, 3.6, 1.0}, rows);
}

void addAuditTrail(ReportPages& pages, const Session& session) {
    if (session.audit.empty())
        return;
    pages.heading(u"Appendix: the audit trail"_s, 2);
    const auto broken = auditBreak(session);
    std::vector<ReportRow> rows;
    for (std::size_t k = 0; k < session.audit.size(); ++k) {
        const AuditEntry& e = session.audit[k];
        const bool reading = e.action == auditReading || e.action == auditAdopted;
        const QString who = reading ? userText(session.readings[e.reading - 1].observer) : userText(e.by);
        rows.push_back(
            {{QString::number(k + 1)},
             {text(e.action)},
             {QString::number(e.reading)},
             {reading ? readableTime(session.readings[e.reading - 1].time, false) : readableTime(e.time, false)},
             {who},
             {userText(e.reason)},
             {QString::fromStdString(e.sha256.substr(0, 16)) + u"…"_s}});
        if (broken && *broken == k + 1 && k + 1 < session.audit.size())
            rows.push_back({{u"Changed outside Tervix after entry %1"_s.arg(k + 1)}});
    }
    pages.table({u"Entry"_s, u"Action"_s, u"Reading"_s, u"Time (UTC)"_s, u"By"_s, u"Reason"_s, u"SHA-256"_s},
                {0.6, 0.9, 0.7, 1.6, 1.3, 2.2, 1.5}, rows,
                QString(u"Each entry's SHA-256 covers its own content and the entry before it%1."_s)
                    .arg(broken ? QString(u"; changed outside Tervix after entry %1"_s).arg(*broken)
                                : u"; the chain is intact"_s));
}

} // namespace

std::vector<std::string> localPaths(const QStringList& paths) {
    std::vector<std::string> local;
    for (const QString& path : paths)
        local.push_back(QFile::encodeName(path).toStdString());
    return local;
}

CameraFileFacts cameraFileFacts(const QString& fileName, const QStringList& folders) {
    std::string problem;
    const auto file = lookUpCameraFile(QFile::encodeName(fileName).toStdString(), localPaths(folders), problem);
    if (!file) {
        CameraFileFacts facts;
        facts.problem = QString::fromStdString(problem);
        return facts;
    }
    return cameraTextFacts(file->text);
}

CameraFileFacts cameraTextFacts(const std::string& text) {
    CameraFileFacts facts;
    // A heading line longer than this is no heading; the report shows its start.
    constexpr qsizetype longestHeading = 200;
    const QByteArray bytes = QByteArray::fromStdString(text);
    facts.found = true;
    facts.sha256 = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    const QList<QByteArray> lines = bytes.left(2 * longestHeading + 2).split('\n');
    facts.heading = QString::fromLocal8Bit(lines.value(0).left(longestHeading)).trimmed() + u"\n"_s +
                    QString::fromLocal8Bit(lines.value(1).left(longestHeading)).trimmed();
    CameraState camera = defaultCameraState();
    MessageLog ignored;
    if (readCameraText(text, "stored copy", CameraLoadMode::Full, camera, ignored))
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
    addFrontPage(pages, session, *cameras, info, cameraFolders);
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
    addObjectiveRuns(pages, session);
    addAuditTrail(pages, session);
    pages.heading(u"Signatures"_s, 2);
    const int revision = info.revision > 0 ? info.revision : currentRevision(session);
    pages.paragraph(QString(u"Report %1, revision %2."_s).arg(text(reportNumberOf(session))).arg(revision));
    pages.signatures({u"Tested by"_s, u"Approved by"_s});
    pages.setFooter(QString(u"Report %1 · Revision %2 · Session SHA-256 %3"_s)
                        .arg(text(reportNumberOf(session)))
                        .arg(revision)
                        .arg(info.sessionSha256.isEmpty() ? u"none"_s : info.sessionSha256));

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
    else if (writeOutputFile(QFile::encodeName(path).toStdString(),
                             std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())), cause))
        return true;
    error = QString::fromStdString(cause);
    return false;
}
