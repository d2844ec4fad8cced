// RemoteControl: what scripts may ask the running program (the command line through its socket,
// the D-Bus service), as JSON requests and replies; one place for both.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>

namespace morvelan {

class AppDelegate;

// Main thread only. A request is {"command": NAME, …}; a reply is {"ok": true, …}, or
// {"ok": false, "error": "refused" | "invalid", "message": SENTENCE}. "invalid" is a request
// that is not well formed, "refused" one the program will not carry out (an unknown or
// ambiguous context, say). A refused or invalid request changes nothing.
//
//   contexts                       → contexts: [{id, name, colour, workspace, windows, active}]
//   windows                        → windows: [{id, app, appName, title, desktop, contexts}]
//   status                         → active: {id, name, colour} or null, version
//   activate  context: ID|NAME     → active
//   switcher  confined: bool, held: modifier bits down now (the host fills them in)
//   pin, unpin  context: ID|NAME (default: the active one), window: id (default: the focused)
//   reload                         → message: the sentence the alert shows
//   settings                       opens the settings window
class RemoteControl {
public:
    explicit RemoteControl(AppDelegate& app) : app_(app) {}

    nlohmann::json handle(const nlohmann::json& request);
    // The active context as {id, name, colour}; null when there is none.
    nlohmann::json active();
    // Told the new active() once per change of the active context, its name or its colour.
    std::function<void(const nlohmann::json&)> onActiveChanged;
    // The store changed: tells onActiveChanged when active() is not what it told last.
    void storeChanged();

private:
    nlohmann::json contexts();
    nlohmann::json windows();
    nlohmann::json activate(const nlohmann::json& request);
    nlohmann::json switcher(const nlohmann::json& request);
    nlohmann::json pin(const nlohmann::json& request, bool in);
    nlohmann::json reload();

    AppDelegate& app_;
    nlohmann::json told_;
    bool toldOnce_ = false;
};

} // namespace morvelan
