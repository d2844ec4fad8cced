// X11Desktop: the Desktop of an EWMH window manager on X11, over one xcb connection.
#include "x11/X11Desktop.h"

#include "x11/NetWmIcon.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <limits>
#include <unordered_set>
#include <utility>

namespace morvelan {
namespace {

class AppElement final : public ElementHandle {
public:
    explicit AppElement(Pid pid) : pid(pid) {}
    const Pid pid;
};

class WindowElement final : public ElementHandle {
public:
    WindowElement(xcb_window_t id, Pid pid) : id(id), pid(pid) {}
    const xcb_window_t id;
    const Pid pid;
};

class CloseButtonElement final : public ElementHandle {
public:
    explicit CloseButtonElement(xcb_window_t window) : window(window) {}
    const xcb_window_t window;
};

template <class T> const T* as(const Element& el) {
    return dynamic_cast<const T*>(el.get());
}

RunningApp runningApp(const AppRecord& rec) {
    RunningApp app;
    app.pid = rec.pid;
    if (!rec.identity.appId.empty()) app.bundleID = rec.identity.appId;
    if (!rec.identity.name.empty()) app.name = rec.identity.name;
    app.policy = rec.regular ? ActivationPolicy::regular : ActivationPolicy::accessory;
    return app;
}

// EWMH source indication: the request comes from a pager or taskbar acting for the user.
constexpr std::uint32_t sourcePager = 2;

std::string hostName() {
    char buffer[HOST_NAME_MAX + 1] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0) return {};
    return buffer;
}

} // namespace

struct FocusObserverList {
    struct Entry {
        std::uint64_t id;
        Pid pid;
        std::function<void()> changed;
    };
    std::vector<Entry> entries;
    std::uint64_t nextId = 1;

    bool contains(std::uint64_t id) const {
        return std::any_of(entries.begin(), entries.end(),
                           [&](const Entry& e) { return e.id == id; });
    }
};

namespace {

class X11FocusObserver final : public FocusObserver {
public:
    X11FocusObserver(std::weak_ptr<FocusObserverList> list, std::uint64_t id)
        : list_(std::move(list)), id_(id) {}
    ~X11FocusObserver() override {
        if (auto list = list_.lock())
            std::erase_if(list->entries, [&](const auto& e) { return e.id == id_; });
    }

private:
    std::weak_ptr<FocusObserverList> list_;
    std::uint64_t id_;
};

} // namespace

// One consistent reading of the window system: the clients, their applications and the
// front-to-back order.
struct X11Desktop::View {
    View(ClientSnapshot s, const DesktopEntries& entries)
        : snapshot(std::move(s)), apps(snapshot, entries) {
        std::unordered_set<xcb_window_t> placed;
        for (auto it = snapshot.stacking.rbegin(); it != snapshot.stacking.rend(); ++it)
            if (snapshot.find(*it) && placed.insert(*it).second) frontToBack.push_back(*it);
        for (xcb_window_t id : snapshot.clients)
            if (snapshot.find(id) && placed.insert(id).second) frontToBack.push_back(id);
        for (std::size_t i = 0; i < frontToBack.size(); ++i)
            frontIndex.emplace(frontToBack[i], i);
    }

    std::size_t front(xcb_window_t id) const {
        auto it = frontIndex.find(id);
        return it == frontIndex.end() ? std::numeric_limits<std::size_t>::max() : it->second;
    }

    ClientSnapshot snapshot;
    AppIndex apps;
    std::vector<xcb_window_t> frontToBack;
    std::unordered_map<xcb_window_t, std::size_t> frontIndex;
};

std::unique_ptr<X11Desktop> X11Desktop::open(const char* display) {
    auto conn = X11Connection::open(display);
    if (!conn) return nullptr;
    return open(std::move(conn), DesktopEntries::fromEnvironment());
}

std::unique_ptr<X11Desktop> X11Desktop::open(std::unique_ptr<X11Connection> conn,
                                             DesktopEntries entries) {
    if (!conn) return nullptr;
    return std::unique_ptr<X11Desktop>(new X11Desktop(std::move(conn), std::move(entries)));
}

X11Desktop::X11Desktop(std::unique_ptr<X11Connection> conn, DesktopEntries entries)
    : conn_(std::move(conn)), entries_(std::move(entries)),
      observers_(std::make_shared<FocusObserverList>()) {
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(conn_->get(), conn_->root(), XCB_CW_EVENT_MASK, &mask);
    conn_->setEventTap([this](const xcb_generic_event_t& ev) { look(ev); });
    const auto v = freshView();
    if (const ClientWindow* w = v->snapshot.find(v->snapshot.active)) {
        activeStamp_[w->id] = ++activeCounter_;
        lastActivePid_ = w->pid.value_or(0);
    }
}

X11Desktop::~X11Desktop() = default;

// --- Event loop --------------------------------------------------------------------

void X11Desktop::processEvents() {
    if (dispatching_) return;
    dispatching_ = true;
    while (!conn_->hasError()) {
        XcbPtr<xcb_generic_event_t> ev = conn_->nextEvent();
        if (!ev) break;
        dispatch(*ev);
    }
    dispatching_ = false;
    if (conn_->hasError()) lost_ = true;
}

void X11Desktop::dispatch(const xcb_generic_event_t& ev) {
    // Errors (response type 0) are those of unchecked requests on windows that vanished:
    // nothing to do about them. What an event makes stale was marked when it was read.
    if ((ev.response_type & 0x7f) != XCB_PROPERTY_NOTIFY) return;
    const auto& pn = reinterpret_cast<const xcb_property_notify_event_t&>(ev);
    const auto& e = conn_->ewmh();
    if (pn.window == conn_->root()) {
        // A new client is watched at once, so that its title changes reach the observers.
        if (pn.atom == e._NET_CLIENT_LIST)
            freshView();
        else if (pn.atom == e._NET_ACTIVE_WINDOW)
            onActiveWindowChanged();
    } else if (pn.atom == e._NET_WM_NAME || pn.atom == XCB_ATOM_WM_NAME) {
        onTitleChanged(pn.window);
    }
}

void X11Desktop::look(const xcb_generic_event_t& ev) {
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
        else if (pn.atom == conn_->ewmh()._NET_WM_ICON)
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
        // Read again (and found gone) while it is still listed; a window that later gets
        // the same id is watched anew.
        const xcb_window_t window = reinterpret_cast<const xcb_destroy_notify_event_t&>(ev).window;
        mark(window, part::all);
        watched_.erase(window);
        icons_.erase(window);
        break;
    }
    default:
        break;
    }
}

void X11Desktop::watch(const std::vector<xcb_window_t>& clients) {
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    for (xcb_window_t w : clients) {
        if (watched_.emplace(w, Watch{}).second)
            xcb_change_window_attributes(conn_->get(), w, XCB_CW_EVENT_MASK, &mask);
    }
}

std::optional<Pid> X11Desktop::pidOf(xcb_window_t window) {
    auto it = watched_.find(window);
    if (it != watched_.end() && it->second.pidRead) return it->second.pid;
    auto r = conn_->reply(xcb_get_property_reply,
                          xcb_get_property(conn_->get(), 0, window, conn_->ewmh()._NET_WM_PID,
                                           XCB_ATOM_CARDINAL, 0, 1));
    std::optional<Pid> pid;
    if (auto p = prop::cardinal(r.get());
        p && *p > 0 && *p <= static_cast<std::uint32_t>(std::numeric_limits<Pid>::max()))
        pid = static_cast<Pid>(*p);
    if (it != watched_.end()) it->second = Watch{pid, true};
    return pid;
}

void X11Desktop::onActiveWindowChanged() {
    const auto v = freshView();
    const ClientSnapshot& s = v->snapshot;
    Pid pid = 0;
    if (s.active != XCB_NONE) {
        activeStamp_[s.active] = ++activeCounter_;
        if (const ClientWindow* w = s.find(s.active)) pid = w->pid.value_or(0);
    }
    notifyObservers(0);
    if (pid != 0 && pid != lastActivePid_) {
        lastActivePid_ = pid;
        if (activationHandler_) {
            auto handler = activationHandler_;
            handler(application(pid));
        }
    }
}

void X11Desktop::onTitleChanged(xcb_window_t window) {
    // Only clients are watched; other windows' titles are none of our business.
    if (!watched_.count(window)) return;
    if (auto pid = pidOf(window)) notifyObservers(*pid);
}

void X11Desktop::notifyObservers(Pid pid) {
    // A callback may drop or add observers: walk a copy and skip the dropped ones.
    const auto entries = observers_->entries;
    for (const auto& entry : entries)
        if ((pid == 0 || entry.pid == pid) && observers_->contains(entry.id)) entry.changed();
}

// --- Views and elements ----------------------------------------------------------------

std::shared_ptr<const X11Desktop::View> X11Desktop::view() {
    if (batchView_) return batchView_;
    return freshView();
}

std::shared_ptr<const X11Desktop::View> X11Desktop::freshView() {
    const auto watchFirst = [this](const std::vector<xcb_window_t>& clients) { watch(clients); };
    if (!live_ || !live_->snapshot.ok) {
        // Whatever the events seen so far made stale, this reading has it.
        rootStale_ = false;
        stale_.clear();
        setLive(fetchSnapshot(*conn_, watchFirst), true);
        return live_;
    }
    if (!conn_->catchUp()) {
        setLive(ClientSnapshot{}, true);
        return live_;
    }
    if (!rootStale_ && stale_.empty()) return live_;
    const bool rootStale = std::exchange(rootStale_, false);
    const auto stale = std::exchange(stale_, {});
    // Copy on write: views handed out before stay as they were. On failure `s` is not ok,
    // and the next view is a whole reading.
    ClientSnapshot s = live_->snapshot;
    if (refreshSnapshot(*conn_, s, rootStale, stale, watchFirst) != Refresh::unchanged)
        setLive(std::move(s), rootStale);
    return live_;
}

void X11Desktop::setLive(ClientSnapshot s, bool clientsChanged) {
    live_ = std::make_shared<const View>(std::move(s), entries_);
    const ClientSnapshot& snap = live_->snapshot;
    for (const auto& [id, w] : snap.windows)
        if (auto it = watched_.find(id); it != watched_.end()) it->second = Watch{w.pid, true};
    if (!clientsChanged || !snap.ok) return;
    const std::unordered_set<xcb_window_t> listed(snap.clients.begin(), snap.clients.end());
    const auto gone = [&](xcb_window_t w) { return listed.count(w) == 0; };
    // A window that is no client any more (withdrawn, or unmanaged on the way out) stops
    // sending us its changes; if it comes back, it is watched anew.
    const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
    for (const auto& [id, watch] : watched_)
        if (gone(id)) xcb_change_window_attributes(conn_->get(), id, XCB_CW_EVENT_MASK, &none);
    std::erase_if(watched_, [&](const auto& kv) { return gone(kv.first); });
    std::erase_if(icons_, [&](const auto& kv) { return gone(kv.first); });
    std::erase_if(activeStamp_, [&](const auto& kv) { return gone(kv.first); });
    std::erase_if(elements_, [](const auto& kv) { return kv.second.expired(); });
}

std::shared_ptr<const ClientSnapshot> X11Desktop::snapshot() {
    auto v = view();
    return std::shared_ptr<const ClientSnapshot>(v, &v->snapshot);
}

void X11Desktop::refetchAll() {
    live_.reset();
}

void X11Desktop::beginBatch() {
    if (batchDepth_++ == 0) batchView_ = freshView();
}

void X11Desktop::endBatch() {
    if (batchDepth_ > 0 && --batchDepth_ == 0) batchView_.reset();
}

std::shared_ptr<const ClientWindow> X11Desktop::client(const Element& el) {
    const auto* w = as<WindowElement>(el);
    if (!w) return nullptr;
    if (batchView_) {
        const ClientWindow* c = batchView_->snapshot.find(w->id);
        return c ? std::shared_ptr<const ClientWindow>(batchView_, c) : nullptr;
    }
    auto v = freshView();
    if (const ClientWindow* c = v->snapshot.find(w->id))
        return std::shared_ptr<const ClientWindow>(v, c);
    // No listed client (any more): whatever the window itself says.
    auto c = fetchWindow(*conn_, w->id);
    return c ? std::make_shared<const ClientWindow>(std::move(*c)) : nullptr;
}

Element X11Desktop::windowElement(xcb_window_t id, Pid pid) {
    // The same window keeps the same handle while anyone holds it.
    auto& slot = elements_[id];
    if (auto el = slot.lock()) {
        if (const auto* w = as<WindowElement>(el); w && w->pid == pid) return el;
    }
    auto el = std::make_shared<WindowElement>(id, pid);
    slot = el;
    return el;
}

std::vector<const ClientWindow*> X11Desktop::byRecency(const View& v, const AppRecord& app) const {
    std::vector<const ClientWindow*> out;
    for (xcb_window_t id : app.windows)
        if (const ClientWindow* w = v.snapshot.find(id)) out.push_back(w);
    const auto stamp = [&](xcb_window_t id) {
        auto it = activeStamp_.find(id);
        return it == activeStamp_.end() ? std::uint64_t{0} : it->second;
    };
    std::stable_sort(out.begin(), out.end(), [&](const ClientWindow* a, const ClientWindow* b) {
        const auto sa = stamp(a->id), sb = stamp(b->id);
        if (sa != sb) return sa > sb;
        return v.front(a->id) < v.front(b->id);
    });
    return out;
}

// --- Trust ---------------------------------------------------------------------------

bool X11Desktop::isTrusted() {
    return !connectionLost();
}

void X11Desktop::setMessagingTimeout(double seconds) {
    // X requests are answered by the server, not by the applications, so they cannot hang
    // on a busy client; the bound applies to waiting for a server timestamp.
    if (seconds > 0) timeoutMs_ = static_cast<int>(std::min(seconds, 10.0) * 1000);
}

// --- Running applications --------------------------------------------------------------

std::vector<RunningApp> X11Desktop::runningApplications() {
    auto v = view();
    std::vector<RunningApp> out;
    out.reserve(v->apps.apps().size());
    for (const auto& rec : v->apps.apps())
        out.push_back(runningApp(rec));
    return out;
}

std::optional<RunningApp> X11Desktop::application(Pid pid) {
    auto v = view();
    if (const AppRecord* rec = v->apps.find(pid)) return runningApp(*rec);
    return std::nullopt;
}

std::optional<RunningApp> X11Desktop::frontmostApplication() {
    auto v = view();
    const ClientWindow* w = v->snapshot.find(v->snapshot.active);
    if (!w || !w->pid) return std::nullopt;
    if (const AppRecord* rec = v->apps.find(*w->pid)) return runningApp(*rec);
    return std::nullopt;
}

void X11Desktop::activate(Pid pid) {
    auto v = view();
    const AppRecord* rec = v->apps.find(pid);
    if (!rec) return;
    const auto windows = byRecency(*v, *rec);
    if (windows.empty()) return;
    // The most recent window that is not minimised; an application with only minimised
    // windows gets its most recent one back.
    auto it = std::find_if(windows.begin(), windows.end(),
                           [](const ClientWindow* w) { return !w->hidden; });
    focusWindow(v->snapshot, it != windows.end() ? **it : *windows.front());
}

void X11Desktop::focusWindow(const ClientSnapshot& s, const ClientWindow& w) {
    const xcb_timestamp_t ts = timestamp();
    const auto& e = conn_->ewmh();
    // Workaround: openbox only marks a window on another desktop as demanding attention
    // when asked to activate it; switch to its desktop first.
    if (w.desktop && *w.desktop != allDesktops && *w.desktop != s.currentDesktop &&
        *w.desktop < s.desktopCount)
        conn_->sendRootMessage(conn_->root(), e._NET_CURRENT_DESKTOP, {*w.desktop, ts, 0, 0, 0});
    conn_->sendRootMessage(w.id, e._NET_ACTIVE_WINDOW, {sourcePager, ts, s.active, 0, 0});
}

xcb_timestamp_t X11Desktop::timestamp() {
    return conn_->serverTime(timeoutMs_).value_or(XCB_CURRENT_TIME);
}

void X11Desktop::terminate(Pid pid, bool force) {
    auto v = view();
    const AppRecord* rec = v->apps.find(pid);
    if (!rec) return;
    const xcb_timestamp_t ts = timestamp();
    bool local = true;
    const std::string host = hostName();
    for (xcb_window_t id : rec->windows) {
        const ClientWindow* w = v->snapshot.find(id);
        if (!w) continue;
        // Closing a window without WM_DELETE_WINDOW makes the window manager kill the whole
        // client connection: only windows that can be asked are closed.
        if (w->deletable)
            conn_->sendRootMessage(id, conn_->ewmh()._NET_CLOSE_WINDOW, {ts, sourcePager, 0, 0, 0});
        local = local && w->clientMachine && *w->clientMachine == host;
    }
    // A pid only names a process on the machine that owns the window.
    if (force && local && pid != getpid()) ::kill(pid, SIGTERM);
}

ImageRef X11Desktop::icon(Pid pid) {
    auto v = view();
    const AppRecord* rec = v->apps.find(pid);
    if (!rec) return nullptr;
    // Shown windows first: openbox puts its own icon on clients that have none, and a
    // minimised helper window should not speak for the application.
    auto windows = byRecency(*v, *rec);
    std::stable_partition(windows.begin(), windows.end(),
                          [](const ClientWindow* w) { return !w->hidden; });
    for (const ClientWindow* w : windows) {
        auto it = icons_.find(w->id);
        if (it == icons_.end()) {
            // Icons are large (a 256-px image is 256 KiB): fetched on demand, then cached
            // until the window changes its _NET_WM_ICON.
            auto cookie = xcb_get_property(conn_->get(), 0, w->id, conn_->ewmh()._NET_WM_ICON,
                                           XCB_ATOM_CARDINAL, 0, 1u << 22);
            auto r = conn_->reply(xcb_get_property_reply, cookie);
            it = icons_.emplace(w->id, bestIcon(prop::cardinals(r.get()), 64)).first;
        }
        if (it->second) return it->second;
    }
    return nullptr;
}

std::optional<std::string> X11Desktop::iconFile(Pid pid, int size) {
    auto v = view();
    const AppRecord* rec = v->apps.find(pid);
    if (!rec) return std::nullopt;
    return entries_.iconFile(rec->identity.icon, size);
}

void X11Desktop::setActivationHandler(std::function<void(std::optional<RunningApp>)> handler) {
    activationHandler_ = std::move(handler);
}

Pid X11Desktop::ownPid() {
    return static_cast<Pid>(getpid());
}

// --- Elements ---------------------------------------------------------------------------

Element X11Desktop::applicationElement(Pid pid) {
    return std::make_shared<AppElement>(pid);
}

std::optional<std::vector<Element>> X11Desktop::windows(const Element& app) {
    const auto* a = as<AppElement>(app);
    if (!a) return std::nullopt;
    auto v = view();
    const AppRecord* rec = v->apps.find(a->pid);
    if (!rec) return std::nullopt;
    std::vector<xcb_window_t> ids = rec->windows;
    std::stable_sort(ids.begin(), ids.end(),
                     [&](xcb_window_t x, xcb_window_t y) { return v->front(x) < v->front(y); });
    std::vector<Element> out;
    out.reserve(ids.size());
    for (xcb_window_t id : ids)
        out.push_back(windowElement(id, a->pid));
    return out;
}

Element X11Desktop::focusedWindow(const Element& app) {
    const auto* a = as<AppElement>(app);
    if (!a) return nullptr;
    auto v = view();
    const AppRecord* rec = v->apps.find(a->pid);
    if (!rec) return nullptr;
    const auto& ids = rec->windows;
    if (std::find(ids.begin(), ids.end(), v->snapshot.active) != ids.end())
        return windowElement(v->snapshot.active, a->pid);
    const auto windows = byRecency(*v, *rec);
    auto it = std::find_if(windows.begin(), windows.end(),
                           [](const ClientWindow* w) { return !w->hidden; });
    if (it == windows.end()) return nullptr;
    return windowElement((*it)->id, a->pid);
}

std::optional<std::string> X11Desktop::role(const Element& el) {
    if (as<AppElement>(el)) return "AXApplication";
    if (as<CloseButtonElement>(el)) return "AXButton";
    if (client(el)) return "AXWindow";
    return std::nullopt;
}

std::optional<std::string> X11Desktop::subrole(const Element& el) {
    auto w = client(el);
    if (!w) return std::nullopt;
    switch (w->kind()) {
    case ClientKind::normal:
        return w->skipTaskbar ? "AXFloatingWindow" : "AXStandardWindow";
    case ClientKind::dialog:
        return "AXDialog";
    case ClientKind::utility:
        return "AXFloatingWindow";
    case ClientKind::splash:
        return "AXSystemDialog";
    case ClientKind::dock:
    case ClientKind::desktop:
        return "AXUnknown";
    }
    return std::nullopt;
}

std::optional<std::string> X11Desktop::title(const Element& el) {
    if (const auto* a = as<AppElement>(el)) {
        if (auto app = application(a->pid)) return app->name;
        return std::nullopt;
    }
    auto w = client(el);
    return w ? w->title : std::nullopt;
}

std::optional<bool> X11Desktop::minimized(const Element& el) {
    auto w = client(el);
    return w ? std::optional<bool>(w->hidden) : std::nullopt;
}

std::optional<bool> X11Desktop::fullScreen(const Element& el) {
    auto w = client(el);
    return w ? std::optional<bool>(w->fullScreen) : std::nullopt;
}

bool X11Desktop::hasMinimizeButton(const Element& el) {
    auto w = client(el);
    return w && w->kind() == ClientKind::normal;
}

std::optional<Size> X11Desktop::size(const Element& el) {
    auto w = client(el);
    if (!w || !w->geometry) return std::nullopt;
    return Size{w->geometry->width, w->geometry->height};
}

Element X11Desktop::closeButton(const Element& el) {
    auto w = client(el);
    // Without WM_DELETE_WINDOW a close request kills the whole client: no button then.
    if (!w || !w->deletable) return nullptr;
    return std::make_shared<CloseButtonElement>(w->id);
}

std::optional<WindowID> X11Desktop::windowID(const Element& el) {
    if (const auto* w = as<WindowElement>(el)) return w->id;
    return std::nullopt;
}

void X11Desktop::restack(const Element& window) {
    // Raises without moving the focus.
    if (const auto* w = as<WindowElement>(window))
        conn_->sendRootMessage(w->id, conn_->ewmh()._NET_RESTACK_WINDOW,
                               {sourcePager, XCB_NONE, XCB_STACK_MODE_ABOVE, 0, 0});
}

void X11Desktop::setMain(const Element& window) {
    restack(window);
}

void X11Desktop::raise(const Element& window) {
    restack(window);
}

void X11Desktop::setFrontmost(const Element& app) {
    if (const auto* a = as<AppElement>(app)) activate(a->pid);
}

void X11Desktop::press(const Element& button) {
    if (const auto* b = as<CloseButtonElement>(button))
        conn_->sendRootMessage(b->window, conn_->ewmh()._NET_CLOSE_WINDOW,
                               {timestamp(), sourcePager, 0, 0, 0});
}

std::unique_ptr<FocusObserver> X11Desktop::observeFocus(Pid pid, std::function<void()> changed) {
    if (connectionLost() || pid < 1) return nullptr;
    const std::uint64_t id = observers_->nextId++;
    observers_->entries.push_back({id, pid, std::move(changed)});
    return std::make_unique<X11FocusObserver>(observers_, id);
}

// --- Window server ----------------------------------------------------------------------

std::optional<std::vector<WindowInfo>> X11Desktop::windowList(WindowList which,
                                                              WindowID relativeTo) {
    auto v = view();
    const ClientSnapshot& s = v->snapshot;
    if (!s.ok) return std::nullopt;
    const auto info = [&](const ClientWindow& w) {
        WindowInfo i;
        i.number = w.id;
        // Docks sit above everything, like the macOS Dock's layer; clients are layer 0.
        i.layer = w.kind() == ClientKind::dock ? 20 : 0;
        i.ownerPid = w.pid;
        if (const AppRecord* rec = w.pid ? v->apps.find(*w.pid) : nullptr;
            rec && !rec->identity.name.empty())
            i.ownerName = rec->identity.name;
        else if (!w.wmClass.empty())
            i.ownerName = w.wmClass;
        i.name = w.title;
        if (w.geometry)
            i.bounds = WindowInfo::Bounds{w.geometry->x, w.geometry->y, w.geometry->width,
                                          w.geometry->height};
        i.onscreen = w.onDesktop(s.currentDesktop) && !w.hidden;
        return i;
    };
    std::vector<WindowInfo> out;
    if (which == WindowList::including) {
        if (const ClientWindow* w = s.find(relativeTo); w && w->kind() != ClientKind::desktop)
            out.push_back(info(*w));
        return out;
    }
    for (xcb_window_t id : v->frontToBack) {
        const ClientWindow* w = s.find(id);
        if (w->kind() == ClientKind::desktop) continue;
        WindowInfo i = info(*w);
        if (which == WindowList::onScreenOnly && !*i.onscreen) continue;
        out.push_back(std::move(i));
    }
    return out;
}

std::optional<std::vector<DisplaySpaces>> X11Desktop::managedDisplaySpaces() {
    const auto v = view();
    if (!v->snapshot.ok) return std::nullopt;
    const std::uint32_t count = v->snapshot.desktopCount;
    // One display; its spaces are the EWMH desktops, by index.
    DisplaySpaces display;
    display.spaces.emplace();
    for (std::uint32_t d = 0; d < count; ++d)
        display.spaces->push_back(static_cast<std::int64_t>(d));
    return std::vector<DisplaySpaces>{display};
}

std::optional<std::vector<WindowID>>
X11Desktop::windowsInSpaces(const std::vector<std::int64_t>& spaceIDs) {
    auto v = view();
    if (!v->snapshot.ok) return std::nullopt;
    std::vector<WindowID> out;
    for (xcb_window_t id : v->frontToBack) {
        const ClientWindow* w = v->snapshot.find(id);
        if (w->kind() == ClientKind::desktop) continue;
        const bool everywhere = !w->desktop || *w->desktop == allDesktops;
        if (everywhere || std::find(spaceIDs.begin(), spaceIDs.end(),
                                    static_cast<std::int64_t>(*w->desktop)) != spaceIDs.end())
            out.push_back(id);
    }
    return out;
}

std::optional<ProcessSerial> X11Desktop::processForPid(Pid pid) {
    auto v = view();
    if (!v->apps.find(pid)) return std::nullopt;
    return ProcessSerial{static_cast<std::uint64_t>(pid)};
}

void X11Desktop::setFrontProcess(const ProcessSerial& psn, WindowID wid) {
    auto v = view();
    if (const ClientWindow* w = v->snapshot.find(wid)) {
        focusWindow(v->snapshot, *w);
        return;
    }
    if (wid == 0) activate(static_cast<Pid>(psn.value));
}

void X11Desktop::postEventRecord(const ProcessSerial&, const std::array<std::uint8_t, 248>&) {
    // The records only make the chosen window key inside its process on macOS;
    // _NET_ACTIVE_WINDOW in setFrontProcess already names the exact window.
}

// --- Screens and pointer ----------------------------------------------------------------

std::vector<Rect> X11Desktop::screens() {
    // One screen: the root window (multi-monitor layouts would need RandR).
    auto r = conn_->reply(xcb_get_geometry_reply, xcb_get_geometry(conn_->get(), conn_->root()));
    if (!r)
        return {Rect{0, 0, static_cast<double>(conn_->screen().width_in_pixels),
                     static_cast<double>(conn_->screen().height_in_pixels)}};
    return {Rect{0, 0, static_cast<double>(r->width), static_cast<double>(r->height)}};
}

std::optional<Point> X11Desktop::pointer() {
    auto r = conn_->reply(xcb_query_pointer_reply, xcb_query_pointer(conn_->get(), conn_->root()));
    if (!r) return std::nullopt;
    return Point{static_cast<double>(r->root_x), static_cast<double>(r->root_y)};
}

} // namespace morvelan
