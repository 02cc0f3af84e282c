#pragma once

#include "console/objective_run.h"
#include "console/session_statistics.h"
#include "drawing/requirement_curve.h"

#include <QImage>
#include <QRect>

#include <vector>

class QPainter;

// The plot of one report section in the area: each frequency's mean MRTD with its 95 % interval as a
// bar on the console's logarithmic scale, labelled by decade; the model observer's result dashed and
// the requirement's limit dash-dotted when given; a legend naming what is drawn. The scale moves by
// whole decades until every value drawn lies inside the plot. Drawn with the painter as it is, so a
// PDF keeps it as vectors.
void paintSessionPlot(QPainter& painter, const QRect& area, const std::vector<SessionGroup>& groups,
                      const ObjectiveRun* objective = nullptr, const RequirementCurve* requirement = nullptr);

// The same plot as a picture.
QImage sessionPlotImage(const std::vector<SessionGroup>& groups, int width, int height,
                        const ObjectiveRun* objective = nullptr, const RequirementCurve* requirement = nullptr);
