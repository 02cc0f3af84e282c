#include "drawing/record_rows.h"

#include "text/visible_text.h"

using namespace Qt::StringLiterals;

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

QString userText(const std::string& s) {
    return QString::fromStdString(visibleText(s));
}

QString noValueText() {
    return u"–"_s;
}

QString kelvinText(const std::optional<double>& kelvin) {
    return kelvin ? QString::number(*kelvin, 'f', 3) : noValueText();
}

QString intervalText(double low, double high) {
    return u"%1 … %2"_s.arg(std::max(0.0, low), 0, 'f', 3).arg(std::max(0.0, high), 0, 'f', 3);
}

QString intervalText(const std::optional<std::pair<double, double>>& interval) {
    return interval ? intervalText(interval->first, interval->second) : noValueText();
}

QString readableTime(const std::string& iso, bool zone) {
    if (iso.size() < 19)
        return text(iso);
    return text(iso.substr(0, 10) + " " + iso.substr(11, 8) + (zone ? " UTC" : ""));
}

QString displayText(const std::optional<ReadingDisplay>& d) {
    if (!d)
        return u"not recorded"_s;
    const QString window = d->automatic ? u"automatic"_s : u"level %1, contrast %2"_s.arg(d->level).arg(d->contrast);
    return u"%1, zoom %2×, magnifier %3×"_s.arg(window).arg(d->zoom).arg(d->magnifier);
}

QString struckText(const StruckMark& mark) {
    return u"by %1: %2"_s.arg(userText(mark.by), userText(mark.reason));
}

QString readingCell(const SessionReading& r, int column, bool blind, bool takenBlind) {
    using namespace readingColumn;
    switch (column) {
    case Time:
        return readableTime(r.time, false);
    case Observer:
        return userText(r.observer);
    case Slot:
        return QString::number(r.slot);
    case CameraFile:
        return text(r.cameraFile);
    case Bars:
        return text(r.orientation);
    case Frequency:
        return QString::number(r.frequency);
    case Half:
        return text(r.half);
    case DeltaT: // signed, as the readout showed it when the reading was taken
        return blind ? noValueText() : r.deltaT ? QString::asprintf("%+.3f", *r.deltaT) : u"not recognised"_s;
    case Model:
        return text(r.imageModel);
    case Display:
        return displayText(r.display);
    case Struck:
        return r.struck ? struckText(*r.struck) : QString();
    case Blind:
        return takenBlind ? u"blind"_s : QString();
    }
    return {};
}

QStringList readingCells(const SessionReading& r, bool blind, bool takenBlind) {
    QStringList cells;
    for (int column = 0; column < readingColumn::Count; ++column)
        cells << readingCell(r, column, blind, takenBlind);
    return cells;
}

QString readingColumnTitle(int column) {
    static const QStringList titles{u"Time (UTC)"_s,  u"Observer"_s,  u"Slot"_s,       u"Camera file"_s,
                                    u"Bars"_s,        u"Frequency"_s, u"Half"_s,       u"ΔT [K]"_s,
                                    u"Image model"_s, u"Display"_s,   u"Struck out"_s, u"Blind"_s};
    return titles.value(column);
}

GroupCells groupCells(const SessionGroup& g) {
    return {QString::number(g.frequency),
            QString::number(g.observers),
            kelvinText(g.mean),
            intervalText(g.ci95),
            u"%1 (%2 not recognised)"_s.arg(g.readings).arg(g.notRecognized),
            g.meetsStandard ? u"yes"_s : u"no"_s};
}

ObserverCells observerCells(const ObserverMrtd& o) {
    const QString who =
        o.identifier.empty() ? userText(o.observer) : u"%1 (%2)"_s.arg(userText(o.observer), userText(o.identifier));
    return {who, kelvinText(o.plus), kelvinText(o.minus), kelvinText(o.mrtd),
            u"%1 / %2"_s.arg(o.plusReadings).arg(o.minusReadings)};
}

QString objectiveValueText(const RunFrequency& f) {
    if (!f.mrtd.hasMean())
        return u"%1 cycles/mrad: %2"_s.arg(f.frequency).arg(noValueText());
    return u"%1 cycles/mrad: %2 K (%3 K)"_s.arg(f.frequency)
        .arg(f.mrtd.mean, 0, 'f', 3)
        .arg(intervalText(f.mrtd.ciLow, f.mrtd.ciHigh));
}

QString objectiveRunTitle(const ObjectiveRun& run) {
    return u"Camera%1: %2 observer, %3 bars"_s.arg(run.slot).arg(text(run.observer), text(run.orientation));
}
