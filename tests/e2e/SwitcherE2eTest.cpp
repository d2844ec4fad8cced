// End-to-end tests of the switcher: the morvelan program itself on Xvfb + openbox, five
// test-client windows of three applications, keys and clicks typed through XTest.
#include "ProgramE2e.h"
#include "TestClient.h"

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <thread>

namespace morvelan::e2e {
namespace {

using Clock = std::chrono::steady_clock;
using Keysym = xcb_keysym_t;

constexpr Keysym superL = 0xffeb;
constexpr Keysym altL = 0xffe9;
constexpr Keysym shiftL = 0xffe1;
constexpr Keysym tab = 0xff09;
constexpr Keysym escape = 0xff1b;
constexpr Keysym backspace = 0xff08;

constexpr const char* workID = "6F1D3C2A-0B7E-4C55-9E3A-2B8D7A1C0001";
constexpr const char* mailID = "6F1D3C2A-0B7E-4C55-9E3A-2B8D7A1C0002";
constexpr const char* workspaceID = "6F1D3C2A-0B7E-4C55-9E3A-2B8D7A1C00FF";

// The panel's own title: how it is told apart from every other override-redirect window.
constexpr const char* panelTitle = "Morvelan Switcher";

void pause(std::chrono::milliseconds ms) {
    std::this_thread::sleep_for(ms);
}

// Keys and pointer through XTest, on a connection of its own. Each call ends with a round
// trip: the server has taken every fake event sent before.
class Input {
public:
    Input() : conn_(X11Connection::open()) {
        if (conn_) symbols_ = xcb_key_symbols_alloc(conn_->get());
    }
    ~Input() {
        if (symbols_) xcb_key_symbols_free(symbols_);
    }
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    bool ok() const { return conn_ && symbols_; }

    void press(Keysym sym) { burst({{true, sym}}); }
    void release(Keysym sym) { burst({{false, sym}}); }
    void tap(Keysym sym) { burst({{true, sym}, {false, sym}}); }
    void type(const std::string& text) {
        for (char ch : text)
            tap(static_cast<Keysym>(static_cast<unsigned char>(ch)));
    }
    void moveTo(int x, int y) {
        fake(XCB_MOTION_NOTIFY, 0, 0, conn_->root(), x, y);
        sync();
    }
    void click() {
        fake(XCB_BUTTON_PRESS, 1);
        fake(XCB_BUTTON_RELEASE, 1);
        sync();
    }
    // Presses (true) and releases in one write: the server takes them all before the
    // program can answer the first. With a `gap`, the server waits that long before each
    // key after the first.
    void burst(const std::vector<std::pair<bool, Keysym>>& keys,
               std::chrono::milliseconds gap = 0ms) {
        bool first = true;
        for (const auto& [down, sym] : keys) {
            XcbPtr<xcb_keycode_t> codes{xcb_key_symbols_get_keycode(symbols_, sym)};
            ASSERT_TRUE(codes && codes.get()[0] != XCB_NO_SYMBOL) << "no key for " << hex(sym);
            fake(down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, codes.get()[0],
                 first ? 0u : static_cast<std::uint32_t>(gap.count()));
            first = false;
        }
        sync();
    }

private:
    void fake(std::uint8_t type, std::uint8_t detail, std::uint32_t delay = XCB_CURRENT_TIME,
              xcb_window_t root = XCB_NONE, int x = 0, int y = 0) {
        xcb_test_fake_input(conn_->get(), type, detail, delay, root, static_cast<std::int16_t>(x),
                            static_cast<std::int16_t>(y), 0);
    }
    void sync() { conn_->reply(xcb_get_input_focus_reply, xcb_get_input_focus(conn_->get())); }

    std::unique_ptr<X11Connection> conn_;
    xcb_key_symbols_t* symbols_ = nullptr;
};

// Watches the root window on a connection of its own: maps and unmaps of the switcher panel
// and every change of _NET_ACTIVE_WINDOW, in the order the server reported them.
class Watch {
public:
    struct Event {
        enum Kind { panelMapped, active } kind;
        xcb_window_t window; // the panel, or the new active window
    };

    Watch() : conn_(X11Connection::open()) {
        if (!conn_) return;
        const std::uint32_t mask =
            XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
        conn_->check(xcb_change_window_attributes_checked(conn_->get(), conn_->root(),
                                                          XCB_CW_EVENT_MASK, &mask));
    }
    bool ok() const { return conn_ != nullptr; }

    // Reads every event the server has sent so far (one round trip makes sure of "so far").
    void pump() {
        conn_->reply(xcb_get_input_focus_reply, xcb_get_input_focus(conn_->get()));
        while (XcbPtr<xcb_generic_event_t> ev{xcb_poll_for_event(conn_->get())})
            take(*ev);
    }
    // Pumps until `condition` holds or `timeout` passes.
    bool until(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s) {
        return waitFor(
            [&] {
                pump();
                return condition();
            },
            timeout);
    }
    // Pumps for `time`, whatever happens.
    void idle(std::chrono::milliseconds time) {
        until([] { return false; }, time);
    }

    std::size_t mark() {
        pump();
        return events_.size();
    }
    bool panelMapped() const { return mapped_; }
    // Panel maps seen since `from` (an index into the events).
    int panelMapsSince(std::size_t from) const {
        return int(std::count_if(events_.begin() + std::ptrdiff_t(from), events_.end(),
                                 [](const Event& e) { return e.kind == Event::panelMapped; }));
    }
    // Active-window changes seen since `from`, without the moments of no active window
    // that openbox passes through when the focus moves unless `withNone`.
    std::vector<xcb_window_t> activeChangesSince(std::size_t from, bool withNone = true) const {
        std::vector<xcb_window_t> out;
        for (std::size_t i = from; i < events_.size(); ++i)
            if (events_[i].kind == Event::active && (withNone || events_[i].window != XCB_NONE))
                out.push_back(events_[i].window);
        return out;
    }
    // The panel's frame on the root window.
    std::optional<std::array<int, 4>> panelFrame() {
        auto g = conn_->reply(xcb_get_geometry_reply, xcb_get_geometry(conn_->get(), panel_));
        if (!g) return std::nullopt;
        return std::array<int, 4>{g->x, g->y, g->width, g->height};
    }

private:
    void take(const xcb_generic_event_t& ev) {
        switch (ev.response_type & 0x7f) {
        case XCB_MAP_NOTIFY: {
            const auto& map = reinterpret_cast<const xcb_map_notify_event_t&>(ev);
            if (map.override_redirect && isPanel(map.window)) {
                panel_ = map.window;
                mapped_ = true;
                events_.push_back({Event::panelMapped, map.window});
            }
            break;
        }
        case XCB_UNMAP_NOTIFY: {
            const auto& unmap = reinterpret_cast<const xcb_unmap_notify_event_t&>(ev);
            if (unmap.window == panel_ && panel_ != XCB_NONE) mapped_ = false;
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto& prop = reinterpret_cast<const xcb_property_notify_event_t&>(ev);
            if (prop.window != conn_->root() || prop.atom != conn_->ewmh()._NET_ACTIVE_WINDOW)
                break;
            const xcb_window_t now = active();
            if (now != lastActive_) events_.push_back({Event::active, now});
            lastActive_ = now;
            break;
        }
        default:
            break;
        }
    }

    bool isPanel(xcb_window_t window) {
        if (auto it = known_.find(window); it != known_.end()) return it->second;
        auto r = conn_->reply(xcb_get_property_reply,
                              xcb_get_property(conn_->get(), 0, window, XCB_ATOM_WM_NAME,
                                               XCB_GET_PROPERTY_TYPE_ANY, 0, 256));
        return known_[window] = prop::bytes(r.get()).value_or("") == panelTitle;
    }

    xcb_window_t active() {
        auto r =
            conn_->reply(xcb_get_property_reply,
                         xcb_get_property(conn_->get(), 0, conn_->root(),
                                          conn_->ewmh()._NET_ACTIVE_WINDOW, XCB_ATOM_WINDOW, 0, 1));
        return prop::cardinal(r.get()).value_or(XCB_NONE);
    }

    std::unique_ptr<X11Connection> conn_;
    std::vector<Event> events_;
    std::map<xcb_window_t, bool> known_;
    xcb_window_t panel_ = XCB_NONE;
    xcb_window_t lastActive_ = XCB_NONE;
    bool mapped_ = false;
};

// Five windows of three applications:
//   Alpha (pid 5001): "Report draft", "Budget sheet"   — context "Work" by its rule
//   Beta  (pid 5002): "Inbox" (pinned to "Mail"), "Calendar"
//   Gamma (pid 5003): "Chat log"
struct Windows {
    xcb_window_t report = 0, budget = 0, inbox = 0, calendar = 0, chat = 0;
};

class SwitcherE2e : public ProgramE2e {
protected:
    void SetUp() override {
        ProgramE2e::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(input.ok());
        ASSERT_TRUE(watch.ok());
        ASSERT_TRUE(client.running());
        ASSERT_TRUE(waitFor([&] { return probe.clients().empty(); }, 5s));
        const auto stage = [&](const char* id, const char* app, const char* title, int pid,
                               const char* colour) {
            const xcb_window_t window = client.open(
                std::string("id=") + id + " class=" + app + " appid=org.test." + app + " title='" +
                title + "' pid=" + std::to_string(pid) + " color=" + colour + " icon=48,128");
            EXPECT_NE(window, 0u) << title;
            titles[window] = title;
            return window;
        };
        w.report = stage("report", "Alpha", "Report draft", 5001, "E0574B");
        w.budget = stage("budget", "Alpha", "Budget sheet", 5001, "E0574B");
        w.inbox = stage("inbox", "Beta", "Inbox", 5002, "3F8FD8");
        w.calendar = stage("calendar", "Beta", "Calendar", 5002, "3F8FD8");
        w.chat = stage("chat", "Gamma", "Chat log", 5003, "2DB36F");
        ASSERT_FALSE(HasFailure());
        ASSERT_TRUE(waitFor([&] { return probe.active() == w.chat; }, 5s));
    }

    void TearDown() override {
        if (inSession()) {
            // Keys typed while the switcher was open belong to it, never to the focused window.
            std::string leaked;
            while (auto line = client.expect("key ", 100ms)) {
                // Modifiers alone are never taken from the focused window.
                const auto sym =
                    std::strtoul(line->substr(line->rfind(' ') + 1).c_str(), nullptr, 16);
                if (sym < 0xffe1 || sym > 0xffee) leaked += " [" + *line + "]";
            }
            EXPECT_EQ(leaked, "") << "keys reached the focused window";
        }
        ProgramE2e::TearDown();
    }

    // "Work": every window of an application whose name contains "Alpha"; "Mail": the
    // "Inbox" window, pinned. "Work" is active.
    void writeContexts() {
        const auto context = [](const char* id, const char* name, const char* colour, Json members,
                                Json rules) {
            return Json{{"id", id},
                        {"name", name},
                        {"colorHex", colour},
                        {"workspaceID", workspaceID},
                        {"members", std::move(members)},
                        {"rules", std::move(rules)}};
        };
        const Json alphaRule = {
            {"exclude", false},
            {"clauses", {{{"field", "appName"}, {"op", "contains"}, {"value", "Alpha"}}}}};
        const Json inboxPin = {{"bundleID", "org.test.Beta"},
                               {"title", "Inbox"},
                               {"matchAppOnly", false},
                               {"wid", w.inbox}};
        ProgramE2e::writeContexts(
            {{"activeID", workID},
             {"workspaces", {{{"id", workspaceID}, {"name", "Office"}}}},
             {"contexts",
              {context(workID, "Work", "#3478F6", Json::array(), Json::array({alphaRule})),
               context(mailID, "Mail", "#E8833A", Json::array({inboxPin}), Json::array())}}});
    }

    // Focuses the windows one after another, each only once morvelan has followed it (its
    // focus poll has logged it), so the last one is the most recent.
    void useInOrder(const std::vector<xcb_window_t>& order) {
        for (xcb_window_t id : order) {
            ASSERT_EQ(run({"xdotool", "windowactivate", "--sync", std::to_string(id)}), 0);
            ASSERT_TRUE(waitFor([&] { return probe.active() == id; }, 5s));
            // The program's window ids are its own: the title tells which window it logged.
            const std::string logged = "\ntitle=" + titles.at(id) + "\n";
            ASSERT_TRUE(
                waitFor([&] { return data("focused.log").find(logged) != std::string::npos; }, 10s))
                << "focused.log never named " << hex(id) << ":\n"
                << data("focused.log");
        }
    }

    // The usual start: files written, morvelan running with its hotkeys live, recency (most
    // recent first) Calendar, Report draft, Inbox, Budget sheet, Chat log; "Work" active.
    void standardStart(const Json& settings = Json::object()) {
        writeSettings(settings);
        writeContexts();
        ASSERT_NO_FATAL_FAILURE(startProgram("tapActive=true"));
        ASSERT_NO_FATAL_FAILURE(useInOrder({w.chat, w.budget, w.inbox, w.report, w.calendar}));
        ASSERT_EQ(activeID(), workID);
    }

    bool switcherShowAll() {
        const Json s = Json::parse(readText(configDir / "settings.json"), nullptr, false);
        return s.is_object() && s.value("switcherShowAll", false);
    }

    bool waitActive(xcb_window_t id) {
        return watch.until([&] { return probe.active() == id; });
    }
    bool waitPanel(bool mapped) {
        return watch.until([&] { return watch.panelMapped() == mapped; });
    }

    // While the panel is up: the active window has not moved since it was opened.
    void expectFocusKept() {
        watch.pump();
        const auto changes = watch.activeChangesSince(from);
        EXPECT_TRUE(changes.empty())
            << "the active window changed while the switcher was open, first to "
            << hex(changes.front());
        EXPECT_EQ(probe.active(), focused);
    }

    // Holds `modifier`, taps `keys` and waits for the panel; the focus stays meanwhile.
    // With `shot`, a screenshot of it is taken.
    void open(Keysym modifier, const std::vector<Keysym>& keys, const std::string& shot = "") {
        from = watch.mark();
        focused = probe.active();
        input.press(modifier);
        for (Keysym key : keys)
            input.tap(key);
        ASSERT_TRUE(waitPanel(true));
        if (!shot.empty()) screenshot(shot);
        expectFocusKept();
    }
    // Lets go of `modifier`: `window` becomes active and the panel goes.
    void commit(Keysym modifier, xcb_window_t window) {
        input.release(modifier);
        EXPECT_TRUE(waitActive(window)) << "expected " << hex(window) << " to be focused";
        EXPECT_TRUE(waitPanel(false));
    }
    // Escape, then Super's release: the panel goes, and a while later nothing was focused.
    void cancel() {
        input.tap(escape);
        EXPECT_TRUE(waitPanel(false));
        input.release(superL);
        watch.idle(500ms);
        EXPECT_TRUE(watch.activeChangesSince(from).empty());
        EXPECT_EQ(probe.active(), focused);
    }
    // The next `count` windows the test client was asked to close.
    std::set<std::string> closed(int count) {
        std::set<std::string> lines;
        for (int i = 0; i < count; ++i)
            if (auto line = client.expect("closed ", 10s)) lines.insert(*line);
        return lines;
    }

    // Writes a picture of the screen when MORVELAN_SCREENSHOT_DIR names a folder.
    void screenshot(const std::string& name) {
        const char* dir = std::getenv("MORVELAN_SCREENSHOT_DIR");
        if (!dir || !*dir) return;
        // The keys sent last may still be on their way to the panel.
        pause(400ms);
        run({"import", "-window", "root", std::string(dir) + "/" + name + ".png"});
    }

    // The pixels of the panel's rectangle as the screen shows them.
    std::vector<std::uint8_t> panelPixels() {
        const auto frame = watch.panelFrame();
        if (!frame) return {};
        X11Connection& c = probe.connection();
        auto image =
            c.reply(xcb_get_image_reply,
                    xcb_get_image(c.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, c.root(),
                                  std::int16_t((*frame)[0]), std::int16_t((*frame)[1]),
                                  std::uint16_t((*frame)[2]), std::uint16_t((*frame)[3]), ~0u));
        if (!image) return {};
        const std::uint8_t* data = xcb_get_image_data(image.get());
        return {data, data + xcb_get_image_data_length(image.get())};
    }

    Input input;
    Watch watch;
    TestClient client;
    Windows w;
    std::map<xcb_window_t, std::string> titles;
    std::size_t from = 0;            // the watch's mark when the switcher was opened
    xcb_window_t focused = XCB_NONE; // and the active window then
};

TEST_F(SwitcherE2e, QuickTapFocusesThePreviousWindowWithoutShowingThePanel) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    from = watch.mark();

    // Spaced 8 ms apart by the server itself, whatever this process's scheduling: the tap
    // is over 24 ms after Super went down.
    input.burst({{true, superL}, {true, tab}, {false, tab}, {false, superL}}, 8ms);

    EXPECT_TRUE(waitActive(w.report));
    // Well past the 65 ms delay: the panel would have been mapped by now.
    watch.idle(500ms);
    EXPECT_EQ(watch.panelMapsSince(from), 0) << "the panel was shown for a quick tap";
    EXPECT_FALSE(watch.panelMapped());
    EXPECT_EQ(watch.activeChangesSince(from, false), std::vector<xcb_window_t>{w.report});
    EXPECT_EQ(activeID(), workID);
}

TEST_F(SwitcherE2e, TabTabReleaseFocusesTheThirdWindowAndKeepsTheChosenChipsContext) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    ASSERT_NO_FATAL_FAILURE(open(superL, {tab, tab}, "switcher-work")); // the second Tab shows it
    const auto committed = Clock::now();
    commit(superL, w.inbox); // the third window in recency order

    // The "Work" chip was active: committing makes "Work" the active context even though
    // Inbox belongs to "Mail", and focus following stays out of it for two seconds; after
    // that the focused window's own context takes over.
    EXPECT_EQ(activeID(), workID);
    ASSERT_TRUE(waitFor([&] { return activeID() == mailID; }, 10s));
    EXPECT_GE(Clock::now() - committed, 1950ms)
        << "focus following switched to Mail while the switch was still settling";
    EXPECT_FALSE(switcherShowAll());
}

TEST_F(SwitcherE2e, TabTabReleaseUnderAllMakesTheFocusedWindowsContextActive) {
    ASSERT_NO_FATAL_FAILURE(standardStart({{"switcherShowAll", true}}));
    ASSERT_NO_FATAL_FAILURE(open(superL, {tab, tab}, "switcher-all"));
    commit(superL, w.inbox);
    // "All" commits no context: focus following makes Inbox's context, "Mail", active.
    EXPECT_TRUE(waitFor([&] { return activeID() == mailID; }, 10s));
    EXPECT_TRUE(switcherShowAll());
}

TEST_F(SwitcherE2e, AltTabIsConfinedToTheActiveContext) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    // Recency: Calendar, Report draft, Inbox, Budget sheet, Chat log. Confined to "Work",
    // the first Tab lands on Report draft and the second skips Inbox for Budget sheet.
    ASSERT_NO_FATAL_FAILURE(open(altL, {tab, tab}, "switcher-confined"));
    commit(altL, w.budget);
    EXPECT_EQ(activeID(), workID);
}

// Super+F filters by the windows' titles and application names, in any case.
TEST_F(SwitcherE2e, SuperFThenTypingFilters) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    ASSERT_NO_FATAL_FAILURE(open(superL, {tab, 'f'}));
    // "Gamma" is only the application's name; typed with Shift for the capital.
    input.press(shiftL);
    input.tap('g');
    input.release(shiftL);
    input.type("amm");
    commit(superL, w.chat);

    ASSERT_NO_FATAL_FAILURE(open(superL, {tab, 'f'}));
    // Nothing matches "budgetz"; deleting the "z" leaves "budget", which only one title has.
    input.type("budgetz");
    input.tap(backspace);
    screenshot("switcher-filter");
    expectFocusKept();
    commit(superL, w.budget);
}

// The panel stays open after each; Escape then leaves the focus where it was.
TEST_F(SwitcherE2e, WClosesTheSelectedWindowAndQQuitsTheSelectedApplication) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    ASSERT_NO_FATAL_FAILURE(open(superL, {tab, tab, 'w'})); // Inbox
    EXPECT_EQ(closed(1), std::set<std::string>{"closed inbox wm"});
    expectFocusKept();
    EXPECT_TRUE(watch.until([&] { return probe.clients().size() == 4u; }));

    // The selection moves on to an Alpha window: both of Alpha's windows are asked to close.
    input.tap('q');
    EXPECT_EQ(closed(2), (std::set<std::string>{"closed report wm", "closed budget wm"}));
    expectFocusKept();
    EXPECT_TRUE(watch.panelMapped()) << "the panel closed";

    cancel();
    const auto clients = probe.clients();
    EXPECT_EQ(std::set<xcb_window_t>(clients.begin(), clients.end()),
              (std::set<xcb_window_t>{w.calendar, w.chat}));
    EXPECT_FALSE(client.expect("closed", 200ms)) << "another window was closed";
}

TEST_F(SwitcherE2e, ThePanelIsCompleteTheMomentItIsMapped) {
    // Idle long enough for the next opening to have been painted ahead.
    ASSERT_NO_FATAL_FAILURE(standardStart());
    pause(1500ms);
    from = watch.mark();
    focused = probe.active();
    input.press(superL);
    input.tap(tab);
    ASSERT_TRUE(waitPanel(true));
    const auto first = panelPixels();
    pause(400ms);
    const auto settled = panelPixels();
    cancel();
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(first == settled) << "the panel's picture changed after it was mapped";
    // A picture, not an empty window: the five tiles' icon colours are in it.
    std::set<std::uint32_t> colours;
    for (std::size_t i = 0; i + 3 < first.size(); i += 4)
        colours.insert(std::uint32_t(first[i]) | std::uint32_t(first[i + 1]) << 8 |
                       std::uint32_t(first[i + 2]) << 16);
    EXPECT_GT(colours.size(), 20u);
}

TEST_F(SwitcherE2e, EscapeCancelsWithTheFocusUnchanged) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    ASSERT_NO_FATAL_FAILURE(open(superL, {tab, tab, tab}));
    cancel(); // the release after Escape commits nothing
    EXPECT_EQ(activeID(), workID);
    EXPECT_EQ(probe.clients().size(), 5u);
}

TEST_F(SwitcherE2e, ClickOnATileFocusesItsWindow) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    ASSERT_NO_FATAL_FAILURE(open(superL, {tab, tab}));
    auto frame = watch.panelFrame();
    ASSERT_TRUE(frame);
    // One row of tiles in recency order: Calendar, Report draft, Inbox, Budget sheet,
    // Chat log. The fourth tile's centre: x = 14 + 150 × 3 + 70, y = 56 + 47.
    input.moveTo((*frame)[0] + 14 + 150 * 3 + 70, (*frame)[1] + 56 + 47);
    expectFocusKept();
    input.click();
    EXPECT_TRUE(waitActive(w.budget));
    EXPECT_TRUE(waitPanel(false));
    input.release(superL);
    // The release after the click commits nothing more.
    watch.idle(300ms);
    EXPECT_EQ(watch.activeChangesSince(from, false), std::vector<xcb_window_t>{w.budget});
}

// Regressions: the binding's own grab ends with the Tab's release, and until the program
// had taken the whole keyboard a key typed right after went to the focused window. And with
// the whole burst typed before the program took the keyboard, it read the modifiers' state
// after the grab, found Super already up (its release was still queued behind "chat") and
// committed the preselected window at once.
TEST_F(SwitcherE2e, KeysTypedTheMomentAfterTheHotkeyAreTheSwitchersInOrder) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    input.burst({{true, superL}, {true, tab}, {false, tab}, {true, 'q'}, {false, 'q'}});
    EXPECT_EQ(closed(2), (std::set<std::string>{"closed report wm", "closed budget wm"}));
    input.burst({{true, escape}, {false, escape}, {false, superL}});
    EXPECT_TRUE(watch.until([&] { return probe.clients().size() == 3u; }));
    EXPECT_EQ(probe.active(), w.calendar);

    std::vector<std::pair<bool, Keysym>> keys{{true, superL}, {true, tab}, {false, tab}};
    for (char ch : std::string("fchat"))
        keys.insert(keys.end(), {{true, Keysym(ch)}, {false, Keysym(ch)}});
    keys.push_back({false, superL});
    input.burst(keys);
    EXPECT_TRUE(waitActive(w.chat)) << "the filter should have selected Chat log";
    EXPECT_TRUE(waitPanel(false));
}

} // namespace
} // namespace morvelan::e2e
