#pragma once

#include "console/session_statistics.h"

#include <optional>
#include <string>

// How a frequency's MRTD is judged against its requirement. The interval rule decides only where the
// 95 % interval of the mean lies wholly on one side of the limit and says "inconclusive" where it
// straddles it; simple acceptance compares the mean alone and is named as such wherever it is used,
// since a mean just below the limit passes with nearly even odds that the camera does not meet it.
enum class DecisionRule { Interval, SimpleAcceptance };
enum class Verdict { Pass, Fail, Inconclusive, InsufficientData, NoLimit };

// "interval" and "simple", as the command line and the settings name them.
const char* decisionRuleName(DecisionRule rule);
std::optional<DecisionRule> decisionRuleNamed(const std::string& name);
// The rule in a sentence, as the report states it.
std::string decisionRuleStatement(DecisionRule rule);

// Below the standard's count of observers and readings (see SessionGroup::meetsStandard) nothing is
// decided: "insufficient data". NoLimit where the requirement gives none at the frequency.
Verdict verdictOf(const SessionGroup& group, const std::optional<double>& limit, DecisionRule rule);
// "pass", "fail", "inconclusive", "insufficient data"; "–" for NoLimit.
const char* verdictText(Verdict verdict);
