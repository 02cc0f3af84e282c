#include "console/observer_roster.h"

#include "text/iso_time.h"
#include "text/strict_json.h"
#include "text/visible_text.h"

#include <nlohmann/json.hpp>

#include <algorithm>

const SessionObserver* rosterEntry(const ObserverRoster& roster, const std::string& name) {
    const auto entry = std::find_if(roster.begin(), roster.end(), [&](const auto& o) { return o.name == name; });
    return entry == roster.end() ? nullptr : &*entry;
}

std::string observerKey(const ObserverRoster& roster, const std::string& name) {
    const SessionObserver* entry = rosterEntry(roster, name);
    return entry ? entry->identifier : name;
}

bool isIsoDate(const std::string& text) {
    return text.size() == 10 && isIsoUtcTime(text + "T00:00:00Z");
}

std::string rosterProblem(const ObserverRoster& roster, const SessionObserver& entry) {
    if (entry.name.empty())
        return "An observer needs a name.";
    if (rosterEntry(roster, entry.name))
        return "The observer '" + visibleText(entry.name) + "' is on the roster already.";
    if (entry.identifier.empty())
        return "The observer '" + visibleText(entry.name) + "' needs an identifier.";
    if (auto problem = lengthProblem(entry.name, observerNameLimit, "The observer's name"); !problem.empty())
        return problem;
    if (auto problem = lengthProblem(entry.identifier, observerIdentifierLimit, "The identifier"); !problem.empty())
        return problem;
    if (!entry.eyesightChecked.empty() && !isIsoDate(entry.eyesightChecked))
        return "The eyesight check '" + visibleText(entry.eyesightChecked) + "' is not a date such as 2026-10-01.";
    return {};
}

nlohmann::json rosterJson(const ObserverRoster& roster) {
    nlohmann::json list = nlohmann::json::array();
    for (const SessionObserver& o : roster) {
        nlohmann::json item = {{"name", o.name}, {"identifier", o.identifier}};
        if (!o.eyesightChecked.empty())
            item["eyesightChecked"] = o.eyesightChecked;
        list.push_back(std::move(item));
    }
    return list;
}

bool readRoster(const nlohmann::json& list, ObserverRoster& roster, std::string& reason) {
    using strictJson::need;
    if (!need(list.is_array(), reason, "\"observers\" is not a list"))
        return false;
    for (std::size_t k = 0; k < list.size(); ++k) {
        const nlohmann::json& item = list[k];
        const std::string at = "observer " + std::to_string(k + 1);
        if (!need(item.is_object(), reason, at + " is not an object"))
            return false;
        if (!strictJson::needTexts(item, {"name", "identifier"}, at, reason))
            return false;
        if (!need(!item.contains("eyesightChecked") || item["eyesightChecked"].is_string(), reason,
                  at + ": \"eyesightChecked\" is not a text"))
            return false;
        const SessionObserver entry{item["name"].get<std::string>(), item["identifier"].get<std::string>(),
                                    item.value("eyesightChecked", std::string())};
        if (const std::string problem = rosterProblem(roster, entry);
            !need(problem.empty(), reason, at + ": " + problem.substr(0, problem.size() - 1)))
            return false;
        roster.push_back(entry);
    }
    return true;
}
