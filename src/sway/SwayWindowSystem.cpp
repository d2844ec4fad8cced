// SwayWindowSystem: the WindowSystem of sway over its IPC socket.
#include "sway/SwayWindowSystem.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <unordered_set>

namespace morvelan {
namespace {

using nlohmann::json;

constexpr int iconSize = 64;
// The switcher's own panel is a view too; it is never one of the windows it lists.
constexpr const char* panelAppId = "morvelan-switcher";
constexpr const char* panelTitle = "Morvelan Switcher";
constexpr const char* scratchpad = "__i3_scratch";

bool processRuns(Pid pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

std::string text(const json& node, const char* key) {
    const auto it = node.find(key);
    return it != node.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// A view (an application's window) rather than a split, workspace or output.
bool isView(const json& node) {
    return node.value("pid", 0) > 0 && (node.contains("app_id") || node.contains("shell"));
}

// The children of `node`, tiled and floating, the most recently focused first.
std::vector<const json*> inFocusOrder(const json& node) {
    std::vector<const json*> children;
    for (const char* key : {"nodes", "floating_nodes"})
        if (const auto it = node.find(key); it != node.end() && it->is_array())
            for (const json& child : *it)
                children.push_back(&child);
    std::vector<const json*> out;
    std::unordered_set<const json*> placed;
    if (const auto focus = node.find("focus"); focus != node.end() && focus->is_array())
        for (const json& id : *focus)
            for (const json* child : children)
                if (child->value("id", std::int64_t{-1}) == id && placed.insert(child).second)
                    out.push_back(child);
    for (const json* child : children)
        if (placed.insert(child).second) out.push_back(child);
    return out;
}

WindowKind kindOf(const json& view) {
    const auto props = view.find("window_properties");
    if (props == view.end() || !props->is_object()) return WindowKind::normal;
    const std::string type = text(*props, "window_type");
    if (type == "dialog") return WindowKind::dialog;
    if (type == "utility" || type == "toolbar") return WindowKind::utility;
    if (type == "splash") return WindowKind::splash;
    return WindowKind::normal;
}

Rect rectOf(const json& view) {
    const auto r = view.find("rect");
    if (r == view.end() || !r->is_object()) return {};
    return Rect{r->value("x", 0.0), r->value("y", 0.0), r->value("width", 0.0),
                r->value("height", 0.0)};
}

} // namespace

// One reading of the tree: the windows front to back and the container of each.
struct SwayWindowSystem::View {
    bool ok = false;
    std::vector<WindowInfo> windows;
    std::vector<std::uint64_t> cons;
    std::optional<std::size_t> active;

    WindowID activeId() const { return active ? windows[*active].id : 0; }
};

Result<std::unique_ptr<SwayWindowSystem>> SwayWindowSystem::open(std::string path) {
    if (path.empty()) {
        const char* sock = std::getenv("SWAYSOCK");
        if (!sock || !*sock) return failure("SWAYSOCK is not set");
        path = sock;
    }
    auto commands = SwayIpc::connect(path);
    if (!commands) return commands.error();
    auto events = SwayIpc::connect(path);
    if (!events) return events.error();
    if (!(*events)->subscribe({"window", "workspace"}))
        return failure("sway refused the window and workspace events on " + path);
    auto system = std::unique_ptr<SwayWindowSystem>(new SwayWindowSystem(
        std::move(*commands), std::move(*events), DesktopEntries::fromEnvironment()));
    if (!system->read()->ok) return failure("sway gives no window tree on " + path);
    return system;
}

SwayWindowSystem::SwayWindowSystem(std::unique_ptr<SwayIpc> commands,
                                   std::unique_ptr<SwayIpc> events, DesktopEntries entries)
    : commands_(std::move(commands)), events_(std::move(events)), entries_(std::move(entries)) {}

SwayWindowSystem::~SwayWindowSystem() = default;

const DesktopEntry* SwayWindowSystem::entryOf(const std::string& appId) const {
    if (appId.empty()) return nullptr;
    if (const DesktopEntry* e = entries_.byId(appId)) return e;
    if (const DesktopEntry* e = entries_.byStartupWMClass(appId, appId)) return e;
    return entries_.byFileName(appId, appId);
}

std::shared_ptr<const SwayWindowSystem::View> SwayWindowSystem::read() {
    auto v = std::make_shared<View>();
    const auto tree = commands_->request(swayipc::getTree);
    if (!tree || !tree->is_object()) return v;
    v->ok = true;

    // Desktops are numbered in the tree's order; those an output shows are current.
    std::unordered_map<std::string, int> desktopOf;
    std::unordered_set<std::string> shown;
    for (const json& output : tree->value("nodes", json::array())) {
        shown.insert(text(output, "current_workspace"));
        for (const json& ws : output.value("nodes", json::array())) {
            const std::string name = text(ws, "name");
            if (name != scratchpad) desktopOf.emplace(name, static_cast<int>(desktopOf.size()));
        }
    }

    std::unordered_set<std::uint64_t> live;
    const auto visit = [&](const auto& self, const json& node, const std::string& ws) -> void {
        const std::string type = text(node, "type");
        const std::string workspace = type == "workspace" ? text(node, "name") : ws;
        if (!isView(node)) {
            for (const json* child : inFocusOrder(node))
                self(self, *child, workspace);
            return;
        }
        const auto props = node.find("window_properties");
        std::string appId = text(node, "app_id");
        if (appId.empty() && props != node.end() && props->is_object())
            appId = text(*props, "class");
        if (appId == panelAppId ||
            (text(node, "name") == panelTitle && node.value("pid", Pid{0}) == ::getpid()))
            return;
        const auto con = node.value("id", std::uint64_t{0});
        live.insert(con);
        WindowInfo info;
        info.id = ids_.idFor(con);
        const DesktopEntry* entry = entryOf(appId);
        info.app = AppInfo{node.value("pid", Pid{0}), appId, entry ? entry->name : appId};
        info.title = text(node, "name");
        info.kind = kindOf(node);
        info.minimized = workspace == scratchpad;
        info.fullScreen = node.value("fullscreen_mode", 0) != 0;
        info.closable = true;
        const auto d = desktopOf.find(workspace);
        info.desktop = d != desktopOf.end() ? d->second : WindowInfo::allDesktops;
        info.onCurrentDesktop = !info.minimized && shown.count(workspace) > 0;
        info.frame = rectOf(node);
        if (node.value("focused", false)) v->active = v->windows.size();
        processes_[info.app.pid] = info.app;
        v->windows.push_back(std::move(info));
        v->cons.push_back(con);
    };
    visit(visit, *tree, {});
    ids_.keepOnly([&](WindowIds::Handle h) { return live.count(h) > 0; });
    return v;
}

std::shared_ptr<const SwayWindowSystem::View> SwayWindowSystem::view() {
    return batchView_ ? batchView_ : read();
}

void SwayWindowSystem::beginBatch() {
    if (batchDepth_++ == 0) batchView_ = read();
}

void SwayWindowSystem::endBatch() {
    if (batchDepth_ > 0 && --batchDepth_ == 0) batchView_.reset();
}

std::optional<std::uint64_t> SwayWindowSystem::conOf(WindowID id) const {
    return ids_.handleOf(id);
}

// --- Events --------------------------------------------------------------------------------

void SwayWindowSystem::processEvents() {
    bool listChanged = false;
    bool maybeActive = false;
    std::vector<WindowID> retitled;
    for (const SwayIpc::Message& m : events_->readEvents()) {
        if (!m.body.is_object()) continue;
        const std::string change = text(m.body, "change");
        if (m.type == swayipc::workspaceEvent) {
            // Another workspace shown moves the focus, and changes what is current.
            listChanged = listChanged || change != "focus";
            maybeActive = true;
        } else if (m.type == swayipc::windowEvent) {
            if (change == "title") {
                const auto con = m.body.value("container", json::object()).value("id", 0ull);
                if (const auto id = ids_.find(con);
                    id && std::find(retitled.begin(), retitled.end(), *id) == retitled.end())
                    retitled.push_back(*id);
            } else if (change == "focus") {
                maybeActive = true;
            } else if (change != "mark") {
                listChanged = true;
                maybeActive = true;
            }
        }
    }
    std::vector<std::pair<WindowChange, WindowID>> notices;
    if (listChanged || maybeActive) {
        const auto v = read();
        if (listChanged) notices.emplace_back(WindowChange::list, 0);
        if (v->ok && v->activeId() != lastActive_) {
            lastActive_ = v->activeId();
            notices.emplace_back(WindowChange::active, 0);
        }
    }
    for (WindowID id : retitled)
        notices.emplace_back(WindowChange::title, id);
    for (const auto& [change, id] : notices)
        if (auto handler = handler_) handler(change, id);
}

void SwayWindowSystem::setChangeHandler(std::function<void(WindowChange, WindowID)> handler) {
    handler_ = std::move(handler);
}

// --- Reading -------------------------------------------------------------------------------

std::vector<WindowInfo> SwayWindowSystem::windows() {
    return view()->windows;
}

std::optional<WindowInfo> SwayWindowSystem::activeWindow() {
    const auto v = view();
    if (!v->active) return std::nullopt;
    return v->windows[*v->active];
}

std::vector<AppInfo> SwayWindowSystem::runningApplications() {
    const auto v = view();
    if (!v->ok) return {};
    std::unordered_set<Pid> withWindows;
    for (const WindowInfo& w : v->windows)
        withWindows.insert(w.app.pid);
    std::vector<AppInfo> out;
    for (auto it = processes_.begin(); it != processes_.end();) {
        if (withWindows.count(it->first) || processRuns(it->first)) {
            out.push_back(it->second);
            ++it;
        } else {
            it = processes_.erase(it);
        }
    }
    return out;
}

ImageRef SwayWindowSystem::icon(Pid pid) {
    if (!iconLoader_) return nullptr;
    const auto app = processes_.find(pid);
    if (app == processes_.end() || app->second.appId.empty()) return nullptr;
    // Wayland has no window icons: the desktop entry's, else a theme icon named as the app.
    const DesktopEntry* entry = entryOf(app->second.appId);
    const std::string name = entry && !entry->icon.empty() ? entry->icon : app->second.appId;
    auto [it, added] = themed_.try_emplace(name);
    if (added) it->second = iconLoader_(name, iconSize);
    return it->second;
}

// --- Acting --------------------------------------------------------------------------------

void SwayWindowSystem::focus(WindowID id) {
    // sway switches to the window's workspace and takes it out of the scratchpad itself.
    if (const auto con = conOf(id)) commands_->run("[con_id=" + std::to_string(*con) + "] focus");
}

void SwayWindowSystem::raise(WindowID) {
    // sway stacks only floating windows, and raises them when they take the focus: there is no
    // raising without focusing.
}

void SwayWindowSystem::close(WindowID id) {
    if (const auto con = conOf(id)) commands_->run("[con_id=" + std::to_string(*con) + "] kill");
}

void SwayWindowSystem::quit(Pid pid) {
    // Asks each of its windows to close, as the close button would; never a signal.
    if (pid > 0) commands_->run("[pid=" + std::to_string(pid) + "] kill");
}

} // namespace morvelan
