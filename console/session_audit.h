#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct Session;

// The audit trail: each reading, strike-out and reinstatement as an entry carrying the SHA-256 of
// its canonical form (the entry's fields, the reading's own fields for a reading, and the hash of
// the entry before it), so that a reading, mark or entry edited outside the bench breaks the chain
// at that entry. Readings a session held before it kept a trail enter it as "adopted" the first time
// the session is written again. The chain shows tampering; it is no signature (the report's OpenPGP
// signature is one).
inline constexpr const char* auditReading = "reading";
inline constexpr const char* auditAdopted = "adopted";
inline constexpr const char* auditStrike = "strike";
inline constexpr const char* auditReinstate = "reinstate";

struct AuditEntry {
    std::string action;      // one of the four above
    std::size_t reading = 0; // the reading's number, from 1
    std::string time;        // strike and reinstatement: when (a reading carries its own time)
    std::string by;          // strike and reinstatement: the observer at the bench then
    std::string reason;      // strike and reinstatement: why
    std::string sha256;      // of the canonical form, chained

    bool operator==(const AuditEntry&) const = default;
};

// Appends the entry, its hash chained to the last; readings not yet in the trail are adopted first.
void appendAudit(Session& session, AuditEntry entry);
// Adopts the readings (and their strike-outs) a session holds outside its trail.
void adoptUnaudited(Session& session);

// Where the trail stops matching the session: none while it matches (or the session keeps none);
// else N, the entries from 1 to N still intact, so that "changed outside Tervix after entry N".
std::optional<std::size_t> auditBreak(const Session& session);

nlohmann::json auditJson(const AuditEntry& entry);
bool readAudit(const nlohmann::json& list, std::vector<AuditEntry>& audit, std::string& reason);
