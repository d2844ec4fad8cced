// ClientSnapshot: every managed client window's properties, fetched in one batch of requests.
#include "x11/ClientSnapshot.h"

#include "x11/X11Text.h"

#include <algorithm>
#include <limits>

namespace morvelan {

WindowKind classifyWindow(const std::vector<WindowType>& types, bool transient) {
    for (WindowType t : types) {
        switch (t) {
        case WindowType::normal:
            return WindowKind::normal;
        case WindowType::dialog:
            return WindowKind::dialog;
        case WindowType::splash:
            return WindowKind::splash;
        case WindowType::dock:
            return WindowKind::dock;
        case WindowType::desktop:
            return WindowKind::desktop;
        case WindowType::utility:
        case WindowType::toolbar:
        case WindowType::menu:
        case WindowType::dropdownMenu:
        case WindowType::popupMenu:
        case WindowType::tooltip:
        case WindowType::notification:
        case WindowType::combo:
        case WindowType::dnd:
            return WindowKind::utility;
        case WindowType::unknown:
            break;
        }
    }
    return transient ? WindowKind::dialog : WindowKind::normal;
}

namespace {

using PropertyCookie = xcb_get_property_cookie_t;

PropertyCookie getProperty(X11Connection& conn, xcb_window_t w, xcb_atom_t atom,
                           std::uint32_t longs) {
    return xcb_get_property(conn.get(), 0, w, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, longs);
}

// All requests for one window, sent before any reply is read.
struct WindowRequests {
    xcb_window_t id;
    PropertyCookie pid, wmClass, gtkId, kdeFile, machine, type, transient, netName, wmName,
        protocols, desktop, state;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
};

WindowRequests sendWindowRequests(X11Connection& conn, xcb_window_t w) {
    const auto& e = conn.ewmh();
    const auto& a = conn.atoms();
    WindowRequests r{};
    r.id = w;
    r.pid = getProperty(conn, w, e._NET_WM_PID, 1);
    r.wmClass = getProperty(conn, w, XCB_ATOM_WM_CLASS, 128);
    r.gtkId = getProperty(conn, w, a.gtkApplicationId, 128);
    r.kdeFile = getProperty(conn, w, a.kdeDesktopFile, 128);
    r.machine = getProperty(conn, w, XCB_ATOM_WM_CLIENT_MACHINE, 64);
    r.type = getProperty(conn, w, e._NET_WM_WINDOW_TYPE, 32);
    r.transient = getProperty(conn, w, XCB_ATOM_WM_TRANSIENT_FOR, 1);
    r.netName = getProperty(conn, w, e._NET_WM_NAME, 1024);
    r.wmName = getProperty(conn, w, XCB_ATOM_WM_NAME, 1024);
    r.protocols = getProperty(conn, w, e.WM_PROTOCOLS, 32);
    r.desktop = getProperty(conn, w, e._NET_WM_DESKTOP, 1);
    r.state = getProperty(conn, w, e._NET_WM_STATE, 32);
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

std::optional<ClientWindow> collectWindow(X11Connection& conn, const WindowRequests& r) {
    auto pid = conn.reply(xcb_get_property_reply, r.pid);
    auto wmClass = conn.reply(xcb_get_property_reply, r.wmClass);
    auto gtkId = conn.reply(xcb_get_property_reply, r.gtkId);
    auto kdeFile = conn.reply(xcb_get_property_reply, r.kdeFile);
    auto machine = conn.reply(xcb_get_property_reply, r.machine);
    auto type = conn.reply(xcb_get_property_reply, r.type);
    auto transient = conn.reply(xcb_get_property_reply, r.transient);
    auto netName = conn.reply(xcb_get_property_reply, r.netName);
    auto wmName = conn.reply(xcb_get_property_reply, r.wmName);
    auto protocols = conn.reply(xcb_get_property_reply, r.protocols);
    auto desktop = conn.reply(xcb_get_property_reply, r.desktop);
    auto state = conn.reply(xcb_get_property_reply, r.state);
    auto geometry = conn.reply(xcb_get_geometry_reply, r.geometry);
    auto origin = conn.reply(xcb_translate_coordinates_reply, r.origin);
    // Every reply above is drained even when the window vanished mid-scan.
    if (!geometry || !origin) return std::nullopt;

    const auto& e = conn.ewmh();
    ClientWindow w;
    w.id = r.id;
    if (auto p = prop::cardinal(pid.get());
        p && *p > 0 && *p <= static_cast<std::uint32_t>(std::numeric_limits<Pid>::max()))
        w.pid = static_cast<Pid>(*p);
    if (auto cls = prop::bytes(wmClass.get())) {
        const std::size_t nul = cls->find('\0');
        w.instance = x11text::validUtf8(x11text::firstItem(*cls));
        if (nul != std::string::npos)
            w.wmClass =
                x11text::validUtf8(x11text::firstItem(std::string_view(*cls).substr(nul + 1)));
    }
    w.gtkApplicationId = nonEmptyText(prop::bytes(gtkId.get()));
    w.kdeDesktopFile = nonEmptyText(prop::bytes(kdeFile.get()));
    w.clientMachine = nonEmptyText(prop::bytes(machine.get()));
    for (std::uint32_t atom : prop::cardinals(type.get()))
        w.types.push_back(typeOf(e, atom));
    if (auto t = prop::cardinal(transient.get()); t && *t != XCB_NONE) w.transient = true;
    w.title = titleOf(conn, netName.get(), wmName.get());
    for (std::uint32_t atom : prop::cardinals(protocols.get()))
        w.deletable = w.deletable || atom == conn.atoms().wmDeleteWindow;
    w.desktop = prop::cardinal(desktop.get());
    for (std::uint32_t atom : prop::cardinals(state.get())) {
        w.hidden = w.hidden || atom == e._NET_WM_STATE_HIDDEN;
        w.fullScreen = w.fullScreen || atom == e._NET_WM_STATE_FULLSCREEN;
        w.skipTaskbar = w.skipTaskbar || atom == e._NET_WM_STATE_SKIP_TASKBAR;
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
    s.desktopCount = std::max<std::uint32_t>(1, prop::cardinal(count.get()).value_or(1));
    return s;
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

std::optional<ClientWindow> fetchWindow(X11Connection& conn, xcb_window_t id) {
    X11Connection::Batch batch(conn);
    return collectWindow(conn, sendWindowRequests(conn, id));
}

} // namespace morvelan
