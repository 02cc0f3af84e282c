#include "console/decision_rule.h"

const char* decisionRuleName(DecisionRule rule) {
    return rule == DecisionRule::Interval ? "interval" : "simple";
}

std::optional<DecisionRule> decisionRuleNamed(const std::string& name) {
    for (DecisionRule rule : {DecisionRule::Interval, DecisionRule::SimpleAcceptance})
        if (name == decisionRuleName(rule))
            return rule;
    return std::nullopt;
}

std::string decisionRuleStatement(DecisionRule rule) {
    const std::string enough = "\"insufficient data\" where fewer than " + std::to_string(standardObservers) +
                               " observers each recognised the bars at least " +
                               std::to_string(standardReadingsPerHalf) + " times in each half.";
    if (rule == DecisionRule::Interval)
        return "Decision rule (interval): \"pass\" when the upper bound of the 95 % interval of the mean MRTD is at or "
               "below the requirement, \"fail\" when its lower bound is above it, otherwise \"inconclusive\"; " +
               enough;
    return "Decision rule (simple acceptance): \"pass\" when the mean MRTD is at or below the requirement, \"fail\" "
           "when it is above; the interval is not considered, so a mean just below the limit passes although the "
           "camera may well not meet it; " +
           enough;
}

Verdict verdictOf(const SessionGroup& g, const std::optional<double>& limit, DecisionRule rule) {
    if (!limit)
        return Verdict::NoLimit;
    if (!g.meetsStandard || !g.mean || (rule == DecisionRule::Interval && !g.ci95))
        return Verdict::InsufficientData;
    const double low = rule == DecisionRule::Interval ? g.ci95->first : *g.mean;
    const double high = rule == DecisionRule::Interval ? g.ci95->second : *g.mean;
    if (high <= *limit)
        return Verdict::Pass;
    return low > *limit ? Verdict::Fail : Verdict::Inconclusive;
}

const char* verdictText(Verdict verdict) {
    switch (verdict) {
    case Verdict::Pass:
        return "pass";
    case Verdict::Fail:
        return "fail";
    case Verdict::Inconclusive:
        return "inconclusive";
    case Verdict::InsufficientData:
        return "insufficient data";
    case Verdict::NoLimit:
        break;
    }
    return "–";
}
