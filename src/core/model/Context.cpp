// Context records: enumeration texts, the rule test and the legacy text filter.
#include "core/model/Context.h"

#include "core/model/RegexCache.h"
#include "core/model/TextCase.h"

namespace morvelan {

std::string_view toString(RuleField field) {
    switch (field) {
    case RuleField::bundleID:
        return "bundleID";
    case RuleField::appName:
        return "appName";
    case RuleField::title:
        return "title";
    }
    return "appName";
}

std::string_view toString(RuleOp op) {
    switch (op) {
    case RuleOp::equals:
        return "equals";
    case RuleOp::contains:
        return "contains";
    case RuleOp::regex:
        return "regex";
    }
    return "contains";
}

std::optional<RuleField> ruleFieldFrom(std::string_view text) {
    if (text == "bundleID") return RuleField::bundleID;
    if (text == "appName") return RuleField::appName;
    if (text == "title") return RuleField::title;
    return std::nullopt;
}

std::optional<RuleOp> ruleOpFrom(std::string_view text) {
    if (text == "equals") return RuleOp::equals;
    if (text == "contains") return RuleOp::contains;
    if (text == "regex") return RuleOp::regex;
    return std::nullopt;
}

bool Rule::test(std::string_view bundleID, std::string_view appName, std::string_view title) const {
    bool any = false;
    for (const Condition& condition : clauses) {
        // An empty value is an unfinished condition, not one that matches everything.
        if (condition.value.empty()) continue;
        any = true;
        std::string_view subject;
        switch (condition.field) {
        case RuleField::bundleID:
            subject = bundleID;
            break;
        case RuleField::appName:
            subject = appName;
            break;
        case RuleField::title:
            subject = title;
            break;
        }
        bool holds = false;
        switch (condition.op) {
        case RuleOp::equals:
            holds = equalsIgnoringCase(subject, condition.value);
            break;
        case RuleOp::contains:
            holds = containsIgnoringCase(subject, condition.value);
            break;
        case RuleOp::regex:
            holds = RegexCache::shared().search(condition.value, subject);
            break;
        }
        if (!holds) return false;
    }
    return any;
}

bool Context::matches(std::string_view appName, std::string_view title) const {
    if (!match) return false;
    std::string needle = lowercased(*match);
    if (needle.empty()) return false;
    std::string joined;
    joined.reserve(appName.size() + 1 + title.size());
    joined.append(appName).append(" ").append(title);
    return lowercased(joined).find(needle) != std::string::npos;
}

ContextPtr makeContext(std::string name, std::string colorHex, std::optional<Uuid> workspaceID) {
    auto context = std::make_shared<Context>();
    context->name = std::move(name);
    context->colorHex = std::move(colorHex);
    context->workspaceID = workspaceID;
    return context;
}

} // namespace morvelan
