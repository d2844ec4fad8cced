// The records of the user's organisation: workspaces, contexts, pins, rules and conditions.
#pragma once

#include "core/model/Uuid.h"
#include "core/platform/WindowSystem.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvelan {

struct Workspace {
    Uuid id;
    std::string name;
    friend bool operator==(const Workspace&, const Workspace&) = default;
};

// A pin: one window (matchAppOnly false) or a whole application.
struct WinRef {
    std::string bundleID;
    std::string title;
    bool matchAppOnly = false;
    std::optional<WindowID> wid; // 0 counts as absent

    friend bool operator==(const WinRef&, const WinRef&) = default;
};

enum class RuleField { bundleID, appName, title };
enum class RuleOp { equals, contains, regex };

std::string_view toString(RuleField field);
std::string_view toString(RuleOp op);
std::optional<RuleField> ruleFieldFrom(std::string_view text);
std::optional<RuleOp> ruleOpFrom(std::string_view text);

struct Condition {
    RuleField field = RuleField::appName;
    RuleOp op = RuleOp::contains;
    std::string value; // empty: the condition is ignored

    friend bool operator==(const Condition&, const Condition&) = default;
};

struct Rule {
    std::vector<Condition> clauses{Condition{}};
    bool exclude = false;

    // Whether every non-empty condition holds; false when there is none.
    bool test(std::string_view bundleID, std::string_view appName, std::string_view title) const;

    friend bool operator==(const Rule&, const Rule&) = default;
};

// Shared and edited in place; the store saves after edits.
struct Context {
    Uuid id = Uuid::random();
    std::string name;
    std::string colorHex;
    std::vector<WinRef> members;
    std::optional<std::string> match; // legacy free-text filter, kept as read
    std::optional<Uuid> workspaceID;
    std::vector<Rule> rules;

    // The legacy `match` test.
    bool matches(std::string_view appName, std::string_view title) const;
};

using ContextPtr = std::shared_ptr<Context>;

// A new context with a fresh id, as made by the program.
ContextPtr makeContext(std::string name, std::string colorHex,
                       std::optional<Uuid> workspaceID = std::nullopt);

} // namespace morvelan
