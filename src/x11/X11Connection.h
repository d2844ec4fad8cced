// X11Connection: one xcb connection with its EWMH atoms, reply helpers and a round-trip count.
#pragma once

#include "x11/XcbPtr.h"

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace morvelan {

// Atoms beyond the EWMH set that the host needs.
struct ExtraAtoms {
    xcb_atom_t wmDeleteWindow = XCB_NONE;
    xcb_atom_t wmChangeState = XCB_NONE;
    xcb_atom_t wmState = XCB_NONE;
    xcb_atom_t wmClientLeader = XCB_NONE;
    xcb_atom_t gtkApplicationId = XCB_NONE;
    xcb_atom_t kdeDesktopFile = XCB_NONE;
    xcb_atom_t compoundText = XCB_NONE;
    xcb_atom_t timestampProbe = XCB_NONE;
};

class X11Connection {
public:
    // Connects to `display` (null: $DISPLAY) and interns every atom in one round trip.
    // Null when no X server answers.
    static std::unique_ptr<X11Connection> open(const char* display = nullptr);
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* get() const { return c_; }
    xcb_ewmh_connection_t& ewmh() { return ewmh_; }
    const xcb_ewmh_connection_t& ewmh() const { return ewmh_; }
    const ExtraAtoms& atoms() const { return atoms_; }
    xcb_window_t root() const { return screen_->root; }
    const xcb_screen_t& screen() const { return *screen_; }
    int fd() const { return xcb_get_file_descriptor(c_); }
    bool hasError() const { return xcb_connection_has_error(c_) != 0; }

    // Waits for the reply of `cookie` through the xcb `*_reply` function `fn`. An error
    // reply (a vanished window, a bad atom) is freed and reads as null: nothing reaches
    // stderr. Counts one round trip, or one for a whole Batch.
    template <class Fn, class Cookie> auto reply(Fn fn, Cookie cookie) {
        using R = std::remove_pointer_t<decltype(fn(c_, cookie, nullptr))>;
        noteWait();
        xcb_generic_error_t* error = nullptr;
        R* r = fn(c_, cookie, &error);
        std::free(error);
        return XcbPtr<R>(r);
    }

    // Checks a void request made with a *_checked call; true when the server accepted it.
    bool check(xcb_void_cookie_t cookie);

    // While a Batch lives, every reply waited for counts as one round trip in total:
    // the caller sends all requests first and then collects the replies.
    class Batch {
    public:
        explicit Batch(X11Connection& conn) : conn_(conn) {
            if (conn_.batchDepth_++ == 0) conn_.batchCounted_ = false;
        }
        ~Batch() { --conn_.batchDepth_; }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        X11Connection& conn_;
    };

    // Replies waited for since the connection opened (batches count once).
    std::uint64_t roundTrips() const { return roundTrips_; }

    // Sends an EWMH client message to the root window, the way pagers and taskbars do.
    void sendRootMessage(xcb_window_t window, xcb_atom_t type,
                         const std::array<std::uint32_t, 5>& data);

    // A fresh server timestamp, from a zero-length append to a property of a private
    // window. Events that arrive meanwhile are kept for nextEvent(). Absent when the
    // server does not answer within `timeoutMs`.
    std::optional<xcb_timestamp_t> serverTime(int timeoutMs);

    // Sees every event once, oldest first, as it leaves xcb for this connection's own
    // queue or for nextEvent()'s caller: a way to notice changes without handling them.
    void setEventTap(std::function<void(const xcb_generic_event_t&)> tap);
    // One round trip; afterwards every event the server sent before its reply has been shown
    // to the tap and is kept, in order, for nextEvent(). False when the connection failed.
    bool catchUp();
    // Shows the tap the events xcb has already read while waiting for replies and keeps
    // them for nextEvent(): after a reading, every event sent before its last reply has been
    // seen. No round trip.
    void keepQueued();
    // The next event: a kept one first, else one xcb has read or can read without waiting.
    XcbPtr<xcb_generic_event_t> nextEvent();

private:
    X11Connection(xcb_connection_t* c, xcb_screen_t* screen);
    bool initAtoms();
    void noteWait();
    // Moves an event taken from xcb to the kept queue, past the tap.
    void keep(XcbPtr<xcb_generic_event_t> ev);

    xcb_connection_t* c_;
    xcb_screen_t* screen_;
    xcb_ewmh_connection_t ewmh_{};
    bool ewmhReady_ = false;
    ExtraAtoms atoms_;
    xcb_window_t probe_ = XCB_NONE;
    std::deque<XcbPtr<xcb_generic_event_t>> queued_;
    std::function<void(const xcb_generic_event_t&)> tap_;
    std::uint64_t roundTrips_ = 0;
    int batchDepth_ = 0;
    bool batchCounted_ = false;
};

// Reading property replies. Each returns absent (or empty) for a null reply, a
// missing property or a value of another format.
namespace prop {

std::optional<std::uint32_t> cardinal(const xcb_get_property_reply_t* r);
std::vector<std::uint32_t> cardinals(const xcb_get_property_reply_t* r);
// The raw bytes of an 8-bit property, with its type.
std::optional<std::string> bytes(const xcb_get_property_reply_t* r);

} // namespace prop

} // namespace morvelan
