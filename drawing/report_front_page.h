#pragma once

#include "drawing/session_report.h"

#include <QStringList>

class ReportPages;

// The report's first pages: what identifies it (number, revision, the session file's SHA-256), what
// a reader must know before any value (an input whose file on disk differs or is missing, an audit
// trail broken by an edit), who made it, the observers as people, every input as frozen at
// measurement, the camera files as stored, the display and viewing conditions as recorded, and the
// decision rule. The inputs' files on disk are looked up in the folders given.
void addFrontPage(ReportPages& pages, const Session& session, const SessionCameraFiles& cameras, const ReportInfo& info,
                  const QStringList& folders);

// "abcd… " SHA-256 in four groups of sixteen digits, so that it wraps inside a table's cell.
QString hashText(const std::string& sha256);
