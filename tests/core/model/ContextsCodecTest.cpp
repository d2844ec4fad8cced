// The contexts file format: defaults, optional keys, error sentences and hostile input.
#include "core/model/ContextsCodec.h"

#include <gtest/gtest.h>

#include <random>

namespace morvelan {
namespace {

const std::string idA = "11111111-2222-4333-8444-555555555555";
const std::string idW = "AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE";

SavedConfig decoded(const std::string& json) {
    auto result = decodeContexts(json);
    if (auto* error = std::get_if<DecodeError>(&result)) {
        ADD_FAILURE() << "did not decode: " << describe(*error) << "\n" << json.substr(0, 200);
        return {};
    }
    return std::get<SavedConfig>(std::move(result));
}

// The one context of a file that must decode.
Context only(const std::string& json) {
    SavedConfig saved = decoded(json);
    EXPECT_EQ(saved.contexts.size(), 1u);
    return saved.contexts.empty() ? Context{} : *saved.contexts[0];
}

// The sentence for a file that must not decode.
std::string sentence(const std::string& json) {
    auto result = decodeContexts(json);
    if (auto* error = std::get_if<DecodeError>(&result)) return describe(*error);
    return "(decoded)";
}

bool saysInvalidJson(const std::string& text) {
    return text.rfind("Invalid JSON — ", 0) == 0 &&
           text.size() > std::string("Invalid JSON — ").size();
}

// A file with one context whose body is `contextTail` after the required keys.
std::string oneContext(const std::string& contextTail) {
    return R"({"contexts":[{"id":")" + idA + R"(","name":"Work","colorHex":"#FF6B6B")" +
           contextTail + "}]}";
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

TEST(ContextsDecode, AbsentNullAndUnknownKeysGiveTheDefaults) {
    const std::string files[] = {
        oneContext(""),
        R"({"activeID":null,"workspaces":null,"version":3,"contexts":[{"colorHex":"#FF6B6B",)"
        R"("extra":{"a":[1,2]},"name":"Work","members":null,"match":null,"workspaceID":null,)"
        R"("id":")" +
            idA + R"("}],"theme":"dark"})",
    };
    // Re-encoding writes every optional key that is set, so this checks all the defaults.
    for (const std::string& json : files)
        EXPECT_EQ(
            encoded(decoded(json)),
            R"({"contexts":[{"id":")" + idA +
                R"(","name":"Work","colorHex":"#FF6B6B","members":[],"rules":[]}],"workspaces":[]})")
            << json;
    // Rules and pins: an empty or all-null rule is one empty include condition; explicit
    // empty clauses stay empty; a null window id is absent.
    for (const char* rule : {"{}", R"({"clauses":null,"exclude":null})"})
        EXPECT_EQ(only(withRule(rule)).rules.at(0), Rule{}) << rule;
    EXPECT_TRUE(only(withRule(R"({"clauses":[],"exclude":false})")).rules.at(0).clauses.empty());
    EXPECT_FALSE(only(withPin(R"({"bundleID":"b","title":"t","matchAppOnly":false,"wid":null})"))
                     .members.at(0)
                     .wid);
}

TEST(ContextsCodec, ReadsEveryFieldAndWritesThemBackCompactInTheirOrder) {
    const std::string json =
        R"({"contexts":[{"id":")" + idA +
        R"(","name":"Work","colorHex":"#FF6B6B","members":[)"
        R"({"bundleID":"b","title":"t","matchAppOnly":false,"wid":4294967295},)"
        R"({"bundleID":"app","title":"","matchAppOnly":true}],"match":"git","workspaceID":")" +
        idW +
        R"(","rules":[{"clauses":[{"field":"title","op":"regex","value":"x+"}],"exclude":true},)"
        R"({"clauses":[{"field":"appName","op":"contains","value":""}],"exclude":false}]}],)"
        R"("activeID":")" +
        idA + R"(","workspaces":[{"id":")" + idW + R"(","name":"Main"}]})";
    SavedConfig saved = decoded(json);
    ASSERT_EQ(saved.contexts.size(), 1u);
    const Context& c = *saved.contexts[0];
    EXPECT_EQ(saved.activeID, Uuid::parse(idA));
    EXPECT_EQ(saved.workspaces, (std::vector<Workspace>{{*Uuid::parse(idW), "Main"}}));
    EXPECT_EQ(c.match, "git");
    EXPECT_EQ(c.workspaceID, Uuid::parse(idW));
    EXPECT_EQ(c.members, (std::vector<WinRef>{{"b", "t", false, 4294967295u},
                                              {"app", "", true, std::nullopt}}));
    ASSERT_EQ(c.rules.size(), 2u);
    EXPECT_TRUE(c.rules[0].exclude);
    EXPECT_EQ(c.rules[0].clauses,
              (std::vector<Condition>{{RuleField::title, RuleOp::regex, "x+"}}));
    EXPECT_EQ(c.rules[1], Rule{});
    EXPECT_EQ(encoded(saved), json);
    EXPECT_EQ(encoded(SavedConfig{}), R"({"contexts":[],"workspaces":[]})");

    // Ids are read in either case.
    std::string lower = idW;
    for (char& ch : lower)
        ch = char(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(decoded(R"({"contexts":[],"activeID":")" + lower + R"("})").activeID,
              Uuid::parse(idW));
}

TEST(ContextsDecode, WindowIdIsAnUnsigned32BitInteger) {
    auto pin = [](const std::string& wid) {
        return withPin(R"({"bundleID":"b","title":"t","matchAppOnly":false,"wid":)" + wid + "}");
    };
    EXPECT_EQ(only(pin("0")).members.at(0).wid, 0u);
    EXPECT_NE(encoded(decoded(pin("0"))).find(R"("wid":0})"), std::string::npos); // not absent
    EXPECT_EQ(only(pin("5.0")).members.at(0).wid, 5u);
    for (const char* bad : {"4294967296", "-1", "1.5", "\"5\"", "true", "-0.5",
                            "123456789012345678901234567890", "[5]"})
        EXPECT_EQ(sentence(pin(bad)), "Wrong type for “wid”.") << bad;
    // Beyond a double's range the number itself is unreadable.
    EXPECT_TRUE(saysInvalidJson(sentence(pin("1e400"))));
}

TEST(ContextsDescribe, SchemaErrorsNameTheKeyOrPosition) {
    const std::pair<std::string, std::string> cases[] = {
        {"{}", "Missing required field “contexts”."},
        {R"({"contexts":[{"id":")" + idA + R"(","name":"W"}]})",
         "Missing required field “colorHex”."},
        {withPin(R"({"bundleID":"b","title":"t"})"), "Missing required field “matchAppOnly”."},
        {withRule(R"({"clauses":[{"field":"title","op":"equals"}]})"),
         "Missing required field “value”."},
        {R"({"contexts":[{},{}]})", "Missing required field “id”."},
        {R"({"contexts":[],"workspaces":[{"name":"x"}]})", "Missing required field “id”."},
        {"[]", "Wrong type for “?”."},
        {R"({"contexts":{}})", "Wrong type for “contexts”."},
        {R"({"contexts":[1]})", "Wrong type for “Index 0”."},
        {withPin(R"({"bundleID":"b","title":"t","matchAppOnly":"yes"})"),
         "Wrong type for “matchAppOnly”."},
        {withRule(R"({"exclude":0})"), "Wrong type for “exclude”."},
        {oneContext(R"(,"match":7)"), "Wrong type for “match”."},
        {oneContext(R"(,"rules":{})"), "Wrong type for “rules”."},
        {R"({"contexts":[],"activeID":12})", "Wrong type for “activeID”."},
        // The last key is the position when an element has the wrong type.
        {withPin(R"({"bundleID":"b","title":"t","matchAppOnly":true},"x")"),
         "Wrong type for “Index 1”."},
        {"null", "Missing value for “?”."},
        {R"({"contexts":[{"id":")" + idA + R"(","name":null,"colorHex":"#000000"}]})",
         "Missing value for “name”."},
        {R"({"contexts":null})", "Missing value for “contexts”."},
        {R"({"contexts":[null]})", "Missing value for “Index 0”."},
        {withRule(R"({"clauses":[{"field":"title","op":"startsWith","value":"x"}]})"),
         "Invalid JSON — “startsWith” is not a valid value for “op”."},
    };
    for (const auto& [json, text] : cases)
        EXPECT_EQ(sentence(json), text) << json;
    EXPECT_EQ(describe(DecodeError{}), "Config file is not valid.");
}

TEST(ContextsDescribe, CorruptDataOfAnySizeSaysInvalidJsonAndDeepNestingIsRefusedBeforeParsing) {
    std::string objects;
    for (int i = 0; i < 100000; ++i)
        objects += R"({"a":)";
    for (const std::string& bad : {
             std::string("not json"),
             std::string(""),
             std::string(R"({"contexts":[})"),
             std::string(R"({"contexts":[]} trailing)"),
             withRule(R"({"clauses":[{"field":"Title","op":"equals","value":"x"}]})"),
             std::string(R"({"contexts":[],"activeID":"not-a-uuid"})"),
             oneContext("").replace(20, 36, "11111111222243338444555555555555"), // no hyphens
             std::string("{\"contexts\":[],\"x\":\"caf\xC3\x28\"}"),
             std::string(50 * 1024 * 1024, '\x9F'),
             std::string(200000, '['),
             objects,
         }) {
        std::string text = sentence(bad);
        EXPECT_TRUE(saysInvalidJson(text)) << bad.substr(0, 80) << " -> " << text;
    }
}

TEST(ContextsEncode, InvalidUtf8IsReplacedAndDecodeThenEncodeIsStable) {
    SavedConfig saved;
    auto c = std::make_shared<Context>();
    c->name = "bad \xFF\xFE name";
    c->members = {WinRef{"b", "caf\xC3", false, 3}};
    saved.contexts = {c, nullptr};
    SavedConfig back = decoded(encoded(saved));
    ASSERT_EQ(back.contexts.size(), 1u);
    EXPECT_EQ(back.contexts[0]->name, "bad \xEF\xBF\xBD\xEF\xBF\xBD name");
    EXPECT_EQ(back.contexts[0]->members.at(0).title, "caf\xEF\xBF\xBD");

    std::string json = R"({"contexts":[{"id":")" + idA +
                       R"(","name":"Wörk \"q\" \\ / \u0001 😀","colorHex":"#FF6B6B","match":"  ",)"
                       R"("members":[{"bundleID":"b","title":"t","matchAppOnly":false,"wid":7}],)"
                       R"("rules":[{"clauses":[],"exclude":true}]}],"activeID":")" +
                       idW + R"(","workspaces":[]})";
    std::string once = encoded(decoded(json));
    EXPECT_EQ(encoded(decoded(once)), once);
}

TEST(ContextsHostileInput, ModerateNestingBracketsInStringsAndLargeFilesDecode) {
    std::string nested = std::string(400, '[') + std::string(400, ']');
    std::string brackets = "\"" + std::string(5000, '[') + "\\\"{{{\"";
    for (const std::string& value : {nested, brackets})
        EXPECT_TRUE(decoded(R"({"contexts":[],"x":)" + value + "}").contexts.empty());
    std::string name(8 * 1024 * 1024, 'n');
    EXPECT_EQ(only(R"({"contexts":[{"id":")" + idA + R"(","name":")" + name +
                   R"(","colorHex":"#000000"}]})")
                  .name.size(),
              name.size());
}

TEST(ContextsHostileInput, MutatedFilesNeverCrash) {
    std::string valid =
        R"({"contexts":[{"id":")" + idA +
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
