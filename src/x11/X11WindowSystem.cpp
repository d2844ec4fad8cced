// X11WindowSystem: the WindowSystem of an EWMH window manager on X11, over one xcb connection.
#include "x11/X11WindowSystem.h"

#include "x11/NetWmIcon.h"
#include "x11/WmHintsIcon.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>

namespace morvelan {
namespace {

// EWMH source indication: the request comes from a pager or taskbar acting for the user.
constexpr std::uint32_t sourcePager = 2;
// X requests are answered by the server, not by the applications, so they cannot hang on a
// busy client; this bounds the wait for a server timestamp.
constexpr int timestampTimeoutMs = 500;

std::string hostName() {
    char buffer[HOST_NAME_MAX + 1] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0) return {};
    return buffer;
}

// Whether the process runs: one we may not signal runs too. Only ever asked of a real pid:
// kill() reads 0 and negative pids as process groups.
bool processRuns(Pid pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

// The side, in pixels, icons are picked and loaded at.
constexpr int iconSize = 64;

std::optional<WindowKind> kindOf(ClientKind kind) {
    switch (kind) {
    case ClientKind::normal:
        return WindowKind::normal;
    case ClientKind::dialog:
        return WindowKind::dialog;
    case ClientKind::utility:
        return WindowKind::utility;
    case ClientKind::splash:
        return WindowKind::splash;
    case ClientKind::dock:
    case ClientKind::desktop:
        break;
    }
    return std::nullopt;
}

int desktopOf(const ClientWindow& w) {
    if (!w.desktop || *w.desktop >= maxDesktops) return WindowInfo::allDesktops;
    return static_cast<int>(*w.desktop);
}

} // namespace

// One consistent reading of the window system: the clients, their applications and the
// windows as the program sees them, front to back.
struct X11WindowSystem::View {
    View(ClientSnapshot s, const DesktopEntries& entries, WindowIds& ids, AppOwners& owners)
        : snapshot(std::move(s)), apps(snapshot, entries, owners) {
        std::unordered_set<xcb_window_t> placed;
        const auto add = [&](xcb_window_t x) {
            const ClientWindow* w = snapshot.find(x);
            if (!w || !placed.insert(x).second) return;
            const auto kind = kindOf(w->kind());
            const AppRecord* app = apps.ofWindow(x);
            if (!kind || !app) return;
            WindowInfo info;
            info.id = ids.idFor(x);
            info.app = AppInfo{app->pid, app->identity.appId, app->identity.name};
            info.title = w->title.value_or("");
            info.kind = *kind;
            info.minimized = w->hidden;
            info.fullScreen = w->fullScreen;
            info.skipTaskbar = w->skipTaskbar;
            info.closable = w->deletable;
            info.desktop = desktopOf(*w);
            info.onCurrentDesktop = w->onDesktop(snapshot.currentDesktop);
            info.frame = w->geometry.value_or(Rect{});
            if (x == snapshot.active) active = windows.size();
            windows.push_back(std::move(info));
            handles.push_back(x);
        };
        for (auto it = snapshot.stacking.rbegin(); it != snapshot.stacking.rend(); ++it)
            add(*it);
        for (xcb_window_t x : snapshot.clients)
            add(x);
    }

    WindowID activeId() const { return active ? windows[*active].id : 0; }

    ClientSnapshot snapshot;
    AppIndex apps;
    std::vector<WindowInfo> windows;   // front to back
    std::vector<xcb_window_t> handles; // the X window of each of `windows`
    std::optional<std::size_t> active; // into `windows`
};

std::unique_ptr<X11WindowSystem> X11WindowSystem::open(const char* display) {
    auto conn = X11Connection::open(display);
    if (!conn) return nullptr;
    return open(std::move(conn), DesktopEntries::fromEnvironment());
}

std::unique_ptr<X11WindowSystem> X11WindowSystem::open(std::unique_ptr<X11Connection> conn,
                                                       DesktopEntries entries) {
    if (!conn) return nullptr;
    return std::unique_ptr<X11WindowSystem>(
        new X11WindowSystem(std::move(conn), std::move(entries)));
}

X11WindowSystem::X11WindowSystem(std::unique_ptr<X11Connection> conn, DesktopEntries entries)
    : conn_(std::move(conn)), entries_(std::move(entries)), owners_(hostName()) {
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(conn_->get(), conn_->root(), XCB_CW_EVENT_MASK, &mask);
    conn_->setEventTap([this](const xcb_generic_event_t& ev) { look(ev); });
    lastActive_ = freshView()->activeId();
}

X11WindowSystem::~X11WindowSystem() = default;

// --- Event loop ------------------------------------------------------------------------

void X11WindowSystem::processEvents() {
    if (dispatching_) return;
    dispatching_ = true;
    // What the events say changed, gathered first: a rename sets two properties, and a burst
    // of changes makes one notice per window.
    bool listChanged = false;
    bool activeChanged = false;
    std::vector<xcb_window_t> retitled;
    const auto& e = conn_->ewmh();
    while (!conn_->hasError()) {
        XcbPtr<xcb_generic_event_t> ev = conn_->nextEvent();
        if (!ev) break;
        // Errors (response type 0) are those of unchecked requests on windows that vanished:
        // nothing to do about them. What an event makes stale was marked when it was read.
        if ((ev->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) continue;
        const auto& pn = reinterpret_cast<const xcb_property_notify_event_t&>(*ev);
        if (pn.window == conn_->root()) {
            listChanged = listChanged || pn.atom == e._NET_CLIENT_LIST;
            activeChanged = activeChanged || pn.atom == e._NET_ACTIVE_WINDOW;
        } else if ((pn.atom == e._NET_WM_NAME || pn.atom == XCB_ATOM_WM_NAME) &&
                   watched_.count(pn.window) &&
                   std::find(retitled.begin(), retitled.end(), pn.window) == retitled.end()) {
            retitled.push_back(pn.window);
        }
    }
    if (conn_->hasError()) lost_ = true;
    if (!lost_ && (listChanged || activeChanged || !retitled.empty())) {
        std::vector<std::pair<WindowChange, WindowID>> notices;
        if (listChanged || activeChanged) {
            // Read at once, so that new clients are watched before they change, and processes
            // are remembered even when nobody asks. A title alone waits for the next reading:
            // some windows retitle themselves a thousand times a second.
            const auto v = freshView();
            if (listChanged) notices.emplace_back(WindowChange::list, 0);
            if (const WindowID active = v->activeId(); active != lastActive_) {
                lastActive_ = active;
                notices.emplace_back(WindowChange::active, 0);
            }
        }
        for (xcb_window_t w : retitled)
            if (auto id = ids_.find(w)) notices.emplace_back(WindowChange::title, *id);
        for (const auto& [change, id] : notices) {
            // The handler may replace itself.
            if (auto handler = handler_) handler(change, id);
        }
    }
    dispatching_ = false;
}

void X11WindowSystem::look(const xcb_generic_event_t& ev) {
    // Only marks: a flood of changes costs a few hash lookups per event, and the reading
    // waits until someone asks for a view.
    const auto mark = [&](xcb_window_t window, WindowParts parts) {
        if (watched_.count(window)) stale_[window] |= parts;
    };
    switch (ev.response_type & 0x7f) {
    case XCB_PROPERTY_NOTIFY: {
        const auto& pn = reinterpret_cast<const xcb_property_notify_event_t&>(ev);
        if (pn.window == conn_->root())
            rootStale_ = rootStale_ || rootReads(*conn_, pn.atom);
        else if (pn.atom == conn_->ewmh()._NET_WM_ICON || pn.atom == XCB_ATOM_WM_HINTS)
            icons_.erase(pn.window);
        else if (const WindowParts parts = partOf(*conn_, pn.atom))
            mark(pn.window, parts);
        break;
    }
    // openbox moves a client by moving its frame and then tells the client its new root
    // position with a synthetic ConfigureNotify; a resize is a real one.
    case XCB_CONFIGURE_NOTIFY:
        mark(reinterpret_cast<const xcb_configure_notify_event_t&>(ev).window, part::geometry);
        break;
    case XCB_REPARENT_NOTIFY:
        mark(reinterpret_cast<const xcb_reparent_notify_event_t&>(ev).window, part::geometry);
        break;
    case XCB_GRAVITY_NOTIFY:
        mark(reinterpret_cast<const xcb_gravity_notify_event_t&>(ev).window, part::geometry);
        break;
    case XCB_DESTROY_NOTIFY: {
        // The server may give this X id to a new window at once: that one is another window,
        // with an id of its own, read and watched anew.
        const xcb_window_t window = reinterpret_cast<const xcb_destroy_notify_event_t&>(ev).window;
        mark(window, part::all);
        watched_.erase(window);
        icons_.erase(window);
        ids_.forget(window);
        destroyed_.insert(window);
        break;
    }
    default:
        break;
    }
}

void X11WindowSystem::watch(const std::vector<xcb_window_t>& clients) {
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    for (xcb_window_t w : clients) {
        if (watched_.insert(w).second)
            xcb_change_window_attributes(conn_->get(), w, XCB_CW_EVENT_MASK, &mask);
    }
}

// --- Views ------------------------------------------------------------------------------

std::shared_ptr<const X11WindowSystem::View> X11WindowSystem::view() {
    if (batchView_) return batchView_;
    return freshView();
}

std::shared_ptr<const X11WindowSystem::View> X11WindowSystem::freshView() {
    const auto watchFirst = [this](const std::vector<xcb_window_t>& clients) { watch(clients); };
    const bool whole = !live_ || !live_->snapshot.ok;
    if (!whole) {
        if (!conn_->catchUp()) {
            setLive(ClientSnapshot{}, true);
            return live_;
        }
        if (!rootStale_ && stale_.empty()) return live_;
    }
    destroyed_.clear();
    ClientSnapshot s;
    bool clientsChanged = true;
    bool changed = true;
    if (whole) {
        // Whatever the events seen so far made stale, this reading has it.
        rootStale_ = false;
        stale_.clear();
        s = fetchSnapshot(*conn_, watchFirst);
    } else {
        clientsChanged = std::exchange(rootStale_, false);
        const auto stale = std::exchange(stale_, {});
        // Copy on write: views handed out before stay as they were. On failure `s` is not
        // ok, and the next view is a whole reading.
        s = live_->snapshot;
        changed =
            refreshSnapshot(*conn_, s, clientsChanged, stale, watchFirst) != Refresh::unchanged;
    }
    // A window destroyed while the reading was under way may have been replaced by a new
    // one with its X id, and what was read may be either: it is left out until it is read
    // again (its destruction marked it stale).
    conn_->keepQueued();
    for (xcb_window_t w : destroyed_)
        changed = s.windows.erase(w) > 0 || changed;
    destroyed_.clear();
    if (changed) setLive(std::move(s), clientsChanged);
    return live_;
}

void X11WindowSystem::setLive(ClientSnapshot s, bool clientsChanged) {
    const bool ok = s.ok;
    if (ok && clientsChanged) {
        const std::unordered_set<xcb_window_t> listed(s.clients.begin(), s.clients.end());
        const auto gone = [&](xcb_window_t w) { return listed.count(w) == 0; };
        // A window that is no client any more (withdrawn, or unmanaged on the way out) stops
        // sending us its changes; if it comes back, it is watched anew, with a new id.
        const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
        for (xcb_window_t w : watched_)
            if (gone(w)) xcb_change_window_attributes(conn_->get(), w, XCB_CW_EVENT_MASK, &none);
        std::erase_if(watched_, gone);
        std::erase_if(icons_, [&](const auto& kv) { return gone(kv.first); });
        ids_.keepOnly([&](WindowIds::Handle h) { return !gone(static_cast<xcb_window_t>(h)); });
    }
    live_ = std::make_shared<const View>(std::move(s), entries_, ids_, owners_);
    if (!ok) return;
    for (const AppRecord& rec : live_->apps.apps())
        processes_[rec.pid] =
            Process{AppInfo{rec.pid, rec.identity.appId, rec.identity.name}, rec.process};
}

void X11WindowSystem::refetchAll() {
    live_.reset();
}

void X11WindowSystem::beginBatch() {
    if (batchDepth_++ == 0) batchView_ = freshView();
}

void X11WindowSystem::endBatch() {
    if (batchDepth_ > 0 && --batchDepth_ == 0) batchView_.reset();
}

const ClientWindow* X11WindowSystem::client(const View& v, WindowID id) const {
    const auto handle = ids_.handleOf(id);
    return handle ? v.snapshot.find(static_cast<xcb_window_t>(*handle)) : nullptr;
}

// --- Reading ------------------------------------------------------------------------------

std::vector<WindowInfo> X11WindowSystem::windows() {
    return view()->windows;
}

std::optional<WindowInfo> X11WindowSystem::activeWindow() {
    const auto v = view();
    if (!v->active) return std::nullopt;
    return v->windows[*v->active];
}

std::vector<AppInfo> X11WindowSystem::runningApplications() {
    const auto v = view();
    if (!v->snapshot.ok) return {};
    std::vector<AppInfo> out;
    for (auto it = processes_.begin(); it != processes_.end();) {
        const Process& p = it->second;
        // Only a process of this machine runs on without windows; of any other application
        // the windows are all we know.
        const bool runs = v->apps.find(it->first) || (p.process && processRuns(it->first));
        if (runs) {
            out.push_back(p.app);
            ++it;
        } else {
            it = processes_.erase(it);
        }
    }
    return out;
}

ImageRef X11WindowSystem::icon(Pid pid) {
    const auto v = view();
    const AppRecord* rec = v->apps.find(pid);
    if (!rec) return nullptr;
    // The desktop entry's icon first: openbox puts its own generic _NET_WM_ICON on every
    // client that gives no icon (xterm, for one), which would always hide it.
    if (const std::string& name = rec->identity.icon; !name.empty() && iconLoader_) {
        auto [it, added] = themed_.try_emplace(name);
        if (added) it->second = iconLoader_(name, iconSize);
        if (it->second) return it->second;
    }
    // Shown windows first, front to back: a minimised helper window should not speak for
    // the application.
    for (const bool shown : {true, false}) {
        for (std::size_t i = 0; i < v->windows.size(); ++i) {
            const WindowInfo& w = v->windows[i];
            if (w.app.pid != pid || w.minimized == shown) continue;
            const xcb_window_t x = v->handles[i];
            auto it = icons_.find(x);
            if (it == icons_.end()) {
                // Icons are large (a 256-px image is 256 KiB): fetched on demand, then cached
                // until the window changes its _NET_WM_ICON or WM_HINTS.
                // At most 4 MiB: a 1024-px icon, or a few smaller ones.
                auto cookie = xcb_get_property(conn_->get(), 0, x, conn_->ewmh()._NET_WM_ICON,
                                               XCB_ATOM_CARDINAL, 0, 1u << 20);
                auto r = conn_->reply(xcb_get_property_reply, cookie);
                ImageRef image = bestIcon(prop::cardinals(r.get()), iconSize);
                if (!image) image = wmHintsIcon(*conn_, x);
                it = icons_.emplace(x, std::move(image)).first;
            }
            if (it->second) return it->second;
        }
    }
    return nullptr;
}

// --- Acting --------------------------------------------------------------------------------

xcb_timestamp_t X11WindowSystem::timestamp() {
    return conn_->serverTime(timestampTimeoutMs).value_or(XCB_CURRENT_TIME);
}

void X11WindowSystem::focus(WindowID id) {
    // The last reading, without catching up first: the window was chosen from one, and the
    // request should not wait for a round trip. A window it does not know yet gets one.
    auto v = batchView_ ? batchView_ : live_ && live_->snapshot.ok ? live_ : freshView();
    const ClientWindow* w = client(*v, id);
    if (!w && v != batchView_) {
        v = freshView();
        w = client(*v, id);
    }
    if (!w) return;
    const ClientSnapshot& s = v->snapshot;
    const xcb_timestamp_t ts = timestamp();
    const auto& e = conn_->ewmh();
    // Workaround: openbox only marks a window on another desktop as demanding attention
    // when asked to activate it; switch to its desktop first.
    if (w->desktop && *w->desktop != allDesktops && *w->desktop != s.currentDesktop &&
        *w->desktop < s.desktopCount)
        conn_->sendRootMessage(conn_->root(), e._NET_CURRENT_DESKTOP, {*w->desktop, ts, 0, 0, 0});
    conn_->sendRootMessage(w->id, e._NET_ACTIVE_WINDOW, {sourcePager, ts, s.active, 0, 0});
}

void X11WindowSystem::raise(WindowID id) {
    const auto v = view();
    if (const ClientWindow* w = client(*v, id))
        conn_->sendRootMessage(w->id, conn_->ewmh()._NET_RESTACK_WINDOW,
                               {sourcePager, XCB_NONE, XCB_STACK_MODE_ABOVE, 0, 0});
}

void X11WindowSystem::requestClose(xcb_window_t window, xcb_timestamp_t time) {
    conn_->sendRootMessage(window, conn_->ewmh()._NET_CLOSE_WINDOW, {time, sourcePager, 0, 0, 0});
}

void X11WindowSystem::close(WindowID id) {
    const auto v = view();
    // What the close button does: for a client without WM_DELETE_WINDOW the window manager
    // ends the client (openbox kills its connection).
    if (const ClientWindow* w = client(*v, id)) requestClose(w->id, timestamp());
}

void X11WindowSystem::quit(Pid pid) {
    const auto v = view();
    const AppRecord* rec = v->apps.find(pid);
    if (!rec) return;
    const xcb_timestamp_t ts = timestamp();
    for (xcb_window_t x : rec->windows)
        if (const ClientWindow* w = v->snapshot.find(x); w && w->deletable) requestClose(x, ts);
}

void X11WindowSystem::setChangeHandler(std::function<void(WindowChange, WindowID)> handler) {
    handler_ = std::move(handler);
}

} // namespace morvelan
