// X11KeySource: key grabs on a connection of their own, turned into key events on the
// source's thread.
#include "x11/X11KeySource.h"

#include "x11/KeyCodes.h"
#include "x11/KeyboardMap.h"
#include "x11/XcbPtr.h"
#include "x11/XkbText.h"

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <unordered_set>

namespace morvelan {

namespace {

struct Disconnect {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

// How often bindings another client held are tried again.
constexpr std::chrono::seconds retryInterval{2};
// How often a keyboard another client held is tried, to see whether it was let go.
constexpr std::chrono::seconds heldCheckInterval{1};
// How long an opening waits for another client's keyboard grab to end, and how often it asks.
constexpr std::chrono::milliseconds grabWait{1000};
constexpr std::chrono::milliseconds grabRetryInterval{20};

KeyEvent keyDown(int keyCode, std::uint64_t flags, std::string text) {
    KeyEvent event;
    event.type = KeyEvent::keyDown;
    event.keyCode = keyCode;
    event.flags = flags;
    event.text = std::move(text);
    return event;
}

KeyEvent flagsChanged(int keyCode, std::uint64_t flags) {
    KeyEvent event;
    event.type = KeyEvent::flagsChanged;
    event.keyCode = keyCode;
    event.flags = flags;
    return event;
}

} // namespace

// Everything the thread owns: the connection, the keyboard map and the grab state. Built
// and given its first grabs on the main thread by start(), then used by the thread alone.
class X11KeySource::Worker {
public:
    static Result<std::unique_ptr<Worker>> open(X11KeySource& owner, const std::string& display);

    // Replaces every passive grab by those of `combos`; returns each one's state. Grabs are
    // taken over the ones held and only then are the stale ones let go, so a binding that
    // stays is never free for a moment (a key pressed then would be lost).
    std::vector<BindingState> grabBindings(const std::vector<KeyCombo>& combos,
                                           std::uint64_t version);
    void run();

private:
    struct Binding {
        std::vector<xcb_keycode_t> keys;
        std::uint64_t mods = 0;
    };

    Worker(X11KeySource& owner, Connection c, xcb_window_t root, KeyboardMap map)
        : owner_(owner), c_(std::move(c)), root_(root), map_(std::move(map)),
          xkb_(XkbText::load(c_.get())) {}

    void selectRawEvents();
    bool applyBindings();
    void regrab();
    // `frozen`: called for a binding's press, with the keyboard frozen behind it.
    bool applyOpen(xcb_timestamp_t time, bool frozen = false);
    void takeKeyboard(xcb_timestamp_t time, bool frozen);
    void releaseKeyboard();
    void followHeldModifiers();
    void followModifiers(std::uint16_t state);
    void handle(const xcb_generic_event_t* event);
    void onKeyPress(const xcb_key_press_event_t& ev);
    void onKeyRelease(const xcb_key_release_event_t& ev);
    void onRawKey(bool press, std::uint32_t key, xcb_timestamp_t time);
    void onMapping(const xcb_mapping_notify_event_t& ev);
    // Core MappingNotify without XKB, XKB's keymap notices with it.
    void keymapChanged();
    void setHeldByOther(bool held);
    void checkKeyboardFree();
    bool takenElsewhere(xcb_keycode_t key, std::uint16_t state);
    std::string windowManagerName();
    void replay(const xcb_key_press_event_t& ev);
    Verdict deliver(const KeyEvent& event);
    std::optional<std::uint8_t> grabKeyboard(xcb_timestamp_t time);

    X11KeySource& owner_;
    Connection c_;
    xcb_window_t root_;
    KeyboardMap map_;
    // The typed text with the layout group and AltGr; the core map's rules without XKB.
    std::unique_ptr<XkbText> xkb_;
    std::uint8_t xiOpcode_ = 0;

    std::vector<KeyCombo> combos_;
    std::vector<Binding> bindings_;
    // The passive grabs held: key and modifier state, sorted.
    std::vector<std::pair<xcb_keycode_t, std::uint16_t>> held_;
    std::uint64_t appliedVersion_ = 0;
    // A binding could not be taken: it is tried again at retryAt_.
    bool missing_ = false;
    std::chrono::steady_clock::time_point retryAt_;
    // While another client holds the keyboard: when to see whether it still does.
    std::chrono::steady_clock::time_point heldCheckAt_;

    bool grabbed_ = false;
    bool grabRefused_ = false;
    // Another client held the keyboard when the switcher opened: tried again until then.
    std::optional<std::chrono::steady_clock::time_point> grabWaitEnd_;
    std::chrono::steady_clock::time_point grabRetryAt_;
    std::unordered_set<xcb_keycode_t> swallowed_; // pressed, swallowed, not yet released
    std::uint64_t lastFlags_ = 0;                 // the modifier bits last known

    // Raw events: the modifiers held, and a binding pressed whose grab has not fired yet. While
    // this connection holds the keyboard the server sends it no raw events, so its own key
    // events keep the modifiers too.
    std::unordered_set<std::uint32_t> rawModifiers_;
    std::uint32_t awaiting_ = 0;
    std::uint32_t lastPressKey_ = 0;
    xcb_timestamp_t lastPressTime_ = 0;
};

Result<std::unique_ptr<X11KeySource::Worker>>
X11KeySource::Worker::open(X11KeySource& owner, const std::string& display) {
    int screenNumber = 0;
    Connection c(xcb_connect(display.empty() ? nullptr : display.c_str(), &screenNumber));
    if (xcb_connection_has_error(c.get())) return failure("cannot connect to the X server");
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c.get()));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i)
        xcb_screen_next(&it);
    if (it.rem == 0) return failure("the X server has no screen " + std::to_string(screenNumber));
    const xcb_window_t root = it.data->root;
    auto map = KeyboardMap::load(c.get());
    if (!map) return failure("cannot read the keyboard mapping");
    std::unique_ptr<Worker> worker(new Worker(owner, std::move(c), root, std::move(*map)));
    worker->selectRawEvents();
    return worker;
}

void X11KeySource::Worker::selectRawEvents() {
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c_.get(), &xcb_input_id);
    if (!ext || !ext->present) return;
    XcbPtr<xcb_input_xi_query_version_reply_t> version(xcb_input_xi_query_version_reply(
        c_.get(), xcb_input_xi_query_version(c_.get(), 2, 2), nullptr));
    // Raw events reach every client whatever grab is active from XI 2.1 on.
    if (!version || version->major_version < 2 ||
        (version->major_version == 2 && version->minor_version < 1))
        return;
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t bits;
    } mask{};
    mask.head.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
    mask.head.mask_len = 1;
    mask.bits = XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE;
    xcb_input_xi_select_events(c_.get(), root_, 1, &mask.head);
    xiOpcode_ = ext->major_opcode;
}

std::vector<BindingState> X11KeySource::Worker::grabBindings(const std::vector<KeyCombo>& combos,
                                                             std::uint64_t version) {
    xcb_connection_t* c = c_.get();
    appliedVersion_ = version;
    combos_ = combos;
    bindings_.clear();

    struct Pending {
        std::size_t combo;
        bool exact; // no modifier beyond the binding's: it must be ours
        std::pair<xcb_keycode_t, std::uint16_t> grab;
        xcb_void_cookie_t cookie;
    };
    std::vector<Pending> pending;
    std::vector<BindingState> states;
    std::vector<Binding> candidates(combos.size());
    const auto locks = KeyCodes::lockVariants(map_.masks());
    for (std::size_t i = 0; i < combos.size(); ++i) {
        const KeyCombo& combo = combos[i];
        const std::uint64_t mods = combo.mods & Modifier::all;
        states.push_back({combo, BindingState::Kind::active, {}});
        const auto base = KeyCodes::stateFromMods(mods, map_.masks());
        auto keys = map_.keysFor(combo.keyCode);
        if (!base || keys.empty()) {
            states[i].kind = BindingState::Kind::unusable;
            continue;
        }
        // Every combination with more modifiers is the binding too.
        std::vector<std::uint64_t> free;
        for (std::uint64_t bit : Modifier::each)
            if (!(mods & bit)) free.push_back(bit);
        for (unsigned subset = 0; subset < (1u << free.size()); ++subset) {
            std::uint64_t extra = 0;
            for (std::size_t b = 0; b < free.size(); ++b)
                if (subset & (1u << b)) extra |= free[b];
            const auto extraState = KeyCodes::stateFromMods(extra, map_.masks());
            if (!extraState) continue;
            for (xcb_keycode_t key : keys)
                for (std::uint16_t lock : locks) {
                    const auto state = static_cast<std::uint16_t>(*base | *extraState | lock);
                    // The keyboard freezes at the binding's press until onKeyPress() lets
                    // it go: keys typed right after it wait for the whole-keyboard grab.
                    pending.push_back(
                        {i,
                         extra == 0,
                         {key, state},
                         xcb_grab_key_checked(c, 0, root_, state, key, XCB_GRAB_MODE_ASYNC,
                                              XCB_GRAB_MODE_SYNC)});
                }
        }
        candidates[i] = {std::move(keys), mods};
    }

    std::vector<int> refused(combos.size(), 0); // the X error code of an exact grab
    std::vector<std::pair<xcb_keycode_t, std::uint16_t>> held;
    for (const Pending& p : pending) {
        XcbPtr<xcb_generic_error_t> error(xcb_request_check(c, p.cookie));
        if (!error)
            held.push_back(p.grab);
        else if (p.exact && !refused[p.combo])
            refused[p.combo] = error->error_code;
    }
    std::sort(held.begin(), held.end());
    held.erase(std::unique(held.begin(), held.end()), held.end());
    // Checked, so that a round is over at the server when grabRounds() counts it.
    std::vector<xcb_void_cookie_t> released;
    for (const auto& [key, state] : held_)
        if (!std::binary_search(held.begin(), held.end(), std::pair{key, state}))
            released.push_back(xcb_ungrab_key_checked(c, key, root_, state));
    for (xcb_void_cookie_t cookie : released)
        XcbPtr<xcb_generic_error_t>(xcb_request_check(c, cookie));
    held_ = std::move(held);
    std::string holder;
    bool holderRead = false;
    for (std::size_t i = 0; i < combos.size(); ++i) {
        if (states[i].kind != BindingState::Kind::active) continue;
        if (!refused[i]) {
            // Only the bindings held here tell, through raw events, of a keyboard held elsewhere.
            bindings_.push_back(std::move(candidates[i]));
            continue;
        }
        if (refused[i] != XCB_ACCESS) {
            states[i].kind = BindingState::Kind::unusable;
            continue;
        }
        // X cannot say who holds a grab; the window manager usually does, so it is named.
        if (!holderRead) holder = windowManagerName();
        holderRead = true;
        states[i].kind = BindingState::Kind::taken;
        states[i].holder = holder;
    }
    missing_ = std::any_of(states.begin(), states.end(), [](const BindingState& state) {
        return state.kind != BindingState::Kind::active;
    });
    retryAt_ = std::chrono::steady_clock::now() + retryInterval;
    ++owner_.grabRounds_;
    return states;
}

// The name of the EWMH window manager: _NET_WM_NAME of the window the root's
// _NET_SUPPORTING_WM_CHECK names; empty when there is none.
std::string X11KeySource::Worker::windowManagerName() {
    xcb_connection_t* c = c_.get();
    const auto atom = [c](const char* name) {
        XcbPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr));
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    };
    const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t wmName = atom("_NET_WM_NAME");
    const xcb_atom_t utf8 = atom("UTF8_STRING");
    XcbPtr<xcb_get_property_reply_t> owner(xcb_get_property_reply(
        c, xcb_get_property(c, 0, root_, check, XCB_ATOM_WINDOW, 0, 1), nullptr));
    if (!owner || xcb_get_property_value_length(owner.get()) != 4) return {};
    const xcb_window_t wm = *static_cast<const xcb_window_t*>(xcb_get_property_value(owner.get()));
    XcbPtr<xcb_get_property_reply_t> name(
        xcb_get_property_reply(c, xcb_get_property(c, 0, wm, wmName, utf8, 0, 64), nullptr));
    if (!name) return {};
    std::string text(static_cast<const char*>(xcb_get_property_value(name.get())),
                     static_cast<std::size_t>(xcb_get_property_value_length(name.get())));
    // Only printable text goes into a sentence; anything else is no name.
    for (char ch : text)
        if (static_cast<unsigned char>(ch) < 0x20) return {};
    return text;
}

void X11KeySource::Worker::run() {
    xcb_connection_t* c = c_.get();
    const int xfd = xcb_get_file_descriptor(c);

    while (!owner_.stop_) {
        bool busy = applyBindings();
        busy = applyOpen(XCB_CURRENT_TIME) || busy;
        if (owner_.modifiersArrived_.exchange(false) && owner_.open_) {
            lastFlags_ = std::uint64_t(-1); // reported even when unchanged
            followHeldModifiers();
            busy = true;
        }
        int timeout = -1;
        // Milliseconds until `at`, taking the earliest as the poll's time-out.
        const auto until = [&timeout](std::chrono::steady_clock::time_point at) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                at - std::chrono::steady_clock::now());
            const int wait = static_cast<int>(std::max<std::int64_t>(left.count(), 0)) + 1;
            timeout = timeout < 0 ? wait : std::min(timeout, wait);
            return left.count();
        };
        if (missing_ && until(retryAt_) <= 0) {
            regrab();
            busy = true;
        }
        if (grabWaitEnd_ && owner_.open_ && !grabbed_) until(grabRetryAt_);
        if (owner_.heldByOther_ && !grabbed_ && until(heldCheckAt_) <= 0) {
            checkKeyboardFree();
            busy = true;
        }
        // Replies waited for above may have queued events without waking poll(): drain first.
        while (!owner_.stop_) {
            XcbPtr<xcb_generic_event_t> event(xcb_poll_for_event(c));
            if (!event) break;
            handle(event.get());
            busy = true;
        }
        if (xcb_connection_has_error(c)) break;
        if (busy) continue;
        xcb_flush(c);
        pollfd fds[2] = {{xfd, POLLIN, 0}, {owner_.wakeFd_, POLLIN, 0}};
        if (poll(fds, 2, timeout) < 0 && errno != EINTR) break;
        if (fds[1].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] ssize_t n = read(owner_.wakeFd_, &count, sizeof count);
        }
    }

    if (!xcb_connection_has_error(c)) {
        if (grabbed_) xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_ungrab_key(c, XCB_GRAB_ANY, root_, XCB_MOD_MASK_ANY);
        xcb_flush(c);
    }
    grabbed_ = false;
    owner_.keyboardGrabbed_ = false;
    owner_.running_ = false;
}

bool X11KeySource::Worker::applyBindings() {
    std::vector<KeyCombo> combos;
    std::uint64_t version = 0;
    {
        std::lock_guard lock(owner_.mutex_);
        if (owner_.bindingsVersion_ == appliedVersion_) return false;
        combos = owner_.bindings_;
        version = owner_.bindingsVersion_;
    }
    appliedVersion_ = version;
    combos_ = std::move(combos);
    regrab();
    return true;
}

void X11KeySource::Worker::regrab() {
    auto states = grabBindings(combos_, appliedVersion_);
    {
        std::lock_guard lock(owner_.mutex_);
        if (states == owner_.states_) return;
        owner_.states_ = std::move(states);
    }
    deliver(KeyEvent{KeyEvent::bindingsChanged, 0, 0, {}});
}

void X11KeySource::Worker::setHeldByOther(bool held) {
    if (owner_.heldByOther_.exchange(held) == held) return;
    heldCheckAt_ = std::chrono::steady_clock::now() + heldCheckInterval;
    deliver(KeyEvent{KeyEvent::bindingsChanged, 0, 0, {}});
}

// Nothing is sent when another client's keyboard grab ends: try taking the keyboard, and give
// it back at once when that works.
void X11KeySource::Worker::checkKeyboardFree() {
    heldCheckAt_ = std::chrono::steady_clock::now() + heldCheckInterval;
    if (grabKeyboard(XCB_CURRENT_TIME) != XCB_GRAB_STATUS_SUCCESS) return;
    xcb_ungrab_keyboard(c_.get(), XCB_CURRENT_TIME);
    xcb_flush(c_.get());
    setHeldByOther(false);
}

// Whether another client holds a passive grab of exactly this key and state.
bool X11KeySource::Worker::takenElsewhere(xcb_keycode_t key, std::uint16_t state) {
    xcb_connection_t* c = c_.get();
    XcbPtr<xcb_generic_error_t> error(
        xcb_request_check(c, xcb_grab_key_checked(c, 0, root_, state, key, XCB_GRAB_MODE_ASYNC,
                                                  XCB_GRAB_MODE_ASYNC)));
    if (error) return error->error_code == XCB_ACCESS;
    XcbPtr<xcb_generic_error_t>(xcb_request_check(c, xcb_ungrab_key_checked(c, key, root_, state)));
    return false;
}

bool X11KeySource::Worker::applyOpen(xcb_timestamp_t time, bool frozen) {
    bool acted = false;
    if (!owner_.open_) {
        grabRefused_ = false;
        grabWaitEnd_.reset();
    }
    if (owner_.open_ && !grabbed_ && !grabRefused_ &&
        (!grabWaitEnd_ || std::chrono::steady_clock::now() >= grabRetryAt_)) {
        takeKeyboard(time, frozen);
        acted = true;
    }
    // Keys swallowed while open keep the grab until they are up, so their releases (an
    // Escape's, say) do not reach the focused window on their own.
    if (!owner_.open_ && grabbed_ && swallowed_.empty()) {
        releaseKeyboard();
        acted = true;
    }
    return acted;
}

std::optional<std::uint8_t> X11KeySource::Worker::grabKeyboard(xcb_timestamp_t time) {
    XcbPtr<xcb_grab_keyboard_reply_t> reply(xcb_grab_keyboard_reply(
        c_.get(),
        xcb_grab_keyboard(c_.get(), 0, root_, time, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr));
    if (!reply) return std::nullopt;
    return reply->status;
}

void X11KeySource::Worker::takeKeyboard(xcb_timestamp_t time, bool frozen) {
    auto status = grabKeyboard(time);
    if (status == XCB_GRAB_STATUS_INVALID_TIME && time != XCB_CURRENT_TIME)
        status = grabKeyboard(XCB_CURRENT_TIME);
    if (status == XCB_GRAB_STATUS_SUCCESS) {
        grabWaitEnd_.reset();
        grabbed_ = true;
        owner_.keyboardGrabbed_ = true;
        setHeldByOther(false);
        // Behind a frozen press the modifier's release is still on its way to this grab; the
        // server's modifier state would already tell of keys typed after the press.
        if (!frozen) followHeldModifiers();
        return;
    }
    if (status == XCB_GRAB_STATUS_ALREADY_GRABBED) {
        // A window manager that ran `morvelan switcher` from a key binding holds the keyboard
        // until that key is up: wait for it a little.
        const auto now = std::chrono::steady_clock::now();
        if (!grabWaitEnd_) grabWaitEnd_ = now + grabWait;
        if (now < *grabWaitEnd_) {
            grabRetryAt_ = now + grabRetryInterval;
            return;
        }
        setHeldByOther(true);
    }
    grabWaitEnd_.reset();
    grabRefused_ = true; // not again until the switcher has closed
    // Without the keyboard the hold cannot be followed: give up the way a key press after an
    // unseen release does.
    deliver(keyDown(Key::none, 0, {}));
}

void X11KeySource::Worker::releaseKeyboard() {
    xcb_ungrab_keyboard(c_.get(), XCB_CURRENT_TIME);
    xcb_flush(c_.get());
    grabbed_ = false;
    owner_.keyboardGrabbed_ = false;
}

// With fast typing the held modifier can go up between the binding's press and the grab, and
// its release then went to the focused window: read the modifier state after grabbing.
void X11KeySource::Worker::followHeldModifiers() {
    XcbPtr<xcb_query_pointer_reply_t> pointer(
        xcb_query_pointer_reply(c_.get(), xcb_query_pointer(c_.get(), root_), nullptr));
    if (pointer) followModifiers(pointer->mask);
}

void X11KeySource::Worker::followModifiers(std::uint16_t state) {
    const std::uint64_t flags = KeyCodes::modsFromState(state, map_.masks());
    if (flags == lastFlags_) return;
    lastFlags_ = flags;
    deliver(flagsChanged(Key::none, flags));
}

void X11KeySource::Worker::handle(const xcb_generic_event_t* event) {
    if (xkb_ && xkb_->isKeymapChange(event)) return keymapChanged();
    // While the switcher is open: under XWayland a modifier's release may come this way alone.
    if (const auto mods = xkb_ ? xkb_->modifierChange(event) : std::nullopt) {
        if (owner_.open_) followModifiers(*mods);
        return;
    }
    switch (event->response_type & 0x7f) {
    case XCB_KEY_PRESS:
        onKeyPress(*reinterpret_cast<const xcb_key_press_event_t*>(event));
        break;
    case XCB_KEY_RELEASE:
        onKeyRelease(*reinterpret_cast<const xcb_key_release_event_t*>(event));
        break;
    case XCB_MAPPING_NOTIFY:
        onMapping(*reinterpret_cast<const xcb_mapping_notify_event_t*>(event));
        break;
    case XCB_GE_GENERIC: {
        const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
        if (!xiOpcode_ || ge->extension != xiOpcode_) break;
        if (ge->event_type == XCB_INPUT_RAW_KEY_PRESS ||
            ge->event_type == XCB_INPUT_RAW_KEY_RELEASE) {
            const auto* raw = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event);
            onRawKey(ge->event_type == XCB_INPUT_RAW_KEY_PRESS, raw->detail, raw->time);
        }
        break;
    }
    default:
        break; // errors of requests nobody checks, and events nobody asked for
    }
}

void X11KeySource::Worker::onKeyPress(const xcb_key_press_event_t& ev) {
    // Without the keyboard grab, only a binding's own grab sends presses: it froze the keyboard.
    const bool frozen = !grabbed_;
    // A grab fired, so nobody else holds the keyboard.
    lastPressKey_ = ev.detail;
    lastPressTime_ = ev.time;
    if (awaiting_ == ev.detail) awaiting_ = 0;
    setHeldByOther(false);

    const int code = map_.keyCode(ev.detail);
    Verdict verdict = Verdict::pass;
    if (const std::uint16_t modifier = map_.modifierMask(ev.detail)) {
        rawModifiers_.insert(ev.detail);
        const std::uint64_t flags = KeyCodes::modsFromState(ev.state | modifier, map_.masks());
        if (flags != lastFlags_) {
            lastFlags_ = flags;
            verdict = deliver(flagsChanged(code, flags));
        }
    } else {
        lastFlags_ = KeyCodes::modsFromState(ev.state, map_.masks());
        const std::string text =
            xkb_ ? xkb_->text(ev.detail, ev.state) : map_.text(ev.detail, ev.state);
        verdict = deliver(keyDown(code, lastFlags_, text));
    }
    if (verdict == Verdict::swallow)
        swallowed_.insert(ev.detail);
    else
        replay(ev);
    applyOpen(ev.time, frozen);
    // A binding's press froze the keyboard (its grab is synchronous): the keys typed after
    // it waited in the server and now go to the keyboard grab just taken, or where they were
    // meant to go when the press was passed. The binding's grab alone ends at the key's
    // release, and keys typed before the whole keyboard was taken reached the focused window.
    xcb_allow_events(c_.get(), XCB_ALLOW_ASYNC_KEYBOARD, XCB_CURRENT_TIME);
    xcb_flush(c_.get());
}

void X11KeySource::Worker::onKeyRelease(const xcb_key_release_event_t& ev) {
    Verdict verdict = Verdict::pass;
    if (const std::uint16_t modifier = map_.modifierMask(ev.detail)) {
        rawModifiers_.erase(ev.detail);
        // The state names the modifiers before the release; another key on the same
        // modifier still held is not noticed (X reports the same state either way).
        const auto after = static_cast<std::uint16_t>(ev.state & ~modifier);
        const std::uint64_t flags = KeyCodes::modsFromState(after, map_.masks());
        if (flags != lastFlags_) {
            lastFlags_ = flags;
            verdict = deliver(flagsChanged(map_.keyCode(ev.detail), flags));
        }
    }
    // A release goes where its press went.
    if (swallowed_.erase(ev.detail) == 0 && verdict == Verdict::pass) replay(ev);
    applyOpen(ev.time);
}

// Raw events come whichever client holds the keyboard. A binding's raw press that no grabbed
// press follows before its release means another program holds the keyboard.
void X11KeySource::Worker::onRawKey(bool press, std::uint32_t key, xcb_timestamp_t time) {
    if (key > 255) return;
    const auto keycode = static_cast<xcb_keycode_t>(key);
    if (map_.modifierMask(keycode)) {
        // Sets, because one synthetic release can come twice.
        if (press)
            rawModifiers_.insert(key);
        else
            rawModifiers_.erase(key);
        return;
    }
    if (grabbed_) return;
    if (!press) {
        if (awaiting_ == key) {
            awaiting_ = 0;
            setHeldByOther(true);
        }
        return;
    }
    // The grabbed press may come first: both carry the same time.
    if (lastPressKey_ == key && lastPressTime_ == time) return;
    std::uint16_t state = 0;
    for (std::uint32_t modifier : rawModifiers_)
        state |= map_.modifierMask(static_cast<xcb_keycode_t>(modifier));
    const std::uint64_t mods = KeyCodes::modsFromState(state, map_.masks());
    // The recorder sees every key that reaches the settings window; one another program's
    // grab took is told here.
    if (owner_.recording_) {
        const auto exact = KeyCodes::stateFromMods(mods, map_.masks());
        if (mods && exact && takenElsewhere(keycode, *exact))
            deliver(KeyEvent{KeyEvent::takenKeyDown, map_.keyCode(keycode), mods, {}});
        return;
    }
    for (const Binding& binding : bindings_) {
        const bool onKey =
            std::find(binding.keys.begin(), binding.keys.end(), keycode) != binding.keys.end();
        if (onKey && (mods & binding.mods) == binding.mods) {
            awaiting_ = key;
            return;
        }
    }
}

void X11KeySource::Worker::onMapping(const xcb_mapping_notify_event_t& ev) {
    if (ev.request != XCB_MAPPING_POINTER) keymapChanged();
}

void X11KeySource::Worker::keymapChanged() {
    if (auto map = KeyboardMap::load(c_.get())) map_ = std::move(*map);
    if (xkb_) xkb_ = XkbText::load(c_.get());
    // Keys may have moved: take the bindings again where they are now. The server sends this
    // also when nothing moved (the first key from another input device, XTest's say).
    regrab();
}

// Sends a key the decision passed on to the window it was meant for: the focus window, or the
// window under the pointer when focus follows the pointer.
void X11KeySource::Worker::replay(const xcb_key_press_event_t& ev) {
    xcb_connection_t* c = c_.get();
    XcbPtr<xcb_get_input_focus_reply_t> focus(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    if (!focus || focus->focus == XCB_NONE) return;
    xcb_window_t target = focus->focus;
    if (target == XCB_INPUT_FOCUS_POINTER_ROOT) {
        XcbPtr<xcb_query_pointer_reply_t> pointer(
            xcb_query_pointer_reply(c, xcb_query_pointer(c, root_), nullptr));
        target = pointer && pointer->child ? pointer->child : root_;
    }
    xcb_key_press_event_t copy = ev;
    copy.response_type = static_cast<std::uint8_t>(ev.response_type & 0x7f);
    copy.event = target;
    copy.child = XCB_NONE;
    copy.same_screen = 1;
    XcbPtr<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, root_, target, ev.root_x, ev.root_y), nullptr));
    copy.event_x = at ? at->dst_x : 0;
    copy.event_y = at ? at->dst_y : 0;
    const std::uint32_t mask =
        copy.response_type == XCB_KEY_PRESS ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE;
    xcb_send_event(c, 1, target, mask, reinterpret_cast<const char*>(&copy));
    xcb_flush(c);
}

Verdict X11KeySource::Worker::deliver(const KeyEvent& event) {
    return owner_.callback_ ? owner_.callback_(event) : Verdict::pass;
}

// --- X11KeySource ----------------------------------------------------------------------

X11KeySource::X11KeySource(std::string display)
    : display_(std::move(display)), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

X11KeySource::~X11KeySource() {
    stopThread();
    if (wakeFd_ >= 0) close(wakeFd_);
}

Result<void> X11KeySource::start(Callback callback) {
    if (running_) return success();
    if (wakeFd_ < 0) return failure("cannot create an eventfd");
    stopThread(); // a thread that ended with its connection
    auto worker = Worker::open(*this, display_);
    if (!worker) return worker.error();
    std::vector<KeyCombo> combos;
    std::uint64_t version = 0;
    {
        std::lock_guard lock(mutex_);
        combos = bindings_;
        version = bindingsVersion_;
    }
    // Bindings other programs hold (a window manager's Super-Tab or Alt-Tab, often) are
    // reported and tried again in the background; the others work meanwhile.
    auto states = (*worker)->grabBindings(combos, version);
    {
        std::lock_guard lock(mutex_);
        states_ = std::move(states);
    }
    callback_ = std::move(callback);
    worker_ = std::move(*worker);
    stop_ = false;
    open_ = false;
    running_ = true;
    thread_ = std::thread([this] { worker_->run(); });
    // Named from here, so it carries its name by the time start() returns.
    const std::string name(keySourceThreadName.substr(0, 15));
    pthread_setname_np(thread_.native_handle(), name.c_str());
    return success();
}

void X11KeySource::stopThread() {
    if (thread_.joinable()) {
        stop_ = true;
        wake();
        thread_.join();
    }
    worker_.reset();
    running_ = false;
    keyboardGrabbed_ = false;
}

bool X11KeySource::isEnabled() const {
    return running_;
}

void X11KeySource::enable() {
    // Only a lost connection stops delivery here; the thread itself never calls this.
    if (running_ || !callback_) return;
    Callback callback = callback_;
    (void)start(std::move(callback));
}

bool X11KeySource::keyboardHeldByOther() const {
    return heldByOther_;
}

void X11KeySource::setBindings(const std::vector<KeyCombo>& combos) {
    {
        std::lock_guard lock(mutex_);
        bindings_ = combos;
        ++bindingsVersion_;
    }
    wake();
}

void X11KeySource::setSwitcherOpen(bool open) {
    open_ = open;
    wake();
}

void X11KeySource::modifiersArrived() {
    modifiersArrived_ = true;
    wake();
}

std::vector<BindingState> X11KeySource::bindingStates() const {
    std::lock_guard lock(mutex_);
    return states_;
}

void X11KeySource::setRecording(bool on) {
    recording_ = on;
}

void X11KeySource::wake() const {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wakeFd_, &one, sizeof one);
}

} // namespace morvelan
