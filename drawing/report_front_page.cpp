#include "drawing/report_front_page.h"

#include "drawing/record_rows.h"
#include "drawing/report_pages.h"
#include "text/version.h"

#include <QDateTime>

#include <map>
#include <set>

using namespace Qt::StringLiterals;

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

QString joined(const std::set<std::string>& names) {
    QStringList list;
    for (const std::string& n : names)
        list << text(n);
    return list.isEmpty() ? noValueText() : list.join(u", "_s);
}

QString backgroundText(const CameraFileFacts& facts) {
    return facts.backgroundTemperature ? QString(u"%1 °C (the scene's temperature when the bench loads the file)"_s)
                                             .arg(*facts.backgroundTemperature, 0, 'f', 1)
                                       : u"not known (the file does not read as a camera file)"_s;
}

QString cameraParagraph(const std::string& file, const CameraFileFacts& facts) {
    if (!facts.found)
        return text(file) + u"\nSHA-256: not found (the camera file was not found beside the session)"_s;
    return QString(u"%1 (read from the disk now: the session stores no copy)\nSHA-256: %2\nFirst lines: %3\n"_s
                   u"Background temperature: %4"_s)
        .arg(text(file), facts.sha256, userText(facts.heading.toStdString()).replace(u"\\n"_s, u" / "_s),
             backgroundText(facts));
}

QString storedCameraParagraph(const SessionInput& input, std::size_t number, InputOnDisk onDisk) {
    const CameraFileFacts facts = cameraTextFacts(input.text);
    return QString(u"%1 (input %2, as stored at measurement; on disk now: %3)\nSHA-256: %4\nFirst lines: %5\n"_s
                   u"Background temperature: %6"_s)
        .arg(userText(input.file))
        .arg(number)
        .arg(QString::fromLatin1(inputOnDiskText(onDisk)), text(input.sha256),
             userText(facts.heading.toStdString()).replace(u"\\n"_s, u" / "_s), backgroundText(facts));
}

QString kindText(const std::string& kind) {
    return kind == inputCamera ? u"camera file"_s : kind == inputTarget ? u"target file"_s : u"atmosphere file"_s;
}

// What a reader must know before any value, said plainly.
QStringList attentions(const Session& session, const std::vector<InputOnDisk>& onDisk) {
    QStringList said;
    for (std::size_t k = 0; k < session.inputs.size(); ++k)
        if (onDisk[k] != InputOnDisk::Same)
            said << QString(u"The %1 %2 %3 the copy stored at measurement (input %4, SHA-256 %5); this report "_s
                            u"states the stored copy."_s)
                        .arg(kindText(session.inputs[k].kind), userText(session.inputs[k].file),
                             onDisk[k] == InputOnDisk::Missing ? u"is missing on disk; it was"_s
                                                               : u"on disk differs from"_s)
                        .arg(k + 1)
                        .arg(text(session.inputs[k].sha256));
    if (const auto broken = auditBreak(session))
        said << QString(u"Changed outside Tervix after entry %1 of the audit trail: the readings and marks after it "_s
                        u"are not as the bench recorded them."_s)
                    .arg(*broken);
    if (!session.readings.empty() && session.inputs.empty())
        said << u"The session was written before the bench kept a copy of its inputs: the camera files are "_s
                u"described as they are on disk now, which may not be what was measured."_s;
    return said;
}

void addIdentity(ReportPages& pages, const Session& session, const ReportInfo& info) {
    const int revision = info.revision > 0 ? info.revision : currentRevision(session);
    const bool draft = info.revision == 0 && revision != session.report.revision;
    pages.heading(u"MRTD session report"_s, 1);
    pages.paragraph(
        QString(u"Report %1 · Revision %2%3\nSession file SHA-256: %4"_s)
            .arg(text(reportNumberOf(session)))
            .arg(revision)
            .arg(draft ? u" (a draft: the session file does not record this revision)"_s : QString())
            .arg(info.sessionSha256.isEmpty() ? u"none (the session is in no file yet)"_s : info.sessionSha256));
}

void addObservers(ReportPages& pages, const Session& session, const std::vector<bool>& blind) {
    pages.heading(u"Observers"_s, 2);
    std::vector<std::string> names;
    std::map<std::string, std::pair<int, int>> counts; // readings, of them blind
    for (std::size_t k = 0; k < session.readings.size(); ++k) {
        const std::string& name = session.readings[k].observer;
        if (!counts.contains(name))
            names.push_back(name);
        ++counts[name].first;
        counts[name].second += blind[k];
    }
    for (const SessionObserver& o : session.observers)
        if (!counts.contains(o.name)) {
            names.push_back(o.name);
            counts[o.name];
        }
    std::vector<ReportRow> rows;
    for (const std::string& name : names) {
        const SessionObserver* entry = rosterEntry(session.observers, name);
        rows.push_back({{userText(name)},
                        {entry ? userText(entry->identifier) : u"not on the roster"_s},
                        {entry && !entry->eyesightChecked.empty() ? text(entry->eyesightChecked) : u"not given"_s},
                        {QString(u"%1 (%2 blind)"_s).arg(counts[name].first).arg(counts[name].second)}});
    }
    pages.table({u"Name (as typed)"_s, u"Identifier"_s, u"Eyesight checked"_s, u"Readings"_s}, {2, 1.4, 1.2, 1.2}, rows,
                u"Statistics count observers by identifier; a name not on the roster counts as its own."_s);
}

void addInputs(ReportPages& pages, const Session& session, const std::vector<InputOnDisk>& onDisk) {
    if (session.inputs.empty())
        return;
    pages.heading(u"Inputs frozen at measurement"_s, 2);
    std::vector<std::size_t> readings(session.inputs.size());
    for (const SessionReading& r : session.readings)
        for (std::size_t n : r.inputs)
            ++readings[n - 1];
    std::vector<ReportRow> rows;
    for (std::size_t k = 0; k < session.inputs.size(); ++k) {
        const SessionInput& in = session.inputs[k];
        rows.push_back({{QString::number(k + 1)},
                        {kindText(in.kind) + u" "_s + userText(in.file)},
                        {hashText(in.sha256)},
                        {QString(u"%1 bytes%2"_s).arg(in.size).arg(in.copiedWhole() ? u""_s : u" (start kept)"_s)},
                        {QString::number(readings[k])},
                        {QString::fromLatin1(inputOnDiskText(onDisk[k]))}});
    }
    pages.table({u"Input"_s, u"File"_s, u"SHA-256"_s, u"Size"_s, u"Readings"_s, u"On disk now"_s},
                {0.6, 1.6, 2.4, 1.0, 0.8, 1.4}, rows,
                u"The session keeps each file's text as it was at the first reading taken on it; the values below "_s
                u"are read from these copies."_s);
}

void addConditions(ReportPages& pages, const Session& session, const std::vector<bool>& blind) {
    pages.heading(u"Display and viewing conditions"_s, 2);
    std::map<QString, int> displays;
    int blindCount = 0;
    for (std::size_t k = 0; k < session.readings.size(); ++k) {
        ++displays[displayText(session.readings[k].display)];
        blindCount += blind[k];
    }
    QStringList lines;
    for (const auto& [setting, count] : displays)
        lines << QString(u"%1: %2 readings"_s).arg(setting).arg(count);
    lines << QString(u"Blind readings (no value shown while reading): %1"_s).arg(blindCount);
    for (const ObjectiveRun* run : latestObjectiveRuns(session.objectiveRuns))
        lines << QString(u"%1: screen pixel %2 mm, viewing distance %3 m, peak luminance %4 cd/m², magnifier %5×"_s)
                     .arg(objectiveRunTitle(*run))
                     .arg(run->viewing.screenPixel)
                     .arg(run->viewing.distance)
                     .arg(run->viewing.peakLuminance)
                     .arg(run->viewing.magnifier);
    pages.paragraph(lines.join(u"\n"_s));
    pages.paragraph(u"The observers' readings record the display window (Level, Contrast), the zoom and the "_s
                    u"magnifier; the screen's luminance and the viewing distance are recorded for the model "_s
                    u"observer's runs."_s);
}

} // namespace

QString hashText(const std::string& sha256) {
    QString grouped;
    for (std::size_t k = 0; k < sha256.size(); k += 16)
        grouped += (k ? u" "_s : QString()) + text(sha256.substr(k, 16));
    return grouped;
}

void addFrontPage(ReportPages& pages, const Session& session, const SessionCameraFiles& cameras, const ReportInfo& info,
                  const QStringList& folders) {
    const std::vector<InputOnDisk> onDisk = inputsOnDisk(session.inputs, localPaths(folders));
    const std::vector<bool> blind = blindReadings(session);
    addIdentity(pages, session, info);
    if (const QStringList said = attentions(session, onDisk); !said.isEmpty()) {
        pages.heading(u"Attention"_s, 2);
        pages.paragraph(said.join(u"\n"_s));
    }
    std::set<std::string> imageModels;
    int struck = 0;
    for (const SessionReading& r : session.readings) {
        imageModels.insert(r.imageModel);
        struck += r.struck.has_value();
    }
    auto given = [](const QString& value) {
        return value.trimmed().isEmpty() ? u"not given"_s : userText(value.trimmed().toStdString());
    };
    QString atmosphere = info.atmosphereFile.isEmpty() ? u"the session does not record the atmosphere table in use"_s
                                                       : userText(info.atmosphereFile.toStdString());
    for (std::size_t k = session.inputs.size(); k-- > 0;)
        if (session.inputs[k].kind == inputAtmosphere)
            atmosphere = QString(u"%1 (input %2, SHA-256 %3)"_s)
                             .arg(userText(session.inputs[k].file))
                             .arg(k + 1)
                             .arg(text(session.inputs[k].sha256));
    pages.paragraph(QString(u"Laboratory: %1\nOperator: %2\nReport date: %3\nSoftware: Tervix %4 (build %5)"_s)
                        .arg(given(info.laboratory), given(info.operatorName),
                             QDateTime::currentDateTimeUtc().toString(u"yyyy-MM-dd HH:mm 'UTC'"_s),
                             QString::fromLatin1(tervixVersion), QString::fromLatin1(tervixBuild)));
    pages.paragraph(QString(u"Session started %1 · %2 readings, %3 struck out\nImage model: %4\nAtmosphere: %5"_s)
                        .arg(readableTime(session.created))
                        .arg(session.readings.size())
                        .arg(struck)
                        .arg(joined(imageModels), atmosphere));
    if (info.requirement) {
        pages.paragraph(u"Requirement: "_s +
                        (info.requirementFile.isEmpty() ? u"given"_s : userText(info.requirementFile.toStdString())) +
                        u" (MRTD limit per frequency, interpolated linearly between its rows)"_s);
        pages.paragraph(QString::fromStdString(decisionRuleStatement(info.rule)));
    }
    addObservers(pages, session, blind);
    addInputs(pages, session, onDisk);
    pages.heading(u"Camera files"_s, 2);
    for (const auto& [file, facts] : cameras) {
        bool stored = false;
        for (std::size_t k = 0; k < session.inputs.size(); ++k)
            if (session.inputs[k].kind == inputCamera && session.inputs[k].file == file) {
                pages.paragraph(storedCameraParagraph(session.inputs[k], k + 1, onDisk[k]));
                stored = true;
            }
        if (!stored)
            pages.paragraph(cameraParagraph(file, facts));
    }
    addConditions(pages, session, blind);
    pages.paragraph(QString(u"A frequency meets the standard when at least %1 observers each recognised the bars at "_s
                            u"least %2 times in each half. Struck readings count in no statistic."_s)
                        .arg(standardObservers)
                        .arg(standardReadingsPerHalf));
}
