// End-to-end tests of the switcher: the morvelan program itself on Xvfb + openbox, five
// test-client windows of three applications, keys and clicks typed through XTest.
#include "E2eSupport.h"
#include "TestClient.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

extern char** environ;

namespace morvelan::e2e {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Keysym = xcb_keysym_t;

constexpr Keysym superL = 0xffeb;
constexpr Keysym altL = 0xffe9;
constexpr Keysym tab = 0xff09;
constexpr Keysym escape = 0xff1b;
constexpr Keysym backspace = 0xff08;

constexpr const char* workID = "6F1D3C2A-0B7E-4C55-9E3A-2B8D7A1C0001";
constexpr const char* mailID = "6F1D3C2A-0B7E-4C55-9E3A-2B8D7A1C0002";
constexpr const char* workspaceID = "6F1D3C2A-0B7E-4C55-9E3A-2B8D7A1C00FF";

// The panel's own title: how it is told apart from every other override-redirect window.
constexpr const char* panelTitle = "Morvelan Switcher";

std::string readFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

void pause(std::chrono::milliseconds ms) {
    std::this_thread::sleep_for(ms);
}

// Keys and pointer through XTest, on a connection of its own.
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

    void press(Keysym sym) { key(XCB_KEY_PRESS, sym); }
    void release(Keysym sym) { key(XCB_KEY_RELEASE, sym); }
    void tap(Keysym sym) {
        press(sym);
        release(sym);
    }
    void type(const std::string& text) {
        for (char ch : text)
            tap(static_cast<Keysym>(static_cast<unsigned char>(ch)));
    }
    void moveTo(int x, int y) {
        xcb_test_fake_input(conn_->get(), XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, conn_->root(),
                            static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 0);
        sync();
    }
    void click() {
        xcb_test_fake_input(conn_->get(), XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(conn_->get(), XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                            0);
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
            const auto delay = first ? 0u : static_cast<std::uint32_t>(gap.count());
            xcb_test_fake_input(conn_->get(), down ? XCB_KEY_PRESS : XCB_KEY_RELEASE,
                                codes.get()[0], delay, XCB_NONE, 0, 0, 0);
            first = false;
        }
        sync();
    }
    // One round trip: the server has taken every fake event sent before.
    void sync() { conn_->reply(xcb_get_input_focus_reply, xcb_get_input_focus(conn_->get())); }

private:
    void key(std::uint8_t type, Keysym sym) {
        XcbPtr<xcb_keycode_t> codes{xcb_key_symbols_get_keycode(symbols_, sym)};
        ASSERT_TRUE(codes && codes.get()[0] != XCB_NO_SYMBOL) << "no key for keysym " << hex(sym);
        xcb_test_fake_input(conn_->get(), type, codes.get()[0], XCB_CURRENT_TIME, XCB_NONE, 0, 0,
                            0);
        sync();
    }

    std::unique_ptr<X11Connection> conn_;
    xcb_key_symbols_t* symbols_ = nullptr;
};

// Watches the root window on a connection of its own: maps and unmaps of the switcher panel
// and every change of _NET_ACTIVE_WINDOW, in the order the server reported them.
class Watch {
public:
    struct Event {
        enum Kind { panelMapped, panelUnmapped, active } kind;
        xcb_window_t window; // the panel, or the new active window
        Clock::time_point at;
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

    const std::vector<Event>& events() const { return events_; }
    std::size_t mark() {
        pump();
        return events_.size();
    }
    bool panelMapped() const { return mapped_; }
    // Panel maps seen since `from` (an index into events()).
    int panelMapsSince(std::size_t from) const { return count(from, Event::panelMapped); }
    // Active-window changes seen since `from`.
    std::vector<xcb_window_t> activeChangesSince(std::size_t from) const {
        std::vector<xcb_window_t> out;
        for (std::size_t i = from; i < events_.size(); ++i)
            if (events_[i].kind == Event::active) out.push_back(events_[i].window);
        return out;
    }
    // The same without the moments of no active window that openbox passes through when
    // the focus moves.
    std::vector<xcb_window_t> windowsActivatedSince(std::size_t from) const {
        auto out = activeChangesSince(from);
        std::erase(out, XCB_NONE);
        return out;
    }
    xcb_window_t panel() const { return panel_; }
    // The panel's frame on the root window.
    std::optional<std::array<int, 4>> panelFrame() {
        auto g = conn_->reply(xcb_get_geometry_reply, xcb_get_geometry(conn_->get(), panel_));
        if (!g) return std::nullopt;
        return std::array<int, 4>{g->x, g->y, g->width, g->height};
    }

private:
    int count(std::size_t from, Event::Kind kind) const {
        int n = 0;
        for (std::size_t i = from; i < events_.size(); ++i)
            if (events_[i].kind == kind) ++n;
        return n;
    }

    void take(const xcb_generic_event_t& ev) {
        switch (ev.response_type & 0x7f) {
        case XCB_MAP_NOTIFY: {
            const auto& map = reinterpret_cast<const xcb_map_notify_event_t&>(ev);
            if (map.override_redirect && isPanel(map.window)) {
                panel_ = map.window;
                mapped_ = true;
                events_.push_back({Event::panelMapped, map.window, Clock::now()});
            }
            break;
        }
        case XCB_UNMAP_NOTIFY: {
            const auto& unmap = reinterpret_cast<const xcb_unmap_notify_event_t&>(ev);
            if (unmap.window == panel_ && panel_ != XCB_NONE) {
                mapped_ = false;
                events_.push_back({Event::panelUnmapped, unmap.window, Clock::now()});
            }
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto& prop = reinterpret_cast<const xcb_property_notify_event_t&>(ev);
            if (prop.window != conn_->root() || prop.atom != conn_->ewmh()._NET_ACTIVE_WINDOW)
                break;
            const xcb_window_t now = active();
            if (now != lastActive_) events_.push_back({Event::active, now, Clock::now()});
            lastActive_ = now;
            break;
        }
        default:
            break;
        }
    }

    bool isPanel(xcb_window_t window) {
        if (known_.count(window) != 0) return known_[window];
        auto r = conn_->reply(xcb_get_property_reply,
                              xcb_get_property(conn_->get(), 0, window, XCB_ATOM_WM_NAME,
                                               XCB_GET_PROPERTY_TYPE_ANY, 0, 256));
        const bool panel = prop::bytes(r.get()).value_or("") == panelTitle;
        known_[window] = panel;
        return panel;
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

// The morvelan program, started as a user would; stopped with SIGTERM.
class Program {
public:
    bool start() {
        char* argv[] = {const_cast<char*>(MORVELAN_BINARY), nullptr};
        return posix_spawn(&pid_, MORVELAN_BINARY, nullptr, nullptr, argv, environ) == 0;
    }
    bool running() {
        if (pid_ <= 0) return false;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) != pid_) return true;
        pid_ = -1;
        exitStatus_ = status;
        return false;
    }
    // SIGTERM, then SIGKILL after five seconds; the exit status as waitpid gave it.
    int stop() {
        if (pid_ <= 0) return exitStatus_;
        kill(pid_, SIGTERM);
        int status = 0;
        const auto deadline = Clock::now() + 5s;
        while (waitpid(pid_, &status, WNOHANG) != pid_) {
            if (Clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            pause(10ms);
        }
        pid_ = -1;
        exitStatus_ = status;
        return status;
    }
    ~Program() { stop(); }

private:
    pid_t pid_ = -1;
    int exitStatus_ = 0;
};

// Five windows of three applications:
//   Alpha (pid 5001): "Report draft", "Budget sheet"   — context "Work" by its rule
//   Beta  (pid 5002): "Inbox" (pinned to "Mail"), "Calendar"
//   Gamma (pid 5003): "Chat log"
struct Windows {
    xcb_window_t report = 0, budget = 0, inbox = 0, calendar = 0, chat = 0;
};

class SwitcherE2e : public ::testing::Test {
protected:
    void SetUp() override {
        if (!inSession()) GTEST_SKIP() << "end-to-end tests run through scripts/xvfb-session";
        ASSERT_TRUE(probe.ok());
        ASSERT_TRUE(input.ok());
        ASSERT_TRUE(watch.ok());
        ASSERT_TRUE(client.running());
        ASSERT_TRUE(waitFor([&] { return probe.clients().empty(); }, 5s));
        dataDir = fs::path(dataHome()) / "Morvelan";
        configDir = fs::path(std::getenv("XDG_CONFIG_HOME")) / "Morvelan";
        fs::remove_all(dataDir);
        fs::remove_all(configDir);

        w.report = client.open("id=report class=Alpha appid=org.test.Alpha title='Report draft' "
                               "pid=5001 color=E0574B icon=48,128");
        w.budget = client.open("id=budget class=Alpha appid=org.test.Alpha title='Budget sheet' "
                               "pid=5001 color=E0574B icon=48,128");
        w.inbox = client.open("id=inbox class=Beta appid=org.test.Beta title='Inbox' pid=5002 "
                              "color=3F8FD8 icon=48,128");
        w.calendar = client.open("id=calendar class=Beta appid=org.test.Beta title='Calendar' "
                                 "pid=5002 color=3F8FD8 icon=48,128");
        w.chat = client.open("id=chat class=Gamma appid=org.test.Gamma title='Chat log' "
                             "pid=5003 color=2DB36F icon=48,128");
        for (xcb_window_t id : {w.report, w.budget, w.inbox, w.calendar, w.chat})
            ASSERT_NE(id, 0u);
        ASSERT_TRUE(waitFor([&] { return probe.active() == w.chat; }, 5s));
    }

    void TearDown() override {
        if (!inSession()) return;
        // Keys typed while the switcher was open belong to it, never to the focused window.
        std::string leaked;
        while (auto line = client.expect("key ", 100ms)) {
            // Modifiers alone are never taken from the focused window.
            const auto sym = std::strtoul(line->substr(line->rfind(' ') + 1).c_str(), nullptr, 16);
            if (sym < 0xffe1 || sym > 0xffee) leaked += " [" + *line + "]";
        }
        EXPECT_EQ(leaked, "") << "keys reached the focused window";
        const int status = program.stop();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "morvelan ended with status " << status;
    }

    // Settings beyond the defaults: no tour, no update check, no login item.
    void writeSettings(const nlohmann::json& extra = nlohmann::json::object()) {
        nlohmann::json s = {
            {"hasSeenIntro", true}, {"autoUpdate", false}, {"launchAtLoginConfigured", true}};
        s.update(extra);
        writeFile(configDir / "settings.json", s.dump());
    }

    // "Work": every window of an application whose name contains "Alpha"; "Mail": the
    // "Inbox" window, pinned. "Work" is active.
    void writeContexts() {
        const nlohmann::json doc = {
            {"activeID", workID},
            {"workspaces", {{{"id", workspaceID}, {"name", "Office"}}}},
            {"contexts",
             {{{"id", workID},
               {"name", "Work"},
               {"colorHex", "#3478F6"},
               {"workspaceID", workspaceID},
               {"members", nlohmann::json::array()},
               {"rules",
                {{{"exclude", false},
                  {"clauses", {{{"field", "appName"}, {"op", "contains"}, {"value", "Alpha"}}}}}}}},
              {{"id", mailID},
               {"name", "Mail"},
               {"colorHex", "#E8833A"},
               {"workspaceID", workspaceID},
               {"members",
                {{{"bundleID", "org.test.Beta"},
                  {"title", "Inbox"},
                  {"matchAppOnly", false},
                  {"wid", w.inbox}}}},
               {"rules", nlohmann::json::array()}}}}};
        writeFile(dataDir / "contexts.json", doc.dump());
    }

    // Starts morvelan and waits until its hotkeys are live and it has logged the focus.
    void startProgram() {
        ASSERT_TRUE(program.start());
        ASSERT_TRUE(waitFor(
            [&] {
                return readFile(dataDir / "status.log").find("tapActive=true") != std::string::npos;
            },
            15s))
            << "the hotkeys never came up; status.log:\n"
            << readFile(dataDir / "status.log");
        ASSERT_TRUE(program.running());
    }

    // Whether focused.log names `window` (its poll has followed the focus onto it).
    bool logged(xcb_window_t window) {
        return readFile(dataDir / "focused.log").find("wid=" + std::to_string(window) + "\n") !=
               std::string::npos;
    }

    // Focuses the windows one after another, each only once morvelan has followed it, so
    // the last one is the most recent.
    void useInOrder(const std::vector<xcb_window_t>& order) {
        for (xcb_window_t id : order) {
            ASSERT_EQ(run({"xdotool", "windowactivate", "--sync", std::to_string(id)}), 0);
            ASSERT_TRUE(waitFor([&] { return probe.active() == id; }, 5s));
            ASSERT_TRUE(waitFor([&] { return logged(id); }, 10s))
                << "focused.log never named " << hex(id) << ":\n"
                << readFile(dataDir / "focused.log");
        }
    }

    // The usual start: files written, morvelan running, recency (most recent first)
    // Calendar, Report draft, Inbox, Budget sheet, Chat log; "Work" active.
    void standardStart(const nlohmann::json& settings = nlohmann::json::object()) {
        writeSettings(settings);
        writeContexts();
        ASSERT_NO_FATAL_FAILURE(startProgram());
        ASSERT_NO_FATAL_FAILURE(useInOrder({w.chat, w.budget, w.inbox, w.report, w.calendar}));
        ASSERT_EQ(activeContext(), workID);
    }

    std::string activeContext() {
        try {
            auto doc = nlohmann::json::parse(readFile(dataDir / "contexts.json"));
            return doc.value("activeID", std::string());
        } catch (const nlohmann::json::exception&) {
            return "(unreadable)";
        }
    }

    nlohmann::json settingsFile() {
        try {
            return nlohmann::json::parse(readFile(configDir / "settings.json"));
        } catch (const nlohmann::json::exception&) {
            return nlohmann::json::object();
        }
    }

    bool waitActive(xcb_window_t id) {
        return watch.until([&] { return probe.active() == id; });
    }

    bool waitPanel(bool mapped) {
        return watch.until([&] { return watch.panelMapped() == mapped; });
    }

    // While the panel is up: the active window has not moved since `from` and is `expected`.
    void expectFocusKept(std::size_t from, xcb_window_t expected) {
        watch.pump();
        EXPECT_TRUE(watch.activeChangesSince(from).empty())
            << "the active window changed while the switcher was open, first to "
            << hex(watch.activeChangesSince(from).front());
        EXPECT_EQ(probe.active(), expected);
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

    RootProbe probe;
    Input input;
    Watch watch;
    TestClient client;
    Program program;
    Windows w;
    fs::path dataDir;
    fs::path configDir;
};

TEST_F(SwitcherE2e, QuickTapFocusesThePreviousWindowWithoutShowingThePanel) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    const std::size_t from = watch.mark();

    // Spaced 8 ms apart by the server itself, whatever this process's scheduling: the tap
    // is over 24 ms after Super went down.
    input.burst({{true, superL}, {true, tab}, {false, tab}, {false, superL}}, 8ms);

    EXPECT_TRUE(waitActive(w.report));
    // Well past the 65 ms delay: the panel would have been mapped by now.
    const auto settled = Clock::now();
    watch.until([&] { return Clock::now() - settled > 500ms; }, 1s);
    EXPECT_EQ(watch.panelMapsSince(from), 0) << "the panel was shown for a quick tap";
    EXPECT_FALSE(watch.panelMapped());
    EXPECT_EQ(watch.windowsActivatedSince(from), std::vector<xcb_window_t>{w.report});
    EXPECT_EQ(activeContext(), workID);
}

TEST_F(SwitcherE2e, TabTabReleaseFocusesTheThirdWindowAndKeepsTheChosenChipsContext) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    const std::size_t from = watch.mark();

    input.press(superL);
    input.tap(tab);
    input.tap(tab); // shows the panel at once
    ASSERT_TRUE(waitPanel(true));
    screenshot("switcher-work");
    expectFocusKept(from, w.calendar);

    input.release(superL);
    const auto committed = Clock::now();
    EXPECT_TRUE(waitActive(w.inbox)) << "the third window in recency order is Inbox";
    EXPECT_TRUE(waitPanel(false));

    // The "Work" chip was active: committing makes "Work" the active context even though
    // Inbox belongs to "Mail", and focus following stays out of it for two seconds; after
    // that the focused window's own context takes over.
    EXPECT_EQ(activeContext(), workID);
    ASSERT_TRUE(waitFor([&] { return activeContext() == mailID; }, 10s));
    EXPECT_GE(Clock::now() - committed, 1950ms)
        << "focus following switched to Mail while the switch was still settling";
    EXPECT_EQ(settingsFile().value("switcherShowAll", true), false);
}

TEST_F(SwitcherE2e, TabTabReleaseUnderAllMakesTheFocusedWindowsContextActive) {
    ASSERT_NO_FATAL_FAILURE(standardStart({{"switcherShowAll", true}}));
    const std::size_t from = watch.mark();

    input.press(superL);
    input.tap(tab);
    input.tap(tab);
    ASSERT_TRUE(waitPanel(true));
    screenshot("switcher-all");
    expectFocusKept(from, w.calendar);

    input.release(superL);
    EXPECT_TRUE(waitActive(w.inbox));
    EXPECT_TRUE(waitPanel(false));
    // "All" commits no context: focus following makes Inbox's context, "Mail", active.
    EXPECT_TRUE(waitFor([&] { return activeContext() == mailID; }, 10s));
    EXPECT_EQ(settingsFile().value("switcherShowAll", false), true);
}

TEST_F(SwitcherE2e, AltTabIsConfinedToTheActiveContext) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    const std::size_t from = watch.mark();

    // Recency: Calendar, Report draft, Inbox, Budget sheet, Chat log. Confined to "Work",
    // the first Tab lands on Report draft and the second skips Inbox for Budget sheet.
    input.press(altL);
    input.tap(tab);
    input.tap(tab);
    ASSERT_TRUE(waitPanel(true));
    screenshot("switcher-confined");
    expectFocusKept(from, w.calendar);

    input.release(altL);
    EXPECT_TRUE(waitActive(w.budget));
    EXPECT_TRUE(waitPanel(false));
    EXPECT_EQ(activeContext(), workID);
}

TEST_F(SwitcherE2e, SuperFThenTypingFilters) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    const std::size_t from = watch.mark();

    input.press(superL);
    input.tap(tab);
    input.tap('f');
    ASSERT_TRUE(waitPanel(true));
    // Nothing matches "chatz"; deleting the "z" leaves "chat", which only "Chat log" has.
    input.type("chatz");
    input.tap(backspace);
    screenshot("switcher-filter");
    expectFocusKept(from, w.calendar);

    input.release(superL);
    EXPECT_TRUE(waitActive(w.chat)) << "the filter should have selected Chat log";
    EXPECT_TRUE(waitPanel(false));
}

TEST_F(SwitcherE2e, FilterMatchesTheApplicationNameInAnyCase) {
    ASSERT_NO_FATAL_FAILURE(standardStart());

    input.press(superL);
    input.tap(tab);
    input.tap('f');
    // "Gamma" is only the application's name; typed with Shift for the capital.
    input.press(0xffe1); // Shift_L
    input.tap('g');
    input.release(0xffe1);
    input.type("amm");
    input.release(superL);
    EXPECT_TRUE(waitActive(w.chat));
    EXPECT_TRUE(waitPanel(false));
}

TEST_F(SwitcherE2e, WClosesTheSelectedWindow) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    const std::size_t from = watch.mark();

    input.press(superL);
    input.tap(tab);
    input.tap(tab); // Inbox
    input.tap('w');
    EXPECT_TRUE(client.expect("closed inbox wm", 10s)) << "Inbox was not asked to close";
    ASSERT_TRUE(waitPanel(true));
    expectFocusKept(from, w.calendar);

    // The panel stays open on the next window; Escape leaves the focus where it was.
    input.tap(escape);
    input.release(superL);
    EXPECT_TRUE(waitPanel(false));
    watch.until([] { return false; }, 300ms);
    EXPECT_TRUE(watch.activeChangesSince(from).empty());
    EXPECT_EQ(probe.active(), w.calendar);
    const auto clients = probe.clients();
    EXPECT_EQ(std::count(clients.begin(), clients.end(), w.inbox), 0);
    EXPECT_EQ(clients.size(), 4u);
    EXPECT_FALSE(client.expect("closed", 200ms)) << "another window was closed";
}

TEST_F(SwitcherE2e, QQuitsTheSelectedApplication) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    const std::size_t from = watch.mark();

    input.press(superL);
    input.tap(tab); // Report draft, an Alpha window
    input.tap('q');
    // Both of Alpha's windows are asked to close; the others stay.
    std::set<std::string> closed;
    for (int i = 0; i < 2; ++i)
        if (auto line = client.expect("closed ", 10s)) closed.insert(*line);
    EXPECT_EQ(closed, (std::set<std::string>{"closed report wm", "closed budget wm"}));
    ASSERT_TRUE(waitPanel(true));
    expectFocusKept(from, w.calendar);

    input.tap(escape);
    input.release(superL);
    EXPECT_TRUE(waitPanel(false));
    EXPECT_EQ(probe.active(), w.calendar);
    EXPECT_EQ(probe.clients().size(), 3u);
    EXPECT_FALSE(client.expect("closed", 200ms)) << "a window of another application was closed";
}

TEST_F(SwitcherE2e, ThePanelIsCompleteTheMomentItIsMapped) {
    // Idle long enough for the next opening to have been painted ahead.
    ASSERT_NO_FATAL_FAILURE(standardStart());
    pause(1500ms);
    input.press(superL);
    input.tap(tab);
    ASSERT_TRUE(waitPanel(true));
    const auto first = panelPixels();
    pause(400ms);
    const auto settled = panelPixels();
    input.tap(escape);
    input.release(superL);
    EXPECT_TRUE(waitPanel(false));
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
    const std::size_t from = watch.mark();

    input.press(superL);
    input.tap(tab);
    input.tap(tab);
    input.tap(tab);
    ASSERT_TRUE(waitPanel(true));
    input.tap(escape);
    EXPECT_TRUE(waitPanel(false));
    input.release(superL);

    // The release after Escape commits nothing.
    watch.until([] { return false; }, 500ms);
    EXPECT_TRUE(watch.activeChangesSince(from).empty());
    EXPECT_EQ(probe.active(), w.calendar);
    EXPECT_EQ(activeContext(), workID);
    EXPECT_EQ(probe.clients().size(), 5u);
}

TEST_F(SwitcherE2e, ClickOnATileFocusesItsWindow) {
    ASSERT_NO_FATAL_FAILURE(standardStart());
    const std::size_t from = watch.mark();

    input.press(superL);
    input.tap(tab);
    input.tap(tab);
    ASSERT_TRUE(waitPanel(true));
    auto frame = watch.panelFrame();
    ASSERT_TRUE(frame);
    // One row of tiles in recency order: Calendar, Report draft, Inbox, Budget sheet,
    // Chat log. The fourth tile's centre: x = 14 + 150 × 3 + 70, y = 56 + 47.
    input.moveTo((*frame)[0] + 14 + 150 * 3 + 70, (*frame)[1] + 56 + 47);
    expectFocusKept(from, w.calendar);
    input.click();
    EXPECT_TRUE(waitActive(w.budget));
    EXPECT_TRUE(waitPanel(false));
    input.release(superL);
    // The release after the click commits nothing more.
    watch.until([] { return false; }, 300ms);
    EXPECT_EQ(watch.windowsActivatedSince(from), std::vector<xcb_window_t>{w.budget});
}

// Regression: the binding's own grab ends with the Tab's release, and until the program
// has taken the whole keyboard a key typed right after went to the focused window.
TEST_F(SwitcherE2e, KeysTypedTheMomentAfterTheHotkeyStillGoToTheSwitcher) {
    ASSERT_NO_FATAL_FAILURE(standardStart());

    input.burst({{true, superL}, {true, tab}, {false, tab}, {true, 'q'}, {false, 'q'}});
    std::set<std::string> closed;
    for (int i = 0; i < 2; ++i)
        if (auto line = client.expect("closed ", 10s)) closed.insert(*line);
    EXPECT_EQ(closed, (std::set<std::string>{"closed report wm", "closed budget wm"}));
    input.burst({{true, escape}, {false, escape}, {false, superL}});
    EXPECT_TRUE(watch.until([&] { return probe.clients().size() == 3u; }));
    EXPECT_EQ(probe.active(), w.calendar);
}

// Regression: with the whole burst typed before the program took the keyboard, it read the
// modifiers' state after the grab, found Super already up (its release was still queued
// behind "chat") and committed the preselected window at once.
TEST_F(SwitcherE2e, AWholeSwitchTypedAtOnceIsReadInOrder) {
    ASSERT_NO_FATAL_FAILURE(standardStart());

    input.burst({{true, superL},
                 {true, tab},
                 {false, tab},
                 {true, 'f'},
                 {false, 'f'},
                 {true, 'c'},
                 {false, 'c'},
                 {true, 'h'},
                 {false, 'h'},
                 {true, 'a'},
                 {false, 'a'},
                 {true, 't'},
                 {false, 't'},
                 {false, superL}});
    EXPECT_TRUE(waitActive(w.chat)) << "the filter should have selected Chat log";
    EXPECT_TRUE(waitPanel(false));
}

} // namespace
} // namespace morvelan::e2e
