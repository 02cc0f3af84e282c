#include "console/session_audit.h"

#include "console/session.h"
#include "text/iso_time.h"
#include "text/sha256.h"
#include "text/strict_json.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace {

bool namesReading(const std::string& action) {
    return action == auditReading || action == auditAdopted;
}

// The canonical form: compact JSON with sorted keys (nlohmann's objects keep their keys sorted), so
// that the same entry always gives the same bytes.
std::string entryHash(const AuditEntry& e, const std::string& previous, const SessionReading* reading) {
    nlohmann::json form = {{"action", e.action}, {"reading", e.reading}, {"previous", previous}};
    if (reading) {
        nlohmann::json content = sessionReadingJson(*reading);
        content.erase("struck"); // the mark has entries of its own
        form["content"] = std::move(content);
    } else
        form.update({{"time", e.time}, {"by", e.by}, {"reason", e.reason}});
    return sha256Hex(form.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

std::size_t readingsAudited(const Session& session) {
    return static_cast<std::size_t>(std::count_if(session.audit.begin(), session.audit.end(),
                                                  [](const AuditEntry& e) { return namesReading(e.action); }));
}

void append(Session& session, AuditEntry entry) {
    const std::string previous = session.audit.empty() ? std::string() : session.audit.back().sha256;
    const SessionReading* reading = namesReading(entry.action) ? &session.readings.at(entry.reading - 1) : nullptr;
    entry.sha256 = entryHash(entry, previous, reading);
    session.audit.push_back(std::move(entry));
}

void adoptBefore(Session& session, std::size_t end) {
    for (std::size_t k = readingsAudited(session); k < end; ++k) {
        append(session, {auditAdopted, k + 1, {}, {}, {}, {}});
        if (const auto& mark = session.readings[k].struck)
            append(session, {auditStrike, k + 1, mark->time, mark->by, mark->reason, {}});
    }
}

} // namespace

void adoptUnaudited(Session& session) {
    adoptBefore(session, session.readings.size());
}

void appendAudit(Session& session, AuditEntry entry) {
    // A new reading is the last: those before it not yet in the trail go in first.
    adoptBefore(session, entry.action == auditReading ? entry.reading - 1 : session.readings.size());
    append(session, std::move(entry));
}

std::optional<std::size_t> auditBreak(const Session& session) {
    if (session.audit.empty())
        return std::nullopt;
    std::string previous;
    std::size_t nextReading = 1;
    // Per reading: whether the trail leaves it struck, with which mark, and its last entry.
    std::vector<std::optional<StruckMark>> struck(session.readings.size());
    std::vector<std::size_t> lastEntry(session.readings.size(), 0);
    for (std::size_t k = 0; k < session.audit.size(); ++k) {
        const AuditEntry& e = session.audit[k];
        const bool reading = namesReading(e.action);
        if (e.reading < 1 || e.reading > session.readings.size() || (reading && e.reading != nextReading) ||
            (!reading && e.reading >= nextReading))
            return k;
        const std::size_t index = e.reading - 1;
        if (entryHash(e, previous, reading ? &session.readings[index] : nullptr) != e.sha256)
            return k;
        if (reading)
            ++nextReading;
        else if ((e.action == auditStrike) == struck[index].has_value())
            return k; // a strike of a struck reading, or a reinstatement of one that counts
        else if (e.action == auditStrike)
            struck[index] = StruckMark{e.time, e.by, e.reason};
        else
            struck[index].reset();
        lastEntry[index] = k + 1;
        previous = e.sha256;
    }
    // Readings added, or marks changed, after the last entry that vouches for them.
    std::optional<std::size_t> broken;
    if (nextReading <= session.readings.size())
        broken = session.audit.size();
    for (std::size_t r = 0; r + 1 < nextReading; ++r)
        if (struck[r] != session.readings[r].struck)
            broken = std::min(broken.value_or(lastEntry[r]), lastEntry[r]);
    return broken;
}

nlohmann::json auditJson(const AuditEntry& e) {
    nlohmann::json item = {{"action", e.action}, {"reading", e.reading}};
    if (!namesReading(e.action))
        item.update({{"time", e.time}, {"by", e.by}, {"reason", e.reason}});
    item["sha256"] = e.sha256;
    return item;
}

bool readAudit(const nlohmann::json& list, std::vector<AuditEntry>& audit, std::string& reason) {
    using strictJson::need;
    if (!need(list.is_array(), reason, "\"audit\" is not a list"))
        return false;
    for (std::size_t k = 0; k < list.size(); ++k) {
        const nlohmann::json& item = list[k];
        const std::string at = "audit entry " + std::to_string(k + 1);
        if (!need(item.is_object(), reason, at + " is not an object") ||
            !need(item.contains("action") && item["action"].is_string() && item.contains("sha256") &&
                      item["sha256"].is_string(),
                  reason, at + " has no \"action\" or \"sha256\"") ||
            !need(item.contains("reading") && item["reading"].is_number_unsigned() &&
                      item["reading"].get<std::size_t>() >= 1,
                  reason, at + ": \"reading\" is not a reading's number"))
            return false;
        AuditEntry e{item["action"].get<std::string>(), item["reading"].get<std::size_t>(), {}, {}, {},
                     item["sha256"].get<std::string>()};
        if (!need(namesReading(e.action) || e.action == auditStrike || e.action == auditReinstate, reason,
                  at + ": \"action\" is not one the bench writes"))
            return false;
        if (!namesReading(e.action)) {
            if (!strictJson::needTexts(item, {"time", "by", "reason"}, at, reason))
                return false;
            if (!need(isIsoUtcTime(item["time"].get<std::string>()), reason,
                      at + ": \"time\" is not an ISO 8601 UTC time"))
                return false;
            e.time = item["time"].get<std::string>();
            e.by = item["by"].get<std::string>();
            e.reason = item["reason"].get<std::string>();
        }
        audit.push_back(std::move(e));
    }
    return true;
}
