// End-to-end tests of the switcher: the morvelan program itself on Xvfb + openbox, five
// test-client windows of three applications, keys and clicks typed through XTest. Only what a
// real X server shows: the panel mapped and painted, the keyboard taken, the focus moving.
#include "ProgramE2e.h"
#include "TestClient.h"

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <set>

namespace morvelan::e2e {
namespace {

using Keysym = xcb_keysym_t;
// Presses (true) and releases, in order.
using Keys = std::vector<std::pair<bool, Keysym>>;

constexpr Keysym superL = 0xffeb, altL = 0xffe9, shiftL = 0xffe1, tab = 0xff09, escape = 0xff1b,
                 backspace = 0xff08;

constexpr const char* workID = "6F1D3C2A-0B7E-4C55-9E3A-2B8D7A1C0001";

// The panel's own title: how it is told apart from every other override-redirect window.
constexpr const char* panelTitle = "Morvelan Switcher";

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
    void burst(const Keys& keys, std::chrono::milliseconds gap = 0ms) {
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
    // Forgets the maps and active windows seen so far.
    void reset() {
        pump();
        panelMaps = 0;
        actives.clear();
    }
    // The active windows since the reset, without the moments of none that openbox passes
    // through when the focus moves.
    std::vector<xcb_window_t> activated() const {
        std::vector<xcb_window_t> out;
        std::copy_if(actives.begin(), actives.end(), std::back_inserter(out),
                     [](xcb_window_t w) { return w != XCB_NONE; });
        return out;
    }
    // The panel's frame on the root window.
    std::optional<std::array<int, 4>> panelFrame() {
        auto g = conn_->reply(xcb_get_geometry_reply, xcb_get_geometry(conn_->get(), panel_));
        if (!g) return std::nullopt;
        return std::array<int, 4>{g->x, g->y, g->width, g->height};
    }

    bool panelMapped = false;
    int panelMaps = 0;                 // since the reset
    std::vector<xcb_window_t> actives; // every change since the reset, none included

private:
    void take(const xcb_generic_event_t& ev) {
        const auto type = ev.response_type & 0x7f;
        if (type == XCB_MAP_NOTIFY) {
            const auto& map = reinterpret_cast<const xcb_map_notify_event_t&>(ev);
            if (!map.override_redirect || !isPanel(map.window)) return;
            panel_ = map.window;
            panelMapped = true;
            ++panelMaps;
        } else if (type == XCB_UNMAP_NOTIFY) {
            const auto& unmap = reinterpret_cast<const xcb_unmap_notify_event_t&>(ev);
            if (unmap.window == panel_) panelMapped = false;
        } else if (type == XCB_PROPERTY_NOTIFY) {
            const auto& prop = reinterpret_cast<const xcb_property_notify_event_t&>(ev);
            if (prop.window != conn_->root() || prop.atom != conn_->ewmh()._NET_ACTIVE_WINDOW)
                return;
            auto r = conn_->reply(
                xcb_get_property_reply,
                xcb_get_property(conn_->get(), 0, conn_->root(), prop.atom, XCB_ATOM_WINDOW, 0, 1));
            const xcb_window_t now = prop::cardinal(r.get()).value_or(XCB_NONE);
            if (now != lastActive_) actives.push_back(now);
            lastActive_ = now;
        }
    }

    bool isPanel(xcb_window_t window) {
        auto r = conn_->reply(xcb_get_property_reply,
                              xcb_get_property(conn_->get(), 0, window, XCB_ATOM_WM_NAME,
                                               XCB_GET_PROPERTY_TYPE_ANY, 0, 256));
        return prop::bytes(r.get()).value_or("") == panelTitle;
    }

    std::unique_ptr<X11Connection> conn_;
    xcb_window_t panel_ = XCB_NONE;
    xcb_window_t lastActive_ = XCB_NONE;
};

class SwitcherE2e : public ProgramE2e {
protected:
    void SetUp() override {
        ProgramE2e::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(input.ok() && watch.ok() && client.running());
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
        report = stage("report", "Alpha", "Report draft", 5001, "E0574B");
        budget = stage("budget", "Alpha", "Budget sheet", 5001, "E0574B");
        inbox = stage("inbox", "Beta", "Inbox", 5002, "3F8FD8");
        calendar = stage("calendar", "Beta", "Calendar", 5002, "3F8FD8");
        chat = stage("chat", "Gamma", "Chat log", 5003, "2DB36F");
        ASSERT_FALSE(HasFailure());
        ASSERT_TRUE(waitFor([&] { return probe.active() == chat; }, 5s));
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

    // "Work", the active context: every window of an application whose name contains "Alpha".
    void writeContexts() {
        ProgramE2e::writeContexts(Json::parse(R"({
            "activeID": "6F1D3C2A-0B7E-4C55-9E3A-2B8D7A1C0001",
            "workspaces": [{"id": "6F1D3C2A-0B7E-4C55-9E3A-2B8D7A1C00FF", "name": "Office"}],
            "contexts": [{"id": "6F1D3C2A-0B7E-4C55-9E3A-2B8D7A1C0001", "name": "Work",
                "colorHex": "#3478F6", "workspaceID": "6F1D3C2A-0B7E-4C55-9E3A-2B8D7A1C00FF",
                "members": [], "rules": [{"exclude": false, "clauses":
                    [{"field": "appName", "op": "contains", "value": "Alpha"}]}]}]})"));
    }

    // The usual start: files written, morvelan running with its hotkeys live, recency (most
    // recent first) Calendar, Report draft, Inbox, Budget sheet, Chat log; "Work" active.
    void standardStart() {
        writeSettings();
        writeContexts();
        ASSERT_NO_FATAL_FAILURE(startProgram("tapActive=true"));
        // Each window focused only once morvelan has followed the one before: its focus poll
        // has logged it, and has painted the next opening ahead.
        for (xcb_window_t id : {chat, budget, inbox, report, calendar}) {
            ASSERT_EQ(run({"xdotool", "windowactivate", "--sync", std::to_string(id)}), 0);
            ASSERT_TRUE(waitFor([&] { return probe.active() == id; }, 5s));
            // The program's window ids are its own: the title tells which window it logged.
            const std::string logged = "\ntitle=" + titles.at(id) + "\n";
            ASSERT_TRUE(
                waitFor([&] { return data("focused.log").find(logged) != std::string::npos; }, 10s))
                << "focused.log never named " << hex(id) << ":\n"
                << data("focused.log");
        }
        ASSERT_EQ(activeID(), workID);
    }

    // Waits until `id` is active, then reads every event the server sent before that.
    bool waitActive(xcb_window_t id) {
        const bool active = watch.until([&] { return probe.active() == id; });
        watch.pump();
        return active;
    }
    bool waitPanel(bool mapped) {
        return watch.until([&] { return watch.panelMapped == mapped; });
    }
    // Puts the pointer on the centre of the first row's tile `index` (tiles 150 px apart).
    void pointAtTile(int index) {
        const auto frame = watch.panelFrame();
        ASSERT_TRUE(frame);
        input.moveTo((*frame)[0] + 14 + 150 * index + 70, (*frame)[1] + 56 + 47);
    }

    // While the panel is up: the active window has not moved since it was opened.
    void expectFocusKept() {
        watch.pump();
        EXPECT_TRUE(watch.actives.empty())
            << "the active window changed while the switcher was open, first to "
            << hex(watch.actives.front());
        EXPECT_EQ(probe.active(), focused);
    }
    void mark() {
        watch.reset();
        focused = probe.active();
    }

    // Holds `modifier`, taps `keys` and waits for the panel; the focus stays meanwhile.
    void open(Keysym modifier, const std::vector<Keysym>& keys) {
        mark();
        input.press(modifier);
        for (Keysym key : keys)
            input.tap(key);
        ASSERT_TRUE(waitPanel(true));
        expectFocusKept();
    }
    // Lets go of `modifier`: `window` becomes active and the panel goes.
    void commit(Keysym modifier, xcb_window_t window) {
        input.release(modifier);
        EXPECT_TRUE(waitActive(window)) << "expected " << hex(window) << " to be focused";
        EXPECT_TRUE(waitPanel(false));
    }
    // The next `count` windows the test client was asked to close.
    std::set<std::string> closed(int count) {
        std::set<std::string> lines;
        for (int i = 0; i < count; ++i)
            if (auto line = client.expect("closed ", 10s)) lines.insert(*line);
        return lines;
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
    // Five windows of three applications:
    //   Alpha (pid 5001): "Report draft", "Budget sheet"   — context "Work" by its rule
    //   Beta  (pid 5002): "Inbox", "Calendar"
    //   Gamma (pid 5003): "Chat log"
    xcb_window_t report = 0, budget = 0, inbox = 0, calendar = 0, chat = 0;
    std::map<xcb_window_t, std::string> titles;
    xcb_window_t focused = XCB_NONE; // the active window when the switcher was opened
};

TEST_F(SwitcherE2e, QuickTapFocusesThePreviousWindowWithoutShowingThePanel) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    mark();
    // Spaced 8 ms apart by the server itself, whatever this process's scheduling: the tap
    // is over 24 ms after Super went down, inside the 65 ms show delay.
    input.burst({{true, superL}, {true, tab}, {false, tab}, {false, superL}}, 8ms);
    EXPECT_TRUE(waitActive(report));
    // A panel shown for the tap is mapped before the commit moves the focus.
    EXPECT_EQ(watch.panelMaps, 0) << "the panel was shown for a quick tap";
    EXPECT_EQ(watch.activated(), std::vector<xcb_window_t>{report});
}

// Alt-Tab is taken from openbox and confined to "Work": from Calendar the first Tab lands on
// Report draft and the second skips Inbox for Budget sheet.
TEST_F(SwitcherE2e, AltTabStepsOnlyThroughTheActiveContextsWindows) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    ASSERT_NO_FATAL_FAILURE(open(altL, {tab, tab}));
    commit(altL, budget);
}

TEST_F(SwitcherE2e, ThePanelIsCompleteTheMomentItIsMappedAndAClickFocusesATile) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    ASSERT_NO_FATAL_FAILURE(open(superL, {tab}));
    const auto first = panelPixels();
    ASSERT_FALSE(first.empty());
    // Tab moves the ring and Shift moves it back. Once both are painted, whatever the
    // program still meant to paint after the mapping has been painted too, so the picture
    // must be back to the one mapped: not an empty window, nor an older opening's.
    input.tap(tab);
    EXPECT_TRUE(watch.until([&] { return panelPixels() != first; })) << "Tab repainted nothing";
    input.tap(shiftL);
    EXPECT_TRUE(watch.until([&] { return panelPixels() == first; }))
        << "the panel's picture changed after it was mapped";

    // One row of tiles in recency order: Calendar, Report draft, Inbox, Budget sheet (the
    // fourth), Chat log.
    ASSERT_NO_FATAL_FAILURE(pointAtTile(3));
    input.click();
    EXPECT_TRUE(waitActive(budget));
    EXPECT_TRUE(waitPanel(false));
    input.release(superL);
    EXPECT_EQ(watch.activated(), std::vector<xcb_window_t>{budget});
}

// Regression: the panel read Alt as Mod1 whatever the keymap said. With Alt on Mod3, Alt-click
// on Inbox pins it to "Work" and the panel stays, where it used to focus Inbox.
TEST_F(SwitcherE2e, AltClickTakesAltFromTheKeymap) {
    const auto xmodmap = [](const char* a, const char* b) {
        return run({"xmodmap", "-e", a, "-e", b});
    };
    ASSERT_EQ(xmodmap("remove mod1 = Alt_L Alt_R Meta_L", "add mod3 = Alt_L"), 0);
    const std::shared_ptr<void> restore(
        nullptr, [&](void*) { xmodmap("clear mod3", "add mod1 = Alt_L Alt_R Meta_L"); });
    ASSERT_NO_FATAL_FAILURE(standardStart());
    ASSERT_NO_FATAL_FAILURE(open(superL, {tab}));
    ASSERT_NO_FATAL_FAILURE(pointAtTile(2));
    input.press(altL);
    input.click();
    input.release(altL);
    EXPECT_TRUE(
        waitFor([&] { return data("contexts.json").find("Inbox") != std::string::npos; }, 5s));
    expectFocusKept();
    EXPECT_TRUE(watch.panelMapped);
    input.tap(escape);
    input.release(superL);
}

// xlogo and xeyes name no process, and xterm gives no icon of its own (so openbox puts its
// generic one on it): such a window is listed, with the icon of its desktop entry from the
// icon theme, and focused from its tile.
TEST_F(SwitcherE2e, AWindowThatNamesNoProcessShowsItsDesktopEntrysIconAndIsFocused) {
    const fs::path share = dataHome();
    writeText(share / "applications/test-term.desktop",
              "[Desktop Entry]\nType=Application\nName=Term\nIcon=test-term\n"
              "StartupWMClass=TermLike\n");
    const fs::path png = share / "icons/hicolor/48x48/apps/test-term.png";
    fs::create_directories(png.parent_path());
    ASSERT_EQ(run({"convert", "-size", "48x48", "xc:#C81EB4", png.string()}), 0);
    const xcb_window_t term = client.open("id=term class=TermLike title=Term pid=none");
    ASSERT_NE(term, 0u);
    titles[term] = "Term";
    ASSERT_NO_FATAL_FAILURE(standardStart());
    ASSERT_NO_FATAL_FAILURE(open(superL, {tab}));
    // The icon's colour on the screen (BGRX): the 56-px icon of Term's tile.
    const auto pixels = panelPixels();
    std::size_t icon = 0;
    for (std::size_t i = 0; i + 3 < pixels.size(); i += 4)
        icon += pixels[i] == 0xB4 && pixels[i + 1] == 0x1E && pixels[i + 2] == 0xC8;
    EXPECT_GT(icon, 2000u);

    // Term, last focused before the five, is the sixth tile.
    ASSERT_NO_FATAL_FAILURE(pointAtTile(5));
    input.click();
    EXPECT_TRUE(waitActive(term));
    EXPECT_TRUE(waitPanel(false));
    input.release(superL);
}

// Regressions: the binding's own grab ends with the Tab's release, and until the program
// had taken the whole keyboard a key typed right after went to the focused window. And with
// the whole burst typed before the program took the keyboard, it read the modifiers' state
// after the grab, found Super already up (its release was still queued behind the filter)
// and committed the preselected window at once.
TEST_F(SwitcherE2e, KeysTypedTheMomentAfterTheHotkeyAreTheSwitchersInOrder) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    mark();
    // Q on the preselected Report draft asks both of Alpha's windows to close; the panel
    // stays and Escape then closes it with the focus where it was.
    input.burst({{true, superL}, {true, tab}, {false, tab}, {true, 'q'}, {false, 'q'}});
    EXPECT_EQ(closed(2), (std::set<std::string>{"closed report wm", "closed budget wm"}));
    EXPECT_TRUE(waitPanel(true));
    expectFocusKept();
    input.burst({{true, escape}, {false, escape}, {false, superL}});
    EXPECT_TRUE(waitPanel(false));
    EXPECT_TRUE(watch.until([&] { return probe.clients().size() == 3u; }));

    // Inbox is preselected now. F starts the filter; "c", Shift + "h", a "z" deleted and "at"
    // leave "cHat", which only Chat log matches.
    input.burst({{true, superL}, {true, tab},       {false, tab},       {true, 'f'},
                 {false, 'f'},   {true, 'c'},       {false, 'c'},       {true, shiftL},
                 {true, 'h'},    {false, 'h'},      {false, shiftL},    {true, 'z'},
                 {false, 'z'},   {true, backspace}, {false, backspace}, {true, 'a'},
                 {false, 'a'},   {true, 't'},       {false, 't'},       {false, superL}});
    EXPECT_TRUE(waitActive(chat)) << "the filter should have selected Chat log";
    EXPECT_TRUE(waitPanel(false));
    // Nothing was focused before: not by Q, not by Escape, not by the first Super release.
    EXPECT_EQ(watch.activated(), std::vector<xcb_window_t>{chat});

    // W closes only the selected Calendar, and the panel stays with the focus kept; the
    // release then focuses Inbox, which the selection moved on to.
    ASSERT_NO_FATAL_FAILURE(open(superL, {tab, 'w'}));
    EXPECT_EQ(closed(1), std::set<std::string>{"closed calendar wm"});
    expectFocusKept();
    EXPECT_TRUE(watch.panelMapped) << "the panel closed";
    commit(superL, inbox);
}

} // namespace
} // namespace morvelan::e2e
