#include "drawing/plot_style.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

PlotLineStyle plotLineStyle(int k) {
    const std::size_t n = plotPalette.size();
    const auto i = static_cast<std::size_t>(std::max(k, 0));
    return {QColor(plotPalette[i % n]), plotMarkers[(i + i / n) % plotMarkers.size()]};
}

QPainterPath plotMarkerPath(PlotMarker marker, QPointF at, double r) {
    QPainterPath path;
    auto polygon = [&](std::initializer_list<QPointF> corners) {
        QPolygonF p;
        for (const QPointF& c : corners)
            p << at + c * r;
        path.addPolygon(p);
        path.closeSubpath();
    };
    switch (marker) {
    case PlotMarker::Circle:
        path.addEllipse(at, r, r);
        break;
    case PlotMarker::Square:
        path.addRect(QRectF(at.x() - 0.9 * r, at.y() - 0.9 * r, 1.8 * r, 1.8 * r));
        break;
    case PlotMarker::TriangleUp:
        polygon({{0, -1.2}, {1.1, 0.8}, {-1.1, 0.8}});
        break;
    case PlotMarker::Diamond:
        polygon({{0, -1.3}, {1.1, 0}, {0, 1.3}, {-1.1, 0}});
        break;
    case PlotMarker::TriangleDown:
        polygon({{0, 1.2}, {1.1, -0.8}, {-1.1, -0.8}});
        break;
    case PlotMarker::Hexagon:
        polygon({{-0.6, -1}, {0.6, -1}, {1.2, 0}, {0.6, 1}, {-0.6, 1}, {-1.2, 0}});
        break;
    case PlotMarker::Star: {
        QPolygonF p;
        for (int k = 0; k < 10; ++k) {
            const double a = M_PI * k / 5.0 - M_PI / 2.0, radius = (k % 2 ? 0.55 : 1.3) * r;
            p << at + QPointF(radius * std::cos(a), radius * std::sin(a));
        }
        path.addPolygon(p);
        path.closeSubpath();
        break;
    }
    }
    return path;
}

void paintPlotMarker(QPainter& painter, const PlotLineStyle& style, QPointF at, double r, bool filled) {
    painter.save();
    painter.setPen(QPen(style.colour, std::max(1.0, r / 3.0)));
    painter.setBrush(filled ? QBrush(style.colour) : QBrush(Qt::white));
    painter.drawPath(plotMarkerPath(style.marker, at, r));
    painter.restore();
}

QPainterPath bracketPath(QPointF from, QPointF to, double cap) {
    const QPointF along = to - from;
    const double length = std::hypot(along.x(), along.y());
    // A bracket whose ends meet still shows its caps, one on the other, rather than vanish into a dot.
    const QPointF across = length > 0.0 ? QPointF(-along.y(), along.x()) * (cap / length) : QPointF(cap, 0.0);
    QPainterPath path;
    path.moveTo(from);
    path.lineTo(to);
    for (const QPointF& end : {from, to}) {
        path.moveTo(end - across);
        path.lineTo(end + across);
    }
    return path;
}

QPainterPath boundArrowPath(QPointF from, QPointF to, double head) {
    const QPointF along = to - from;
    const double length = std::hypot(along.x(), along.y());
    QPainterPath path;
    path.moveTo(from);
    path.lineTo(to);
    if (length > 0.0) {
        const QPointF back = along * (-head / length), side = QPointF(-along.y(), along.x()) * (0.6 * head / length);
        path.moveTo(to + back + side);
        path.lineTo(to);
        path.lineTo(to + back - side);
    }
    return path;
}

QString axisTitle(const QString& quantity, const QString& unit) {
    return quantity + u" ["_s + unit + u']';
}

std::vector<AxisTick> decadeTicks(double low, double high) {
    std::vector<AxisTick> ticks;
    if (!(low > 0.0) || !(high >= low) || !std::isfinite(high))
        return ticks;
    // A hair of slack so that an end computed as 0.1 * 0.1 still counts as its decade.
    const int first = static_cast<int>(std::ceil(std::log10(low) - 1e-9));
    const int last = static_cast<int>(std::floor(std::log10(high) + 1e-9));
    for (int e = first; e <= last; ++e) {
        const double value = std::pow(10.0, e);
        ticks.push_back({value, e < 0 ? QString::number(value, 'f', -e) : QString::number(value, 'f', 0)});
    }
    return ticks;
}

void paintAxisTitles(QPainter& painter, const QRect& area, const QRect& plot, const QString& xTitle,
                     const QString& yTitle) {
    const QFontMetrics metrics = painter.fontMetrics();
    painter.save();
    painter.drawText(QRect(plot.left(), area.bottom() - metrics.height() - 2, plot.width(), metrics.height() + 2),
                     Qt::AlignHCenter | Qt::AlignBottom, xTitle);
    painter.translate(area.left() + 2, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-plot.height() / 2 - 40, 0, plot.height() + 80, metrics.height()),
                     Qt::AlignHCenter | Qt::AlignTop, yTitle);
    painter.restore();
}

namespace {
int legendRow(const QFontMetrics& metrics) {
    return metrics.height() * 5 / 4;
}
} // namespace

int legendHeight(const QFontMetrics& metrics, std::size_t rows) {
    return legendRow(metrics) * static_cast<int>(rows) + metrics.height() / 2;
}

QRect paintLegend(QPainter& painter, QPoint corner, Qt::Alignment side, const std::vector<LegendEntry>& entries,
                  double lineWidth) {
    const QFontMetrics metrics = painter.fontMetrics();
    const int row = legendRow(metrics), sample = metrics.height() * 5 / 2, pad = metrics.height() / 2;
    int textWidth = 0;
    for (const LegendEntry& e : entries)
        textWidth = std::max(textWidth, metrics.horizontalAdvance(e.text));
    const int width = pad + sample + pad + textWidth + pad;
    const QRect box(side & Qt::AlignRight ? corner.x() - width : corner.x(), corner.y(), width,
                    legendHeight(metrics, entries.size()));
    painter.save();
    painter.setPen(QPen(Qt::black, std::max(1.0, lineWidth / 2)));
    painter.setBrush(Qt::white);
    painter.drawRect(box);
    const double r = metrics.height() / 4.0;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const LegendEntry& e = entries[k];
        const double y = box.top() + pad / 2.0 + row * (k + 0.5);
        const double x = box.left() + pad;
        painter.setBrush(Qt::NoBrush);
        if (e.line != Qt::NoPen) {
            painter.setPen(QPen(e.style.colour, lineWidth, e.line));
            painter.drawLine(QPointF(x, y), QPointF(x + sample, y));
        }
        if (e.interval) {
            painter.setPen(QPen(e.style.colour, std::max(1.0, lineWidth / 2)));
            painter.drawPath(
                bracketPath(QPointF(x + sample / 2.0, y + row * 0.4), QPointF(x + sample / 2.0, y - row * 0.4), r));
        }
        if (e.marker)
            paintPlotMarker(painter, e.style, QPointF(x + sample / 2.0, y), r, e.filled);
        painter.setPen(Qt::black);
        painter.drawText(QRectF(x + sample + pad, y - row / 2.0, textWidth + pad, row), Qt::AlignVCenter, e.text);
    }
    painter.restore();
    return box;
}
