#pragma once

#include "console/objective_run.h"
#include "console/session_statistics.h"
#include "drawing/requirement_curve.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <functional>
#include <vector>

class QPainter;

// Which line style each kind of series takes, the same in every printed MRTD plot, so that a reader
// who learnt one plot reads the next.
enum MrtdSeries : int { observersSeries, objectiveSeries, requirementSeries, cameraFileSeries, classicSeries };

// What a printed MRTD plot shows; each part is drawn and named in the legend only when given.
struct MrtdPlotContent {
    std::vector<SessionGroup> groups; // observers' means with their 95 % intervals
    bool showGroups = true;           // the observers' entry in the legend, even with no reading yet
    const std::vector<RunFrequency>* objective = nullptr;
    QString objectiveLabel = QStringLiteral("objective MRTD (model observer), 95 % interval");
    const RequirementCurve* requirement = nullptr;
    struct Curve {
        MrtdSeries series;
        QString label;
        std::function<double(double)> mrtdAt; // K at cycles/mrad; <= 0 where it has no value
        Qt::PenStyle pen;
    };
    std::vector<Curve> curves;
};

// An MRTD plot on white in the area: frequency across, MRTD on a logarithmic scale labelled at each
// decade, both axes titled with their units; observers' means solid with their intervals as brackets,
// the model observer's dashed, the requirement's limit dash-dotted, smooth curves with a marker at each
// of the bench's frequencies; a legend naming what is drawn. The scale moves by whole decades until
// every value drawn lies inside the plot. Drawn with the painter as it is, so a PDF keeps it as vectors.
void paintMrtdPlot(QPainter& painter, const QRect& area, const MrtdPlotContent& content);

// A report section's plot: its observers' groups, the model observer's run and the requirement.
void paintSessionPlot(QPainter& painter, const QRect& area, const std::vector<SessionGroup>& groups,
                      const ObjectiveRun* objective = nullptr, const RequirementCurve* requirement = nullptr);

// The same plot as a picture.
QImage sessionPlotImage(const std::vector<SessionGroup>& groups, int width, int height,
                        const ObjectiveRun* objective = nullptr, const RequirementCurve* requirement = nullptr);
