#pragma once

#include "console/session.h"
#include "console/session_statistics.h"
#include "measurement/model_observer.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

// The first two lines of a camera file, found in the first of the folders that holds it; a note
// saying so when none does.
QString cameraFileHeading(const QString& fileName, const QStringList& folders);

// The plot of one section: each frequency's mean MRTD with its 95 % interval as a bar, on the
// console's logarithmic scale; with the model observer's result for the slot, that too, dashed.
QImage sessionPlotImage(const std::vector<SessionGroup>& groups, int width, int height,
                        const ObjectiveMrtd* objective = nullptr);

// The model observer's last result for each camera slot that has one, by the slot as the session
// numbers it (1 ... 5).
using ObjectiveBySlot = std::map<int, ObjectiveMrtd>;

// The report of a session as a PDF: title, date, camera files with their first two lines, image
// models, per slot, camera file, image model and orientation a table and a plot, and the
// observers' own values in an appendix. The camera files are looked for in the folders given. A
// slot's objective MRTD joins the table and plot of its sections in the orientation it was measured.
// False, with the reason, when the file cannot be written.
bool writeSessionReport(const Session& session, const QStringList& cameraFolders, const QString& path, QString& error,
                        const ObjectiveBySlot& objective = {});
