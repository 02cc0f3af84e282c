#include "docs/guide_book.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <set>

using namespace Qt::StringLiterals;

namespace {

const QString bodyFace = u"DejaVu Sans"_s;
const QString codeFace = u"DejaVu Sans Mono"_s;
constexpr double bodyPoints = 9.5;
constexpr double codePoints = 8.0;
constexpr double inlineCodePoints = 8.5;
constexpr double captionPoints = 8.5;
// The screenshots are of windows about 1280 pixels wide: at this many screen pixels to the text's
// width every window shows at one scale, the window's own 9-point text at about 6 points.
constexpr double screenPixelsAcross = 1280.0;
// What shell and reader tell apart and a typesetter joins: dashes, curly quotes, the minus sign,
// no-break spaces and the ellipsis. None may stand in code, where the reader copies from.
const QString typographic = u"\u2010\u2011\u2012\u2013\u2014\u2015\u2018\u2019\u201a\u201b\u201c\u201d\u201e\u201f"
                            u"\u2212\u00a0\u202f\u2026"_s;
// Table cells of at most this many characters are not broken into lines.
constexpr qsizetype shortCell = 14;
// A caption block: the image's alternative text, printed under it and kept on its page.
constexpr int captionProperty = QTextFormat::UserProperty + 1;

bool isCode(const QTextBlock& block) {
    return block.blockFormat().hasProperty(QTextFormat::BlockCodeLanguage);
}

bool isCaption(const QTextBlock& block) {
    return block.blockFormat().hasProperty(captionProperty);
}

int headingLevel(const QTextBlock& block) {
    return block.text().trimmed().isEmpty() ? 0 : block.blockFormat().headingLevel();
}

// The block's whole text selected, for a format to cover it.
QTextCursor selectBlock(const QTextBlock& block) {
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    return cursor;
}

QFont face(const QString& family, double points) {
    QFont font(family);
    font.setPointSizeF(points);
    return font;
}

} // namespace

GuideBook::GuideBook(const QString& markdown, const QString& imageFolder, QPagedPaintDevice& device)
    : device_(&device), page_(device.pageLayout()) {
    const double dpi = device.logicalDpiY();
    auto pixels = [dpi](double millimetres) { return millimetres * dpi / 25.4; };
    scale_ = 72.0 / dpi;
    dpi_ = dpi;
    // Qt takes the lengths in a text format (margins, padding, borders, widths, image sizes) for pixels
    // of the screen, and scales them to the device's resolution; font sizes are in points already.
    const QScreen* screen = QGuiApplication::primaryScreen();
    layoutDpi_ = screen ? std::round(screen->logicalDotsPerInchY()) : 96.0;
    // Whole pixels: Qt places lines in fixed point, and a page that ended between two pixels would
    // leave a line starting a page half a pixel on the page before.
    margin_ = std::round(pixels(20.0));
    top_ = std::round(pixels(18.0));
    bodyHeight_ = std::floor(device.height() - top_ - pixels(22.0));
    bodyWidth_ = device.width() - 2.0 * margin_;
    // Built whole before it is laid out: a paginated layout follows every single edit otherwise.
    document_.setUndoRedoEnabled(false);
    document_.setDefaultFont(face(bodyFace, bodyPoints));
    document_.setMarkdown(markdown);
    document_.setDocumentMargin(0.0);
    if (!checkCode())
        return;
    QTextCursor edits(&document_);
    edits.beginEditBlock();
    applyStyles();
    const bool embedded = embedImages(imageFolder);
    if (embedded)
        insertContents();
    edits.endEditBlock();
    if (!embedded)
        return;
    document_.documentLayout()->setPaintDevice(&device);
    document_.setPageSize(QSizeF(bodyWidth_, bodyHeight_));
    relayOut();
    if (!checkCodeWidths())
        return;
    keepCodeSpansWhole();
    keepTogether();
    fillContentsPages();
    relayOut();
}

// Qt lays a paginated document out again only in part after a change, and may leave blocks after it
// with no lines (they then print as nothing); every measure is taken on a layout made whole.
void GuideBook::relayOut(int from) {
    document_.markContentsDirty(from, document_.characterCount() - from);
    document_.documentLayout()->documentSize();
}

bool GuideBook::checkCode() {
    for (QTextBlock block = document_.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const bool code =
                isCode(block) || fragment.charFormat().fontFamilies().toStringList().contains(u"monospace"_s);
            if (!code)
                continue;
            for (QChar c : fragment.text())
                if (typographic.contains(c)) {
                    error_ = u"typographic punctuation (U+%1) in code: %2"_s.arg(
                        QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0'), fragment.text());
                    return false;
                }
        }
    return true;
}

bool GuideBook::checkCodeWidths() {
    const double width = bodyWidth_;
    for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
        if (!isCode(block) || block.layout()->lineCount() == 0)
            continue;
        const double needed =
            block.layout()->lineAt(0).naturalTextWidth() + block.blockFormat().leftMargin() * dpi_ / layoutDpi_;
        if (needed > width) {
            error_ = u"a code line is wider than the page (%1 mm, the text %2 mm): %3"_s
                         .arg(std::lround(needed * scale_ * 25.4 / 72.0))
                         .arg(std::lround(width * scale_ * 25.4 / 72.0))
                         .arg(block.text());
            return false;
        }
    }
    return true;
}

void GuideBook::applyStyles() {
    QTextCharFormat code;
    code.setFont(face(codeFace, codePoints), QTextCharFormat::FontPropertiesAll);
    QTextCharFormat inlineCode;
    inlineCode.setFont(face(codeFace, inlineCodePoints), QTextCharFormat::FontPropertiesAll);
    std::set<QTextTable*> tables;
    for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
        if (QTextTable* table = QTextCursor(block).currentTable()) {
            tables.insert(table);
            // A cell's paragraph needs no space of its own below it: the cell's padding gives it.
            QTextBlockFormat tight = block.blockFormat();
            tight.setTopMargin(0.0);
            tight.setBottomMargin(0.0);
            QTextCursor(block).setBlockFormat(tight);
        }
        if (isCode(block)) {
            // Lines never wrap: a wrapped command is a different command. checkCodeWidths() refuses
            // the guide instead when a line is wider than the page.
            QTextBlockFormat format = block.blockFormat();
            format.setNonBreakableLines(true);
            format.setBackground(QColor(0xf0, 0xf0, 0xf0));
            format.setLeftMargin(points(5.0));
            const bool first = !isCode(block.previous()), last = !isCode(block.next());
            format.setTopMargin(first ? points(5.0) : 0.0);
            format.setBottomMargin(last ? points(8.0) : 0.0);
            QTextCursor cursor = selectBlock(block);
            cursor.setBlockFormat(format);
            cursor.setBlockCharFormat(code);
            cursor.setCharFormat(code);
            continue;
        }
        if (const int level = headingLevel(block); level >= 2) {
            QTextBlockFormat spaced = block.blockFormat();
            spaced.setTopMargin(points(level == 2 ? 12.0 : 8.0));
            QTextCursor(block).setBlockFormat(spaced);
        }
        std::vector<std::pair<int, int>> spans;
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().fontFamilies().toStringList().contains(u"monospace"_s))
                spans.emplace_back(it.fragment().position(), it.fragment().length());
        for (auto [position, length] : spans) {
            QTextCursor cursor(&document_);
            cursor.setPosition(position);
            cursor.setPosition(position + length, QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(inlineCode);
        }
    }
    // A table that runs onto the next page repeats its header there.
    for (QTextTable* table : tables) {
        QTextTableFormat format = table->format();
        format.setHeaderRowCount(1);
        format.setCellPadding(points(2.0));
        format.setBorder(points(0.75));
        format.setBorderBrush(QColor(0x99, 0x99, 0x99));
        format.setBorderCollapse(true);
        format.setColumnWidthConstraints(columnWidths(*table, 2.0 / scale_));
        table->setFormat(format);
    }
}

// Qt shares a paginated table's width out evenly, breaking long cells inside words while short ones
// stay half empty. Each column gets its widest cell's width when all fit; otherwise its longest word,
// and what is left goes to the columns in proportion to how much more they would take.
QList<QTextLength> GuideBook::columnWidths(const QTextTable& table, double padding) const {
    const int columns = table.columns();
    std::vector<double> longest(static_cast<std::size_t>(columns)), widest(static_cast<std::size_t>(columns));
    for (int row = 0; row < table.rows(); ++row)
        for (int column = 0; column < columns; ++column) {
            const QTextTableCell cell = table.cellAt(row, column);
            for (QTextBlock block = cell.firstCursorPosition().block();
                 block.isValid() && block.position() <= cell.lastPosition(); block = block.next()) {
                QFont font = face(bodyFace, bodyPoints);
                font.setBold(row == 0); // Markdown's header row is bold
                const QFontMetricsF metrics(font, device_);
                const std::size_t k = static_cast<std::size_t>(column);
                widest[k] = std::max(widest[k], metrics.horizontalAdvance(block.text()));
                // A short cell ("640 x 480", "0.17 mrad") is one word: broken, it reads as two values.
                const QStringList words = block.text().size() <= shortCell
                                              ? QStringList{block.text()}
                                              : block.text().split(u' ', Qt::SkipEmptyParts);
                for (const QString& word : words)
                    longest[k] = std::max(longest[k], metrics.horizontalAdvance(word));
            }
        }
    const double room = bodyWidth_ - columns * (2.0 * padding + 1.0 / scale_);
    double wide = 0.0, narrow = 0.0;
    for (int k = 0; k < columns; ++k) {
        wide += widest[static_cast<std::size_t>(k)];
        narrow += longest[static_cast<std::size_t>(k)];
    }
    QList<QTextLength> widths;
    for (std::size_t k = 0; k < widest.size(); ++k) {
        double width = widest[k];
        if (wide > room)
            width = narrow >= room ? longest[k] * room / narrow
                                   : longest[k] + (widest[k] - longest[k]) * (room - narrow) / (wide - narrow);
        widths.append(QTextLength(QTextLength::FixedLength, (width + 2.0 * padding) * layoutDpi_ / dpi_));
    }
    return widths;
}

bool GuideBook::embedImages(const QString& folder) {
    struct Image {
        int position;
        QTextImageFormat format;
    };
    std::vector<Image> images;
    for (QTextBlock block = document_.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                images.push_back({it.fragment().position(), it.fragment().charFormat().toImageFormat()});
    const double width = bodyWidth_;
    // From the last, so that the captions inserted leave the positions still to come in place.
    for (auto image = images.rbegin(); image != images.rend(); ++image) {
        const QString name = image->format.name();
        const QImage picture(QDir(folder).filePath(name));
        if (picture.isNull()) {
            error_ = u"cannot read the image %1"_s.arg(QDir(folder).filePath(name));
            return false;
        }
        double w = std::min(width, picture.width() * width / screenPixelsAcross);
        double h = w * picture.height() / picture.width();
        if (h > 0.55 * bodyHeight_) {
            w *= 0.55 * bodyHeight_ / h;
            h = 0.55 * bodyHeight_;
        }
        document_.addResource(QTextDocument::ImageResource, QUrl(name), picture);
        QTextImageFormat format = image->format;
        format.setWidth(w * layoutDpi_ / dpi_);
        format.setHeight(h * layoutDpi_ / dpi_);
        QTextCursor cursor(&document_);
        cursor.setPosition(image->position);
        cursor.setPosition(image->position + 1, QTextCursor::KeepAnchor);
        cursor.setCharFormat(format);
        QTextBlockFormat centred = cursor.blockFormat();
        centred.setAlignment(Qt::AlignHCenter);
        centred.setBottomMargin(0.0);
        cursor.setBlockFormat(centred);
        const QString caption = image->format.property(QTextFormat::ImageAltText).toString();
        if (caption.isEmpty())
            continue;
        QTextBlockFormat captionBlock;
        captionBlock.setAlignment(Qt::AlignHCenter);
        captionBlock.setProperty(captionProperty, true);
        captionBlock.setBottomMargin(points(8.0));
        QTextCharFormat captionText;
        captionText.setFont(face(bodyFace, captionPoints), QTextCharFormat::FontPropertiesAll);
        captionText.setFontItalic(true);
        cursor.movePosition(QTextCursor::EndOfBlock);
        cursor.insertBlock(captionBlock, captionText);
        cursor.insertText(caption);
    }
    return true;
}

void GuideBook::insertContents() {
    QTextBlock first;
    std::vector<std::pair<QString, int>> entries; // text, level
    for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
        const int level = headingLevel(block);
        if (level == 2 && !first.isValid())
            first = block;
        if (level == 2 || level == 3)
            entries.emplace_back(block.text(), level);
    }
    if (!first.isValid())
        return;
    QTextBlockFormat startOnNewPage;
    startOnNewPage.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    QTextBlockFormat headingFormat = first.blockFormat();
    QTextCursor cursor(first.previous());
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.insertBlock(headingFormat, first.begin().fragment().charFormat());
    cursor.insertText(u"Contents"_s);
    const QTextBlock contentsHeading = cursor.block();
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());

    QTextTableFormat format;
    format.setBorder(0.0);
    format.setCellPadding(points(0.6));
    format.setCellSpacing(0.0);
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100.0));
    format.setColumnWidthConstraints(
        {QTextLength(QTextLength::PercentageLength, 92.0), QTextLength(QTextLength::PercentageLength, 8.0)});
    QTextTable* table = cursor.insertTable(static_cast<int>(entries.size()), 2, format);
    contentsTable_ = table->firstPosition();
    for (int row = 0; row < static_cast<int>(entries.size()); ++row) {
        const auto& [text, level] = entries[static_cast<std::size_t>(row)];
        QTextCharFormat entryText;
        entryText.setFont(face(bodyFace, level == 2 ? bodyPoints : captionPoints), QTextCharFormat::FontPropertiesAll);
        entryText.setFontWeight(level == 2 ? QFont::DemiBold : QFont::Normal);
        QTextBlockFormat indent;
        indent.setTopMargin(level == 2 ? points(3.0) : 0.0);
        QTextCursor title = table->cellAt(row, 0).firstCursorPosition();
        title.setBlockFormat(indent);
        title.insertText(level == 2 ? text : u"\u2003\u2003"_s + text, entryText);
        QTextBlockFormat right;
        right.setAlignment(Qt::AlignRight);
        right.setTopMargin(indent.topMargin());
        QTextCursor page = table->cellAt(row, 1).firstCursorPosition();
        page.setBlockFormat(right);
        page.insertText(u"0"_s, entryText);
    }
    // The sections start on the page after the contents, and their headings are found again where the
    // contents moved them to.
    int row = 0;
    for (QTextBlock block = document_.findBlock(table->lastPosition() + 1); block.isValid(); block = block.next()) {
        const int level = headingLevel(block);
        if (level != 2 && level != 3)
            continue;
        if (row == 0)
            QTextCursor(block).mergeBlockFormat(startOnNewPage);
        headings_.push_back({block, level, row++});
    }
    headings_.insert(headings_.begin(), {contentsHeading, 2, -1});
}

// A line may break at a hyphen, and "--orientation" would be cut after its dashes. A span of code that
// a line break would cut starts the next line instead, and one wider than a line breaks at its spaces.
void GuideBook::keepCodeSpansWhole() {
    // A break put in moves the text after it, so that a span whole before may be cut now: passes go
    // on until one finds nothing to do.
    for (int pass = 0; pass < 8; ++pass) {
        bool changed = false;
        QTextCursor edits(&document_);
        edits.beginEditBlock();
        for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
            if (isCode(block))
                continue;
            // From the last span, so that a break put in leaves the lines before it, and so the
            // spans still to come, where the layout has them.
            std::vector<QTextFragment> spans;
            for (auto it = block.begin(); !it.atEnd(); ++it)
                if (it.fragment().charFormat().fontFamilies().toStringList().contains(codeFace))
                    spans.insert(spans.begin(), it.fragment());
            const QTextLayout* layout = block.layout();
            for (const QTextFragment& span : spans) {
                const int start = span.position() - block.position();
                const QTextLine first = layout->lineForTextPosition(start);
                const QTextLine last = layout->lineForTextPosition(start + span.length() - 1);
                if (!first.isValid() || !last.isValid() || first.lineNumber() == last.lineNumber())
                    continue;
                const int at = breakFor(span, start, *layout, block.text());
                if (at < 0)
                    continue;
                QTextCursor cursor(&document_);
                cursor.setPosition(block.position() + at);
                cursor.insertText(QString(QChar::LineSeparator));
                changed = true;
            }
        }
        edits.endEditBlock();
        relayOut();
        if (!changed)
            return;
    }
}

// Where a span of code cut by a line break should break instead (an offset in the block's text), or
// -1: before the span when it fits on one line, else after the last space before the first line end
// that falls inside a word, which "[--sensor" would be.
int GuideBook::breakFor(const QTextFragment& span, int start, const QTextLayout& layout, const QString& text) const {
    const QTextLine first = layout.lineForTextPosition(start);
    if (QFontMetricsF(span.charFormat().font(), device_).horizontalAdvance(span.text()) <= first.width())
        return start == 0 ? -1 : start;
    const int last = layout.lineForTextPosition(start + span.length() - 1).lineNumber();
    for (int number = first.lineNumber(); number < last; ++number) {
        const QTextLine line = layout.lineAt(number);
        const int end = line.textStart() + line.textLength(); // where the next line starts
        if (text.at(end - 1).isSpace())
            continue;
        const int space = text.lastIndexOf(u' ', end - 1);
        return space >= start && space > line.textStart() ? space + 1 : -1;
    }
    return -1;
}

void GuideBook::keepTogether() {
    auto breakBefore = [this](const QTextBlock& block) {
        QTextBlockFormat format;
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        QTextCursor(block).mergeBlockFormat(format);
        relayOut(block.position());
    };
    auto keep = [&](const QTextBlock& start, const QTextBlock& end) {
        const double top = topOf(start), bottom = bottomOf(end);
        if (pageOf(top) != pageOf(bottom - 1.0) && bottom - top <= bodyHeight_)
            breakBefore(start);
    };
    QTextFrame* root = document_.rootFrame();
    for (QTextBlock block = document_.findBlock(contentsTable_); block.isValid(); block = block.next()) {
        if (document_.frameAt(block.position()) != root)
            continue;
        if (isCode(block) && !isCode(block.previous())) {
            QTextBlock end = block;
            while (isCode(end.next()))
                end = end.next();
            // The sentence that introduces a command ("... the ranges:", "for example") stays with it.
            const QTextBlock before = block.previous();
            const bool introduced = (before.text().trimmed().endsWith(u':') || before.layout()->lineCount() <= 2) &&
                                    headingLevel(before) == 0 && !before.text().trimmed().isEmpty() &&
                                    document_.frameAt(before.position()) == root;
            keep(introduced ? before : block, end);
        } else if (isCaption(block.next())) {
            keep(block, block.next());
        } else if (const int level = headingLevel(block); level == 2 || level == 3) {
            // A heading with at least the first line of what it heads.
            QTextBlock next = block.next();
            while (next.isValid() && next.text().trimmed().isEmpty() && document_.frameAt(next.position()) == root)
                next = next.next();
            if (next.isValid() && next.layout()->lineCount() > 0) {
                const double firstLine = topOf(next) + next.layout()->lineAt(0).height();
                if (pageOf(topOf(block)) != pageOf(firstLine - 1.0))
                    breakBefore(block);
            }
        }
    }
}

void GuideBook::fillContentsPages() {
    QTextTable* table = QTextCursor(document_.findBlock(contentsTable_)).currentTable();
    if (!table)
        return;
    // Numbers of the same few digits take one line as the placeholder did, so the pages found stay;
    // a second pass only confirms them.
    for (int pass = 0; pass < 3; ++pass) {
        bool changed = false;
        QTextCursor edits(&document_);
        edits.beginEditBlock();
        for (const Heading& heading : headings_) {
            if (heading.contentsRow < 0)
                continue;
            const QString number = QString::number(pageOf(topOf(heading.block)) + 1);
            QTextCursor cell = table->cellAt(heading.contentsRow, 1).firstCursorPosition();
            cell.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            if (cell.selectedText() == number)
                continue;
            cell.insertText(number);
            changed = true;
        }
        edits.endEditBlock();
        if (!changed)
            return;
        relayOut();
    }
}

double GuideBook::points(double length) const {
    return length * layoutDpi_ / 72.0;
}

// A page break moves a block's lines, not the margin above them: its place is that of its lines.
double GuideBook::topOf(const QTextBlock& block) const {
    const double top = document_.documentLayout()->blockBoundingRect(block).top();
    const QTextLayout* layout = block.layout();
    return layout && layout->lineCount() > 0 ? top + layout->lineAt(0).y() : top;
}

double GuideBook::bottomOf(const QTextBlock& block) const {
    const QRectF rect = document_.documentLayout()->blockBoundingRect(block);
    const QTextLayout* layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        return rect.bottom();
    const QTextLine last = layout->lineAt(layout->lineCount() - 1);
    return rect.top() + last.y() + last.height();
}

int GuideBook::pageOf(double y) const {
    return static_cast<int>(std::floor(y / bodyHeight_));
}

PdfPlace GuideBook::placeOf(double y) const {
    const int page = pageOf(y);
    const double pageHeight = page_.fullRectPoints().height();
    return {page, margin_ * scale_, pageHeight - (top_ + y - page * bodyHeight_) * scale_ + 4.0};
}

int GuideBook::pageCount() const {
    return document_.pageCount();
}

void GuideBook::print(QPagedPaintDevice& device, const QString& footer) {
    QPainter painter(&device);
    const QSizeF body = document_.pageSize();
    const int pages = pageCount();
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            device.newPage();
        painter.save();
        painter.translate(margin_, top_ - page * bodyHeight_);
        const QRectF clip(0.0, page * bodyHeight_, body.width(), bodyHeight_);
        painter.setClipRect(clip);
        QAbstractTextDocumentLayout::PaintContext context;
        // The first line of the next page begins where this page's clip ends; a clip that touched it
        // would put its text, clipped away, on this page too.
        context.clip = clip.adjusted(0.0, 0.0, 0.0, -1.0);
        context.palette.setColor(QPalette::Text, Qt::black);
        document_.documentLayout()->draw(&painter, context);
        painter.restore();
        // The footer: a hairline, the guide's name and the page.
        const double y = top_ + bodyHeight_ + 6.0 / scale_;
        painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 0.5 / scale_));
        painter.drawLine(QPointF(margin_, y), QPointF(margin_ + body.width(), y));
        painter.setFont(face(bodyFace, 7.5));
        const QRectF line(margin_, y + 2.0 / scale_, body.width(), 12.0 / scale_);
        painter.drawText(line, Qt::AlignLeft | Qt::AlignTop, footer);
        painter.drawText(line, Qt::AlignRight | Qt::AlignTop, u"Page %1 of %2"_s.arg(page + 1).arg(pages));
    }
}

std::vector<PdfBookmark> GuideBook::bookmarks() const {
    std::vector<PdfBookmark> marks;
    for (const Heading& heading : headings_)
        marks.push_back({heading.block.text().toStdString(), heading.level - 2, placeOf(topOf(heading.block))});
    return marks;
}

std::vector<PdfLink> GuideBook::contentsLinks() const {
    std::vector<PdfLink> links;
    QTextTable* table = QTextCursor(document_.findBlock(contentsTable_)).currentTable();
    if (!table)
        return links;
    const double pageHeight = page_.fullRectPoints().height();
    for (const Heading& heading : headings_) {
        if (heading.contentsRow < 0)
            continue;
        const QRectF title = document_.documentLayout()->blockBoundingRect(
            table->cellAt(heading.contentsRow, 0).firstCursorPosition().block());
        const int page = pageOf(title.top());
        const double top = pageHeight - (top_ + title.top() - page * bodyHeight_) * scale_;
        links.push_back({page, margin_ * scale_, top - title.height() * scale_,
                         (margin_ + document_.pageSize().width()) * scale_, top, placeOf(topOf(heading.block))});
    }
    return links;
}
