// The whole program end to end: morvelan itself in a fresh Xvfb + openbox + trayer session,
// with windows from the test client. Focus following, pinning of new windows, clean-up of
// dead pins, windows on the X ids of a client that quit, the tray menu's window dump, and
// the window manager holding the hotkeys.
#include "ProgramE2e.h"
#include "TestClient.h"
#include "TrayProbe.h"
#include "x11/KeyboardMap.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <regex>
#include <thread>

namespace morvelan::e2e {
namespace {

using Clock = std::chrono::steady_clock;

// The program's timers: the focus poll runs every second, the new-window pass every three.
constexpr auto focusDeadline = 1100ms;
constexpr auto autoAddDeadline = 3100ms;

const std::string workID = "0A000000-0000-4000-8000-000000000001";
const std::string playID = "0B000000-0000-4000-8000-000000000002";
const std::string markID = "0C000000-0000-4000-8000-000000000003";

Json pin(const std::string& bundleID, const std::string& title,
         std::optional<xcb_window_t> wid = std::nullopt) {
    Json ref{{"bundleID", bundleID}, {"title", title}, {"matchAppOnly", false}};
    if (wid) ref["wid"] = *wid;
    return ref;
}

Json context(const std::string& id, const std::string& name, Json members) {
    return Json{{"id", id},
                {"name", name},
                {"colorHex", "#4ECDC4"},
                {"members", std::move(members)},
                {"rules", Json::array()}};
}

// A context whose only pin no window can match (no title, no window id): the first pass of the
// clean-up removes it and rewrites contexts.json, which shows when the passes happen.
Json marker() {
    return context(markID, "Marker", Json::array({pin("org.test.Gone", "")}));
}

// A window of the test application Alpha (pid 5001 unless given) or Beta (pid 5002).
xcb_window_t open(TestClient& client, const std::string& id, const std::string& app,
                  const std::string& title, int pid = 0) {
    if (pid == 0) pid = app == "Alpha" ? 5001 : 5002;
    const xcb_window_t window =
        client.open("id=" + id + " class=" + app + " appid=org.test." + app + " title='" + title +
                    "' pid=" + std::to_string(pid));
    EXPECT_NE(window, 0u) << title << " did not open";
    return window;
}

// How long since `start`, printed; at most `limit`.
void tookAtMost(Clock::time_point start, std::chrono::milliseconds limit, const std::string& what) {
    const std::chrono::duration<double> took = Clock::now() - start;
    std::cout << what << " after " << took.count() << " s\n";
    EXPECT_LE(took, limit) << what;
}

void xdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    EXPECT_EQ(run(args), 0) << args[1];
}

class AppE2e : public ProgramE2e {
protected:
    void SetUp() override {
        ProgramE2e::SetUp();
        if (!IsSkipped() && !HasFatalFailure()) writeSettings();
    }

    void writeContexts(Json contexts, const std::string& activeID) {
        ProgramE2e::writeContexts({{"contexts", std::move(contexts)},
                                   {"activeID", activeID},
                                   {"workspaces", Json::array()}});
    }

    // The pins of one context, as stored.
    Json members(const std::string& id) {
        const Json doc = contexts();
        if (doc.is_object())
            for (const Json& c : doc.at("contexts"))
                if (c.at("id") == id) return c.at("members");
        return Json::array();
    }

    bool hasPin(const std::string& id, const std::string& title,
                std::optional<xcb_window_t> wid = std::nullopt) {
        for (const Json& m : members(id))
            if (m.at("title") == title && (!wid || m.value("wid", 0u) == *wid)) return true;
        return false;
    }

    std::vector<std::string> titles(const std::string& id) {
        std::vector<std::string> out;
        for (const Json& m : members(id))
            out.push_back(m.at("title"));
        return out;
    }

    bool hasStatusLine(const std::string& line) {
        return ("\n" + data("status.log") + "\n").find("\n" + line + "\n") != std::string::npos;
    }
    bool focusedHas(const std::string& text) {
        return data("focused.log").find(text) != std::string::npos;
    }

    // Waits for the first pass of the new-window timer (the marker's pin is gone), then a
    // quarter of a second: the next pass is then 2.75 s away, close to the longest wait.
    void afterFirstPass() {
        ASSERT_TRUE(waitFor([&] { return members(markID).empty(); }, 10s))
            << "no pass of the clean-up";
        std::this_thread::sleep_for(250ms);
    }

    // Activates a window the way a pager does and waits for the window manager to agree.
    void activate(xcb_window_t window) {
        xdotool({"windowactivate", std::to_string(window)});
        ASSERT_TRUE(waitFor([&] { return probe.active() == window; }, 5s));
    }
};

TEST_F(AppE2e, ActivatingAWindowOnlyAnotherContextClaimsMakesThatContextActive) {
    TestClient client;
    const xcb_window_t aOne = open(client, "a1", "Alpha", "A one");
    const xcb_window_t aTwo = open(client, "a2", "Alpha", "A two");
    const xcb_window_t bMain = open(client, "b1", "Beta", "B main");
    ASSERT_FALSE(HasFailure());
    writeContexts(
        {context(workID, "Work", {pin("org.test.Alpha", "A one")}),
         context(playID, "Play", {pin("org.test.Beta", "B main"), pin("org.test.Alpha", "A two")})},
        workID);
    activate(aOne);
    startProgram();
    // The program has seen the focused window: Work, which holds it, stays active.
    ASSERT_TRUE(waitFor([&] { return focusedHas("title=A one\n"); }, 5s));
    EXPECT_EQ(activeID(), workID);
    EXPECT_TRUE(hasStatusLine("  * Work: members=1"));

    // Activates `window`: `id` must be the active context within the deadline, in
    // contexts.json and in status.log.
    const auto switchesTo = [&](xcb_window_t window, const std::string& id,
                                const std::string& statusLine) {
        const auto start = Clock::now();
        xdotool({"windowactivate", std::to_string(window)});
        EXPECT_TRUE(waitFor([&] { return activeID() == id && hasStatusLine(statusLine); }, 5s))
            << "the context did not become active";
        tookAtMost(start, focusDeadline, "\"" + statusLine + "\"");
    };

    // Another application's window: its activation notice leads there.
    switchesTo(bMain, playID, "  * Play: members=2");
    EXPECT_TRUE(hasStatusLine("    Work: members=1"));
    // The focus log follows with the next focus poll.
    EXPECT_TRUE(waitFor(
        [&] {
            return focusedHas("app=Beta\nwid=") &&
                   focusedHas("\ntitle=B main\nmatchedContext=Play\n");
        },
        5s))
        << data("focused.log");

    // Between two windows of one application there is no activation notice, only the
    // focus change.
    switchesTo(aOne, workID, "  * Work: members=1");
    switchesTo(aTwo, playID, "  * Play: members=2");
    EXPECT_TRUE(waitFor(
        [&] { return focusedHas("matchedContext=Play\n") && focusedHas("title=A two\n"); }, 5s))
        << data("focused.log");
}

// While the application runs, a new window of it is pinned in the active context that pins
// the application, and a pinned window that closes loses its pin.
TEST_F(AppE2e, PinsFollowNewAndClosedWindowsOfAPinnedApplication) {
    TestClient client;
    const xcb_window_t aOne = open(client, "a1", "Alpha", "A one");
    const xcb_window_t aTwo = open(client, "a2", "Alpha", "A two");
    open(client, "b1", "Beta", "B main");
    ASSERT_FALSE(HasFailure());
    writeContexts(
        {context(workID, "Work",
                 {pin("org.test.Alpha", "A one", aOne), pin("org.test.Alpha", "A two", aTwo)}),
         context(playID, "Play", Json::array()), marker()},
        workID);
    activate(aOne);
    startProgram();
    // The clean-up keeps both pins while both windows live.
    afterFirstPass();
    ASSERT_EQ(members(workID).size(), 2u);

    open(client, "a3", "Alpha", "A three");
    auto start = Clock::now();
    // A window of an application Work does not pin is left alone.
    open(client, "b2", "Beta", "B two");
    ASSERT_FALSE(HasFailure());
    ASSERT_TRUE(waitFor([&] { return hasPin(workID, "A three"); }, 10s))
        << "the new window was not pinned";
    tookAtMost(start, autoAddDeadline, "A three pinned");
    EXPECT_TRUE(members(playID).empty());
    EXPECT_EQ(activeID(), workID);
    EXPECT_TRUE(waitFor([&] { return hasStatusLine("  * Work: members=3"); }, 5s));

    client.send("close a2");
    ASSERT_TRUE(client.expect("closed a2", 5s));
    start = Clock::now();
    ASSERT_TRUE(waitFor([&] { return !hasPin(workID, "A two"); }, 10s))
        << "the pin of the closed window stayed";
    tookAtMost(start, autoAddDeadline, "pin of A two removed");
    EXPECT_EQ(titles(workID), (std::vector<std::string>{"A one", "A three"}));
    EXPECT_TRUE(waitFor([&] { return hasStatusLine("  * Work: members=2"); }, 5s));
}

// The X server hands the window ids of a client that quit to the next client at once. A
// window on such an id is a new window: the pin of the old one does not claim it, while a
// window with a pinned title is claimed by its title.
TEST_F(AppE2e, WindowsOnTheXIdsOfAClientThatQuitAreNewWindows) {
    auto alpha = std::make_unique<TestClient>();
    TestClient beta;
    const xcb_window_t aOne = open(*alpha, "a1", "Alpha", "A one");
    const xcb_window_t bMain = open(beta, "b1", "Beta", "B main");
    ASSERT_FALSE(HasFailure());
    writeContexts({context(workID, "Work", {pin("org.test.Alpha", "A one")}),
                   context(playID, "Play", {pin("org.test.Beta", "B main")})},
                  workID);
    activate(aOne);
    startProgram();
    // A new window of Alpha is pinned to Work with the id the program gave it.
    const xcb_window_t aTwo = open(*alpha, "a2", "Alpha", "A two");
    ASSERT_TRUE(waitFor([&] { return hasPin(workID, "A two"); }, 10s));

    // Alpha quits; the next client to connect gets its ids.
    alpha.reset();
    TestClient relaunched;
    ASSERT_TRUE(waitFor(
        [&] {
            const auto clients = probe.clients();
            return std::find(clients.begin(), clients.end(), aTwo) == clients.end();
        },
        5s));
    const xcb_window_t aOneAgain = open(relaunched, "a1", "Alpha", "A one", 5101);
    const xcb_window_t mail = open(relaunched, "m", "Alpha", "mail", 5101);
    ASSERT_EQ(aOneAgain, aOne) << "the X server gave the next client other ids";
    ASSERT_EQ(mail, aTwo) << "the X server gave the next client other ids";
    activate(bMain);
    ASSERT_TRUE(waitFor([&] { return activeID() == playID; }, 5s));

    // "mail" sits on A two's X id: no context claims it, so Play stays active.
    activate(mail);
    ASSERT_TRUE(waitFor([&] { return focusedHas("title=mail\nmatchedContext=(none)\n"); }, 5s))
        << data("focused.log");
    EXPECT_EQ(activeID(), playID);
    // The window titled like the pin of A one is claimed by Work.
    activate(aOneAgain);
    ASSERT_TRUE(waitFor([&] { return activeID() == workID; }, 5s))
        << "the relaunched window did not bring its context back";
    // With Alpha running again, the pin of A two, whose window did not come back, goes; "mail",
    // new to Work, is pinned as a window of its own.
    ASSERT_TRUE(waitFor([&] { return !hasPin(workID, "A two"); }, 10s));
    EXPECT_TRUE(waitFor(
        [&] {
            return titles(workID) == std::vector<std::string>{"A one", "mail"};
        },
        5s));
}

TEST_F(AppE2e, TheTrayMenuWithAltDumpsTheWindowsToTheLog) {
    TestClient client;
    open(client, "a1", "Alpha", "A one");
    open(client, "b1", "Beta", "B main");
    ASSERT_FALSE(HasFailure());
    writeContexts({context(workID, "Work", {pin("org.test.Alpha", "A one")}),
                   context(playID, "Play", {pin("org.test.Beta", "B main")})},
                  workID);
    startProgram();

    TrayProbe tray(probe.connection());
    std::optional<TrayProbe::Rect> icon;
    ASSERT_TRUE(waitFor([&] { return (icon = tray.icon("morvelan")).has_value(); }, 10s))
        << "no tray icon of morvelan inside the tray host";
    ASSERT_FALSE(fs::exists(dataDir / "windows-dump.log"));

    // Alt is read when the menu opens: hold it first, then right-click the icon.
    xdotool(
        {"mousemove", "--sync", std::to_string(icon->centreX()), std::to_string(icon->centreY())});
    xdotool({"keydown", "alt"});
    xdotool({"click", "3"});
    std::optional<TrayProbe::Rect> menu;
    ASSERT_TRUE(waitFor([&] { return (menu = tray.popupMenu()).has_value(); }, 5s))
        << "the right click opened no menu";
    // The item above the last one ("Quit"), below the last separator.
    std::optional<int> itemY;
    ASSERT_TRUE(waitFor([&] { return (itemY = tray.secondToLastItemY(*menu)).has_value(); }, 5s))
        << "the menu's last separator was not found";
    xdotool(
        {"mousemove", "--sync", std::to_string(menu->centreX()), std::to_string(menu->y + *itemY)});
    xdotool({"click", "1"});
    xdotool({"keyup", "alt"});

    ASSERT_TRUE(waitFor([&] { return fs::exists(dataDir / "windows-dump.log"); }, 5s))
        << "choosing the item wrote no windows-dump.log";
    EXPECT_TRUE(waitFor([&] { return !tray.popupMenu(); }, 5s)) << "the menu stayed open";
    const std::string log = data("windows-dump.log");
    const auto every = log.find("=== Every window of every desktop, front to back ===\n");
    const auto listed = log.find("\n\n=== What the switcher lists ===\n");
    ASSERT_EQ(every, 0u) << log;
    ASSERT_NE(listed, std::string::npos) << log;
    // Both sections list the staged windows, the first in X11 terms.
    const std::string all = log.substr(every, listed - every);
    const std::string switcher = log.substr(listed);
    for (const auto& [section, text] : std::vector<std::pair<std::string, std::string>>{
             {all, " pid=5001 app=org.test.Alpha \"Alpha\" kind=normal states=closable "
                   "desktop=0 (current) frame="},
             {all, " title='A one'"},
             {all, " pid=5002 app=org.test.Beta \"Beta\" kind=normal"},
             {switcher, "  app=Alpha wid="},
             {switcher, " title=A one"},
             {switcher, "  app=Beta wid="}})
        EXPECT_NE(section.find(text), std::string::npos) << text << "\nin\n" << log;
    // Alt chose the dump in place of "Settings…": no settings window came up.
    EXPECT_TRUE(program->running());
}

// openbox itself holds Super+Tab and Alt+Tab (keybinds in the session's rc.xml) when the
// program starts: the tray names each binding and openbox, its first item opens the settings,
// and each binding works, its warning gone, within 3 s of openbox letting it go. openbox's
// own Alt+Tab used meanwhile is no keyboard held.
TEST_F(AppE2e, ShortcutsTheWindowManagerHoldsAreNamedInTheTrayUntilItLetsThemGo) {
    X11Connection& conn = probe.connection();
    const auto map = KeyboardMap::load(conn.get());
    ASSERT_TRUE(map);
    const xcb_keycode_t tab = map->keysFor(Key::tab).at(0);
    const auto heldElsewhere = [&](std::uint16_t state) {
        if (!conn.check(xcb_grab_key_checked(conn.get(), 0, conn.root(), state, tab,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)))
            return true;
        conn.check(xcb_ungrab_key_checked(conn.get(), tab, conn.root(), state));
        return false;
    };
    const fs::path rc = sessionDir() / "openbox" / "rc.xml";
    const std::string emptyRc = readText(rc);
    // Binds `keys` (openbox names: W-Tab, A-Tab) alone and waits for openbox to hold them.
    const auto bindInOpenbox = [&](std::vector<std::string> keys) {
        std::string binds;
        for (const std::string& key : keys)
            binds += "<keybind key=\"" + key + "\"><action name=\"NextWindow\"/></keybind>";
        writeText(rc, std::regex_replace(emptyRc, std::regex("<keyboard/>"),
                                         "<keyboard>" + binds + "</keyboard>"));
        EXPECT_EQ(run({"openbox", "--reconfigure"}), 0);
        // A binding let go is soon the program's: only the ones taken can be waited for.
        for (const std::string& key : keys)
            EXPECT_TRUE(waitFor(
                [&] {
                    return heldElsewhere(key == "W-Tab" ? map->masks().command
                                                        : map->masks().option);
                },
                5s))
                << "openbox did not take " << key;
    };
    const auto usedByOpenbox = [](const std::string& combo) {
        return combo + " is used by Openbox — choose another shortcut or free it in Openbox's "
                       "keyboard settings…";
    };
    const std::string superTab = usedByOpenbox("Super+Tab"), altTab = usedByOpenbox("Alt+Tab");
    const auto warnings = [&] {
        std::vector<std::string> lines;
        std::istringstream status(data("status.log"));
        for (std::string line; std::getline(status, line);)
            if (line.rfind("warning=", 0) == 0) lines.push_back(line.substr(8));
        return lines;
    };
    const auto shown = [](const std::string& title) {
        return run({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"}) == 0;
    };
    // Super+Tab held until the switcher shows, or 1 s; whether it showed.
    const auto superTabOpens = [&] {
        xdotool({"keydown", "super", "key", "Tab"});
        const bool opened = waitFor([&] { return shown("Morvelan Switcher"); }, 1s);
        xdotool({"keyup", "super"});
        EXPECT_TRUE(waitFor([&] { return !shown("Morvelan Switcher"); }, 5s));
        return opened;
    };

    TestClient client;
    open(client, "a1", "Alpha", "A one");
    bindInOpenbox({"W-Tab", "A-Tab"});
    ASSERT_FALSE(HasFailure());
    startProgram("warning=" + superTab + "\nwarning=" + altTab + "\n");

    // The menu's first item leads to the settings.
    TrayProbe tray(probe.connection());
    std::optional<TrayProbe::Rect> icon;
    ASSERT_TRUE(waitFor([&] { return (icon = tray.icon("morvelan")).has_value(); }, 10s));
    xdotool(
        {"mousemove", "--sync", std::to_string(icon->centreX()), std::to_string(icon->centreY())});
    xdotool({"click", "3"});
    ASSERT_TRUE(waitFor([&] { return tray.popupMenu().has_value(); }, 5s));
    std::this_thread::sleep_for(200ms); // mapped a moment before it holds the keyboard
    xdotool({"key", "Down", "Return"});
    EXPECT_TRUE(waitFor([&] { return shown("Morvelan — Settings"); }, 5s))
        << "the warning item opened no settings window";

    bindInOpenbox({"A-Tab"});
    const auto freed = Clock::now();
    EXPECT_TRUE(waitFor([&] { return warnings() == std::vector<std::string>{altTab}; }, 3s))
        << data("status.log");
    tookAtMost(freed, 3s, "Super+Tab's warning gone");
    EXPECT_TRUE(superTabOpens()) << "Super+Tab did not open the switcher once openbox let go";
    // openbox's own Alt+Tab grabs the keyboard while it cycles; that is no keyboard held.
    xdotool({"keydown", "alt", "key", "Tab", "keyup", "alt"});
    EXPECT_FALSE(waitFor([&] { return warnings().size() > 1; }, 1s)) << data("status.log");
    EXPECT_TRUE(superTabOpens());

    bindInOpenbox({});
    EXPECT_TRUE(waitFor([&] { return warnings().empty(); }, 3s)) << data("status.log");
}

} // namespace
} // namespace morvelan::e2e
