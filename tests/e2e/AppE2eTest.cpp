// The whole program end to end: morvelan itself in a fresh Xvfb + openbox + trayer session,
// with windows from the test client. Focus following, pinning of new windows, clean-up of
// dead pins, pins kept across an application's restart, and the tray menu's window dump.
#include "E2eSupport.h"
#include "ProgramProcess.h"
#include "TestClient.h"
#include "TrayProbe.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

namespace morvelan::e2e {
namespace {

using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// The program's timers: the focus poll runs every second, the new-window pass every three.
constexpr auto focusDeadline = 1100ms;
constexpr auto autoAddDeadline = 3100ms;

const std::string workID = "0A000000-0000-4000-8000-000000000001";
const std::string playID = "0B000000-0000-4000-8000-000000000002";
const std::string markID = "0C000000-0000-4000-8000-000000000003";

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::optional<std::string> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

Json pin(const std::string& bundleID, const std::string& title,
         std::optional<xcb_window_t> wid = std::nullopt) {
    Json ref{{"bundleID", bundleID}, {"title", title}, {"matchAppOnly", false}};
    if (wid) ref["wid"] = *wid;
    return ref;
}

Json context(const std::string& id, const std::string& name, const std::string& color,
             Json members) {
    return Json{{"id", id},
                {"name", name},
                {"colorHex", color},
                {"members", std::move(members)},
                {"rules", Json::array()}};
}

// A context whose only pin no window can match (no title, no window id): the first pass of the
// clean-up removes it and rewrites contexts.json, which shows when the passes happen.
Json marker() {
    return context(markID, "Marker", "#FDCB6E", Json::array({pin("org.test.Gone", "")}));
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class AppE2e : public ::testing::Test {
protected:
    void SetUp() override {
        if (!inSession()) GTEST_SKIP() << "end-to-end tests run through scripts/xvfb-session";
        ASSERT_TRUE(probe.ok());
        dataDir = fs::path(dataHome()) / "Morvelan";
        // No tour over the windows, and no update check reaching for the network.
        writeFile(fs::path(env("XDG_CONFIG_HOME")) / "Morvelan" / "settings.json",
                  R"({"hasSeenIntro":true,"autoUpdate":false})");
    }

    void TearDown() override {
        if (program) program->stop();
        if (HasFailure()) {
            for (const char* name :
                 {"morvelan.log", "contexts.json", "status.log", "focused.log"}) {
                const auto text =
                    readFile(logDir() / name).value_or(readFile(dataDir / name).value_or("(none)"));
                std::cerr << "--- " << name << "\n" << text << "\n";
            }
        }
    }

    fs::path logDir() const { return fs::path(env("MORVELAN_SESSION_DIR")); }

    void writeContexts(Json contexts, const std::string& activeID) {
        Json top{{"contexts", std::move(contexts)},
                 {"activeID", activeID},
                 {"workspaces", Json::array()}};
        writeFile(dataDir / "contexts.json", top.dump());
        fs::permissions(dataDir, fs::perms::owner_all);
    }

    // Starts morvelan and waits until it has written its first status (start-up is done).
    void startProgram() {
        program =
            std::make_unique<ProgramProcess>(MORVELAN_BINARY, (logDir() / "morvelan.log").string());
        ASSERT_TRUE(program->started());
        ASSERT_TRUE(waitFor([&] { return fs::exists(dataDir / "status.log"); }, 10s))
            << "morvelan wrote no status.log";
        ASSERT_TRUE(program->running());
    }

    std::optional<Json> contexts() {
        const auto text = readFile(dataDir / "contexts.json");
        if (!text) return std::nullopt;
        Json doc = Json::parse(*text, nullptr, false);
        if (doc.is_discarded()) return std::nullopt;
        return doc;
    }

    std::string activeID() {
        const auto doc = contexts();
        if (!doc || !doc->contains("activeID")) return "";
        return doc->at("activeID").get<std::string>();
    }

    // The pins of one context, as stored.
    Json members(const std::string& id) {
        if (const auto doc = contexts())
            for (const Json& c : doc->at("contexts"))
                if (c.at("id") == id) return c.at("members");
        return Json::array();
    }

    // Waits for the first pass of the new-window timer (the marker's pin is gone), then a
    // quarter of a second: the next pass is then 2.75 s away, close to the longest wait.
    void afterFirstPass() {
        ASSERT_TRUE(waitFor(
            [&] {
                const auto doc = contexts();
                if (!doc) return false;
                for (const Json& c : doc->at("contexts"))
                    if (c.at("id") == markID) return c.at("members").empty();
                return false;
            },
            10s))
            << "no pass of the clean-up";
        std::this_thread::sleep_for(250ms);
    }

    bool hasPin(const std::string& id, const std::string& title,
                std::optional<xcb_window_t> wid = std::nullopt) {
        for (const Json& m : members(id))
            if (m.at("title") == title && (!wid || m.value("wid", 0u) == *wid)) return true;
        return false;
    }

    std::string text(const char* name) { return readFile(dataDir / name).value_or(""); }

    bool hasStatusLine(const std::string& line) {
        const std::string status = "\n" + text("status.log") + "\n";
        return status.find("\n" + line + "\n") != std::string::npos;
    }

    // Activates a window the way a pager does and waits for the window manager to agree.
    void activate(xcb_window_t window) {
        ASSERT_EQ(run({"xdotool", "windowactivate", std::to_string(window)}), 0);
        ASSERT_TRUE(waitFor([&] { return probe.active() == window; }, 5s));
    }

    RootProbe probe;
    fs::path dataDir;
    std::unique_ptr<ProgramProcess> program;
};

TEST_F(AppE2e, ActivatingAWindowOnlyAnotherContextClaimsMakesThatContextActive) {
    TestClient client;
    const xcb_window_t aOne =
        client.open("id=a1 class=Alpha appid=org.test.Alpha title='A one' pid=5001");
    const xcb_window_t aTwo =
        client.open("id=a2 class=Alpha appid=org.test.Alpha title='A two' pid=5001");
    const xcb_window_t bMain =
        client.open("id=b1 class=Beta appid=org.test.Beta title='B main' pid=5002");
    ASSERT_NE(aOne, 0u);
    ASSERT_NE(aTwo, 0u);
    ASSERT_NE(bMain, 0u);
    writeContexts({context(workID, "Work", "#4ECDC4", {pin("org.test.Alpha", "A one")}),
                   context(playID, "Play", "#FF6B6B",
                           {pin("org.test.Beta", "B main"), pin("org.test.Alpha", "A two")})},
                  workID);
    activate(aOne);
    startProgram();
    // The program has seen the focused window: Work, which holds it, stays active.
    ASSERT_TRUE(waitFor(
        [&] { return text("focused.log").find("title=A one\n") != std::string::npos; }, 5s));
    EXPECT_EQ(activeID(), workID);
    EXPECT_TRUE(hasStatusLine("  * Work: members=1"));

    // Activates `window` with xdotool; `id` must be the active context within the deadline,
    // in contexts.json and in status.log.
    const auto switchesTo = [&](xcb_window_t window, const std::string& id,
                                const std::string& statusLine) {
        const auto start = Clock::now();
        EXPECT_EQ(run({"xdotool", "windowactivate", std::to_string(window)}), 0);
        EXPECT_TRUE(waitFor([&] { return activeID() == id && hasStatusLine(statusLine); }, 5s))
            << "the context did not become active";
        const double took = secondsSince(start);
        std::cout << "\"" << statusLine << "\" after " << took << " s\n";
        EXPECT_LE(took, std::chrono::duration<double>(focusDeadline).count());
    };

    // Another application's window: its activation notice leads there.
    switchesTo(bMain, playID, "  * Play: members=2");
    EXPECT_TRUE(hasStatusLine("    Work: members=1"));
    // The focus log follows with the next focus poll.
    const std::string focused =
        "app=Beta\nwid=" + std::to_string(bMain) + "\ntitle=B main\nmatchedContext=Play\n";
    EXPECT_TRUE(waitFor([&] { return text("focused.log") == focused; }, 5s)) << text("focused.log");

    // Between two windows of one application there is no activation notice, only the
    // focus change.
    switchesTo(aOne, workID, "  * Work: members=1");
    switchesTo(aTwo, playID, "  * Play: members=2");
    EXPECT_TRUE(waitFor(
        [&] {
            return text("focused.log").find("matchedContext=Play\n") != std::string::npos &&
                   text("focused.log").find("title=A two\n") != std::string::npos;
        },
        5s))
        << text("focused.log");
}

TEST_F(AppE2e, ANewWindowOfAnApplicationPinnedInTheActiveContextIsPinned) {
    TestClient client;
    const xcb_window_t aOne =
        client.open("id=a1 class=Alpha appid=org.test.Alpha title='A one' pid=5001");
    const xcb_window_t bMain =
        client.open("id=b1 class=Beta appid=org.test.Beta title='B main' pid=5002");
    ASSERT_NE(aOne, 0u);
    ASSERT_NE(bMain, 0u);
    writeContexts({context(workID, "Work", "#4ECDC4", {pin("org.test.Alpha", "A one", aOne)}),
                   context(playID, "Play", "#FF6B6B", Json::array()), marker()},
                  workID);
    activate(aOne);
    startProgram();
    afterFirstPass();

    const xcb_window_t aTwo =
        client.open("id=a2 class=Alpha appid=org.test.Alpha title='A two' pid=5001");
    const auto start = Clock::now();
    ASSERT_NE(aTwo, 0u);
    // A window of an application Work does not pin is left alone.
    const xcb_window_t bTwo =
        client.open("id=b2 class=Beta appid=org.test.Beta title='B two' pid=5002");
    ASSERT_NE(bTwo, 0u);
    ASSERT_TRUE(waitFor([&] { return hasPin(workID, "A two", aTwo); }, 10s))
        << "the new window was not pinned";
    const double took = secondsSince(start);
    std::cout << "A two pinned after " << took << " s\n";
    EXPECT_LE(took, std::chrono::duration<double>(autoAddDeadline).count());

    const Json work = members(workID);
    ASSERT_EQ(work.size(), 2u);
    EXPECT_EQ(work[1], pin("org.test.Alpha", "A two", aTwo));
    EXPECT_TRUE(members(playID).empty());
    EXPECT_EQ(activeID(), workID);
    EXPECT_TRUE(waitFor([&] { return hasStatusLine("  * Work: members=2"); }, 5s));
}

TEST_F(AppE2e, ClosingAPinnedWindowWhileItsApplicationRunsRemovesThePin) {
    TestClient client;
    const xcb_window_t aOne =
        client.open("id=a1 class=Alpha appid=org.test.Alpha title='A one' pid=5001");
    const xcb_window_t aTwo =
        client.open("id=a2 class=Alpha appid=org.test.Alpha title='A two' pid=5001");
    ASSERT_NE(aOne, 0u);
    ASSERT_NE(aTwo, 0u);
    writeContexts(
        {context(workID, "Work", "#4ECDC4",
                 {pin("org.test.Alpha", "A one", aOne), pin("org.test.Alpha", "A two", aTwo)}),
         marker()},
        workID);
    startProgram();
    // The clean-up keeps both pins while both windows live.
    afterFirstPass();
    ASSERT_EQ(members(workID).size(), 2u);

    client.send("close a2");
    ASSERT_TRUE(client.expect("closed a2", 5s));
    const auto start = Clock::now();
    ASSERT_TRUE(waitFor([&] { return !hasPin(workID, "A two"); }, 10s))
        << "the pin of the closed window stayed";
    const double took = secondsSince(start);
    std::cout << "pin of A two removed after " << took << " s\n";
    EXPECT_LE(took, std::chrono::duration<double>(autoAddDeadline).count());
    EXPECT_EQ(members(workID), Json::array({pin("org.test.Alpha", "A one", aOne)}));
    EXPECT_TRUE(waitFor([&] { return hasStatusLine("  * Work: members=1"); }, 5s));
}

TEST_F(AppE2e, QuittingAnApplicationKeepsItsPinsAndItsRelaunchedWindowIsClaimedAgain) {
    auto alpha = std::make_unique<TestClient>();
    TestClient beta;
    const xcb_window_t aOne =
        alpha->open("id=a1 class=Alpha appid=org.test.Alpha title='A one' pid=5001");
    const xcb_window_t aTwo =
        alpha->open("id=a2 class=Alpha appid=org.test.Alpha title='A two' pid=5001");
    const xcb_window_t bMain =
        beta.open("id=b1 class=Beta appid=org.test.Beta title='B main' pid=5002");
    ASSERT_NE(aOne, 0u);
    ASSERT_NE(aTwo, 0u);
    ASSERT_NE(bMain, 0u);
    writeContexts(
        {context(workID, "Work", "#4ECDC4",
                 {pin("org.test.Alpha", "A one", aOne), pin("org.test.Alpha", "A two", aTwo)}),
         context(playID, "Play", "#FF6B6B", {pin("org.test.Beta", "B main", bMain)})},
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
    EXPECT_EQ(members(workID), Json::array({pin("org.test.Alpha", "A one", aOne),
                                            pin("org.test.Alpha", "A two", aTwo)}));

    // Alpha starts again and opens a window with the title of the first pin: it has a new
    // window id, and the old pin claims it by its title.
    const auto start = Clock::now();
    const xcb_window_t aOneAgain =
        relaunched.open("id=a1 class=Alpha appid=org.test.Alpha title='A one' pid=5101");
    ASSERT_NE(aOneAgain, 0u);
    ASSERT_NE(aOneAgain, aOne);
    ASSERT_TRUE(waitFor([&] { return probe.active() == aOneAgain; }, 5s));
    ASSERT_TRUE(waitFor([&] { return activeID() == workID; }, 5s))
        << "the relaunched window did not bring its context back";
    std::cout << "Work active again after " << secondsSince(start) << " s\n";
    ASSERT_TRUE(waitFor(
        [&] { return text("focused.log").find("title=A one\n") != std::string::npos; }, 5s));
    EXPECT_EQ(text("focused.log"), "app=Alpha\nwid=" + std::to_string(aOneAgain) +
                                       "\ntitle=A one\nmatchedContext=Work\n");
    // With Alpha running again, the clean-up keeps the pin that found its window (with its old
    // id) and drops the one whose window did not come back.
    ASSERT_TRUE(waitFor([&] { return !hasPin(workID, "A two"); }, 10s));
    EXPECT_EQ(members(workID), Json::array({pin("org.test.Alpha", "A one", aOne)}));
}

TEST_F(AppE2e, TheTrayMenuWithAltDumpsTheWindowsToTheLog) {
    TestClient client;
    const xcb_window_t aOne =
        client.open("id=a1 class=Alpha appid=org.test.Alpha title='A one' pid=5001");
    const xcb_window_t bMain =
        client.open("id=b1 class=Beta appid=org.test.Beta title='B main' pid=5002");
    ASSERT_NE(aOne, 0u);
    ASSERT_NE(bMain, 0u);
    writeContexts({context(workID, "Work", "#4ECDC4", {pin("org.test.Alpha", "A one")}),
                   context(playID, "Play", "#FF6B6B", {pin("org.test.Beta", "B main")})},
                  workID);
    startProgram();

    TrayProbe tray(probe.connection());
    std::optional<TrayProbe::Rect> icon;
    ASSERT_TRUE(waitFor([&] { return (icon = tray.icon("morvelan")).has_value(); }, 10s))
        << "no tray icon of morvelan inside the tray host";
    const fs::path dump = dataDir / "windows-dump.log";
    ASSERT_FALSE(fs::exists(dump));

    // Alt is read when the menu opens: hold it first, then right-click the icon.
    ASSERT_EQ(run({"xdotool", "mousemove", "--sync", std::to_string(icon->centreX()),
                   std::to_string(icon->centreY())}),
              0);
    ASSERT_EQ(run({"xdotool", "keydown", "alt"}), 0);
    ASSERT_EQ(run({"xdotool", "click", "3"}), 0);
    std::optional<TrayProbe::Rect> menu;
    ASSERT_TRUE(waitFor([&] { return (menu = tray.popupMenu()).has_value(); }, 5s))
        << "the right click opened no menu";
    // The item above the last one ("Quit"), below the last separator.
    std::optional<int> itemY;
    ASSERT_TRUE(waitFor([&] { return (itemY = tray.secondToLastItemY(*menu)).has_value(); }, 5s))
        << "the menu's last separator was not found";
    ASSERT_EQ(run({"xdotool", "mousemove", "--sync", std::to_string(menu->centreX()),
                   std::to_string(menu->y + *itemY)}),
              0);
    ASSERT_EQ(run({"xdotool", "click", "1"}), 0);
    ASSERT_EQ(run({"xdotool", "keyup", "alt"}), 0);

    ASSERT_TRUE(waitFor([&] { return fs::exists(dump); }, 5s))
        << "choosing the item wrote no windows-dump.log";
    EXPECT_TRUE(waitFor([&] { return !tray.popupMenu(); }, 5s)) << "the menu stayed open";
    const std::string log = text("windows-dump.log");
    const auto ax = log.find("=== AX per-app (kAXWindows, unfiltered) ===\n");
    const auto cg = log.find("\n\n=== CGWindowList(.optionAll) ===\n");
    const auto all = log.find("\n\n=== allAcrossSpaces() (what the switcher gets) ===\n");
    ASSERT_EQ(ax, 0u) << log;
    ASSERT_NE(cg, std::string::npos) << log;
    ASSERT_NE(all, std::string::npos) << log;
    EXPECT_LT(cg, all);
    // Each section lists the staged windows: the per-application lists by title, the window
    // list and the switcher's list with their ids.
    const std::string perApp = log.substr(ax, cg - ax);
    const std::string windowList = log.substr(cg, all - cg);
    const std::string switcher = log.substr(all);
    EXPECT_NE(perApp.find("Alpha [1]:\n    role=AXWindow sub=AXStandardWindow min=false 'A one'"),
              std::string::npos)
        << log;
    EXPECT_NE(perApp.find("Beta [1]:\n    role=AXWindow sub=AXStandardWindow min=false 'B main'"),
              std::string::npos)
        << log;
    EXPECT_NE(windowList.find("Alpha pid=5001 #" + std::to_string(aOne)), std::string::npos) << log;
    EXPECT_NE(windowList.find("Beta pid=5002 #" + std::to_string(bMain)), std::string::npos) << log;
    EXPECT_NE(switcher.find("  app=Alpha wid=" + std::to_string(aOne) + " ax=true title=A one"),
              std::string::npos)
        << log;
    EXPECT_NE(switcher.find("  app=Beta wid=" + std::to_string(bMain) + " ax=true title=B main"),
              std::string::npos)
        << log;
    // Alt chose the dump in place of "Settings…": no settings window came up.
    EXPECT_TRUE(program->running());
}

} // namespace
} // namespace morvelan::e2e
