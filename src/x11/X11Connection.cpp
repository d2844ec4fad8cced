// X11Connection: one xcb connection with its EWMH atoms, reply helpers and a round-trip count.
#include "x11/X11Connection.h"

#include <poll.h>

#include <chrono>
#include <cstring>

namespace morvelan {

std::unique_ptr<X11Connection> X11Connection::open(const char* display) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(display, &screenNumber);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return nullptr;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i)
        xcb_screen_next(&it);
    if (it.rem == 0) {
        xcb_disconnect(c);
        return nullptr;
    }
    std::unique_ptr<X11Connection> conn(new X11Connection(c, it.data));
    if (!conn->initAtoms()) return nullptr;
    return conn;
}

X11Connection::X11Connection(xcb_connection_t* c, xcb_screen_t* screen) : c_(c), screen_(screen) {}

X11Connection::~X11Connection() {
    if (ewmhReady_) xcb_ewmh_connection_wipe(&ewmh_);
    xcb_disconnect(c_);
}

bool X11Connection::initAtoms() {
    Batch batch(*this);
    xcb_intern_atom_cookie_t* ewmhCookies = xcb_ewmh_init_atoms(c_, &ewmh_);
    static constexpr const char* names[] = {
        "WM_DELETE_WINDOW",    "WM_CHANGE_STATE",          "WM_STATE",      "WM_CLIENT_LEADER",
        "_GTK_APPLICATION_ID", "_KDE_NET_WM_DESKTOP_FILE", "COMPOUND_TEXT", "_MORVELAN_TIMESTAMP",
    };
    xcb_atom_t* targets[] = {
        &atoms_.wmDeleteWindow, &atoms_.wmChangeState,    &atoms_.wmState,
        &atoms_.wmClientLeader, &atoms_.gtkApplicationId, &atoms_.kdeDesktopFile,
        &atoms_.compoundText,   &atoms_.timestampProbe,
    };
    static_assert(std::size(names) == std::size(targets));
    std::vector<xcb_intern_atom_cookie_t> cookies;
    for (const char* name : names)
        cookies.push_back(
            xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name));

    noteWait();
    ewmhReady_ = xcb_ewmh_init_atoms_replies(&ewmh_, ewmhCookies, nullptr) != 0;
    bool ok = ewmhReady_;
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        auto r = reply(xcb_intern_atom_reply, cookies[i]);
        if (r)
            *targets[i] = r->atom;
        else
            ok = false;
    }
    return ok;
}

void X11Connection::noteWait() {
    if (batchDepth_ == 0) {
        ++roundTrips_;
    } else if (!batchCounted_) {
        ++roundTrips_;
        batchCounted_ = true;
    }
}

bool X11Connection::check(xcb_void_cookie_t cookie) {
    noteWait();
    XcbPtr<xcb_generic_error_t> error(xcb_request_check(c_, cookie));
    return !error;
}

void X11Connection::sendRootMessage(xcb_window_t window, xcb_atom_t type,
                                    const std::array<std::uint32_t, 5>& data) {
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = window;
    ev.type = type;
    for (std::size_t i = 0; i < data.size(); ++i)
        ev.data.data32[i] = data[i];
    // xcb_send_event copies exactly 32 bytes from the pointer.
    char buffer[32]{};
    static_assert(sizeof(ev) == sizeof(buffer));
    std::memcpy(buffer, &ev, sizeof(ev));
    xcb_send_event(c_, 0, root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   buffer);
    xcb_flush(c_);
}

std::optional<xcb_timestamp_t> X11Connection::serverTime(int timeoutMs) {
    if (probe_ == XCB_NONE) {
        probe_ = xcb_generate_id(c_);
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, probe_, root(), -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &mask);
    }
    xcb_change_property(c_, XCB_PROP_MODE_APPEND, probe_, atoms_.timestampProbe, XCB_ATOM_STRING, 8,
                        0, nullptr);
    xcb_flush(c_);
    noteWait();

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!hasError()) {
        while (auto* raw = xcb_poll_for_event(c_)) {
            XcbPtr<xcb_generic_event_t> ev(raw);
            if ((ev->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
                auto* pn = reinterpret_cast<xcb_property_notify_event_t*>(ev.get());
                if (pn->window == probe_) return pn->time;
            }
            keep(std::move(ev));
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) break;
        pollfd pfd{fd(), POLLIN, 0};
        ::poll(&pfd, 1, static_cast<int>(left));
    }
    return std::nullopt;
}

void X11Connection::setEventTap(std::function<void(const xcb_generic_event_t&)> tap) {
    tap_ = std::move(tap);
}

void X11Connection::keep(XcbPtr<xcb_generic_event_t> ev) {
    if (tap_) tap_(*ev);
    queued_.push_back(std::move(ev));
}

bool X11Connection::catchUp() {
    // The reply comes after every event sent before it, and xcb sorts those into its event
    // queue while it reads up to the reply.
    if (!reply(xcb_get_input_focus_reply, xcb_get_input_focus(c_))) return false;
    keepQueued();
    return !hasError();
}

void X11Connection::keepQueued() {
    while (auto* raw = xcb_poll_for_queued_event(c_))
        keep(XcbPtr<xcb_generic_event_t>(raw));
}

XcbPtr<xcb_generic_event_t> X11Connection::nextEvent() {
    if (!queued_.empty()) {
        auto ev = std::move(queued_.front());
        queued_.pop_front();
        return ev;
    }
    XcbPtr<xcb_generic_event_t> ev(xcb_poll_for_event(c_));
    if (ev && tap_) tap_(*ev);
    return ev;
}

namespace prop {

std::optional<std::uint32_t> cardinal(const xcb_get_property_reply_t* r) {
    auto values = cardinals(r);
    if (values.empty()) return std::nullopt;
    return values.front();
}

std::vector<std::uint32_t> cardinals(const xcb_get_property_reply_t* r) {
    if (!r || r->format != 32 || r->type == XCB_NONE) return {};
    auto* reply = const_cast<xcb_get_property_reply_t*>(r);
    const int length = xcb_get_property_value_length(reply);
    const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
    return std::vector<std::uint32_t>(data, data + length / 4);
}

std::optional<std::string> bytes(const xcb_get_property_reply_t* r) {
    if (!r || r->format != 8 || r->type == XCB_NONE) return std::nullopt;
    auto* reply = const_cast<xcb_get_property_reply_t*>(r);
    const int length = xcb_get_property_value_length(reply);
    const auto* data = static_cast<const char*>(xcb_get_property_value(reply));
    return std::string(data, data + length);
}

} // namespace prop

} // namespace morvelan
