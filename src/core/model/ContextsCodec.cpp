// ContextsCodec: strict decoding with a coding path for error sentences, and compact encoding.
#include "core/model/ContextsCodec.h"

#include "core/platform/JsonDepth.h"

#include <nlohmann/json.hpp>
#include <unicode/unistr.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace morvelan {

namespace {

using Json = nlohmann::json;

// Invalid bytes become U+FFFD so a message can always be shown.
std::string validUtf8(std::string_view text) {
    std::string out;
    icu::UnicodeString::fromUTF8(text).toUTF8String(out);
    return out;
}

// A value quoted in a message, cut short so a huge string cannot flood an alert.
std::string inQuotes(std::string_view text) {
    constexpr std::size_t limit = 40;
    if (text.size() <= limit) return "“" + std::string(text) + "”";
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return "“" + std::string(text.substr(0, cut)) + "…”";
}

// Walks the parsed document, keeping the coding path for error messages. Failures are
// thrown as DecodeError and caught in decodeContexts; they never leave this file.
class Decoder {
public:
    SavedConfig top(const Json& root) {
        expectObject(root);
        SavedConfig saved;
        forEach(root, "contexts", true, [&](const Json& item) {
            saved.contexts.push_back(std::make_shared<Context>(context(item)));
        });
        if (const Json* active = optional(root, "activeID"))
            saved.activeID = uuid(*active, "activeID");
        forEach(root, "workspaces", false,
                [&](const Json& item) { saved.workspaces.push_back(workspace(item)); });
        return saved;
    }

private:
    std::vector<std::string> path_;

    // Keeps `path_` in step with the descent, also when a failure unwinds.
    class Step {
    public:
        Step(std::vector<std::string>& path, std::string key) : path_(path) {
            path_.push_back(std::move(key));
        }
        ~Step() { path_.pop_back(); }
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;

    private:
        std::vector<std::string>& path_;
    };

    [[noreturn]] void fail(DecodeError::Kind kind, std::string description = {}) {
        throw DecodeError{kind, path_, {}, std::move(description)};
    }

    // Null or a value of another JSON type where `ok` is required.
    void expect(const Json& value, bool ok) {
        if (value.is_null()) fail(DecodeError::Kind::valueNotFound);
        if (!ok) fail(DecodeError::Kind::typeMismatch);
    }
    void expectObject(const Json& value) { expect(value, value.is_object()); }

    // The value of a required key; the caller then checks its type under that key.
    const Json& required(const Json& object, const char* key) {
        auto it = object.find(key);
        if (it == object.end()) throw DecodeError{DecodeError::Kind::keyNotFound, path_, key, {}};
        return *it;
    }

    // The value of an optional key; null counts as absent.
    static const Json* optional(const Json& object, const char* key) {
        auto it = object.find(key);
        return it == object.end() || it->is_null() ? nullptr : &*it;
    }

    std::string string(const Json& object, const char* key) {
        const Json& value = required(object, key);
        Step step(path_, key);
        expect(value, value.is_string());
        return value.get<std::string>();
    }

    bool boolean(const Json& value, const char* key) {
        Step step(path_, key);
        expect(value, value.is_boolean());
        return value.get<bool>();
    }

    Uuid uuid(const Json& value, const char* key) {
        Step step(path_, key);
        expect(value, value.is_string());
        auto id = Uuid::parse(value.get_ref<const std::string&>());
        if (!id) fail(DecodeError::Kind::dataCorrupted, inQuotes(key) + " is not a valid UUID.");
        return *id;
    }

    WindowID windowID(const Json& value) {
        Step step(path_, "wid");
        constexpr auto max = std::numeric_limits<WindowID>::max();
        if (value.is_number_unsigned() && value.get<std::uint64_t>() <= max)
            return WindowID(value.get<std::uint64_t>());
        // An integral number written with a fraction part, such as 5.0.
        if (value.is_number_float()) {
            double d = value.get<double>();
            if (std::isfinite(d) && d >= 0 && d <= max && std::trunc(d) == d) return WindowID(d);
        }
        fail(DecodeError::Kind::typeMismatch);
    }

    // Each element of an array under `key`; a missing optional array is empty.
    template <class F>
    void forEach(const Json& object, const char* key, bool isRequired, F&& each) {
        const Json* array = isRequired ? &required(object, key) : optional(object, key);
        if (!array) return;
        Step step(path_, key);
        expect(*array, array->is_array());
        for (std::size_t i = 0; i < array->size(); ++i) {
            Step index(path_, "Index " + std::to_string(i));
            each((*array)[i]);
        }
    }

    Context context(const Json& object) {
        expectObject(object);
        Context c;
        c.id = uuid(required(object, "id"), "id");
        c.name = string(object, "name");
        c.colorHex = string(object, "colorHex");
        forEach(object, "members", false,
                [&](const Json& item) { c.members.push_back(pin(item)); });
        if (optional(object, "match")) c.match = string(object, "match");
        if (const Json* ws = optional(object, "workspaceID"))
            c.workspaceID = uuid(*ws, "workspaceID");
        forEach(object, "rules", false, [&](const Json& item) { c.rules.push_back(rule(item)); });
        return c;
    }

    WinRef pin(const Json& object) {
        expectObject(object);
        WinRef ref;
        ref.bundleID = string(object, "bundleID");
        ref.title = string(object, "title");
        ref.matchAppOnly = boolean(required(object, "matchAppOnly"), "matchAppOnly");
        if (const Json* wid = optional(object, "wid")) ref.wid = windowID(*wid);
        return ref;
    }

    Rule rule(const Json& object) {
        expectObject(object);
        Rule r;
        if (optional(object, "clauses")) {
            r.clauses.clear();
            forEach(object, "clauses", false,
                    [&](const Json& item) { r.clauses.push_back(condition(item)); });
        }
        if (const Json* exclude = optional(object, "exclude"))
            r.exclude = boolean(*exclude, "exclude");
        return r;
    }

    template <class E>
    E enumeration(const Json& object, const char* key, std::optional<E> (*from)(std::string_view)) {
        std::string text = string(object, key);
        auto value = from(text);
        if (!value) {
            Step step(path_, key);
            fail(DecodeError::Kind::dataCorrupted,
                 inQuotes(text) + " is not a valid value for " + inQuotes(key) + ".");
        }
        return *value;
    }

    Condition condition(const Json& object) {
        expectObject(object);
        Condition c;
        c.field = enumeration<RuleField>(object, "field", ruleFieldFrom);
        c.op = enumeration<RuleOp>(object, "op", ruleOpFrom);
        c.value = string(object, "value");
        return c;
    }

    Workspace workspace(const Json& object) {
        expectObject(object);
        Workspace w;
        w.id = uuid(required(object, "id"), "id");
        w.name = string(object, "name");
        return w;
    }
};

// nlohmann prefixes its messages with "[json.exception.parse_error.101] "; the user
// needs only the sentence after it.
std::string parseMessage(const char* what) {
    std::string_view text(what);
    if (!text.empty() && text.front() == '[') {
        auto close = text.find("] ");
        if (close != std::string_view::npos) text.remove_prefix(close + 2);
    }
    return validUtf8(text);
}

nlohmann::ordered_json encodeContext(const Context& c) {
    nlohmann::ordered_json members = nlohmann::ordered_json::array();
    for (const WinRef& ref : c.members) {
        nlohmann::ordered_json pin{
            {"bundleID", ref.bundleID}, {"title", ref.title}, {"matchAppOnly", ref.matchAppOnly}};
        if (ref.wid) pin["wid"] = *ref.wid;
        members.push_back(std::move(pin));
    }
    nlohmann::ordered_json rules = nlohmann::ordered_json::array();
    for (const Rule& r : c.rules) {
        nlohmann::ordered_json clauses = nlohmann::ordered_json::array();
        for (const Condition& cond : r.clauses)
            clauses.push_back({{"field", toString(cond.field)},
                               {"op", toString(cond.op)},
                               {"value", cond.value}});
        rules.push_back({{"clauses", std::move(clauses)}, {"exclude", r.exclude}});
    }
    nlohmann::ordered_json object{{"id", c.id.str()}, {"name", c.name}, {"colorHex", c.colorHex}};
    object["members"] = std::move(members);
    if (c.match) object["match"] = *c.match;
    if (c.workspaceID) object["workspaceID"] = c.workspaceID->str();
    object["rules"] = std::move(rules);
    return object;
}

} // namespace

std::string describe(const DecodeError& error) {
    std::string last = error.codingPath.empty() ? "?" : error.codingPath.back();
    switch (error.kind) {
    case DecodeError::Kind::typeMismatch:
        return "Wrong type for “" + last + "”.";
    case DecodeError::Kind::valueNotFound:
        return "Missing value for “" + last + "”.";
    case DecodeError::Kind::keyNotFound:
        return "Missing required field “" + error.key + "”.";
    case DecodeError::Kind::dataCorrupted:
        return "Invalid JSON — " + error.description;
    case DecodeError::Kind::other:
        break;
    }
    return "Config file is not valid.";
}

Result<std::string> encodeContexts(const std::vector<ContextPtr>& contexts,
                                   const std::optional<Uuid>& activeID,
                                   const std::vector<Workspace>& workspaces) {
    try {
        nlohmann::ordered_json top = nlohmann::ordered_json::object();
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const ContextPtr& c : contexts)
            if (c) list.push_back(encodeContext(*c));
        top["contexts"] = std::move(list);
        if (activeID) top["activeID"] = activeID->str();
        nlohmann::ordered_json spaces = nlohmann::ordered_json::array();
        for (const Workspace& w : workspaces)
            spaces.push_back({{"id", w.id.str()}, {"name", w.name}});
        top["workspaces"] = std::move(spaces);
        // Titles come from other programs; a stray invalid byte must not lose the file.
        return top.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    } catch (const std::exception& e) {
        return failure(std::string("Could not encode the configuration: ") + e.what());
    }
}

std::variant<SavedConfig, DecodeError> decodeContexts(std::string_view bytes) {
    // The parser and the document are recursive enough that absurd nesting is refused first.
    if (nestedDeeperThan(bytes))
        return DecodeError{DecodeError::Kind::dataCorrupted,
                           {},
                           {},
                           "nesting deeper than " + std::to_string(maxJsonDepth) + " levels."};
    Json root;
    try {
        root = Json::parse(bytes.begin(), bytes.end());
    } catch (const nlohmann::json::exception& e) {
        // Syntax errors, invalid UTF-8, and numbers too large for a double.
        return DecodeError{DecodeError::Kind::dataCorrupted, {}, {}, parseMessage(e.what())};
    } catch (const std::exception&) {
        return DecodeError{};
    }
    try {
        return Decoder().top(root);
    } catch (const DecodeError& error) {
        return error;
    } catch (const std::exception&) {
        return DecodeError{};
    }
}

} // namespace morvelan
