// The whole program end to end: morvelan itself in a fresh Xvfb + openbox + trayer session,
// with windows from the test client. Focus following, pinning of new windows, clean-up of
// dead pins, pins kept across an application's restart, and the tray menu's window dump.
#include "ProgramE2e.h"
#include "TestClient.h"
#include "TrayProbe.h"

#include <algorithm>
#include <chrono>
#include <optional>
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
    const std::string focused =
        "app=Beta\nwid=" + std::to_string(bMain) + "\ntitle=B main\nmatchedContext=Play\n";
    EXPECT_TRUE(waitFor([&] { return data("focused.log") == focused; }, 5s)) << data("focused.log");

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

    const xcb_window_t aThree = open(client, "a3", "Alpha", "A three");
    auto start = Clock::now();
    // A window of an application Work does not pin is left alone.
    open(client, "b2", "Beta", "B two");
    ASSERT_FALSE(HasFailure());
    ASSERT_TRUE(waitFor([&] { return hasPin(workID, "A three", aThree); }, 10s))
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
    EXPECT_EQ(members(workID), Json::array({pin("org.test.Alpha", "A one", aOne),
                                            pin("org.test.Alpha", "A three", aThree)}));
    EXPECT_TRUE(waitFor([&] { return hasStatusLine("  * Work: members=2"); }, 5s));
}

TEST_F(AppE2e, QuittingAnApplicationKeepsItsPinsAndItsRelaunchedWindowIsClaimedAgain) {
    auto alpha = std::make_unique<TestClient>();
    TestClient beta;
    const xcb_window_t aOne = open(*alpha, "a1", "Alpha", "A one");
    const xcb_window_t aTwo = open(*alpha, "a2", "Alpha", "A two");
    const xcb_window_t bMain = open(beta, "b1", "Beta", "B main");
    ASSERT_FALSE(HasFailure());
    const Json alphaPins =
        Json::array({pin("org.test.Alpha", "A one", aOne), pin("org.test.Alpha", "A two", aTwo)});
    writeContexts({context(workID, "Work", alphaPins),
                   context(playID, "Play", {pin("org.test.Beta", "B main", bMain)})},
                  workID);
    activate(aOne);
    startProgram();

    // Connected before Alpha goes, so the X server cannot hand its window ids out again:
    // the relaunched window must be found by its title, not by a recycled id.
    TestClient relaunched;
    relaunched.send("close nothing"); // answered once it is connected
    ASSERT_TRUE(relaunched.expect("error no window nothing", 5s));
    // Alpha quits: every window of it goes at once.
    alpha.reset();
    ASSERT_TRUE(waitFor(
        [&] {
            const auto clients = probe.clients();
            return std::find(clients.begin(), clients.end(), aOne) == clients.end() &&
                   std::find(clients.begin(), clients.end(), aTwo) == clients.end();
        },
        5s));
    activate(bMain);
    ASSERT_TRUE(waitFor([&] { return activeID() == playID; }, 5s));
    // Two passes of the clean-up later, the pins of the application that is gone are kept.
    std::this_thread::sleep_for(6500ms);
    EXPECT_EQ(members(workID), alphaPins);

    // Alpha starts again and opens a window with the title of the first pin: it has a new
    // window id, and the old pin claims it by its title.
    const auto start = Clock::now();
    const xcb_window_t aOneAgain = open(relaunched, "a1", "Alpha", "A one", 5101);
    ASSERT_NE(aOneAgain, 0u);
    ASSERT_NE(aOneAgain, aOne);
    ASSERT_TRUE(waitFor([&] { return probe.active() == aOneAgain; }, 5s));
    ASSERT_TRUE(waitFor([&] { return activeID() == workID; }, 5s))
        << "the relaunched window did not bring its context back";
    std::cout << "Work active again after "
              << std::chrono::duration<double>(Clock::now() - start).count() << " s\n";
    ASSERT_TRUE(waitFor([&] { return focusedHas("title=A one\n"); }, 5s));
    EXPECT_EQ(data("focused.log"), "app=Alpha\nwid=" + std::to_string(aOneAgain) +
                                       "\ntitle=A one\nmatchedContext=Work\n");
    // With Alpha running again, the clean-up keeps the pin that found its window (with its old
    // id) and drops the one whose window did not come back.
    ASSERT_TRUE(waitFor([&] { return !hasPin(workID, "A two"); }, 10s));
    EXPECT_EQ(members(workID), Json::array({pin("org.test.Alpha", "A one", aOne)}));
}

TEST_F(AppE2e, TheTrayMenuWithAltDumpsTheWindowsToTheLog) {
    TestClient client;
    const xcb_window_t aOne = open(client, "a1", "Alpha", "A one");
    const xcb_window_t bMain = open(client, "b1", "Beta", "B main");
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
    const auto ax = log.find("=== AX per-app (kAXWindows, unfiltered) ===\n");
    const auto cg = log.find("\n\n=== CGWindowList(.optionAll) ===\n");
    const auto all = log.find("\n\n=== allAcrossSpaces() (what the switcher gets) ===\n");
    ASSERT_EQ(ax, 0u) << log;
    ASSERT_NE(cg, std::string::npos) << log;
    ASSERT_NE(all, std::string::npos) << log;
    ASSERT_LT(cg, all);
    // Each section lists the staged windows: the per-application lists by title, the window
    // list and the switcher's list with their ids.
    const std::string perApp = log.substr(ax, cg - ax);
    const std::string windowList = log.substr(cg, all - cg);
    const std::string switcher = log.substr(all);
    const std::string a = std::to_string(aOne), b = std::to_string(bMain);
    for (const auto& [section, line] : std::vector<std::pair<std::string, std::string>>{
             {perApp, "Alpha [1]:\n    role=AXWindow sub=AXStandardWindow min=false 'A one'"},
             {perApp, "Beta [1]:\n    role=AXWindow sub=AXStandardWindow min=false 'B main'"},
             {windowList, "Alpha pid=5001 #" + a},
             {windowList, "Beta pid=5002 #" + b},
             {switcher, "  app=Alpha wid=" + a + " ax=true title=A one"},
             {switcher, "  app=Beta wid=" + b + " ax=true title=B main"}})
        EXPECT_NE(section.find(line), std::string::npos) << line << "\nin\n" << log;
    // Alt chose the dump in place of "Settings…": no settings window came up.
    EXPECT_TRUE(program->running());
}

} // namespace
} // namespace morvelan::e2e
