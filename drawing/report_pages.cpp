#include "drawing/report_pages.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QFont scaled(QFont font, double factor, bool bold = false) {
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setBold(bold);
    return font;
}

double textHeight(QPainter& painter, const QFont& font, const QString& text, double width) {
    return QFontMetricsF(font, painter.device())
        .boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text)
        .height();
}

// The space under a block, and the padding inside a cell, as a fraction of a line.
constexpr double blockGap = 0.6;
constexpr double cellPadding = 0.25;
// How many of a table's rows must share the page of its header.
constexpr int rowsWithHeader = 2;

} // namespace

void ReportPages::heading(const QString& text, int level) {
    const QFont font = scaled(body_, level == 1 ? 1.8 : level == 2 ? 1.3 : 1.1, true);
    const double space = level == 1 ? 0.4 : 1.0; // lines above the heading
    boxes_.push_back({[=](QPainter& p, double width) {
                          return textHeight(p, font, text, width) * (1.0 + space * 0.5 + blockGap * 0.5);
                      },
                      [=](QPainter& p, const QRectF& r) {
                          p.setFont(font);
                          const double line = QFontMetricsF(font, p.device()).height();
                          p.drawText(r.adjusted(0, line * space * 0.5, 0, 0), Qt::TextWordWrap, text);
                      },
                      1});
}

void ReportPages::paragraph(const QString& text) {
    const QFont font = body_;
    boxes_.push_back({[=](QPainter& p, double width) {
                          return textHeight(p, font, text, width) + blockGap * QFontMetricsF(font, p.device()).height();
                      },
                      [=](QPainter& p, const QRectF& r) {
                          p.setFont(font);
                          p.drawText(r, Qt::TextWordWrap, text);
                      }});
}

void ReportPages::table(const QStringList& header, const std::vector<double>& weights,
                        const std::vector<ReportRow>& rows, const QString& note) {
    const QFont cellFont = scaled(body_, 0.85);
    const QFont headerFont = scaled(body_, 0.85, true);
    double total = 0.0;
    for (double w : weights)
        total += w;
    // Each cell's left edge and width for a table as wide as the page.
    auto columns = [=](const QRectF& r, const ReportRow& row) {
        if (row.size() == 1)
            return std::vector<QRectF>{r};
        std::vector<QRectF> cells;
        double x = r.left();
        for (double w : weights) {
            cells.emplace_back(x, r.top(), r.width() * w / total, r.height());
            x += r.width() * w / total;
        }
        return cells;
    };
    auto rowHeight = [=](QPainter& p, double width, const ReportRow& row, const QFont& font) {
        const double pad = cellPadding * QFontMetricsF(font, p.device()).height();
        double tallest = 0.0;
        for (std::size_t c = 0; c < row.size() && c < weights.size(); ++c) {
            const double cell = row.size() == 1 ? width : width * weights[c] / total;
            tallest = std::max(tallest, textHeight(p, font, row[c].text, cell - 2 * pad));
        }
        return tallest + 2 * pad;
    };
    auto paintRow = [=](QPainter& p, const QRectF& r, const ReportRow& row, const QFont& font, bool shaded) {
        const double pad = cellPadding * QFontMetricsF(font, p.device()).height();
        const auto cells = columns(r, row);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (shaded)
                p.fillRect(cells[c], QColor(232, 232, 232));
            p.setPen(QPen(Qt::black, 0));
            p.drawRect(cells[c]);
            if (c >= row.size())
                continue;
            QFont f = font;
            f.setStrikeOut(row[c].struck);
            p.setFont(f);
            p.drawText(cells[c].adjusted(pad, pad, -pad, -pad), Qt::TextWordWrap, row[c].text);
        }
    };
    ReportRow headerRow;
    for (const QString& h : header)
        headerRow.push_back({h});
    const int headerIndex = static_cast<int>(boxes_.size());
    boxes_.push_back({[=](QPainter& p, double width) { return rowHeight(p, width, headerRow, headerFont); },
                      [=](QPainter& p, const QRectF& r) { paintRow(p, r, headerRow, headerFont, true); },
                      std::min<int>(rowsWithHeader, static_cast<int>(rows.size()))});
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const ReportRow row = rows[k];
        // The row before the last keeps the last with it, so no row ends a table alone on a page; the
        // last keeps the note.
        const bool lastButOne = (rows.size() > 2 && k + 2 == rows.size()) || k + 1 == rows.size();
        const bool remarked = k + 1 < rows.size() && rows[k + 1].size() == 1;
        boxes_.push_back({[=](QPainter& p, double width) { return rowHeight(p, width, row, cellFont); },
                          [=](QPainter& p, const QRectF& r) { paintRow(p, r, row, cellFont, false); },
                          lastButOne || remarked ? 1 : 0, headerIndex});
    }
    const QFont noteFont = scaled(body_, 0.8);
    const QString text = note;
    boxes_.push_back({[=](QPainter& p, double width) {
                          const double gap = blockGap * QFontMetricsF(noteFont, p.device()).height();
                          return (text.isEmpty() ? 0.0 : textHeight(p, noteFont, text, width) + gap * 0.5) + gap;
                      },
                      [=](QPainter& p, const QRectF& r) {
                          p.setFont(noteFont);
                          const double gap = blockGap * QFontMetricsF(noteFont, p.device()).height();
                          p.drawText(r.adjusted(0, gap * 0.5, 0, 0), Qt::TextWordWrap, text);
                      }});
}

void ReportPages::drawing(double heightPerWidth, std::function<void(QPainter&, const QRect&)> paint) {
    // A drawing shows what the block before it says, so it shares that block's page.
    if (!boxes_.empty())
        boxes_.back().keepWithNext = std::max(boxes_.back().keepWithNext, 1);
    const QFont font = body_;
    boxes_.push_back({[=](QPainter& p, double width) {
                          return width * heightPerWidth + blockGap * QFontMetricsF(font, p.device()).height();
                      },
                      [=](QPainter& p, const QRectF& r) {
                          p.save();
                          paint(p, QRectF(r.topLeft(), QSizeF(r.width(), r.width() * heightPerWidth)).toRect());
                          p.restore();
                      }});
}

void ReportPages::signatures(const QStringList& roles) {
    const QFont font = body_;
    const QFont bold = scaled(body_, 1.0, true);
    boxes_.push_back(
        {[=](QPainter& p, double) { return QFontMetricsF(font, p.device()).height() * (1.5 + 4.0 * roles.size()); },
         [=](QPainter& p, const QRectF& r) {
             const double line = QFontMetricsF(font, p.device()).height();
             double y = r.top() + 1.5 * line;
             const QStringList fields{u"Name"_s, u"Signature"_s, u"Date"_s};
             const double part = r.width() / fields.size();
             for (const QString& role : roles) {
                 p.setFont(bold);
                 p.drawText(QPointF(r.left(), y), role);
                 y += 2.5 * line;
                 p.setFont(font);
                 for (int k = 0; k < fields.size(); ++k) {
                     const double x = r.left() + k * part;
                     p.drawText(QPointF(x, y), fields[k] + u":"_s);
                     p.drawLine(QPointF(x + 5.5 * line, y), QPointF(x + part - line, y));
                 }
                 y += 1.5 * line;
             }
         }});
}

int ReportPages::print(QPainter& painter, QPagedPaintDevice& device, const QRectF& page) {
    struct Placed {
        std::size_t box;
        int page;
        QRectF rect;
    };
    const double width = page.width();
    // Room kept at the foot of each page for its number and the report's identity.
    QFont small = body_;
    small.setPointSizeF(body_.pointSizeF() * 0.75);
    const double footer = 2.0 * QFontMetricsF(body_, painter.device()).height() +
                          (footer_.isEmpty() ? 0.0 : 2.3 * QFontMetricsF(small, painter.device()).height());
    const double bottom = page.bottom() - footer;
    std::vector<double> heights;
    for (const Box& b : boxes_)
        heights.push_back(b.height(painter, width));

    std::vector<Placed> placed;
    int pageNumber = 0;
    double y = page.top();
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        // The run of boxes that must share this box's page.
        std::size_t end = i;
        for (std::size_t j = i; j <= end && j < boxes_.size(); ++j)
            end = std::max(end, j + static_cast<std::size_t>(boxes_[j].keepWithNext));
        end = std::min(end, boxes_.size() - 1);
        double needed = 0.0;
        for (std::size_t j = i; j <= end; ++j)
            needed += heights[j];
        // A run taller than a page keeps only its first box from being split off.
        const bool fits = y + (needed <= bottom - page.top() ? needed : heights[i]) <= bottom;
        if (!fits && y > page.top()) {
            ++pageNumber;
            y = page.top();
            if (const int header = boxes_[i].table; header >= 0) {
                const auto h = static_cast<std::size_t>(header);
                placed.push_back({h, pageNumber, QRectF(page.left(), y, width, heights[h])});
                y += heights[h];
            }
        }
        placed.push_back({i, pageNumber, QRectF(page.left(), y, width, heights[i])});
        y += heights[i];
    }

    const int pages = pageNumber + 1;
    int current = 0;
    auto foot = [&](int index) {
        painter.setPen(Qt::black);
        painter.setFont(small);
        // Two lines kept for it: a SHA-256 is wider than a third of the page in this face.
        painter.drawText(QRectF(page.left(), bottom, width, footer), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                         footer_);
        painter.setFont(body_);
        painter.drawText(QRectF(page.left(), bottom, width, footer), Qt::AlignHCenter | Qt::AlignBottom,
                         QString(u"Page %1 of %2"_s).arg(index + 1).arg(pages));
    };
    for (const Placed& p : placed) {
        while (current < p.page) {
            foot(current++);
            device.newPage();
        }
        painter.setPen(Qt::black);
        boxes_[p.box].paint(painter, p.rect);
    }
    foot(current);
    return pages;
}
