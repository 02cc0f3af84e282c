#pragma once

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <vector>

// An observer as a person the laboratory knows: the name exactly as it was typed (never folded to
// another case or completed into another name), the laboratory's identifier of the person, and the
// date of their last eyesight check when it was given. Statistics count people, so they group the
// readings by identifier: two spellings entered for one identifier are one observer.
struct SessionObserver {
    std::string name;
    std::string identifier;
    std::string eyesightChecked; // "2026-10-01"; empty when not given

    bool operator==(const SessionObserver&) const = default;
};
using ObserverRoster = std::vector<SessionObserver>;

// The roster's entry of a name; none for a name not on it (a session written before the roster).
const SessionObserver* rosterEntry(const ObserverRoster& roster, const std::string& name);
// What the statistics group a name's readings under: its identifier, or the name itself off the roster.
std::string observerKey(const ObserverRoster& roster, const std::string& name);

// Why an entry may not join the roster, or empty when it may: no name, a name on the roster already,
// an empty identifier, a text beyond its length, an eyesight date that is no date.
std::string rosterProblem(const ObserverRoster& roster, const SessionObserver& entry);

// "2026-10-01": a real calendar date.
bool isIsoDate(const std::string& text);

// The roster as the session file keeps it, and its strict reading ("observer 2: ...").
nlohmann::json rosterJson(const ObserverRoster& roster);
bool readRoster(const nlohmann::json& list, ObserverRoster& roster, std::string& reason);
