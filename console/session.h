#pragma once

#include "console/mrtd_results.h"
#include "console/objective_run.h"
#include "console/observer_roster.h"
#include "console/session_audit.h"
#include "console/session_file_writer.h"
#include "console/session_input.h"
#include "console/session_lock.h"
#include "sim/image_model.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class MessageSink;

// The bar orientations of the standard target, as the session file spells them.
inline constexpr const char* orientationVertical = "vertical";
inline constexpr const char* orientationHorizontal = "horizontal";
// Thousands of readings take a few megabytes; a larger file is no session the bench wrote.
inline constexpr std::size_t sessionFileLimit = std::size_t(16) << 20;
// A reading's image model when the file names none.
inline constexpr const char* imageModelSpecified = imageModelName(ImageModel::Specified);
inline constexpr const char* halfPlus = "plus";
inline constexpr const char* halfMinus = "minus";
inline constexpr const char* sessionFormatName = "tervix-session";
// Version 2 added the reading's display and strike-out mark, version 3 the model observer's runs,
// version 4 the observers' roster, the inputs frozen at measurement, the audit trail and the report's
// number and revision; older files still open as they are, and are written in the current version
// the next time something is added to the session.
inline constexpr int sessionFormatVersion = 4;
inline constexpr int sessionFormatFirstVersion = 1;
// The reason an observer's "Undo" gives the reading it takes back.
inline constexpr const char* undoneReason = "Undone";

// A reading struck out: who struck it, when and why. The reading stays in the file and in the
// readings list, shown struck with its reason, but counts in no statistic and no results list.
struct StruckMark {
    std::string time; // ISO 8601, UTC
    std::string by;
    std::string reason;

    bool operator==(const StruckMark&) const = default;
};

// How the image was shown when a reading was taken: the display window (automatic, or the
// observer's Level and Contrast positions), the electronic zoom and the magnifier. A person's
// threshold depends on the size and contrast on the screen, so the report states them.
struct ReadingDisplay {
    bool automatic = true;
    int level = 500;   // the Level control's position
    int contrast = 0;  // the Contrast control's position
    double zoom = 1.0; // electronic zoom
    int magnifier = 1; // nearest-neighbour magnification of the view: 1, 2, 4 or 8

    bool operator==(const ReadingDisplay&) const = default;
};

// One press of "Apply" or "Not recognized": who judged which bars on which camera, and the
// temperature difference set then (none when the bars were not recognised).
struct SessionReading {
    std::string time; // ISO 8601, UTC
    std::string observer;
    int slot = 1; // the camera slot as the window numbers it, 1 ... 5
    std::string cameraFile;
    std::string imageModel = imageModelSpecified;
    std::string orientation = orientationVertical;
    double frequency = 0.5; // cycles per mrad
    std::string half = halfPlus;
    std::optional<double> deltaT;          // K
    std::optional<ReadingDisplay> display; // absent in files written before it was kept
    std::optional<StruckMark> struck;      // absent while the reading counts
    std::vector<std::size_t> inputs{};     // the numbers (from 1) of the session's inputs it was taken on

    bool operator==(const SessionReading&) const = default;
};

// A reading as the session file holds it (the audit trail hashes the same form).
nlohmann::json sessionReadingJson(const SessionReading& reading);

// Events a reviewer of the readings must know of, though no statistic counts them: an observer
// going blind (no value shown while reading) and looking again. Older files have none.
inline constexpr const char* eventBlindOn = "blind on";
inline constexpr const char* eventBlindOff = "blind off";

struct SessionEvent {
    std::string time; // ISO 8601, UTC
    std::string observer;
    std::string event; // eventBlindOn or eventBlindOff

    bool operator==(const SessionEvent&) const = default;
};

// The report's identity, kept in the session so that every copy of a report names the same one:
// its number, fixed when the session is first written, and the revision last issued, raised when a
// report is issued after the audit trail grew.
struct ReportRevision {
    std::string number;      // "TVX-20261207-141517"
    int revision = 0;        // 0 until the first report is issued
    std::size_t entries = 0; // the audit trail's length when that revision was issued

    bool operator==(const ReportRevision&) const = default;
};
// The number a session's reports carry, from its start time: "TVX-20261207-141517".
std::string reportNumberFor(const std::string& createdIsoTime);

// Every reading of one sitting, in the order they were taken, and every run of the model observer in
// the order they ended. The file is rewritten whole after each, so a run that ends abnormally loses
// nothing; "ended" tells a finished session from one to be restored.
struct Session {
    std::string created; // ISO 8601, UTC
    std::vector<SessionReading> readings;
    bool ended = false;
    std::vector<SessionEvent> events{}; // in the order they happened; written only when there are some
    std::vector<ObjectiveRun> objectiveRuns{};
    ObserverRoster observers{};         // the people who read, in the order they joined
    std::vector<SessionInput> inputs{}; // the files measured with, in the order first used
    std::vector<AuditEntry> audit{};
    ReportRevision report{};

    bool operator==(const Session&) const = default;
};

// The session's report number (derived from its start for a session written before it was kept),
// and the revision a report made now is: the one issued, or the next while the trail has grown since.
std::string reportNumberOf(const Session& session);
int currentRevision(const Session& session);

// The half a temperature difference belongs to, as the results lists count it: zero is plus.
const char* halfOf(double temperatureDifference);

// The index into frequencyChoices of a frequency, or -1 when the lists have no row for it.
int frequencyIndexOf(double frequency);

// One observer's readings of one orientation replayed into fresh results lists in their order, so
// that each slot's row shows that observer's latest unstruck reading of each half. The lists are
// what one person measured: mixing observers or orientations in a row would show a value nobody saw.
MrtdResults resultsOf(const Session& session, const std::string& observer, const std::string& orientation);
// One reading that counts taken into the lists as resultsOf replays it: its half of its slot's row.
void applyReading(MrtdResults& results, const SessionReading& reading);

// Which halves of each frequency an observer has read on a slot and orientation, counting the
// readings that stand (recognised or not): [frequency index][0 for plus, 1 for minus]. Blind mode
// offers the halves still open.
using HalvesRead = std::array<std::array<bool, 2>, frequencyCount>;
HalvesRead halvesRead(const Session& session, const std::string& observer, int slot, const std::string& orientation);

// The session file's text, and its strict reading. A text that is not a valid session gives no
// session and a one-line reason.
std::string sessionText(const Session& session);

// The session file's text made again and again as the session grows: each reading's and run's text
// is kept and made anew only when the reading or run changed, so that writing a long session after
// each reading costs about as much as the reading. The text is sessionText's.
class SessionText {
public:
    const std::string& of(const Session& session);

private:
    template <class Item>
    struct Entry {
        Item item;
        std::string text; // the item's JSON as it stands in its list
    };
    template <class Item>
    static void refresh(std::vector<Entry<Item>>& entries, const std::vector<Item>& items,
                        nlohmann::json (*toJson)(const Item&));
    template <class Item>
    static std::string listText(const std::vector<Entry<Item>>& entries);

    std::vector<Entry<SessionReading>> readings_;
    std::vector<Entry<ObjectiveRun>> runs_;
    std::vector<Entry<SessionInput>> inputs_;
    std::vector<Entry<AuditEntry>> audit_;
    std::string text_;
};
std::optional<Session> parseSession(const std::string& text, std::string& reason);

// Reads a session file; a file that cannot be read or is not a session is reported as
// "'PATH' is not a Tervix session: REASON" (or "cannot be read") and gives nothing.
// The file's bytes go to `bytes` when given, so that a caller hashes what it read.
std::optional<Session> readSessionFile(const std::string& path, MessageSink& messages, std::string* bytes = nullptr);

// Writes the session whole or not at all: a temporary file beside it, flushed, then renamed over
// it. False after a message naming the file when it cannot be written.
bool writeSessionFile(const Session& session, const std::string& path, MessageSink& messages);

// "2026-12-06T14:15:17.250Z" for a time in milliseconds since the epoch, and the file name a
// session started then is stored under, "session-20261206T141517.250Z.json".
std::string isoUtcTime(long long millisecondsSinceEpoch);
// The time now, as readings and sessions are stamped.
std::string isoUtcNow();
std::string sessionFileName(const std::string& createdIsoTime);

// How the session's file stands against the readings in memory, for the window's persistent status.
struct SessionFileStatus {
    enum class State {
        Written,  // the file holds every reading
        Failing,  // the last write failed; each change is tried again
        LockLost, // the lock went or was replaced: nothing more is written to this file
    };
    State state = State::Written;
    std::string reason;              // the system's, when not written
    int failedWrites = 0;            // since the last write that succeeded
    std::size_t readingsWritten = 0; // the readings the file holds, the first ones; the rest are in memory only
    bool writtenAgain = false;       // the last write succeeded after failing ones, or went to a new file
};

// The status as the window says it: empty while every reading is written and none failed before;
// "The session could not be written: No space left on device (3 attempts). The last 2 readings are
// only in this window; each new one tries again.", "... is written again: '/data/session-....json'
// holds every reading."
std::string sessionFileStatusText(const SessionFileStatus& status, std::size_t readings, const std::string& path);

// The session the window records into: the file it lives in, the lock that keeps it this bench's
// alone, and which slots hold readings not yet saved as a table.
class SessionRecorder {
public:
    SessionRecorder(MessageSink& messages) : messages_(messages) {}
    ~SessionRecorder();

    // Starts an empty session stored in the folder under its start time; nothing is written (and
    // nothing locked) until the first reading or event.
    void start(const std::string& folder, const std::string& createdIsoTime);
    // Continues a session read from a file, in that file, once its lock is taken. After a run that
    // ended abnormally its slots count as unsaved; a session opened by choice counts as saved. When
    // another bench holds the lock the session is open read-only, for its statistics and report,
    // and false is returned, with the reason in readOnlyReason().
    bool resume(Session session, const std::string& path, bool unsaved);
    // Appends the reading and rewrites the file, if the session has one; the reading is kept even
    // when the write fails. A read-only session takes no reading (false, after a message).
    bool record(const SessionReading& reading);
    // Marks a reading struck and rewrites the file as a reading does; nothing is ever deleted. False
    // without a change for a reading that does not exist or is struck already, or a read-only session.
    bool strike(std::size_t index, const StruckMark& mark);
    // Sets a struck reading back into every statistic; the reinstatement is an audit entry of its own
    // (the strike-out's stays). False without a change for a reading that does not exist or counts.
    bool reinstate(std::size_t index, const std::string& time, const std::string& by, const std::string& reason);
    // Adds a person to the roster (see rosterProblem); false, after a message, when refused.
    bool addObserver(const SessionObserver& observer);
    // The input's number (from 1) in the session, added when no input holds the same file and bytes.
    std::size_t addInput(const SessionInput& input);
    // A report issued now: the revision raised when the trail grew since the last, and written.
    int issueRevision();
    // Appends the event and rewrites the file as a reading does; no slot's table changes with it.
    bool note(const SessionEvent& event);
    // Appends the model observer's run and rewrites the file as a reading does; no slot's table
    // changes with it. A read-only session keeps the run in this window only (false, after a message).
    bool addObjectiveRun(const ObjectiveRun& run);
    // A normal end: the session is marked ended so that it is not restored again, and let go.
    bool finish();
    // From now on the file is written on a thread of its own (SessionFileWriter), so that a change
    // returns without waiting for the disk; true then means handed over. A write that fails is
    // reported when reportWrites() runs, which the caller arranges on its own thread each time
    // `ended` is called (on the writer's thread).
    void writeInBackground(std::function<void()> ended);
    // Back to writing on the caller's thread, once what is pending is written.
    void writeInForeground();
    void reportWrites();
    // Returns once the file holds every change handed over.
    void flush();
    // Writes the whole session to another file, locked as the session's file from then on: the way
    // on after the lock went or the disk filled. False, after a message, when that file is another
    // bench's or cannot be written; the session stays where it was then.
    bool saveAs(const std::string& path);
    // The lock confirmed between writes, so that a lock that went is said before the next reading;
    // false once it is lost.
    bool confirmLock();

    const Session& session() const { return session_; }
    const std::string& path() const { return path_; }
    bool readOnly() const { return !readOnlyReason_.empty(); }
    const std::string& readOnlyReason() const { return readOnlyReason_; }
    const SessionFileStatus& fileStatus() const { return status_; }
    // Whether the file holds the reading as it stands (a reading or strike-out since the last write
    // that succeeded is in memory only).
    bool isWritten(std::size_t index) const { return index < status_.readingsWritten; }

    void markSaved(int slotIndex) { unsaved_[static_cast<std::size_t>(slotIndex)] = false; }
    bool isUnsaved(int slotIndex) const { return unsaved_[static_cast<std::size_t>(slotIndex)]; }
    bool anyUnsaved() const;

private:
    // After a reading or a strike-out in the slot: the slot unsaved, the file written again.
    bool changed(int slot);
    // The lock confirmed (or taken) and the file written. Every failure counts in the status; the
    // message box comes once per cause, so that a full disk does not answer every press with a box.
    bool write();
    bool refusedReadOnly();
    // A write that failed, reported unless it failed the same way the time before; always false.
    bool failed(const std::string& problem);
    // A write that succeeded and held this many readings: the status says so.
    void succeeded(std::size_t readingsWritten);
    void clearStatus(std::size_t readingsWritten);

    MessageSink& messages_;
    Session session_;
    SessionText text_;
    std::string path_;
    SessionLock lock_;
    std::string readOnlyReason_;
    std::string lastFailure_;
    SessionFileStatus status_;
    std::array<bool, cameraSlots> unsaved_{};
    std::unique_ptr<SessionFileWriter> writer_; // none: written on the caller's thread
};

// The session files in the folder that did not end normally, newest first, and the newest of them.
// Files that are not sessions are passed over and left as they are.
std::vector<std::string> unendedSessionsIn(const std::string& folder);
std::optional<std::string> unendedSessionIn(const std::string& folder);
