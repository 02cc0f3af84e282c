#include "measurement/study_table.h"

#include "measurement/range_study.h"
#include "text/csv_writer.h"

#include <cctype>

namespace {

std::optional<double> numberAt(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number())
        return std::nullopt;
    return found->get<double>();
}

// Each task's columns under its name: the range, its bracket, what ends it, and its 95 % interval.
const char* const taskColumns[] = {"_km",    "_low_km",      "_high_km",     "_limited_by",
                                   "_bound", "_ci95_low_km", "_ci95_high_km"};
constexpr std::size_t ttpColumnCount = 5; // the TTP metric's ranges come without an interval

// A stepped parameter's column: its name in the table's style with the unit the plan gives it in
// ("frameRate" stepped in Hz is frame_rate_hz).
std::string parameterColumn(const std::string& name) {
    std::string column;
    for (char c : name)
        column += std::isupper(static_cast<unsigned char>(c))
                      ? std::string("_") + static_cast<char>(std::tolower(static_cast<unsigned char>(c)))
                      : std::string(1, c);
    if (const StudyParameterKind* kind = studyParameterKind(name)) {
        column += '_';
        for (const char* u = kind->unit; *u; ++u)
            column += static_cast<char>(std::tolower(static_cast<unsigned char>(*u)));
    }
    return column;
}

std::vector<std::string> startOfRow(std::size_t job, const std::vector<double>& point) {
    std::vector<std::string> row{std::to_string(job)};
    for (double v : point)
        row.push_back(csvNumber(v));
    return row;
}

// A row's notes: each kind of empty or qualified cell once, with the tasks it applies to.
class RowNotes {
public:
    void add(const std::string& why, const std::string& task) {
        for (auto& [reason, tasks] : notes_)
            if (reason == why) {
                tasks += ", " + task;
                return;
            }
        notes_.emplace_back(why, task);
    }
    std::string text() const {
        std::string joined;
        for (const auto& [reason, tasks] : notes_)
            joined.append(joined.empty() ? "" : "; ").append(reason).append(": ").append(tasks);
        return joined;
    }

private:
    std::vector<std::pair<std::string, std::string>> notes_;
};

std::string endOfRow(std::vector<std::string> row, const std::string& status, const std::string& notes) {
    row.push_back(status);
    row.push_back(notes);
    return csvRow(row);
}

// One task's cells, the note for each it leaves empty or qualifies added to notes.
void appendTaskCells(std::vector<std::string>& row, const std::optional<StudyTaskRange>& range, const std::string& name,
                     std::size_t columns, RowNotes& notes) {
    if (!range) {
        row.resize(row.size() + columns);
        notes.add("not in the result", name);
        return;
    }
    row.insert(row.end(), {csvNumber(range->km), csvNumber(range->lowKm), csvNumber(range->highKm), range->limitedBy,
                           csvBool(range->bound)});
    if (!range->km)
        notes.add("no range in the result", name);
    else if (!range->highKm)
        notes.add("a lower bound, no upper end known (the MRTD ends before the crossing)", name);
    if (columns == ttpColumnCount)
        return;
    row.insert(row.end(), {csvNumber(range->ciLow), csvNumber(range->ciHigh)});
    if (!range->ciLow || !range->ciHigh)
        notes.add("no 95 % interval (one repeat gives no spread)", name);
    else if (range->ciBound)
        notes.add("the interval's upper end is a lower bound", name);
}

} // namespace

std::optional<StudyTaskRange> studyTaskRange(const nlohmann::json& entries, const std::string& task) {
    if (!entries.is_array())
        return std::nullopt;
    for (const auto& entry : entries) {
        if (!entry.is_object() || !entry.contains("task") || entry["task"] != task)
            continue;
        StudyTaskRange r;
        r.km = numberAt(entry, "rangeKm");
        r.bound = entry.value("bound", nlohmann::json(false)) == true;
        const auto limitedBy = entry.find("limitedBy");
        if (limitedBy != entry.end() && limitedBy->is_string()) {
            r.limitedBy = limitedBy->get<std::string>();
            r.lowKm = numberAt(entry, "lowKm");
            r.highKm = numberAt(entry, "highKm");
        } else {
            // A run that gives no bracket: a range that is no bound is where the curve crosses; a bound
            // is where the measured frequencies end.
            r.limitedBy = r.bound ? "measurement" : "crossing";
            r.lowKm = r.km;
            r.highKm = r.bound ? std::nullopt : r.km;
        }
        const auto ci = entry.find("ci95Km");
        if (ci != entry.end() && ci->is_array() && ci->size() == 2 && (*ci)[0].is_number() && (*ci)[1].is_number()) {
            r.ciLow = (*ci)[0].get<double>();
            r.ciHigh = (*ci)[1].get<double>();
        }
        r.ciBound = entry.value("ci95Bound", nlohmann::json(false)) == true;
        return r;
    }
    return std::nullopt;
}

std::string studyTableHeader(const StudyTableLayout& layout) {
    std::vector<std::string> header{"job_number"};
    for (const std::string& p : layout.parameters)
        header.push_back(parameterColumn(p));
    for (const std::string& t : layout.tasks)
        for (const char* column : taskColumns)
            header.push_back(t + column);
    for (const std::string& t : layout.ttpTasks)
        for (std::size_t k = 0; k < ttpColumnCount; ++k)
            header.push_back("ttp_" + t + taskColumns[k]);
    header.insert(header.end(), {"status", "notes"});
    return csvRow(header);
}

std::string studyTableRow(const StudyTableLayout& layout, std::size_t job, const std::vector<double>& point,
                          const nlohmann::json& range) {
    std::vector<std::string> row = startOfRow(job, point);
    RowNotes notes;
    const nlohmann::json none;
    const auto& tasks = range.is_object() && range.contains("tasks") ? range["tasks"] : none;
    const auto& ttp = range.is_object() && range.contains("ttp") ? range["ttp"] : none;
    for (const std::string& t : layout.tasks)
        appendTaskCells(row, studyTaskRange(tasks, t), t, std::size(taskColumns), notes);
    for (const std::string& t : layout.ttpTasks)
        appendTaskCells(row, studyTaskRange(ttp, t), "ttp " + t, ttpColumnCount, notes);
    return endOfRow(std::move(row), "done", notes.text());
}

std::string studyTableEmptyRow(const StudyTableLayout& layout, std::size_t job, const std::vector<double>& point,
                               const std::string& status, const std::string& note) {
    std::vector<std::string> row = startOfRow(job, point);
    row.resize(row.size() + layout.tasks.size() * std::size(taskColumns) + layout.ttpTasks.size() * ttpColumnCount);
    return endOfRow(std::move(row), status, note);
}
