#include "drawing/session_report.h"

#include "console/plot_geometry.h"
#include "drawing/plot_painter.h"
#include "text/version.h"
#include "text/whole_file.h"

#include <QBuffer>

#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

#include <cmath>
#include <map>
#include <set>
#include <tuple>

using namespace Qt::StringLiterals;

namespace {

// A section of the report: one slot, camera file, image model and orientation, its groups in
// frequency order. Vertical bars, the standard target as drawn, come before horizontal ones.
using SectionKey = std::tuple<int, std::string, std::string, bool, std::string>;

std::map<SectionKey, std::vector<SessionGroup>> sectionsOf(const std::vector<SessionGroup>& groups) {
    std::map<SectionKey, std::vector<SessionGroup>> sections;
    for (const SessionGroup& g : groups)
        sections[{g.slot, g.cameraFile, g.imageModel, g.orientation != orientationVertical, g.orientation}].push_back(
            g);
    return sections;
}

QString kelvin(const std::optional<double>& value) {
    return value ? QString::number(*value, 'f', 3) : QString(u"–"_s);
}

QString interval(const SessionGroup& g) {
    if (!g.ci95)
        return u"–"_s;
    return QString(u"%1 … %2"_s).arg(g.ci95->first, 0, 'f', 3).arg(g.ci95->second, 0, 'f', 3);
}

QString escaped(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

QString orientationText(const std::string& orientation) {
    return orientation == orientationHorizontal ? u"horizontal bars (vertical MRTD)"_s
                                                : u"vertical bars (horizontal MRTD)"_s;
}

QString sectionTitle(const SectionKey& key) {
    return QString(u"Camera%1 · %2 · %3 image model · %4"_s)
        .arg(std::get<0>(key))
        .arg(escaped(std::get<1>(key)), escaped(std::get<2>(key)), orientationText(std::get<4>(key)));
}

// The model observer's curve, apart from the observers' blue and red.
const QColor objectiveColour(0, 130, 60);
const QString objectiveLegend = u"dashed: objective MRTD (model observer)"_s;

// The model observer's result for a section: only the slot's, and only when it was measured in the
// section's orientation.
const ObjectiveMrtd* objectiveFor(const SectionKey& key, const ObjectiveBySlot& objective) {
    const auto found = objective.find(std::get<0>(key));
    if (found == objective.end() || found->second.horizontalBars != std::get<3>(key))
        return nullptr;
    return &found->second;
}

QString objectiveSentence(const ObjectiveMrtd& result) {
    QStringList values;
    for (const FrequencyResult& r : result.frequencies) {
        if (r.mrtd.valued == 0 || !(r.mrtd.mean > 0.0))
            values << QString(u"%1 cycles/mrad: –"_s).arg(r.frequency);
        else
            values << QString(u"%1 cycles/mrad: %2 K (%3 … %4 K)"_s)
                          .arg(r.frequency)
                          .arg(r.mrtd.mean, 0, 'f', 3)
                          .arg(r.mrtd.ciLow, 0, 'f', 3)
                          .arg(r.mrtd.ciHigh, 0, 'f', 3);
    }
    return u"Objective MRTD of the model observer, mean (95 % interval): "_s + values.join(u"; "_s) +
           (result.cancelled ? u" (the run was cancelled before it finished)."_s : u"."_s);
}

// "2026-12-06T14:15:17.250Z" as "2026-12-06 14:15:17 UTC".
QString readableTime(const std::string& iso) {
    return QString::fromStdString(iso.substr(0, 10) + " " + iso.substr(11, 8) + " UTC");
}

} // namespace

QString cameraFileHeading(const QString& fileName, const QStringList& folders) {
    for (const QString& folder : folders) {
        QFile file(QDir(folder).filePath(fileName));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        const QString first = QString::fromLocal8Bit(file.readLine()).trimmed();
        const QString second = QString::fromLocal8Bit(file.readLine()).trimmed();
        return first + u"\n"_s + second;
    }
    return u"(the camera file was not found beside the session)"_s;
}

QImage sessionPlotImage(const std::vector<SessionGroup>& groups, int width, int height,
                        const ObjectiveMrtd* objective) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font(u"DejaVu Sans"_s);
    font.setPixelSize(std::max(10, height / 28));
    painter.setFont(font);
    // The console's plot geometry inside margins for the scale's labels.
    const int left = width / 9;
    const int bottom = height / 9;
    const int top = height / 30;
    const PlotScale s = plotScale(width - left - width / 30, height - bottom - top);
    painter.translate(left, top);
    const QPen axisPen(Qt::black, std::max(1, width / 600));
    paintPlotFrame(painter, s, axisPen);
    for (const FrequencyChoice& choice : frequencyChoices) {
        const double f = choice.frequency;
        const int x = frequencyTickX(s, f);
        painter.drawText(QRect(x - 40, s.height - 5, 80, bottom / 2), Qt::AlignHCenter | Qt::AlignTop,
                         QString::number(f));
    }
    painter.drawText(QRect(0, s.height + bottom / 3, s.width, bottom / 2), Qt::AlignHCenter | Qt::AlignTop,
                     u"Spatial frequency [cycles/mrad]"_s);
    // Decades of the logarithmic scale, within its span from the reference upwards.
    const double topValue = plotReferenceMrtd * std::exp(plotFullScaleLog);
    for (double decade = plotReferenceMrtd; decade <= topValue; decade *= 10.0) {
        const int y = plotPointOf(s, 1.0, decade).y;
        painter.setPen(QPen(QColor(200, 200, 200), 1, Qt::DashLine));
        painter.drawLine(10, y, s.width - 5, y);
        painter.setPen(axisPen);
        painter.drawText(QRect(-left, y - 20, left + 2, 40), Qt::AlignRight | Qt::AlignVCenter,
                         QString(u"%1 K "_s).arg(decade, 0, 'g', 2));
    }
    painter.setClipRect(QRect(10, 0, s.width, s.height - 10));
    std::vector<PlotErrorBar> bars;
    for (const SessionGroup& g : groups)
        if (g.mean && *g.mean > 0.0)
            bars.push_back(plotErrorBar(s, g.frequency, *g.mean, g.ci95));
    paintMeanSeries(painter, bars,
                    {QColor(0, 70, 160), QColor(200, 40, 40), Qt::SolidLine, std::max(2, width / 400),
                     std::max(1, width / 600), std::max(4, width / 120), std::max(3, width / 200), true});
    if (objective)
        paintObjectiveCurve(painter, s, *objective, objectiveColour, std::max(1, width / 500));
    painter.setClipping(false);
    painter.resetTransform();
    painter.setPen(Qt::black);
    painter.save();
    painter.translate(font.pixelSize(), height / 2);
    painter.rotate(-90);
    painter.drawText(QRect(-height / 2, -font.pixelSize(), height, 2 * font.pixelSize()), Qt::AlignCenter,
                     u"MRTD [K]"_s);
    painter.restore();
    painter.end();
    return image;
}

bool writeSessionReport(const Session& session, const QStringList& cameraFolders, const QString& path, QString& error,
                        const ObjectiveBySlot& objective) {
    const auto groups = sessionStatistics(session);
    QTextDocument document;
    QFont body(u"DejaVu Sans"_s);
    body.setPointSizeF(9.5);
    document.setDefaultFont(body);
    document.setDefaultStyleSheet(u"th { background-color: #e8e8e8; } td, th { padding: 3px; }"_s);

    std::set<std::string> observers, cameraFiles, imageModels;
    for (const SessionReading& r : session.readings) {
        observers.insert(r.observer);
        cameraFiles.insert(r.cameraFile);
        imageModels.insert(r.imageModel);
    }
    auto joined = [](const std::set<std::string>& names) {
        QStringList list;
        for (const std::string& n : names)
            list << escaped(n);
        return list.join(u", "_s);
    };

    QString html = u"<h1>MRTD session report</h1>"_s;
    html += QString(u"<p>Session started %1 · %2 readings · observers: %3</p>"_s)
                .arg(readableTime(session.created))
                .arg(session.readings.size())
                .arg(joined(observers));
    html += u"<h2>Camera files</h2>"_s;
    for (const std::string& file : cameraFiles) {
        const QString heading = cameraFileHeading(QString::fromStdString(file), cameraFolders).toHtmlEscaped();
        html += QString(u"<p><b>%1</b><br>%2</p>"_s).arg(escaped(file), QString(heading).replace(u"\n"_s, u"<br>"_s));
    }
    html += QString(u"<p>Image model: %1</p>"_s).arg(joined(imageModels));
    html += QString(u"<p>A frequency meets the standard when at least %1 observers each recognised the bars at "_s
                    u"least %2 times in each half. The interval is mean ± t(0.975, n − 1) · sd / √n over the "_s
                    u"observers' MRTDs.</p>"_s)
                .arg(standardObservers)
                .arg(standardReadingsPerHalf);

    const auto sections = sectionsOf(groups);
    int plotNumber = 0;
    for (const auto& [key, list] : sections) {
        html += u"<h2>"_s + sectionTitle(key) + u"</h2>"_s;
        html += u"<table border=\"1\" cellspacing=\"0\"><tr><th>Frequency [cycles/mrad]</th><th>Observers</th>"_s
                u"<th>Mean MRTD [K]</th><th>95 % interval [K]</th><th>Readings</th><th>Meets the standard</th></tr>"_s;
        for (const SessionGroup& g : list)
            html +=
                QString(
                    u"<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5 (%6 not recognised)</td><td>%7</td></tr>"_s)
                    .arg(g.frequency)
                    .arg(g.observers)
                    .arg(kelvin(g.mean), interval(g))
                    .arg(g.readings)
                    .arg(g.notRecognized)
                    .arg(g.meetsStandard ? u"yes"_s : u"no"_s);
        html += u"</table>"_s;
        const ObjectiveMrtd* sectionObjective = objectiveFor(key, objective);
        if (sectionObjective)
            html += u"<p>"_s + objectiveSentence(*sectionObjective) + u"</p>"_s;
        const QString name = QString(u"plot%1.png"_s).arg(plotNumber++);
        document.addResource(QTextDocument::ImageResource, QUrl(name),
                             sessionPlotImage(list, 1500, 900, sectionObjective));
        html += QString(u"<p><img src=\"%1\" width=\"500\" height=\"300\"></p>"_s).arg(name);
        if (sectionObjective)
            html += u"<p>"_s + objectiveLegend + u"</p>"_s;
    }

    html += u"<h2>Appendix: the observers' values</h2>"_s;
    for (const auto& [key, list] : sections) {
        html += u"<h3>"_s + sectionTitle(key) + u"</h3>"_s;
        html += u"<table border=\"1\" cellspacing=\"0\"><tr><th>Frequency</th><th>Observer</th><th>Mean plus [K]</th>"_s
                u"<th>Mean minus [K]</th><th>MRTD [K]</th><th>Recognised plus / minus</th></tr>"_s;
        for (const SessionGroup& g : list)
            for (const ObserverMrtd& o : g.perObserver)
                html += QString(u"<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6 / %7</td></tr>"_s)
                            .arg(g.frequency)
                            .arg(escaped(o.observer), kelvin(o.plus), kelvin(o.minus), kelvin(o.mrtd))
                            .arg(o.plusReadings)
                            .arg(o.minusReadings);
        html += u"</table>"_s;
    }
    if (session.readings.empty())
        html += u"<p>The session holds no readings.</p>"_s;
    document.setHtml(html);

    // The PDF is made in memory and written whole, so that an existing report is replaced only by a
    // complete one.
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(u"MRTD session report"_s);
        writer.setCreator(u"Tervix "_s + QString::fromLatin1(tervixVersion));
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(300);
        document.print(&writer);
    }
    std::string cause;
    if (pdf.isEmpty())
        cause = "cannot write '" + path.toStdString() + "': the PDF is empty";
    else if (writeWholeFile(QFile::encodeName(path).toStdString(),
                            std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())), cause))
        return true;
    error = QString::fromStdString(cause);
    return false;
}
