#pragma once

#include <QColor>
#include <QRect>
#include <QString>

#include <optional>
#include <vector>

class QPainter;

// A trade study's ranges against its first parameter: one line per task (and per value of a second
// parameter), each its own colour and marker from the shared palette. A range the curve's crossing gives is a filled
// marker; a bracket, its marker open on a bar from the low to the high end; a bound with no high end known, its marker
// open under an arrow pointing up, so that no bound is read as a value.
struct StudyPlotPoint {
    double x = 0.0, km = 0.0;
    std::optional<double> lowKm, highKm;
};
struct StudyPlotLine {
    QString label;
    std::vector<StudyPlotPoint> points;
};

void paintStudyPlot(QPainter& painter, const QRect& area, std::vector<StudyPlotLine> lines, const QString& xTitle);
