#pragma once

#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QPagedPaintDevice;
class QPainter;

// A table cell's text; a struck cell is drawn with a line through it, so that what was struck out
// stays readable.
struct ReportCell {
    QString text;
    bool struck = false;
};
// A row of one cell spans the table's width: a remark on the row above it, kept with that row.
using ReportRow = std::vector<ReportCell>;

// The report's content in reading order, laid out on pages: a table never starts on a page without
// its header and first rows, continues under its header repeated, and leaves no single row alone at
// its end (nor its note); a heading stays with what follows it; every page gets "Page x of y" at its foot. Drawings
// are painted straight into the device, so they stay vectors in a PDF.
class ReportPages {
public:
    explicit ReportPages(const QFont& body) : body_(body) {}

    void heading(const QString& text, int level);
    void paragraph(const QString& text);
    // Columns share the width in proportion to their weights; the note follows the table, in small type.
    void table(const QStringList& header, const std::vector<double>& weights, const std::vector<ReportRow>& rows,
               const QString& note = {});
    // A drawing as tall as the given fraction of the width, on the page of the block before it.
    void drawing(double heightPerWidth, std::function<void(QPainter&, const QRect&)> paint);
    // Lines for a name, a signature and a date for each role, kept together.
    void signatures(const QStringList& roles);
    // A line at the foot of every page, above "Page x of y": what identifies the report.
    void setFooter(const QString& text) { footer_ = text; }

    // Lays the content out on the device's pages inside the painter's page area and paints it.
    // Returns the page count.
    int print(QPainter& painter, QPagedPaintDevice& device, const QRectF& page);

private:
    struct Box {
        std::function<double(QPainter&, double width)> height;
        std::function<void(QPainter&, const QRectF&)> paint;
        int keepWithNext = 0; // the next so many boxes share this one's page
        int table = -1;       // the header box to repeat when a page breaks before this box
    };
    QFont body_;
    QString footer_;
    std::vector<Box> boxes_;
};
