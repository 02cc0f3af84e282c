#include "console/session.h"

#include "camera/camera_file.h"
#include "console/bench.h"
#include "sim/display_window.h"
#include "text/bounded_text_file.h"
#include "text/iso_time.h"
#include "text/messages.h"
#include "text/strict_json.h"
#include "text/whole_file.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace {

using nlohmann::json;

// The reasons a reading is refused name it by its place in the list, as a reader of the file
// would look for it.
std::string placeOf(std::size_t index) {
    return "reading " + std::to_string(index + 1);
}

// The largest difference the bench's grid sets, either way.
constexpr double largestDeltaT = temperatureGridLimit;

using strictJson::isInt;
using strictJson::need;

// A version 2 reading's strike-out mark: when, by whom and why. A mark without a reason would leave
// the next reader guessing why a measurement was set aside, so it is refused.
bool readStruck(const json& item, const std::string& at, StruckMark& mark, std::string& reason) {
    const std::string here = at + ": \"struck\"";
    if (!need(item.is_object(), reason, here + " is not an object"))
        return false;
    if (!strictJson::needTexts(item, {"time", "by", "reason"}, here, reason))
        return false;
    if (!need(isIsoUtcTime(item["time"].get<std::string>()), reason, here + " \"time\" is not an ISO 8601 UTC time") ||
        !need(!item["reason"].get<std::string>().empty(), reason, here + " gives no reason"))
        return false;
    mark = {item["time"].get<std::string>(), item["by"].get<std::string>(), item["reason"].get<std::string>()};
    return true;
}

bool readDisplay(const json& item, const std::string& at, ReadingDisplay& d, std::string& reason) {
    const std::string here = at + ": \"display\"";
    if (!need(item.is_object(), reason, here + " is not an object"))
        return false;
    for (const char* key : {"automatic", "level", "contrast", "zoom", "magnifier"})
        if (!need(item.contains(key), reason, here + " has no \"" + key + "\""))
            return false;
    const json &automatic = item["automatic"], &level = item["level"], &contrast = item["contrast"],
               &zoom = item["zoom"], &magnifier = item["magnifier"];
    // The positions the Level and Contrast controls have, and a zoom a camera may have.
    auto position = [](const json& value) {
        return isInt(value) && value.get<int>() >= 0 && value.get<int>() <= sliderRange;
    };
    if (!need(automatic.is_boolean(), reason, here + " \"automatic\" is neither true nor false") ||
        !need(position(level) && position(contrast), reason,
              here + " \"level\" and \"contrast\" are not whole positions from 0 to " + std::to_string(sliderRange)) ||
        !need(zoom.is_number() && std::isfinite(zoom.get<double>()) && zoom.get<double>() > 0.0, reason,
              here + " \"zoom\" is not a positive number") ||
        !need(zoom.get<double>() <= maxDetectorSize, reason,
              here + " \"zoom\" " + zoom.dump() + " is above the " + std::to_string(maxDetectorSize) +
                  " any camera may have") ||
        !need(magnifier == 1 || magnifier == 2 || magnifier == 4 || magnifier == 8, reason,
              here + " \"magnifier\" is not 1, 2, 4 or 8"))
        return false;
    d = {automatic.get<bool>(), level.get<int>(), contrast.get<int>(), zoom.get<double>(), magnifier.get<int>()};
    return true;
}

// Version 1 knew neither mark: a version 1 reading opens as it always did, keys it did not have
// passed over.
bool readReading(const json& item, std::size_t index, int version, std::size_t inputs, SessionReading& r,
                 std::string& reason) {
    const std::string at = placeOf(index);
    if (!need(item.is_object(), reason, at + " is not an object"))
        return false;
    for (const char* key :
         {"time", "observer", "slot", "cameraFile", "imageModel", "orientation", "frequency", "half", "deltaT"})
        if (!need(item.contains(key), reason, at + " has no \"" + key + "\""))
            return false;
    const json& time = item["time"];
    if (!need(time.is_string() && isIsoUtcTime(time.get<std::string>()), reason,
              at + ": \"time\" is not an ISO 8601 UTC time"))
        return false;
    r.time = time.get<std::string>();
    if (!need(item["observer"].is_string(), reason, at + ": \"observer\" is not a text"))
        return false;
    r.observer = item["observer"].get<std::string>();
    const json& slot = item["slot"];
    if (!need(isInt(slot) && slot.get<int>() >= 1 && slot.get<int>() <= cameraSlots, reason,
              at + ": \"slot\" is not a camera slot from 1 to " + std::to_string(cameraSlots)))
        return false;
    r.slot = slot.get<int>();
    for (auto [key, field] : {std::pair{"cameraFile", &r.cameraFile}, std::pair{"imageModel", &r.imageModel}}) {
        const json& value = item[key];
        if (!need(value.is_string() && !value.get<std::string>().empty(), reason,
                  at + ": \"" + key + "\" is not a non-empty text"))
            return false;
        *field = value.get<std::string>();
    }
    if (!need(imageModelFromName(r.imageModel).has_value(), reason,
              at + ": \"imageModel\" is neither \"" + imageModelName(ImageModel::Specified) + "\" nor \"" +
                  imageModelName(ImageModel::Physical) + "\""))
        return false;
    const json& orientation = item["orientation"];
    if (!need(orientation == orientationVertical || orientation == orientationHorizontal, reason,
              at + ": \"orientation\" is neither \"vertical\" nor \"horizontal\""))
        return false;
    r.orientation = orientation.get<std::string>();
    const json& frequency = item["frequency"];
    if (!need(frequency.is_number() && std::isfinite(frequency.get<double>()) && frequency.get<double>() > 0.0, reason,
              at + ": \"frequency\" is not a positive number") ||
        !need(frequencyIndexOf(frequency.get<double>()) >= 0, reason,
              at + ": \"frequency\" " + frequency.dump() + " is not one of the bench's frequencies"))
        return false;
    r.frequency = frequency.get<double>();
    const json& half = item["half"];
    if (!need(half == halfPlus || half == halfMinus, reason, at + ": \"half\" is neither \"plus\" nor \"minus\""))
        return false;
    r.half = half.get<std::string>();
    const json& deltaT = item["deltaT"];
    r.deltaT.reset();
    if (!deltaT.is_null()) {
        if (!need(deltaT.is_number() && std::isfinite(deltaT.get<double>()), reason,
                  at + ": \"deltaT\" is neither a number nor null") ||
            !need(std::abs(deltaT.get<double>()) <= largestDeltaT, reason,
                  at + ": \"deltaT\" " + deltaT.dump() + " is outside the bench's range of " +
                      std::to_string(static_cast<int>(largestDeltaT)) + " K either way"))
            return false;
        r.deltaT = deltaT.get<double>();
        if (!need(std::string(halfOf(*r.deltaT)) == r.half, reason,
                  at + ": \"deltaT\" " + deltaT.dump() + " does not belong to the " + r.half + " half"))
            return false;
    }
    if (version < 2)
        return true;
    if (item.contains("struck") && !readStruck(item["struck"], at, r.struck.emplace(), reason))
        return false;
    if (item.contains("display") && !readDisplay(item["display"], at, r.display.emplace(), reason))
        return false;
    if (version < 4 || !item.contains("inputs"))
        return true;
    const json& numbers = item["inputs"];
    if (!need(numbers.is_array(), reason, at + ": \"inputs\" is not a list"))
        return false;
    for (const json& n : numbers) {
        if (!need(n.is_number_unsigned() && n.get<std::size_t>() >= 1 && n.get<std::size_t>() <= inputs, reason,
                  at + ": \"inputs\" names an input the session does not hold"))
            return false;
        r.inputs.push_back(n.get<std::size_t>());
    }
    return true;
}

// Version 4's report identity: its number and the revision last issued.
bool readRevision(const json& item, ReportRevision& report, std::string& reason) {
    if (!need(item.is_object() && item.contains("number") && item["number"].is_string() && item.contains("revision") &&
                  isInt(item["revision"]) && item["revision"].get<int>() >= 0 && item.contains("entries") &&
                  item["entries"].is_number_unsigned(),
              reason, "\"report\" is not a number, revision and entries"))
        return false;
    report = {item["number"].get<std::string>(), item["revision"].get<int>(), item["entries"].get<std::size_t>()};
    return true;
}

// The optional list of events: each an object with its time, observer and one of the known events.
bool readEvents(const json& list, std::vector<SessionEvent>& events, std::string& reason) {
    if (!need(list.is_array(), reason, "\"events\" is not a list"))
        return false;
    for (std::size_t k = 0; k < list.size(); ++k) {
        const json& item = list[k];
        const std::string at = "event " + std::to_string(k + 1);
        if (!need(item.is_object(), reason, at + " is not an object"))
            return false;
        if (!strictJson::needTexts(item, {"time", "observer", "event"}, at, reason))
            return false;
        if (!need(isIsoUtcTime(item["time"].get<std::string>()), reason,
                  at + ": \"time\" is not an ISO 8601 UTC time") ||
            !need(item["event"] == eventBlindOn || item["event"] == eventBlindOff, reason,
                  at + ": \"event\" is neither \"" + eventBlindOn + "\" nor \"" + eventBlindOff + "\""))
            return false;
        events.push_back(
            {item["time"].get<std::string>(), item["observer"].get<std::string>(), item["event"].get<std::string>()});
    }
    return true;
}

} // namespace

json sessionReadingJson(const SessionReading& r) {
    json item = {{"time", r.time},
                 {"observer", r.observer},
                 {"slot", r.slot},
                 {"cameraFile", r.cameraFile},
                 {"imageModel", r.imageModel},
                 {"orientation", r.orientation},
                 {"frequency", r.frequency},
                 {"half", r.half},
                 {"deltaT", r.deltaT ? json(*r.deltaT) : json(nullptr)}};
    if (const auto& d = r.display)
        item["display"] = {{"automatic", d->automatic},
                           {"level", d->level},
                           {"contrast", d->contrast},
                           {"zoom", d->zoom},
                           {"magnifier", d->magnifier}};
    if (const auto& s = r.struck)
        item["struck"] = {{"time", s->time}, {"by", s->by}, {"reason", s->reason}};
    if (!r.inputs.empty())
        item["inputs"] = r.inputs;
    return item;
}

std::string reportNumberFor(const std::string& created) {
    std::string digits;
    for (char c : created.substr(0, 19))
        if (c >= '0' && c <= '9')
            digits += c;
    return digits.size() == 14 ? "TVX-" + digits.substr(0, 8) + "-" + digits.substr(8) : "TVX-" + digits;
}

std::string reportNumberOf(const Session& session) {
    return session.report.number.empty() ? reportNumberFor(session.created) : session.report.number;
}

int currentRevision(const Session& session) {
    const ReportRevision& r = session.report;
    return r.revision == 0 || session.audit.size() > r.entries ? r.revision + 1 : r.revision;
}

const char* halfOf(double temperatureDifference) {
    return temperatureDifference < 0.0 ? halfMinus : halfPlus;
}

int frequencyIndexOf(double frequency) {
    for (int i = 0; i < frequencyCount; ++i)
        if (std::abs(frequencyChoices[static_cast<std::size_t>(i)].frequency - frequency) < 1e-9)
            return i;
    return -1;
}

MrtdResults resultsOf(const Session& session, const std::string& observer, const std::string& orientation) {
    MrtdResults results;
    for (const SessionReading& r : session.readings)
        if (!r.struck && r.observer == observer && r.orientation == orientation)
            applyReading(results, r);
    return results;
}

void applyReading(MrtdResults& results, const SessionReading& r) {
    const int i = frequencyIndexOf(r.frequency);
    if (i < 0)
        return;
    // The side a not-recognised mark goes to follows the sign of the difference.
    const float side = r.half == halfMinus ? -1.0f : 0.0f;
    if (r.deltaT)
        results.applyResult(r.slot - 1, i, static_cast<float>(*r.deltaT));
    else
        results.markNotRecognized(r.slot - 1, i, side);
}

HalvesRead halvesRead(const Session& session, const std::string& observer, int slot, const std::string& orientation) {
    HalvesRead read{};
    for (const SessionReading& r : session.readings) {
        const int i = frequencyIndexOf(r.frequency);
        if (i >= 0 && !r.struck && r.observer == observer && r.slot == slot && r.orientation == orientation)
            read[static_cast<std::size_t>(i)][r.half == halfMinus ? 1 : 0] = true;
    }
    return read;
}

std::string sessionText(const Session& session) {
    return SessionText().of(session);
}

const std::string& SessionText::of(const Session& session) {
    refresh(readings_, session.readings, sessionReadingJson);
    refresh(runs_, session.objectiveRuns, objectiveRunJson);
    refresh(inputs_, session.inputs, inputJson);
    refresh(audit_, session.audit, auditJson);
    json file = {{"format", sessionFormatName},
                 {"version", sessionFormatVersion},
                 {"created", session.created},
                 {"ended", session.ended},
                 {"readings", nullptr},
                 {"objectiveRuns", nullptr},
                 {"inputs", nullptr},
                 {"audit", nullptr},
                 {"observers", rosterJson(session.observers)}};
    // The number is fixed when a recorder first writes the session; a session without one (made
    // in memory) gets it derived on reading, so that what is written reads back the same.
    if (!session.report.number.empty())
        file["report"] = {{"number", session.report.number},
                          {"revision", session.report.revision},
                          {"entries", session.report.entries}};
    if (!session.events.empty()) {
        json events = json::array();
        for (const SessionEvent& e : session.events)
            events.push_back({{"time", e.time}, {"observer", e.observer}, {"event", e.event}});
        file["events"] = std::move(events);
    }
    text_ = file.dump(1) + "\n";
    // The two lists go where their keys hold null: a key of the file's own level is the only text
    // that starts a line with one space and a quote (strings hold no line ends), so the places are
    // found whatever the other values say.
    for (const auto& [key, list] :
         {std::pair{"\n \"objectiveRuns\": ", listText(runs_)}, std::pair{"\n \"readings\": ", listText(readings_)},
          std::pair{"\n \"inputs\": ", listText(inputs_)}, std::pair{"\n \"audit\": ", listText(audit_)}}) {
        const std::size_t at = text_.find(key) + std::strlen(key);
        text_.replace(at, 4, list);
    }
    return text_;
}

template <class Item>
void SessionText::refresh(std::vector<Entry<Item>>& entries, const std::vector<Item>& items,
                          nlohmann::json (*toJson)(const Item&)) {
    entries.resize(items.size());
    for (std::size_t k = 0; k < items.size(); ++k)
        if (entries[k].text.empty() || !(entries[k].item == items[k])) {
            entries[k].item = items[k];
            // An entry of a list of the file's own level stands two levels in: each of its lines
            // takes two more spaces than it has alone.
            std::string alone = toJson(items[k]).dump(1), text;
            text.reserve(alone.size() + alone.size() / 8);
            for (char c : alone) {
                text += c;
                if (c == '\n')
                    text += "  ";
            }
            entries[k].text = std::move(text);
        }
}

template <class Item>
std::string SessionText::listText(const std::vector<Entry<Item>>& entries) {
    if (entries.empty())
        return "[]";
    std::size_t size = 8;
    for (const auto& e : entries)
        size += e.text.size() + 4;
    std::string list;
    list.reserve(size);
    list += "[\n  ";
    for (std::size_t k = 0; k < entries.size(); ++k) {
        if (k > 0)
            list += ",\n  ";
        list += entries[k].text;
    }
    list += "\n ]";
    return list;
}

std::optional<Session> parseSession(const std::string& text, std::string& reason) {
    const std::optional<json> parsed = parseStrictJson(text, reason);
    if (!parsed)
        return std::nullopt;
    const json& file = *parsed;
    if (!need(file.is_object(), reason, "the file holds no JSON object") ||
        !need(file.contains("format") && file["format"] == sessionFormatName, reason,
              std::string("\"format\" is not \"") + sessionFormatName + "\"") ||
        !need(file.contains("version"), reason, "\"version\" is missing") ||
        !need(isInt(file["version"]), reason, "\"version\" must be an integer") ||
        !need(file["version"] >= sessionFormatFirstVersion && file["version"] <= sessionFormatVersion, reason,
              "version " + file["version"].dump() + " is not a version from " +
                  std::to_string(sessionFormatFirstVersion) + " to " + std::to_string(sessionFormatVersion)) ||
        !need(file.contains("created") && file["created"].is_string() &&
                  isIsoUtcTime(file["created"].get<std::string>()),
              reason, "\"created\" is not an ISO 8601 UTC time") ||
        !need(!file.contains("ended") || file["ended"].is_boolean(), reason, "\"ended\" is neither true nor false") ||
        !need(file.contains("readings") && file["readings"].is_array(), reason, "\"readings\" is not a list"))
        return std::nullopt;
    Session session;
    session.created = file["created"].get<std::string>();
    session.ended = file.value("ended", false);
    const int version = file["version"].get<int>();
    // Version 4's parts; an older file's keys of these names are passed over as any unknown key.
    if (version >= 4 && ((file.contains("observers") && !readRoster(file["observers"], session.observers, reason)) ||
                         (file.contains("inputs") && !readInputs(file["inputs"], session.inputs, reason)) ||
                         (file.contains("audit") && !readAudit(file["audit"], session.audit, reason)) ||
                         (file.contains("report") && !readRevision(file["report"], session.report, reason))))
        return std::nullopt;
    const json& readings = file["readings"];
    // One reading at a time: a list of millions of bad entries ends at the first, before it costs.
    for (std::size_t k = 0; k < readings.size(); ++k)
        if (!readReading(readings[k], k, version, session.inputs.size(), session.readings.emplace_back(), reason))
            return std::nullopt;
    if (file.contains("events") && !readEvents(file["events"], session.events, reason))
        return std::nullopt;
    // Runs came with version 3; an older file's key of that name is passed over as any unknown key.
    if (version >= 3 && file.contains("objectiveRuns")) {
        const json& runs = file["objectiveRuns"];
        if (!need(runs.is_array(), reason, "\"objectiveRuns\" is not a list"))
            return std::nullopt;
        for (std::size_t k = 0; k < runs.size(); ++k)
            if (!readObjectiveRun(runs[k], k, session.objectiveRuns.emplace_back(), reason))
                return std::nullopt;
    }
    return session;
}

std::optional<Session> readSessionFile(const std::string& path, MessageSink& messages, std::string* bytes) {
    std::string local, reason;
    std::string& text = bytes ? *bytes : local;
    if (!readBoundedFile(path, sessionFileLimit, "a session", text, reason)) {
        messages.message("'" + path + "' " + reason + ".");
        return std::nullopt;
    }
    auto session = parseSession(text, reason);
    if (!session)
        messages.message("'" + path + "' is not a Tervix session: " + reason + ".");
    return session;
}

bool writeSessionFile(const Session& session, const std::string& path, MessageSink& messages) {
    std::string error;
    if (writeWholeFile(path, sessionText(session), error))
        return true;
    messages.message("The session could not be written: " + error + ".");
    return false;
}

std::string isoUtcNow() {
    return isoUtcTime(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
}

std::string isoUtcTime(long long millisecondsSinceEpoch) {
    const std::time_t seconds = static_cast<std::time_t>(millisecondsSinceEpoch / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    char full[48];
    std::snprintf(full, sizeof full, "%s.%03dZ", text, static_cast<int>(millisecondsSinceEpoch % 1000));
    return full;
}

std::string sessionFileName(const std::string& createdIsoTime) {
    // The basic ISO form keeps colons out of the name; the milliseconds keep two benches started in
    // the same second apart.
    std::string stamp;
    for (char c : createdIsoTime)
        if (c != '-' && c != ':')
            stamp += c;
    if (stamp.empty() || stamp.back() != 'Z')
        stamp += 'Z';
    return "session-" + stamp + ".json";
}

std::string sessionFileStatusText(const SessionFileStatus& status, std::size_t readings, const std::string& path) {
    const std::size_t inMemory = readings - std::min(readings, status.readingsWritten);
    const std::string only = inMemory == 0 ? std::string("No reading is lost so far")
                             : inMemory == 1
                                 ? std::string("The last reading is only in this window")
                                 : "The last " + std::to_string(inMemory) + " readings are only in this window";
    // The file's name makes the line long; the system's words after it are what a person acts on.
    const std::string named = "cannot write '" + path + "': ";
    const std::string reason = status.reason.rfind(named, 0) == 0 ? status.reason.substr(named.size()) : status.reason;
    switch (status.state) {
    case SessionFileStatus::State::Written:
        return status.writtenAgain ? "The session is written again: '" + path + "' holds every reading." : "";
    case SessionFileStatus::State::Failing:
        return "The session could not be written: " + reason + " (" + std::to_string(status.failedWrites) +
               (status.failedWrites == 1 ? " attempt). " : " attempts). ") + only +
               "; each change tries again, and Save session as... writes it elsewhere.";
    case SessionFileStatus::State::LockLost:
        return "The session is no longer written: " + status.reason + ". " + only +
               "; Save session as... keeps them in a file of their own.";
    }
    return {};
}

void SessionRecorder::clearStatus(std::size_t readingsWritten) {
    status_ = SessionFileStatus{};
    status_.readingsWritten = readingsWritten;
    lastFailure_.clear();
}

void SessionRecorder::start(const std::string& folder, const std::string& createdIsoTime) {
    flush(); // the session before goes whole to its file, under its lock
    lock_.release();
    readOnlyReason_.clear();
    clearStatus(0);
    session_ = Session{createdIsoTime, {}, false, {}, {}};
    session_.report.number = reportNumberFor(createdIsoTime);
    path_ = (std::filesystem::path(folder) / sessionFileName(createdIsoTime)).string();
    unsaved_.fill(false);
}

bool SessionRecorder::resume(Session session, const std::string& path, bool unsaved) {
    flush();
    lock_.release();
    readOnlyReason_.clear();
    std::string problem;
    if (!lock_.acquire(path, problem))
        readOnlyReason_ = problem;
    session_ = std::move(session);
    session_.ended = session_.ended && readOnly(); // a session taken up is open again once written
    path_ = path;
    clearStatus(session_.readings.size());
    unsaved_.fill(false);
    if (unsaved && !readOnly())
        for (const SessionReading& r : session_.readings)
            unsaved_[static_cast<std::size_t>(r.slot - 1)] = true;
    return !readOnly();
}

bool SessionRecorder::refusedReadOnly() {
    messages_.message("The session '" + path_ + "' is open read-only (" + readOnlyReason_ +
                      "); it takes no readings here. Start a new session to record.");
    return false;
}

bool SessionRecorder::record(const SessionReading& reading) {
    if (readOnly())
        return refusedReadOnly();
    // Everyone who reads is on the roster: a name first seen here joins it as typed, its identifier
    // the name itself until the laboratory gives another.
    if (!reading.observer.empty() && !rosterEntry(session_.observers, reading.observer))
        session_.observers.push_back({reading.observer, reading.observer, {}});
    session_.readings.push_back(reading);
    appendAudit(session_, {auditReading, session_.readings.size(), {}, {}, {}, {}});
    return changed(reading.slot);
}

bool SessionRecorder::strike(std::size_t index, const StruckMark& mark) {
    if (index >= session_.readings.size() || session_.readings[index].struck)
        return false;
    if (readOnly())
        return refusedReadOnly();
    session_.readings[index].struck = mark;
    appendAudit(session_, {auditStrike, index + 1, mark.time, mark.by, mark.reason, {}});
    const bool written = changed(session_.readings[index].slot);
    if (!written) // the file holds the reading unstruck
        status_.readingsWritten = std::min(status_.readingsWritten, index);
    return written;
}

bool SessionRecorder::reinstate(std::size_t index, const std::string& time, const std::string& by,
                                const std::string& reason) {
    if (index >= session_.readings.size() || !session_.readings[index].struck)
        return false;
    if (readOnly())
        return refusedReadOnly();
    session_.readings[index].struck.reset();
    appendAudit(session_, {auditReinstate, index + 1, time, by, reason, {}});
    return changed(session_.readings[index].slot);
}

bool SessionRecorder::addObserver(const SessionObserver& observer) {
    if (const std::string problem = rosterProblem(session_.observers, observer); !problem.empty()) {
        messages_.message(problem);
        return false;
    }
    session_.observers.push_back(observer);
    return readOnly() || write();
}

std::size_t SessionRecorder::addInput(const SessionInput& input) {
    const auto& inputs = session_.inputs;
    const auto same = std::find_if(inputs.begin(), inputs.end(), [&](const SessionInput& i) {
        return i.kind == input.kind && i.file == input.file && i.sha256 == input.sha256;
    });
    if (same != inputs.end())
        return static_cast<std::size_t>(same - inputs.begin()) + 1;
    session_.inputs.push_back(input); // written with the reading that refers to it
    return inputs.size();
}

int SessionRecorder::issueRevision() {
    const int revision = currentRevision(session_);
    if (revision != session_.report.revision) {
        session_.report.revision = revision;
        session_.report.entries = session_.audit.size();
        if (!readOnly())
            write();
    }
    return revision;
}

bool SessionRecorder::changed(int slot) {
    // The slot's saved table no longer shows what the session holds.
    unsaved_[static_cast<std::size_t>(std::clamp(slot, 1, cameraSlots) - 1)] = true;
    return write();
}

bool SessionRecorder::note(const SessionEvent& event) {
    // A read-only session belongs to another bench: the event stays in this window's memory only.
    session_.events.push_back(event);
    return readOnly() || write();
}

bool SessionRecorder::addObjectiveRun(const ObjectiveRun& run) {
    session_.objectiveRuns.push_back(run);
    if (!readOnly())
        return write();
    messages_.message("The session '" + path_ + "' is open read-only (" + readOnlyReason_ +
                      "); the objective run is kept in this window only.");
    return false;
}

bool SessionRecorder::write() {
    // A session continued from a file written before the trail was kept takes its readings in now,
    // so that every file of the current version holds a trail for every reading.
    adoptUnaudited(session_);
    if (session_.report.number.empty())
        session_.report.number = reportNumberFor(session_.created);
    if (path_.empty()) { // a bench without a session file keeps its readings in memory, and loses none
        status_.readingsWritten = session_.readings.size();
        return true;
    }
    std::string problem;
    if (status_.state == SessionFileStatus::State::LockLost)
        return false; // another bench may have taken the file up: only Save as... goes on
    const bool locked = lock_.held() ? lock_.confirm(problem) : lock_.acquire(path_, problem);
    if (locked && writer_) {
        writer_->write(path_, text_.of(session_), session_.readings.size());
        return true;
    }
    if (locked && writeWholeFile(path_, text_.of(session_), problem)) {
        succeeded(session_.readings.size());
        return true;
    }
    return failed(problem);
}

void SessionRecorder::succeeded(std::size_t readingsWritten) {
    const bool again = status_.state != SessionFileStatus::State::Written;
    clearStatus(readingsWritten);
    status_.writtenAgain = again;
}

bool SessionRecorder::failed(const std::string& problem) {
    status_.state = lock_.lost() ? SessionFileStatus::State::LockLost : SessionFileStatus::State::Failing;
    status_.reason = problem;
    ++status_.failedWrites;
    status_.writtenAgain = false;
    if (problem != lastFailure_)
        messages_.message(lock_.lost() ? "The session '" + path_ + "' is no longer written: " + problem +
                                             ". The readings are kept in this window; save the session as another "
                                             "file to go on."
                                       : "The session could not be written: " + problem +
                                             ". The readings are kept in this window; save the tables before closing.");
    lastFailure_ = problem;
    return false;
}

bool SessionRecorder::confirmLock() {
    if (status_.state == SessionFileStatus::State::LockLost)
        return false;
    if (!lock_.held())
        return true;
    std::string problem;
    if (lock_.confirm(problem))
        return true;
    status_.state = SessionFileStatus::State::LockLost;
    status_.reason = problem;
    return false;
}

bool SessionRecorder::saveAs(const std::string& path) {
    flush(); // what was handed over lands first, so that the status below is the file's
    std::string problem;
    SessionLock lock;
    const bool kept = namesSameFile(path, path_) && lock_.held();
    if (kept && !lock_.lost())
        return write();
    // Recorded into from now on, the copy is not an ended session, even of one opened read-only.
    Session going = session_;
    going.ended = false;
    if (kept)
        problem = "it is the file whose lock this bench lost; name another";
    else if (lock.acquire(path, problem) && writeWholeFile(path, sessionText(going), problem)) {
        session_ = std::move(going);
        lock_ = std::move(lock);
        path_ = path;
        readOnlyReason_.clear();
        const bool again = status_.state != SessionFileStatus::State::Written;
        clearStatus(session_.readings.size());
        status_.writtenAgain = again;
        return true;
    }
    messages_.message("The session could not be saved as '" + path + "': " + problem + ".");
    return false;
}

void SessionRecorder::writeInBackground(std::function<void()> ended) {
    writer_ = std::make_unique<SessionFileWriter>(std::move(ended));
}

void SessionRecorder::writeInForeground() {
    flush();
    writer_.reset();
}

void SessionRecorder::reportWrites() {
    if (!writer_)
        return;
    for (const SessionFileWriter::Outcome& outcome : writer_->takeOutcomes())
        if (outcome.problem.empty())
            succeeded(outcome.readings);
        else
            failed(outcome.problem);
}

void SessionRecorder::flush() {
    if (writer_)
        writer_->flush();
    reportWrites();
}

SessionRecorder::~SessionRecorder() {
    flush(); // the lock goes after the file is written
}

bool SessionRecorder::finish() {
    if ((session_.readings.empty() && session_.events.empty() && session_.objectiveRuns.empty()) || path_.empty() ||
        readOnly()) {
        flush();
        lock_.release();
        return true; // nothing was recorded here, so nothing is written
    }
    session_.ended = true;
    bool written = write();
    flush();
    written = written && lastFailure_.empty();
    lock_.release();
    return written;
}

bool SessionRecorder::anyUnsaved() const {
    return std::any_of(unsaved_.begin(), unsaved_.end(), [](bool u) { return u; });
}

std::vector<std::string> unendedSessionsIn(const std::string& folder) {
    std::error_code error;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("session-", 0) == 0 && entry.path().extension() == ".json")
            names.push_back(entry.path().string());
    }
    // The names hold the start time, so the newest sorts last.
    std::sort(names.rbegin(), names.rend());
    std::vector<std::string> unended;
    for (const std::string& path : names) {
        MessageLog ignored;
        auto session = readSessionFile(path, ignored);
        if (session && !session->ended)
            unended.push_back(path);
    }
    return unended;
}

std::optional<std::string> unendedSessionIn(const std::string& folder) {
    const auto unended = unendedSessionsIn(folder);
    if (unended.empty())
        return std::nullopt;
    return unended.front();
}
