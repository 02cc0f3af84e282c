#pragma once

#include "console/session.h"
#include "console/session_statistics.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <vector>

// The first two lines of a camera file, found in the first of the folders that holds it; a note
// saying so when none does.
QString cameraFileHeading(const QString& fileName, const QStringList& folders);

// The plot of one section: each frequency's mean MRTD with its 95 % interval as a bar, on the
// console's logarithmic scale.
QImage sessionPlotImage(const std::vector<SessionGroup>& groups, int width, int height);

// The report of a session as a PDF: title, date, camera files with their first two lines, image
// models, per slot, camera file, image model and orientation a table and a plot, and the
// observers' own values in an appendix. The camera files are looked for in the folders given.
// False, with the reason, when the file cannot be written.
bool writeSessionReport(const Session& session, const QStringList& cameraFolders, const QString& path, QString& error);
