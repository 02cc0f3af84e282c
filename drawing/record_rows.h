#pragma once

#include "console/objective_run.h"
#include "console/session.h"
#include "console/session_statistics.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <utility>

// The texts of the session's rows, the same in the window's tables and in the report, so that a
// value reads alike wherever a reviewer meets it.

// A cell without a value.
QString noValueText();
// Text a user typed, as every table and page shows it: controls that could move or break lines
// shown as visible escapes (visibleText).
QString userText(const std::string& text);
// A temperature difference or MRTD in kelvin, three decimals as the readout gives them.
QString kelvinText(const std::optional<double>& kelvin);
// "0.041 … 0.271": an MRTD has no negative values, so neither has a bound shown.
QString intervalText(double low, double high);
QString intervalText(const std::optional<std::pair<double, double>>& interval);
// "2026-12-06T14:15:17.250Z" as "2026-12-06 14:15:17", with " UTC" after it where no column says so.
QString readableTime(const std::string& iso, bool zone = true);
// How the image was shown: "automatic, zoom 1×, magnifier 1×".
QString displayText(const std::optional<ReadingDisplay>& display);
// Who struck a reading out and why: "by Ann: Undone".
QString struckText(const StruckMark& mark);

// A reading's cells, by column; while blind the difference is not shown. Blind tells a reading taken
// blind ("blind") from one taken seeing the values (empty).
namespace readingColumn {
enum { Time, Observer, Slot, CameraFile, Bars, Frequency, Half, DeltaT, Model, Display, Struck, Blind, Count };
} // namespace readingColumn
QString readingCell(const SessionReading& reading, int column, bool blind = false, bool takenBlind = false);
QStringList readingCells(const SessionReading& reading, bool blind = false, bool takenBlind = false);
// The column's heading, the same above both tables.
QString readingColumnTitle(int column);

// A group's summary and one observer's values in it.
struct GroupCells {
    QString frequency, observers, mean, interval, readings, meets;
};
GroupCells groupCells(const SessionGroup& group);
struct ObserverCells {
    QString observer, plus, minus, mrtd, recognised;
};
ObserverCells observerCells(const ObserverMrtd& observer);

// One frequency of a model observer's run: "1 cycles/mrad: 0.158 K (0.130 … 0.187 K)", or "…: –"
// without a value.
QString objectiveValueText(const RunFrequency& frequency);
// The observer and what it measured on: "Camera1: ideal observer, vertical bars".
QString objectiveRunTitle(const ObjectiveRun& run);
