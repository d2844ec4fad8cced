// The contexts file format: defaults, exact re-encoding, error sentences and hostile input.
#include "core/model/ContextsCodec.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

const std::string idA = "11111111-2222-4333-8444-555555555555";
const std::string idW = "AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE";

std::string encoded(const SavedConfig& saved) {
    auto bytes = encodeContexts(saved.contexts, saved.activeID, saved.workspaces);
    return bytes.ok() ? *bytes : "(not encoded)";
}

// The file decoded and encoded again, or the sentence saying why it does not decode.
std::string roundTrip(const std::string& json) {
    auto result = decodeContexts(json);
    if (auto* error = std::get_if<DecodeError>(&result)) return describe(*error);
    return encoded(std::get<SavedConfig>(result));
}

// A file with one context whose body is `tail` after the required keys.
std::string oneContext(const std::string& tail) {
    return R"({"contexts":[{"id":")" + idA + R"(","name":"Work","colorHex":"#FF6B6B")" + tail +
           "}]}";
}
std::string withPin(const std::string& pin) {
    return oneContext(R"(,"members":[)" + pin + "]");
}
std::string withRule(const std::string& rule) {
    return oneContext(R"(,"rules":[)" + rule + "]");
}

TEST(ContextsCodec, ReadsEveryFieldAndWritesThemBackCompactInTheirOrder) {
    const std::string json =
        R"({"contexts":[{"id":")" + idA +
        R"(","name":"Work","colorHex":"#FF6B6B","members":[)"
        R"({"bundleID":"b","title":"t","matchAppOnly":false,"wid":4294967295},)"
        R"({"bundleID":"app","title":"","matchAppOnly":true,"wid":0}],"match":"git",)"
        R"("workspaceID":")" +
        idW +
        R"(","rules":[{"clauses":[{"field":"title","op":"regex","value":"x+"}],"exclude":true},)"
        R"({"clauses":[{"field":"appName","op":"contains","value":""}],"exclude":false}]}],)"
        R"("activeID":")" +
        idA + R"(","workspaces":[{"id":")" + idW + R"(","name":"Main"}]})";
    EXPECT_EQ(roundTrip(json), json);
    EXPECT_EQ(std::get<SavedConfig>(decodeContexts(json)).contexts.at(0)->members.at(0),
              (WinRef{"b", "t", false, 4294967295u}));

    // Ids are read in lower case too, and written in upper case.
    EXPECT_EQ(roundTrip(R"({"contexts":[],"activeID":"aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee"})"),
              R"({"contexts":[],"activeID":")" + idW + R"(","workspaces":[]})");
}

TEST(ContextsCodec, AbsentNullAndUnknownKeysGiveTheDefaults) {
    // Re-encoding writes every optional key that is set, so this checks all the defaults.
    EXPECT_EQ(roundTrip(R"({"activeID":null,"workspaces":null,"version":3,"contexts":[{)"
                        R"("colorHex":"#FF6B6B","extra":{"a":[1,2]},"name":"Work","members":null,)"
                        R"("match":null,"workspaceID":null,"id":")" +
                        idA + R"("}],"theme":"dark"})"),
              R"({"contexts":[{"id":")" + idA +
                  R"(","name":"Work","colorHex":"#FF6B6B","members":[],"rules":[]}],)"
                  R"("workspaces":[]})");
    // An all-null rule is one empty include condition; explicit empty clauses stay empty; a
    // null window id is absent.
    EXPECT_EQ(roundTrip(withRule(R"({"clauses":null,"exclude":null},{"clauses":[]})")),
              roundTrip(withRule(R"({"clauses":[{"field":"appName","op":"contains",)"
                                 R"("value":""}]},{"clauses":[],"exclude":false})")));
    EXPECT_EQ(roundTrip(withPin(R"({"bundleID":"b","title":"t","matchAppOnly":true,"wid":null})")),
              roundTrip(withPin(R"({"bundleID":"b","title":"t","matchAppOnly":true})")));
}

TEST(ContextsCodec, WindowIdIsAnUnsigned32BitInteger) {
    auto pin = [](const std::string& wid) {
        return withPin(R"({"bundleID":"b","title":"t","matchAppOnly":false,"wid":)" + wid + "}");
    };
    EXPECT_EQ(roundTrip(pin("5.0")), roundTrip(pin("5")));
    for (const char* bad : {"4294967296", "-1", "1.5", "\"5\"", "true", "-0.5",
                            "123456789012345678901234567890", "[5]"})
        EXPECT_EQ(roundTrip(pin(bad)), "Wrong type for “wid”.") << bad;
}

TEST(ContextsCodec, SchemaErrorsNameTheKeyOrPosition) {
    const std::pair<std::string, std::string> cases[] = {
        {"{}", "Missing required field “contexts”."},
        {withPin(R"({"bundleID":"b","title":"t"})"), "Missing required field “matchAppOnly”."},
        {R"({"contexts":[],"workspaces":[{"name":"x"}]})", "Missing required field “id”."},
        {"[]", "Wrong type for “?”."},
        {R"({"contexts":{}})", "Wrong type for “contexts”."},
        {withRule(R"({"exclude":0})"), "Wrong type for “exclude”."},
        // The last key is the position when an element has the wrong type.
        {withPin(R"({"bundleID":"b","title":"t","matchAppOnly":true},"x")"),
         "Wrong type for “Index 1”."},
        {"null", "Missing value for “?”."},
        {R"({"contexts":[{"id":")" + idA + R"(","name":null,"colorHex":"#000000"}]})",
         "Missing value for “name”."},
        {R"({"contexts":[null]})", "Missing value for “Index 0”."},
        {withRule(R"({"clauses":[{"field":"title","op":"startsWith","value":"x"}]})"),
         "Invalid JSON — “startsWith” is not a valid value for “op”."},
        {R"({"contexts":[],"activeID":"not-a-uuid"})",
         "Invalid JSON — “activeID” is not a valid UUID."},
        // A long value is cut between characters, never inside one.
        {withRule(R"({"clauses":[{"field":"title","op":")" + std::string(39, 'x') + "ü" +
                  std::string(20, 'x') + R"(","value":"x"}]})"),
         "Invalid JSON — “" + std::string(39, 'x') + "…” is not a valid value for “op”."},
    };
    for (const auto& [json, text] : cases)
        EXPECT_EQ(roundTrip(json), text) << json;
}

TEST(ContextsCodec, CorruptDataOfAnySizeIsInvalidJsonAndDeepNestingIsRefusedBeforeParsing) {
    std::string objects;
    for (int i = 0; i < 100000; ++i)
        objects += R"({"a":)";
    for (const std::string& bad : {
             std::string(""),
             std::string(R"({"contexts":[]} trailing)"),
             std::string("{\"contexts\":[],\"x\":\"caf\xC3\x28\"}"),
             withPin(R"({"bundleID":"b","title":"t","matchAppOnly":false,"wid":1e400})"),
             std::string(50 * 1024 * 1024, '\x9F'),
             std::string(200000, '['),
             objects,
         }) {
        const std::string text = roundTrip(bad);
        EXPECT_EQ(text.rfind("Invalid JSON — ", 0), 0u) << bad.substr(0, 80) << " -> " << text;
    }
    // Nesting within bounds, brackets inside strings and a large name all decode.
    const std::string nested = std::string(400, '[') + std::string(400, ']');
    const std::string brackets = "\"" + std::string(5000, '[') + "\\\"{{{\"";
    for (const std::string& value : {nested, brackets})
        EXPECT_EQ(roundTrip(R"({"contexts":[],"x":)" + value + "}"),
                  R"({"contexts":[],"workspaces":[]})");
    const std::string large =
        oneContext("").replace(oneContext("").find("Work"), 4, std::string(8 * 1024 * 1024, 'n'));
    EXPECT_GT(roundTrip(large).size(), 8u * 1024 * 1024);
}

TEST(ContextsCodec, InvalidUtf8IsReplacedAndNullContextsAreLeftOut) {
    auto c = std::make_shared<Context>();
    c->name = "bad \xFF\xFE name";
    c->members = {WinRef{"b", "caf\xC3", false, 3}};
    const std::string bytes = encoded(SavedConfig{{c, nullptr}, {}, {}});
    auto back = std::get<SavedConfig>(decodeContexts(bytes));
    ASSERT_EQ(back.contexts.size(), 1u);
    EXPECT_EQ(back.contexts[0]->name, "bad \xEF\xBF\xBD\xEF\xBF\xBD name");
    EXPECT_EQ(back.contexts[0]->members.at(0).title, "caf\xEF\xBF\xBD");
}

} // namespace
} // namespace morvelan
