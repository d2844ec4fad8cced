// RemoteControl: requests from scripts, checked before anything is changed.
#include "core/app/RemoteControl.h"

#include "core/app/AppDelegate.h"
#include "core/model/TextCase.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

namespace morvelan {

namespace {

using nlohmann::json;

json ok(json reply = json::object()) {
    reply["ok"] = true;
    return reply;
}

json failed(const char* error, std::string message) {
    return {{"ok", false}, {"error", error}, {"message", std::move(message)}};
}

json describe(const Context& context) {
    return {{"id", context.id.str()}, {"name", context.name}, {"colour", context.colorHex}};
}

// The context a request names by id or by name (ignoring case), or the reply refusing it.
// Without `context`, the active one.
std::variant<ContextPtr, json> findContext(const ContextStore& store, const json& request) {
    const auto field = request.find("context");
    if (field == request.end() || field->is_null()) {
        if (ContextPtr active = store.active()) return active;
        return failed("refused", "There is no active context.");
    }
    if (!field->is_string()) return failed("invalid", "\"context\" must be a string.");
    const auto& text = field->get_ref<const std::string&>();
    if (auto id = Uuid::parse(text))
        if (ContextPtr byId = store.find(id)) return byId;
    std::vector<ContextPtr> named;
    for (const ContextPtr& context : store.contexts())
        if (context && equalsIgnoringCase(context->name, text)) named.push_back(context);
    if (named.size() == 1) return named.front();
    if (named.empty()) return failed("refused", "There is no context named \"" + text + "\".");
    return failed("refused", std::to_string(named.size()) + " contexts are named \"" + text +
                                 "\": name one by its id (see \"morvelan contexts\").");
}

} // namespace

json RemoteControl::handle(const json& request) {
    if (!request.is_object() || !request.contains("command") || !request["command"].is_string())
        return failed("invalid", "A request is an object with a \"command\".");
    const auto& command = request["command"].get_ref<const std::string&>();
    if (command == "contexts") return contexts();
    if (command == "windows") return windows();
    if (command == "status") return ok({{"active", active()}});
    if (command == "activate") return activate(request);
    if (command == "switcher") return switcher(request);
    if (command == "pin" || command == "unpin") return pin(request, command == "pin");
    if (command == "reload") return reload();
    if (command == "settings") {
        app_.openSettings();
        return ok();
    }
    return failed("invalid", "Unknown command \"" + command + "\".");
}

json RemoteControl::active() {
    ContextPtr context = app_.store().active();
    return context ? describe(*context) : json(nullptr);
}

void RemoteControl::storeChanged() {
    json now = active();
    if (toldOnce_ && now == told_) return;
    const bool first = !toldOnce_;
    toldOnce_ = true;
    told_ = now;
    // The launch's own load is where things start, not a change.
    if (!first && onActiveChanged) onActiveChanged(told_);
}

json RemoteControl::contexts() {
    ContextStore& store = app_.store();
    WindowEngine& engine = app_.engine();
    const std::vector<Win> wins = engine.allWindows();
    std::unordered_map<Uuid, std::string> workspaces;
    for (const Workspace& workspace : store.workspaces())
        workspaces[workspace.id] = workspace.name;
    json list = json::array();
    for (const ContextPtr& context : store.contexts()) {
        if (!context) continue;
        int count = 0;
        for (const Win& win : wins)
            if (engine.belongs(win, *context)) ++count;
        json entry = describe(*context);
        const auto workspace = store.workspaceID(*context);
        entry["workspace"] = workspace ? workspaces[*workspace] : "";
        entry["windows"] = count;
        entry["active"] = store.activeID() == context->id;
        list.push_back(std::move(entry));
    }
    return ok({{"contexts", std::move(list)}});
}

json RemoteControl::windows() {
    ContextStore& store = app_.store();
    WindowEngine& engine = app_.engine();
    const std::vector<Win> wins = engine.allWindows();
    std::unordered_map<WindowID, int> desktops;
    for (const WindowInfo& info : engine.lastReading())
        desktops[info.id] = info.desktop;
    json list = json::array();
    for (const Win& win : wins) {
        json names = json::array();
        for (const ContextPtr& context : store.contexts())
            if (context && engine.belongs(win, *context)) names.push_back(context->name);
        const auto desktop = desktops.find(win.wid);
        list.push_back({{"id", win.wid},
                        {"app", win.bundleID},
                        {"appName", win.appName},
                        {"title", win.title},
                        // -1: on every desktop
                        {"desktop", desktop == desktops.end() ? -1 : desktop->second},
                        {"contexts", std::move(names)}});
    }
    return ok({{"windows", std::move(list)}});
}

json RemoteControl::activate(const json& request) {
    if (!request.contains("context")) return failed("invalid", "Name the context to activate.");
    auto found = findContext(app_.store(), request);
    if (auto* refusal = std::get_if<json>(&found)) return *refusal;
    app_.store().setActive(std::get<ContextPtr>(found)->id);
    return ok({{"active", active()}});
}

json RemoteControl::switcher(const json& request) {
    const json confined = request.value("confined", json(false));
    const json held = request.value("held", json(0U));
    if (!confined.is_boolean() || !held.is_number_unsigned())
        return failed("invalid", "\"confined\" must be true or false, \"held\" a number.");
    if (!app_.hotkeys().openFromOutside(confined.get<bool>(), held.get<std::uint64_t>()))
        return failed("refused", "The switcher cannot take the keyboard now.");
    return ok();
}

json RemoteControl::pin(const json& request, bool in) {
    auto found = findContext(app_.store(), request);
    if (auto* refusal = std::get_if<json>(&found)) return *refusal;
    const ContextPtr context = std::get<ContextPtr>(found);
    WindowEngine& engine = app_.engine();
    std::optional<Win> win;
    const json window = request.value("window", json(0U));
    if (!window.is_number_unsigned()) return failed("invalid", "\"window\" must be a window id.");
    if (const auto wid = window.get<WindowID>()) {
        for (const Win& each : engine.allWindows())
            if (each.wid == wid) win = each;
        if (!win) return failed("refused", "There is no window " + std::to_string(wid) + ".");
    } else if (!(win = engine.focusedWindow())) {
        return failed("refused", "No window has the focus.");
    }
    if (engine.belongs(*win, *context) == in)
        return failed("refused", "\"" + win->title + "\" is " + (in ? "already" : "not") + " in " +
                                     context->name + ".");
    app_.pinKeeper().toggle(*win, context->id);
    return ok();
}

json RemoteControl::reload() {
    auto result = app_.store().reload();
    if (!result)
        return failed("refused", "Config not applied: " + result.error().description() +
                                     " The previous configuration is still active.");
    return ok({{"message", "Config reloaded"}});
}

} // namespace morvelan
