#pragma once

#include "docs/pdf_navigation.h"

#include <QList>
#include <QPageLayout>
#include <QString>
#include <QTextBlock>
#include <QTextDocument>

#include <vector>

class QPagedPaintDevice;
class QTextFragment;
class QTextLayout;
class QTextTable;

// The user guide as a printed book: the Markdown laid out on A4 pages with its screenshots, a table
// of contents after the introduction, code blocks kept whole on one page in lines that never wrap,
// each heading kept with what follows it, and a footer with the page number. Built in device pixels
// of the paint device it will be printed on, so that what was measured is what is printed.
class GuideBook {
public:
    // Lays out `markdown`, its images read from `imageFolder`. Whether it succeeded, and why not, is in
    // error(): a missing image, a code line wider than the page, or typographic punctuation in code
    // (commands are copied from the guide into a shell, which reads only ASCII quotes and dashes).
    GuideBook(const QString& markdown, const QString& imageFolder, QPagedPaintDevice& device);

    const QString& error() const { return error_; }
    int pageCount() const;
    // Paints every page on the device the book was laid out for.
    void print(QPagedPaintDevice& device, const QString& footer);
    // The bookmarks of every section and subsection, and the contents' lines as links to them.
    std::vector<PdfBookmark> bookmarks() const;
    std::vector<PdfLink> contentsLinks() const;

private:
    struct Heading {
        QTextBlock block; // a handle that follows the block while the contents are filled in
        int level;
        int contentsRow; // the row naming it in the contents, or -1
    };
    void applyStyles();
    QList<QTextLength> columnWidths(const QTextTable& table, double padding) const;
    bool embedImages(const QString& folder);
    bool checkCode();
    bool checkCodeWidths();
    void insertContents();
    void fillContentsPages();
    void keepCodeSpansWhole();
    int breakFor(const QTextFragment& span, int start, const QTextLayout& layout, const QString& text) const;
    void keepTogether();
    void relayOut(int from = 0);
    // A length in points as a text format takes it.
    double points(double length) const;
    double topOf(const QTextBlock& block) const;
    double bottomOf(const QTextBlock& block) const;
    int pageOf(double y) const;
    PdfPlace placeOf(double y) const;

    QPagedPaintDevice* device_;
    QTextDocument document_;
    QPageLayout page_;
    double scale_ = 1.0;      // PDF units per device pixel
    double dpi_ = 72.0;       // the device's pixels per inch
    double layoutDpi_ = 96.0; // the pixels per inch a length in a text format is given in
    double margin_ = 0.0;     // left and right, device pixels
    double top_ = 0.0;        // the body's top, device pixels
    double bodyWidth_ = 0.0;
    double bodyHeight_ = 0.0;
    std::vector<Heading> headings_;
    int contentsTable_ = -1; // position of the contents' table in the document
    QString error_;
};
