#pragma once

#include "console/decision_rule.h"
#include "console/session.h"
#include "console/session_statistics.h"
#include "drawing/requirement_curve.h"
#include "drawing/session_plot.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

// What the report says of a camera file: whether it was found, its first two lines, its SHA-256, and
// the background temperature the bench starts the scene at after loading it; found is false, and
// the rest empty, when no folder holds it. The file is looked up as every camera file a record names
// is (lookUpCameraFile): by its name alone in the folders given, a regular file within a camera
// file's limits; problem says why a name with a folder in it ("/etc/passwd", "../x") or a pipe, a
// device or an oversized file was refused.
struct CameraFileFacts {
    bool found = false;
    QString problem; // empty when found, or when no folder holds a file of the name
    QString heading;
    QString sha256;
    std::optional<double> backgroundTemperature; // °C; none when the file does not read as a camera
};
CameraFileFacts cameraFileFacts(const QString& fileName, const QStringList& folders);
// The same of a camera file's text, as stored in the session at measurement.
CameraFileFacts cameraTextFacts(const std::string& text);

// Each camera file the session names, looked up once; nothing, with the reason in one line, when one
// is refused (a report is then not written).
using SessionCameraFiles = std::map<std::string, CameraFileFacts>;
std::optional<SessionCameraFiles> sessionCameraFiles(const Session& session, const QStringList& folders,
                                                     QString& error);

// Paths as the system's file calls take them (QFile::encodeName), for the core's readers.
std::vector<std::string> localPaths(const QStringList& paths);

// What the session file does not hold but a signed report states: who made it where, the
// atmosphere table in use when it is known, the limit the camera is judged against and by which
// rule, the session file's SHA-256 and the revision issued.
struct ReportInfo {
    QString laboratory;
    QString operatorName;
    QString atmosphereFile; // empty: the session does not record it
    std::optional<RequirementCurve> requirement;
    QString requirementFile; // names the requirement in the report
    DecisionRule rule = DecisionRule::Interval;
    QString sessionSha256; // of the session file's bytes; empty for a session not yet in a file
    int revision = 0;      // the revision issued; 0: the session's current one (currentRevision), a draft
};

// The report of a session as a PDF, laid out for a laboratory to sign: a header block (laboratory,
// operator, date, software and build, camera files with their first lines and SHA-256, image
// models, atmosphere, background temperatures, display settings, observers), per slot, camera
// file, image model and orientation a table and a vector plot, the observers' values, every reading
// (struck ones struck through with who, when and why) and signature lines; "Page x of y" on every
// page. The camera files are looked for in the folders given. The session's latest objective run of
// a slot and orientation joins the table and plot of the section it measured (its camera file and
// image model). False, with the reason in one
// line, when a camera file the session names is refused or the file cannot be written.
bool writeSessionReport(const Session& session, const QStringList& cameraFolders, const QString& path, QString& error,
                        const ReportInfo& info = {});
