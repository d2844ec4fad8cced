// The contexts file format: defaults, optional keys, error sentences and hostile input.
#include "core/model/ContextsCodec.h"

#include <gtest/gtest.h>

#include <random>

namespace morvelan {
namespace {

const char* const idA = "11111111-2222-4333-8444-555555555555";
const char* const idW = "AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE";

SavedConfig decoded(const std::string& json) {
    auto result = decodeContexts(json);
    if (auto* error = std::get_if<DecodeError>(&result)) {
        ADD_FAILURE() << "did not decode: " << describe(*error) << "\n" << json;
        return {};
    }
    return std::get<SavedConfig>(std::move(result));
}

// The sentence for a file that must not decode.
std::string sentence(const std::string& json) {
    auto result = decodeContexts(json);
    if (auto* error = std::get_if<DecodeError>(&result)) return describe(*error);
    return "(decoded)";
}

// A file with one context whose body is `contextTail` after the required keys.
std::string oneContext(const std::string& contextTail) {
    return std::string(R"({"contexts":[{"id":")") + idA +
           R"(","name":"Work","colorHex":"#FF6B6B")" + contextTail + "}]}";
}

std::string withPin(const std::string& pin) {
    return oneContext(R"(,"members":[)" + pin + "]");
}
std::string withRule(const std::string& rule) {
    return oneContext(R"(,"rules":[)" + rule + "]");
}

std::string encoded(const SavedConfig& saved) {
    auto bytes = encodeContexts(saved.contexts, saved.activeID, saved.workspaces);
    EXPECT_TRUE(bytes.ok());
    return bytes.ok() ? *bytes : std::string();
}

TEST(ContextsDecode, MinimalFileHasDefaults) {
    SavedConfig saved = decoded(oneContext(""));
    ASSERT_EQ(saved.contexts.size(), 1u);
    const Context& c = *saved.contexts[0];
    EXPECT_EQ(c.id.str(), idA);
    EXPECT_EQ(c.name, "Work");
    EXPECT_EQ(c.colorHex, "#FF6B6B");
    EXPECT_TRUE(c.members.empty());
    EXPECT_TRUE(c.rules.empty());
    EXPECT_FALSE(c.match);
    EXPECT_FALSE(c.workspaceID);
    EXPECT_FALSE(saved.activeID);
    EXPECT_TRUE(saved.workspaces.empty());
}

TEST(ContextsDecode, ReadsEveryField) {
    std::string json =
        std::string(R"({"workspaces":[{"name":"Main","id":")") + idW + R"("}],"activeID":")" + idA +
        R"(","contexts":[{"id":")" + idA +
        R"(","name":"Work","colorHex":"#FF6B6B","match":"git","workspaceID":")" + idW +
        R"(","members":[{"bundleID":"b","title":"t","matchAppOnly":false,"wid":4294967295},)"
        R"({"bundleID":"app","title":"","matchAppOnly":true}],)"
        R"("rules":[{"clauses":[{"field":"title","op":"regex","value":"x+"}],"exclude":true}]}]})";
    SavedConfig saved = decoded(json);
    ASSERT_EQ(saved.contexts.size(), 1u);
    const Context& c = *saved.contexts[0];
    EXPECT_EQ(saved.activeID, Uuid::parse(idA));
    ASSERT_EQ(saved.workspaces.size(), 1u);
    EXPECT_EQ(saved.workspaces[0].name, "Main");
    EXPECT_EQ(c.match, "git");
    EXPECT_EQ(c.workspaceID, Uuid::parse(idW));
    ASSERT_EQ(c.members.size(), 2u);
    EXPECT_EQ(c.members[0], (WinRef{"b", "t", false, 4294967295u}));
    EXPECT_EQ(c.members[1], (WinRef{"app", "", true, std::nullopt}));
    ASSERT_EQ(c.rules.size(), 1u);
    EXPECT_TRUE(c.rules[0].exclude);
    EXPECT_EQ(c.rules[0].clauses,
              (std::vector<Condition>{{RuleField::title, RuleOp::regex, "x+"}}));
}

TEST(ContextsDecode, EmptyRuleObjectIsOneEmptyIncludeCondition) {
    SavedConfig saved = decoded(withRule("{}"));
    const Rule& rule = saved.contexts.at(0)->rules.at(0);
    EXPECT_FALSE(rule.exclude);
    EXPECT_EQ(rule.clauses, (std::vector<Condition>{{RuleField::appName, RuleOp::contains, ""}}));
    EXPECT_FALSE(rule.test("a", "b", "c"));
}

TEST(ContextsDecode, ExplicitEmptyClausesStayEmpty) {
    SavedConfig saved = decoded(withRule(R"({"clauses":[],"exclude":false})"));
    EXPECT_TRUE(saved.contexts.at(0)->rules.at(0).clauses.empty());
}

TEST(ContextsDecode, NullOptionalKeysCountAsAbsent) {
    SavedConfig saved =
        decoded(std::string(R"({"activeID":null,"workspaces":null,"contexts":[{"id":")") + idA +
                R"(","name":"W","colorHex":"#000000","members":null,"match":null,)"
                R"("workspaceID":null,"rules":[{"clauses":null,"exclude":null}]}]})");
    const Context& c = *saved.contexts.at(0);
    EXPECT_FALSE(saved.activeID);
    EXPECT_TRUE(saved.workspaces.empty());
    EXPECT_TRUE(c.members.empty());
    EXPECT_FALSE(c.match);
    EXPECT_FALSE(c.workspaceID);
    EXPECT_EQ(c.rules.at(0), Rule{});
    SavedConfig pin =
        decoded(withPin(R"({"bundleID":"b","title":"t","matchAppOnly":false,"wid":null})"));
    EXPECT_FALSE(pin.contexts.at(0)->members.at(0).wid);
}

TEST(ContextsDecode, UnknownKeysAreIgnoredAndKeyOrderIsFree) {
    SavedConfig saved = decoded(
        std::string(
            R"({"version":3,"contexts":[{"colorHex":"#000000","extra":{"a":[1,2]},"name":"N","id":")") +
        idA + R"("}],"theme":"dark"})");
    EXPECT_EQ(saved.contexts.at(0)->name, "N");
}

TEST(ContextsDecode, AcceptsLowerCaseIds) {
    std::string lower = "aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee";
    SavedConfig saved = decoded(R"({"contexts":[],"activeID":")" + lower + R"("})");
    EXPECT_EQ(saved.activeID->str(), idW);
}

TEST(ContextsDecode, WindowIdIsAnUnsigned32BitInteger) {
    auto pin = [](const std::string& wid) {
        return withPin(R"({"bundleID":"b","title":"t","matchAppOnly":false,"wid":)" + wid + "}");
    };
    EXPECT_EQ(decoded(pin("0")).contexts.at(0)->members.at(0).wid, 0u);
    EXPECT_EQ(decoded(pin("5.0")).contexts.at(0)->members.at(0).wid, 5u);
    for (const char* bad : {"4294967296", "-1", "1.5", "\"5\"", "true", "-0.5",
                            "123456789012345678901234567890", "[5]"})
        EXPECT_EQ(sentence(pin(bad)), "Wrong type for “wid”.") << bad;
    // Beyond a double's range the number itself is unreadable.
    EXPECT_EQ(sentence(pin("1e400")).rfind("Invalid JSON — ", 0), 0u);
}

TEST(ContextsDescribe, MissingRequiredKeys) {
    EXPECT_EQ(sentence("{}"), "Missing required field “contexts”.");
    EXPECT_EQ(sentence(std::string(R"({"contexts":[{"id":")") + idA + R"(","name":"W"}]})"),
              "Missing required field “colorHex”.");
    EXPECT_EQ(sentence(withPin(R"({"bundleID":"b","title":"t"})")),
              "Missing required field “matchAppOnly”.");
    EXPECT_EQ(sentence(withRule(R"({"clauses":[{"field":"title","op":"equals"}]})")),
              "Missing required field “value”.");
    EXPECT_EQ(sentence(R"({"contexts":[],"workspaces":[{"name":"x"}]})"),
              "Missing required field “id”.");
}

TEST(ContextsDescribe, WrongTypes) {
    EXPECT_EQ(sentence("[]"), "Wrong type for “?”.");
    EXPECT_EQ(sentence("42"), "Wrong type for “?”.");
    EXPECT_EQ(sentence(R"({"contexts":{}})"), "Wrong type for “contexts”.");
    EXPECT_EQ(sentence(R"({"contexts":[1]})"), "Wrong type for “Index 0”.");
    EXPECT_EQ(sentence(withPin(R"({"bundleID":"b","title":"t","matchAppOnly":"yes"})")),
              "Wrong type for “matchAppOnly”.");
    EXPECT_EQ(sentence(withRule(R"({"exclude":0})")), "Wrong type for “exclude”.");
    EXPECT_EQ(sentence(oneContext(R"(,"match":7)")), "Wrong type for “match”.");
    EXPECT_EQ(sentence(oneContext(R"(,"rules":{})")), "Wrong type for “rules”.");
    EXPECT_EQ(sentence(R"({"contexts":[],"activeID":12})"), "Wrong type for “activeID”.");
    // The last key is the position when an element has the wrong type.
    EXPECT_EQ(sentence(withPin(R"({"bundleID":"b","title":"t","matchAppOnly":true},"x")")),
              "Wrong type for “Index 1”.");
}

TEST(ContextsDescribe, NullWhereAValueIsRequired) {
    EXPECT_EQ(sentence("null"), "Missing value for “?”.");
    EXPECT_EQ(sentence(std::string(R"({"contexts":[{"id":")") + idA +
                       R"(","name":null,"colorHex":"#000000"}]})"),
              "Missing value for “name”.");
    EXPECT_EQ(sentence(R"({"contexts":null})"), "Missing value for “contexts”.");
    EXPECT_EQ(sentence(R"({"contexts":[null]})"), "Missing value for “Index 0”.");
}

TEST(ContextsDescribe, CorruptDataSaysInvalidJson) {
    auto startsInvalid = [](const std::string& text) {
        return text.rfind("Invalid JSON — ", 0) == 0 &&
               text.size() > std::string("Invalid JSON — ").size();
    };
    for (
        const std::string& bad : {
            std::string("not json"),
            std::string(""),
            std::string(R"({"contexts":[})"),
            std::string(R"({"contexts":[]} trailing)"),
            withRule(R"({"clauses":[{"field":"title","op":"startsWith","value":"x"}]})"),
            withRule(R"({"clauses":[{"field":"Title","op":"equals","value":"x"}]})"),
            std::string(R"({"contexts":[],"activeID":"not-a-uuid"})"),
            std::string(
                R"({"contexts":[{"id":"11111111222243338444555555555555","name":"a","colorHex":"b"}]})"),
            std::string("{\"contexts\":[],\"x\":\"caf\xC3\x28\"}"),
        }) {
        std::string text = sentence(bad);
        EXPECT_TRUE(startsInvalid(text)) << bad << " -> " << text;
    }
    EXPECT_EQ(
        sentence(withRule(R"({"clauses":[{"field":"title","op":"startsWith","value":"x"}]})")),
        "Invalid JSON — “startsWith” is not a valid value for “op”.");
}

TEST(ContextsDescribe, OtherErrorsHaveAGenericSentence) {
    EXPECT_EQ(describe(DecodeError{}), "Config file is not valid.");
}

TEST(ContextsEncode, WritesCompactJsonWithOptionalKeysOnlyWhenPresent) {
    SavedConfig saved;
    auto c = std::make_shared<Context>();
    c->id = *Uuid::parse(idA);
    c->name = "Work";
    c->colorHex = "#FF6B6B";
    c->members = {WinRef{"app", "", true, std::nullopt}};
    c->rules = {Rule{}};
    saved.contexts = {c};
    saved.workspaces = {Workspace{*Uuid::parse(idW), "Main"}};
    std::string json = encoded(saved);
    EXPECT_EQ(
        json,
        std::string(R"({"contexts":[{"id":")") + idA +
            R"(","name":"Work","colorHex":"#FF6B6B","members":[{"bundleID":"app","title":"","matchAppOnly":true}],)"
            R"("rules":[{"clauses":[{"field":"appName","op":"contains","value":""}],"exclude":false}]}],)"
            R"("workspaces":[{"id":")" +
            idW + R"(","name":"Main"}]})");

    c->match = "m";
    c->workspaceID = *Uuid::parse(idW);
    c->members[0].wid = 0;
    saved.activeID = c->id;
    json = encoded(saved);
    EXPECT_NE(json.find(R"("match":"m")"), std::string::npos);
    EXPECT_NE(json.find(std::string(R"("workspaceID":")") + idW), std::string::npos);
    EXPECT_NE(json.find(R"("wid":0)"), std::string::npos);
    EXPECT_NE(json.find(std::string(R"("activeID":")") + idA), std::string::npos);
}

TEST(ContextsEncode, EmptyConfigurationStillWritesBothLists) {
    EXPECT_EQ(encoded(SavedConfig{}), R"({"contexts":[],"workspaces":[]})");
}

TEST(ContextsEncode, InvalidUtf8IsReplacedNotFatal) {
    SavedConfig saved;
    auto c = std::make_shared<Context>();
    c->name = "bad \xFF\xFE name";
    c->members = {WinRef{"b", "caf\xC3", false, 3}};
    saved.contexts = {c, nullptr};
    std::string json = encoded(saved);
    SavedConfig back = decoded(json);
    ASSERT_EQ(back.contexts.size(), 1u);
    EXPECT_EQ(back.contexts[0]->name, "bad \xEF\xBF\xBD\xEF\xBF\xBD name");
    EXPECT_EQ(back.contexts[0]->members.at(0).title, "caf\xEF\xBF\xBD");
}

TEST(ContextsEncode, DecodeThenEncodeIsStable) {
    std::string json = std::string(R"({"contexts":[{"id":")") + idA +
                       R"(","name":"Wörk \"q\" \\ / \u0001 😀","colorHex":"#FF6B6B","match":"  ",)"
                       R"("members":[{"bundleID":"b","title":"t","matchAppOnly":false,"wid":7}],)"
                       R"("rules":[{"clauses":[],"exclude":true}]}],"activeID":")" +
                       idW + R"(","workspaces":[]})";
    std::string once = encoded(decoded(json));
    EXPECT_EQ(encoded(decoded(once)), once);
}

TEST(ContextsHostileInput, DeepNestingIsRefusedBeforeParsing) {
    std::string deep(200000, '[');
    std::string text = sentence(deep);
    EXPECT_EQ(text.rfind("Invalid JSON — ", 0), 0u) << text;
    std::string objects;
    for (int i = 0; i < 100000; ++i)
        objects += R"({"a":)";
    EXPECT_EQ(sentence(objects).rfind("Invalid JSON — ", 0), 0u);
}

TEST(ContextsHostileInput, ModerateNestingAndBracketsInStringsAreFine) {
    std::string nested = std::string(400, '[') + std::string(400, ']');
    EXPECT_EQ(decoded(R"({"contexts":[],"x":)" + nested + "}").contexts.size(), 0u);
    std::string brackets = "\"" + std::string(5000, '[') + "\\\"{{{\"";
    EXPECT_EQ(decoded(R"({"contexts":[],"x":)" + brackets + "}").contexts.size(), 0u);
}

TEST(ContextsHostileInput, LargeFileDecodes) {
    std::string name(8 * 1024 * 1024, 'n');
    SavedConfig saved = decoded(std::string(R"({"contexts":[{"id":")") + idA + R"(","name":")" +
                                name + R"(","colorHex":"#000000"}]})");
    EXPECT_EQ(saved.contexts.at(0)->name.size(), name.size());
    std::string garbage(50 * 1024 * 1024, '\x9F');
    EXPECT_EQ(sentence(garbage).rfind("Invalid JSON — ", 0), 0u);
}

TEST(ContextsHostileInput, MutatedFilesNeverCrash) {
    std::string valid =
        std::string(R"({"contexts":[{"id":")") + idA +
        R"(","name":"Work","colorHex":"#FF6B6B","match":"x","workspaceID":")" + idW +
        R"(","members":[{"bundleID":"b","title":"t","matchAppOnly":false,"wid":42}],)"
        R"("rules":[{"clauses":[{"field":"title","op":"regex","value":"a|b"}],"exclude":true}]}],)"
        R"("activeID":")" +
        idA + R"(","workspaces":[{"id":")" + idW + R"(","name":"Main"}]})";
    const std::string alphabet = "{}[]\",:0123456789-.eE truefalsnul\\\x80\xFF\xC3";
    std::mt19937 random(1234);
    int decodedCount = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = valid;
        int edits = 1 + int(random() % 4);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            std::size_t at = random() % text.size();
            switch (random() % 3) {
            case 0:
                text[at] = alphabet[random() % alphabet.size()];
                break;
            case 1:
                text.erase(at, 1 + random() % 8);
                break;
            default:
                text.insert(at, 1, alphabet[random() % alphabet.size()]);
                break;
            }
        }
        auto result = decodeContexts(text);
        if (auto* saved = std::get_if<SavedConfig>(&result)) {
            ++decodedCount;
            // Whatever decodes must encode and decode to the same bytes again.
            std::string once = encoded(*saved);
            EXPECT_EQ(encoded(decoded(once)), once);
        } else {
            EXPECT_FALSE(describe(std::get<DecodeError>(result)).empty());
        }
    }
    EXPECT_GT(decodedCount, 0);
}

} // namespace
} // namespace morvelan
