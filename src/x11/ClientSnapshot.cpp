// ClientSnapshot: every managed client window's properties, fetched in one batch of requests.
#include "x11/ClientSnapshot.h"

#include "x11/X11Text.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

namespace morvelan {

ClientKind classifyWindow(const std::vector<WindowType>& types, bool transient) {
    for (WindowType t : types) {
        switch (t) {
        case WindowType::normal:
            return ClientKind::normal;
        case WindowType::dialog:
            return ClientKind::dialog;
        case WindowType::splash:
            return ClientKind::splash;
        case WindowType::dock:
            return ClientKind::dock;
        case WindowType::desktop:
            return ClientKind::desktop;
        case WindowType::utility:
        case WindowType::toolbar:
        case WindowType::menu:
        case WindowType::dropdownMenu:
        case WindowType::popupMenu:
        case WindowType::tooltip:
        case WindowType::notification:
        case WindowType::combo:
        case WindowType::dnd:
            return ClientKind::utility;
        case WindowType::unknown:
            break;
        }
    }
    return transient ? ClientKind::dialog : ClientKind::normal;
}

namespace {

using PropertyCookie = xcb_get_property_cookie_t;

PropertyCookie getProperty(X11Connection& conn, xcb_window_t w, xcb_atom_t atom,
                           std::uint32_t longs) {
    return xcb_get_property(conn.get(), 0, w, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, longs);
}

// The requests for the parts of one window that are read, sent before any reply is read.
// The geometry is always asked: its error reply is how a vanished window shows.
struct WindowRequests {
    xcb_window_t id;
    WindowParts parts;
    PropertyCookie pid, wmClass, gtkId, kdeFile, machine, leader, type, transient, netName, wmName,
        protocols, desktop, state;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
};

WindowRequests sendWindowRequests(X11Connection& conn, xcb_window_t w,
                                  WindowParts parts = part::all) {
    const auto& e = conn.ewmh();
    const auto& a = conn.atoms();
    WindowRequests r{};
    r.id = w;
    r.parts = parts | part::geometry;
    const auto wanted = [&](WindowParts p) { return (r.parts & p) != 0; };
    if (wanted(part::pid)) r.pid = getProperty(conn, w, e._NET_WM_PID, 1);
    if (wanted(part::wmClass)) r.wmClass = getProperty(conn, w, XCB_ATOM_WM_CLASS, 128);
    if (wanted(part::gtkApplicationId)) r.gtkId = getProperty(conn, w, a.gtkApplicationId, 128);
    if (wanted(part::kdeDesktopFile)) r.kdeFile = getProperty(conn, w, a.kdeDesktopFile, 128);
    if (wanted(part::clientMachine))
        r.machine = getProperty(conn, w, XCB_ATOM_WM_CLIENT_MACHINE, 64);
    if (wanted(part::leader)) r.leader = getProperty(conn, w, conn.atoms().wmClientLeader, 1);
    if (wanted(part::types)) r.type = getProperty(conn, w, e._NET_WM_WINDOW_TYPE, 32);
    if (wanted(part::transient)) r.transient = getProperty(conn, w, XCB_ATOM_WM_TRANSIENT_FOR, 1);
    if (wanted(part::title)) {
        r.netName = getProperty(conn, w, e._NET_WM_NAME, 1024);
        r.wmName = getProperty(conn, w, XCB_ATOM_WM_NAME, 1024);
    }
    if (wanted(part::protocols)) r.protocols = getProperty(conn, w, e.WM_PROTOCOLS, 32);
    if (wanted(part::desktop)) r.desktop = getProperty(conn, w, e._NET_WM_DESKTOP, 1);
    if (wanted(part::state)) r.state = getProperty(conn, w, e._NET_WM_STATE, 32);
    r.geometry = xcb_get_geometry(conn.get(), w);
    r.origin = xcb_translate_coordinates(conn.get(), w, conn.root(), 0, 0);
    return r;
}

WindowType typeOf(const xcb_ewmh_connection_t& e, xcb_atom_t atom) {
    const std::pair<xcb_atom_t, WindowType> table[] = {
        {e._NET_WM_WINDOW_TYPE_NORMAL, WindowType::normal},
        {e._NET_WM_WINDOW_TYPE_DIALOG, WindowType::dialog},
        {e._NET_WM_WINDOW_TYPE_UTILITY, WindowType::utility},
        {e._NET_WM_WINDOW_TYPE_TOOLBAR, WindowType::toolbar},
        {e._NET_WM_WINDOW_TYPE_MENU, WindowType::menu},
        {e._NET_WM_WINDOW_TYPE_SPLASH, WindowType::splash},
        {e._NET_WM_WINDOW_TYPE_DOCK, WindowType::dock},
        {e._NET_WM_WINDOW_TYPE_DESKTOP, WindowType::desktop},
        {e._NET_WM_WINDOW_TYPE_DROPDOWN_MENU, WindowType::dropdownMenu},
        {e._NET_WM_WINDOW_TYPE_POPUP_MENU, WindowType::popupMenu},
        {e._NET_WM_WINDOW_TYPE_TOOLTIP, WindowType::tooltip},
        {e._NET_WM_WINDOW_TYPE_NOTIFICATION, WindowType::notification},
        {e._NET_WM_WINDOW_TYPE_COMBO, WindowType::combo},
        {e._NET_WM_WINDOW_TYPE_DND, WindowType::dnd},
    };
    for (const auto& [a, t] : table)
        if (a == atom) return t;
    return WindowType::unknown;
}

std::optional<std::string> nonEmptyText(std::optional<std::string> bytes) {
    if (!bytes) return std::nullopt;
    std::string text = x11text::validUtf8(x11text::firstItem(*bytes));
    if (text.empty()) return std::nullopt;
    return text;
}

// A window title as valid UTF-8: _NET_WM_NAME when set, else WM_NAME in its own encoding.
std::optional<std::string> titleOf(X11Connection& conn, const xcb_get_property_reply_t* netName,
                                   const xcb_get_property_reply_t* wmName) {
    if (auto bytes = prop::bytes(netName)) {
        if (auto text = x11text::validUtf8(x11text::firstItem(*bytes)); !text.empty()) return text;
    }
    auto bytes = prop::bytes(wmName);
    if (!bytes) return std::nullopt;
    const std::string_view raw = x11text::firstItem(*bytes);
    if (wmName->type == XCB_ATOM_STRING) return x11text::latin1ToUtf8(raw);
    if (wmName->type == conn.atoms().compoundText) return x11text::compoundTextToUtf8(raw);
    return x11text::validUtf8(raw);
}

// The window read whole, or `base` with the parts asked read again; absent when it vanished.
std::optional<ClientWindow> collectWindow(X11Connection& conn, const WindowRequests& r,
                                          ClientWindow base = {}) {
    const auto wanted = [&](WindowParts p) { return (r.parts & p) != 0; };
    const auto property = [&](WindowParts p, PropertyCookie cookie) {
        return wanted(p) ? conn.reply(xcb_get_property_reply, cookie)
                         : XcbPtr<xcb_get_property_reply_t>();
    };
    auto pid = property(part::pid, r.pid);
    auto wmClass = property(part::wmClass, r.wmClass);
    auto gtkId = property(part::gtkApplicationId, r.gtkId);
    auto kdeFile = property(part::kdeDesktopFile, r.kdeFile);
    auto machine = property(part::clientMachine, r.machine);
    auto leader = property(part::leader, r.leader);
    auto type = property(part::types, r.type);
    auto transient = property(part::transient, r.transient);
    auto netName = property(part::title, r.netName);
    auto wmName = property(part::title, r.wmName);
    auto protocols = property(part::protocols, r.protocols);
    auto desktop = property(part::desktop, r.desktop);
    auto state = property(part::state, r.state);
    auto geometry = conn.reply(xcb_get_geometry_reply, r.geometry);
    auto origin = conn.reply(xcb_translate_coordinates_reply, r.origin);
    // Every reply above is drained even when the window vanished mid-scan.
    if (!geometry || !origin) return std::nullopt;

    const auto& e = conn.ewmh();
    ClientWindow w = std::move(base);
    w.id = r.id;
    if (wanted(part::pid)) {
        w.pid.reset();
        if (auto p = prop::cardinal(pid.get());
            p && *p > 0 && *p <= static_cast<std::uint32_t>(std::numeric_limits<Pid>::max()))
            w.pid = static_cast<Pid>(*p);
    }
    if (wanted(part::wmClass)) {
        w.instance.clear();
        w.wmClass.clear();
        if (auto cls = prop::bytes(wmClass.get())) {
            const std::size_t nul = cls->find('\0');
            w.instance = x11text::validUtf8(x11text::firstItem(*cls));
            if (nul != std::string::npos)
                w.wmClass =
                    x11text::validUtf8(x11text::firstItem(std::string_view(*cls).substr(nul + 1)));
        }
    }
    if (wanted(part::gtkApplicationId)) w.gtkApplicationId = nonEmptyText(prop::bytes(gtkId.get()));
    if (wanted(part::kdeDesktopFile)) w.kdeDesktopFile = nonEmptyText(prop::bytes(kdeFile.get()));
    if (wanted(part::clientMachine)) w.clientMachine = nonEmptyText(prop::bytes(machine.get()));
    if (wanted(part::leader)) w.leader = prop::cardinal(leader.get()).value_or(XCB_NONE);
    if (wanted(part::types)) {
        w.types.clear();
        for (std::uint32_t atom : prop::cardinals(type.get()))
            w.types.push_back(typeOf(e, atom));
    }
    if (wanted(part::transient)) {
        const auto t = prop::cardinal(transient.get());
        w.transient = t && *t != XCB_NONE;
    }
    if (wanted(part::title)) w.title = titleOf(conn, netName.get(), wmName.get());
    if (wanted(part::protocols)) {
        w.deletable = false;
        for (std::uint32_t atom : prop::cardinals(protocols.get()))
            w.deletable = w.deletable || atom == conn.atoms().wmDeleteWindow;
    }
    if (wanted(part::desktop)) {
        w.desktop = prop::cardinal(desktop.get());
        if (w.desktop && *w.desktop >= maxDesktops) w.desktop = allDesktops;
    }
    if (wanted(part::state)) {
        w.hidden = w.fullScreen = w.skipTaskbar = false;
        for (std::uint32_t atom : prop::cardinals(state.get())) {
            w.hidden = w.hidden || atom == e._NET_WM_STATE_HIDDEN;
            w.fullScreen = w.fullScreen || atom == e._NET_WM_STATE_FULLSCREEN;
            w.skipTaskbar = w.skipTaskbar || atom == e._NET_WM_STATE_SKIP_TASKBAR;
        }
    }
    w.geometry = Rect{static_cast<double>(origin->dst_x), static_cast<double>(origin->dst_y),
                      static_cast<double>(geometry->width), static_cast<double>(geometry->height)};
    return w;
}

struct RootRequests {
    PropertyCookie clients, stacking, active, current, count;
};

RootRequests sendRootRequests(X11Connection& conn) {
    const auto& e = conn.ewmh();
    const xcb_window_t root = conn.root();
    constexpr std::uint32_t maxWindows = 1u << 16;
    return RootRequests{
        getProperty(conn, root, e._NET_CLIENT_LIST, maxWindows),
        getProperty(conn, root, e._NET_CLIENT_LIST_STACKING, maxWindows),
        getProperty(conn, root, e._NET_ACTIVE_WINDOW, 1),
        getProperty(conn, root, e._NET_CURRENT_DESKTOP, 1),
        getProperty(conn, root, e._NET_NUMBER_OF_DESKTOPS, 1),
    };
}

ClientSnapshot collectRoot(X11Connection& conn, const RootRequests& r) {
    auto clients = conn.reply(xcb_get_property_reply, r.clients);
    auto stacking = conn.reply(xcb_get_property_reply, r.stacking);
    auto active = conn.reply(xcb_get_property_reply, r.active);
    auto current = conn.reply(xcb_get_property_reply, r.current);
    auto count = conn.reply(xcb_get_property_reply, r.count);
    ClientSnapshot s;
    s.ok = clients != nullptr;
    for (std::uint32_t w : prop::cardinals(clients.get()))
        s.clients.push_back(w);
    for (std::uint32_t w : prop::cardinals(stacking.get()))
        s.stacking.push_back(w);
    // Workaround: openbox keeps naming a destroyed window as active after the last
    // client went away, so only a listed client counts.
    if (auto a = prop::cardinal(active.get());
        a && std::find(s.clients.begin(), s.clients.end(), *a) != s.clients.end())
        s.active = *a;
    s.currentDesktop = prop::cardinal(current.get()).value_or(0);
    s.desktopCount =
        std::clamp<std::uint32_t>(prop::cardinal(count.get()).value_or(1), 1, maxDesktops);
    if (s.currentDesktop >= maxDesktops) s.currentDesktop = 0;
    return s;
}

bool sameWindow(const ClientWindow& a, const ClientWindow& b) {
    const auto sameRect = [](const std::optional<Rect>& x, const std::optional<Rect>& y) {
        if (!x || !y) return !x && !y;
        return x->x == y->x && x->y == y->y && x->width == y->width && x->height == y->height;
    };
    return a.id == b.id && a.pid == b.pid && a.instance == b.instance && a.wmClass == b.wmClass &&
           a.gtkApplicationId == b.gtkApplicationId && a.kdeDesktopFile == b.kdeDesktopFile &&
           a.clientMachine == b.clientMachine && a.leader == b.leader && a.types == b.types &&
           a.transient == b.transient && a.title == b.title && a.deletable == b.deletable &&
           a.desktop == b.desktop && a.hidden == b.hidden && a.fullScreen == b.fullScreen &&
           a.skipTaskbar == b.skipTaskbar && sameRect(a.geometry, b.geometry);
}

} // namespace

ClientSnapshot fetchRoot(X11Connection& conn) {
    X11Connection::Batch batch(conn);
    return collectRoot(conn, sendRootRequests(conn));
}

ClientSnapshot
fetchSnapshot(X11Connection& conn,
              const std::function<void(const std::vector<xcb_window_t>&)>& beforeWindows) {
    ClientSnapshot s = fetchRoot(conn);
    if (!s.ok) return s;
    if (beforeWindows) beforeWindows(s.clients);
    X11Connection::Batch batch(conn);
    std::vector<WindowRequests> requests;
    requests.reserve(s.clients.size());
    for (xcb_window_t w : s.clients)
        requests.push_back(sendWindowRequests(conn, w));
    s.windows.reserve(requests.size());
    for (const auto& r : requests)
        if (auto w = collectWindow(conn, r)) s.windows.emplace(r.id, std::move(*w));
    return s;
}

WindowParts partOf(const X11Connection& conn, xcb_atom_t atom) {
    const auto& e = conn.ewmh();
    const auto& a = conn.atoms();
    const std::pair<xcb_atom_t, WindowParts> table[] = {
        {e._NET_WM_PID, part::pid},
        {XCB_ATOM_WM_CLASS, part::wmClass},
        {a.gtkApplicationId, part::gtkApplicationId},
        {a.kdeDesktopFile, part::kdeDesktopFile},
        {XCB_ATOM_WM_CLIENT_MACHINE, part::clientMachine},
        {a.wmClientLeader, part::leader},
        {e._NET_WM_WINDOW_TYPE, part::types},
        {XCB_ATOM_WM_TRANSIENT_FOR, part::transient},
        {e._NET_WM_NAME, part::title},
        {XCB_ATOM_WM_NAME, part::title},
        {e.WM_PROTOCOLS, part::protocols},
        {e._NET_WM_DESKTOP, part::desktop},
        {e._NET_WM_STATE, part::state},
    };
    for (const auto& [known, p] : table)
        if (known == atom && atom != XCB_NONE) return p;
    return 0;
}

bool rootReads(const X11Connection& conn, xcb_atom_t atom) {
    const auto& e = conn.ewmh();
    return atom == e._NET_CLIENT_LIST || atom == e._NET_CLIENT_LIST_STACKING ||
           atom == e._NET_ACTIVE_WINDOW || atom == e._NET_CURRENT_DESKTOP ||
           atom == e._NET_NUMBER_OF_DESKTOPS;
}

Refresh
refreshSnapshot(X11Connection& conn, ClientSnapshot& s, bool rootStale,
                const std::unordered_map<xcb_window_t, WindowParts>& stale,
                const std::function<void(const std::vector<xcb_window_t>&)>& beforeWindows) {
    if (!s.ok) return Refresh::failed;
    if (!rootStale && stale.empty()) return Refresh::unchanged;
    bool changed = false;
    if (rootStale) {
        ClientSnapshot root = fetchRoot(conn);
        if (!root.ok) {
            s = ClientSnapshot{};
            return Refresh::failed;
        }
        changed = root.clients != s.clients || root.stacking != s.stacking ||
                  root.active != s.active || root.currentDesktop != s.currentDesktop ||
                  root.desktopCount != s.desktopCount;
        root.windows = std::move(s.windows);
        s = std::move(root);
        const std::unordered_set<xcb_window_t> listed(s.clients.begin(), s.clients.end());
        changed = std::erase_if(s.windows,
                                [&](const auto& kv) { return listed.count(kv.first) == 0; }) > 0 ||
                  changed;
    }
    if (beforeWindows) beforeWindows(s.clients);

    // Listed windows not read yet (new ones, or ones that vanished and are read again as a
    // whole fetch would) are read whole; the others only for their stale parts.
    X11Connection::Batch batch(conn);
    std::vector<WindowRequests> requests;
    std::unordered_set<xcb_window_t> asked;
    for (xcb_window_t id : s.clients) {
        if (!asked.insert(id).second) continue;
        if (!s.windows.count(id)) {
            requests.push_back(sendWindowRequests(conn, id));
        } else if (auto it = stale.find(id); it != stale.end() && it->second != 0) {
            requests.push_back(sendWindowRequests(conn, id, it->second));
        }
    }
    for (const auto& r : requests) {
        auto it = s.windows.find(r.id);
        if (it == s.windows.end()) {
            if (auto w = collectWindow(conn, r)) {
                s.windows.emplace(r.id, std::move(*w));
                changed = true;
            }
        } else if (auto w = collectWindow(conn, r, it->second); !w) {
            s.windows.erase(it);
            changed = true;
        } else if (!sameWindow(*w, it->second)) {
            it->second = std::move(*w);
            changed = true;
        }
    }
    return changed ? Refresh::changed : Refresh::unchanged;
}

std::optional<ClientWindow> fetchWindow(X11Connection& conn, xcb_window_t id) {
    X11Connection::Batch batch(conn);
    return collectWindow(conn, sendWindowRequests(conn, id));
}

} // namespace morvelan
