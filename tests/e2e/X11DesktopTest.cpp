// End-to-end tests of X11Desktop against real windows under Xvfb + openbox.
#include "E2eFixture.h"
#include "x11/ClientSnapshot.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <utility>

namespace morvelan::e2e {
namespace {

using Clock = std::chrono::steady_clock;

class X11DesktopE2e : public E2eFixture {
protected:
    std::optional<RunningApp> app(Pid pid) { return desktop->application(pid); }

    Element windowOf(Pid pid, xcb_window_t id) {
        auto windows = desktop->windows(desktop->applicationElement(pid));
        if (!windows) return nullptr;
        for (const Element& w : *windows)
            if (desktop->windowID(w) == id) return w;
        return nullptr;
    }

    // Everything an element answers, as text: "-" where it answers nothing.
    std::string describe(const Element& w) {
        const auto flag = [](std::optional<bool> b) { return b ? (*b ? "yes" : "no") : "-"; };
        const auto title = desktop->title(w);
        const auto size = desktop->size(w);
        return desktop->role(w).value_or("-") + ' ' + desktop->subrole(w).value_or("-") + ' ' +
               (title ? '\'' + *title + '\'' : "-") + " min " + flag(desktop->minimized(w)) +
               " full " + flag(desktop->fullScreen(w)) + ' ' +
               (size ? std::to_string(int(size->width)) + 'x' + std::to_string(int(size->height))
                     : "-") +
               (desktop->hasMinimizeButton(w) ? " minimize" : "") +
               (desktop->closeButton(w) ? " close" : "");
    }

    static std::vector<WindowID> ids(const std::vector<WindowInfo>& list) {
        std::vector<WindowID> out;
        for (const auto& w : list)
            out.push_back(w.number.value_or(0));
        return out;
    }
    static std::vector<WindowID> sorted(std::vector<WindowID> v) {
        std::sort(v.begin(), v.end());
        return v;
    }

    // Every field of a reading, windows by id, so that two readings compare with a
    // readable difference.
    static std::string dump(const ClientSnapshot& s) {
        std::ostringstream out;
        const auto text = [](const std::optional<std::string>& t) {
            return t ? '"' + *t + '"' : "-";
        };
        out << "ok " << s.ok << " active " << hex(s.active) << " desktop " << s.currentDesktop
            << '/' << s.desktopCount << "\nclients";
        for (xcb_window_t w : s.clients)
            out << ' ' << hex(w);
        out << "\nstacking";
        for (xcb_window_t w : s.stacking)
            out << ' ' << hex(w);
        out << '\n';
        std::vector<xcb_window_t> ids;
        for (const auto& [id, w] : s.windows)
            ids.push_back(id);
        std::sort(ids.begin(), ids.end());
        for (xcb_window_t id : ids) {
            const ClientWindow& w = s.windows.at(id);
            out << hex(id) << " pid " << (w.pid ? std::to_string(*w.pid) : "-") << " class "
                << w.instance << '/' << w.wmClass << " gtk " << text(w.gtkApplicationId) << " kde "
                << text(w.kdeDesktopFile) << " host " << text(w.clientMachine) << " types";
            for (WindowType t : w.types)
                out << ' ' << static_cast<int>(t);
            out << " transient " << w.transient << " title " << text(w.title) << " deletable "
                << w.deletable << " desktop "
                << (w.desktop ? std::to_string(*w.desktop) : std::string("-")) << " hidden "
                << w.hidden << " full " << w.fullScreen << " skip " << w.skipTaskbar;
            if (w.geometry)
                out << " at " << w.geometry->x << ',' << w.geometry->y << ' ' << w.geometry->width
                    << 'x' << w.geometry->height;
            out << '\n';
        }
        return out.str();
    }

    // The running applications as "pid id name policy" lines.
    static std::string applications(Desktop& d) {
        std::ostringstream out;
        for (const RunningApp& a : d.runningApplications())
            out << a.pid << ' ' << a.bundleID.value_or("-") << ' ' << a.name.value_or("-")
                << (a.policy == ActivationPolicy::regular ? " regular" : " accessory")
                << (a.terminated ? " terminated\n" : "\n");
        return out.str();
    }

    // What the Desktop answers about every window and application, as text.
    static std::string answers(Desktop& d) {
        std::ostringstream out;
        out << applications(d);
        for (const WindowInfo& w :
             d.windowList(WindowList::allSpaces).value_or(std::vector<WindowInfo>{})) {
            out << "window " << hex(static_cast<std::uint32_t>(w.number.value_or(0))) << ' '
                << w.ownerPid.value_or(0) << ' ' << w.ownerName.value_or("-") << ' '
                << w.name.value_or("-") << ' ' << w.onscreen.value_or(false);
            if (w.bounds)
                out << ' ' << w.bounds->x.value_or(-1) << ',' << w.bounds->y.value_or(-1) << ' '
                    << w.bounds->width.value_or(-1) << 'x' << w.bounds->height.value_or(-1);
            out << '\n';
        }
        out << "first space";
        for (WindowID id : d.windowsInSpaces({0}).value_or(std::vector<WindowID>{}))
            out << ' ' << hex(static_cast<std::uint32_t>(id));
        const auto front = d.frontmostApplication();
        out << "\nfront " << (front ? front->pid : 0) << '\n';
        return out.str();
    }

    // The desktop's live reading equals a whole reading on a connection of its own. The
    // whole reading is taken before and after the live one and only a pair that agrees
    // counts, as the window manager may still be at work. The desktop's events are not
    // pumped: the live reading catches up by itself.
    ::testing::AssertionResult liveIsExact() {
        std::string live, fresh;
        const bool settled = waitFor(
            [&] {
                const std::string before = dump(fetchSnapshot(probe.connection()));
                live = dump(*desktop->snapshot());
                fresh = dump(fetchSnapshot(probe.connection()));
                return before == fresh;
            },
            10s);
        if (!settled) return ::testing::AssertionFailure() << "the windows never stood still";
        if (live == fresh) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "live:\n" << live << "whole:\n" << fresh;
    }

    // A reading right after another, nothing changed between: one round trip, and the
    // very same reading back. Whole readings on the probe's connection before and after
    // make sure nothing changed; while the window manager is still at work, it is tried
    // again.
    ::testing::AssertionResult secondReadIsFree() {
        std::uint64_t trips = 0;
        bool same = false;
        bool quiet = false;
        waitFor(
            [&] {
                const std::string before = dump(fetchSnapshot(probe.connection()));
                const auto first = desktop->snapshot();
                const auto start = desktop->connection().roundTrips();
                const auto second = desktop->snapshot();
                trips = desktop->connection().roundTrips() - start;
                same = second == first;
                quiet = dump(fetchSnapshot(probe.connection())) == before;
                return quiet;
            },
            10s);
        if (!quiet) return ::testing::AssertionFailure() << "the windows never stood still";
        if (trips == 1 && same) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << trips << " round trips, " << (same ? "the same" : "another") << " reading";
    }

    // Waits until a whole reading of `id` on the probe's connection satisfies `condition`.
    bool seen(xcb_window_t id, const std::function<bool(const ClientWindow&)>& condition) {
        return waitFor(
            [&] {
                const auto w = fetchWindow(probe.connection(), id);
                return w && condition(*w);
            },
            10s);
    }

    // Whether the window manager lists `id` among its clients.
    bool listed(xcb_window_t id) {
        const auto c = probe.clients();
        return std::find(c.begin(), c.end(), id) != c.end();
    }

    // Waits until the window manager no longer lists `id`, pumping the desktop's events
    // unless `pump` is false.
    bool gone(xcb_window_t id, bool pump = true) {
        const auto condition = [&] { return !listed(id); };
        return pump ? until(condition) : waitFor(condition, 10s);
    }

    // Activates `id` as another program would and waits until the window manager has,
    // pumping the desktop's events unless `pump` is false.
    bool activate(xcb_window_t id, bool pump = true) {
        if (run({"xdotool", "windowactivate", hex(id)}) != 0) return false;
        const auto condition = [&] { return probe.active() == id; };
        return pump ? until(condition) : waitFor(condition, 10s);
    }

    // A managed window of the probe's own connection, so a test can destroy it at any
    // moment; 0 when the window manager never lists it.
    xcb_window_t ownWindow() {
        xcb_connection_t* c = probe.connection().get();
        const xcb_window_t id = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, id, probe.connection().root(), 0, 0, 200, 150, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(c, id);
        xcb_flush(c);
        return waitFor([&] { return listed(id); }, 10s) ? id : 0;
    }

    // Sets WM_NAME of `id` from the probe's connection, in the encoding `type` names.
    void setWmName(xcb_window_t id, xcb_atom_t type, const std::string& bytes) {
        xcb_change_property(probe.connection().get(), XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME,
                            type, 8, static_cast<std::uint32_t>(bytes.size()), bytes.data());
        xcb_flush(probe.connection().get());
    }
};

// ---- Applications and activation ------------------------------------------------------

TEST_F(X11DesktopE2e, ApplicationsAreTheProcessesOwningClientWindowsWithTheirNamesAndIcons) {
    stage();
    // The id from _GTK_APPLICATION_ID, from a desktop entry's StartupWMClass, or the bare
    // class; the name from the desktop entry, else the class.
    const std::string staged = "4242 org.test.Alpha Alpha Studio regular\n"
                               "4343 beta-app Beta App regular\n"
                               "4444 org.test.Gamma Gamma regular\n"
                               "4545 Delta Delta regular\n";
    EXPECT_EQ(applications(*desktop), staged);
    EXPECT_FALSE(app(999999));
    EXPECT_EQ(desktop->ownPid(), getpid());
    EXPECT_TRUE(desktop->isTrusted());
    const Element alpha = desktop->applicationElement(4242);
    EXPECT_EQ(desktop->role(alpha), "AXApplication");
    EXPECT_EQ(desktop->title(alpha), "Alpha Studio");
    ASSERT_TRUE(desktop->windows(alpha));
    EXPECT_EQ(desktop->windows(alpha)->size(), 2u);
    EXPECT_EQ(desktop->windows(desktop->applicationElement(999999)), std::nullopt);

    // The _NET_WM_ICON image closest to 64 pixels, following changes.
    const auto icon = desktop->icon(4242);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->width, 48);
    EXPECT_EQ(icon->argb.size(), 48u * 48u);
    client.send("icon a1 16,64");
    EXPECT_TRUE(until([&] {
        auto i = desktop->icon(4242);
        return i && i->width == 64;
    }));
    EXPECT_EQ(desktop->icon(4242)->argb.front(), 0xFF336699u);
    EXPECT_FALSE(desktop->icon(999999));

    // Docks are never applications; a process with only tool or skip-taskbar windows is an
    // accessory.
    const auto dock = client.open("id=p class=Panel title=panel pid=4646 type=dock w=1280 h=30");
    ASSERT_NE(dock, 0u);
    ASSERT_NE(client.open("id=t class=Tool title=palette pid=4747 type=utility"), 0u);
    ASSERT_NE(client.open("id=s class=Skip title=hidden pid=4848 skiptaskbar=1"), 0u);
    EXPECT_EQ(applications(*desktop),
              staged + "4747 Tool Tool accessory\n4848 Skip Skip accessory\n");
    // The dock stays in the window list, above the clients' layer.
    const auto list = desktop->windowList(WindowList::allSpaces);
    ASSERT_TRUE(list);
    const auto it = std::find_if(list->begin(), list->end(),
                                 [&](const WindowInfo& w) { return w.number == dock; });
    ASSERT_NE(it, list->end());
    EXPECT_NE(it->layer, 0);
    EXPECT_EQ(it->ownerName, "Panel");
}

TEST_F(X11DesktopE2e, ActivationNoticesActivateAndRaiseFollowTheWindowManager) {
    const Scenario s = stage();
    std::vector<Pid> notices;
    desktop->setActivationHandler(
        [&](std::optional<RunningApp> a) { notices.push_back(a ? a->pid : -1); });
    ASSERT_EQ(run({"xdotool", "windowactivate", hex(s.bMain)}), 0);
    const auto start = Clock::now();
    ASSERT_TRUE(until([&] { return !notices.empty(); }, 100ms));
    EXPECT_LT(Clock::now() - start, 100ms);
    EXPECT_EQ(notices, std::vector<Pid>{4343});
    EXPECT_TRUE(until([&] {
        const auto front = desktop->frontmostApplication();
        return front && front->pid == 4343;
    }));

    // A second window of the same application is no new activation.
    ASSERT_TRUE(activate(s.bDialog));
    ASSERT_TRUE(activate(s.aOne));
    ASSERT_TRUE(until([&] { return notices.size() == 2; }));
    EXPECT_EQ(notices, (std::vector<Pid>{4343, 4242}));

    // activate() brings back the application's most recently active window...
    desktop->activate(4343);
    ASSERT_TRUE(until([&] { return probe.active() == s.bDialog; }));
    EXPECT_EQ(desktop->focusedWindow(desktop->applicationElement(4343)), windowOf(4343, s.bDialog));
    // ... restoring one when all of them are minimised.
    desktop->activate(4545);
    ASSERT_TRUE(until([&] { return probe.active() == s.dHidden; }));
    EXPECT_EQ(desktop->minimized(windowOf(4545, s.dHidden)), false);

    // Raising restacks without moving the focus; openbox keeps the dialog above its parent.
    ASSERT_TRUE(activate(s.bMain));
    ASSERT_TRUE(until([&] { return probe.stacking().back() == s.bDialog; }));
    desktop->raise(windowOf(4242, s.aOne));
    EXPECT_TRUE(until([&] { return probe.stacking().back() == s.aOne; }));
    EXPECT_EQ(probe.active(), s.bMain);
    desktop->setMain(windowOf(4343, s.bMain));
    EXPECT_TRUE(until([&] { return probe.stacking().back() == s.bDialog; }));
    EXPECT_EQ(probe.active(), s.bMain);
}

// ---- Elements --------------------------------------------------------------------------

TEST_F(X11DesktopE2e, WindowElementsFollowTypeTransienceStateAndTitleEncoding) {
    const std::pair<const char*, const char*> cases[] = {
        {"id=n title=normal",
         "AXWindow AXStandardWindow 'normal' min no full no 400x300 minimize close"},
        // xterm sets no _NET_WM_WINDOW_TYPE at all.
        {"id=x title=xterm type=none",
         "AXWindow AXStandardWindow 'xterm' min no full no 400x300 minimize close"},
        {"id=y title=child type=none transient=x",
         "AXWindow AXDialog 'child' min no full no 400x300 close"},
        {"id=d title=dialog type=dialog transient=n",
         "AXWindow AXDialog 'dialog' min no full no 400x300 close"},
        {"id=u title=tool type=utility",
         "AXWindow AXFloatingWindow 'tool' min no full no 400x300 close"},
        {"id=k title=skip skiptaskbar=1",
         "AXWindow AXFloatingWindow 'skip' min no full no 400x300 minimize close"},
        {"id=m title=min state=minimized",
         "AXWindow AXStandardWindow 'min' min yes full no 400x300 minimize close"},
        {"id=f title=full state=fullscreen",
         "AXWindow AXStandardWindow 'full' min no full yes 1280x800 minimize close"},
        // Titles become valid UTF-8: Latin-1 in WM_NAME alone, broken UTF-8, none at all.
        {"id=l wmname='Caf\\xe9'",
         "AXWindow AXStandardWindow 'Caf\xC3\xA9' min no full no 400x300 minimize close"},
        {"id=b title='bad\\xff'",
         "AXWindow AXStandardWindow 'bad\xEF\xBF\xBD' min no full no 400x300 minimize close"},
        {"id=e", "AXWindow AXStandardWindow - min no full no 400x300 minimize close"},
    };
    for (const auto& [options, expected] : cases) {
        SCOPED_TRACE(options);
        const auto id = client.open(std::string(options) + " class=Kind pid=5001");
        ASSERT_NE(id, 0u);
        const Element w = windowOf(5001, id);
        ASSERT_TRUE(w);
        EXPECT_EQ(describe(w), expected);
        // The same window keeps the same handle.
        EXPECT_EQ(w, windowOf(5001, id));
    }
}

TEST_F(X11DesktopE2e, CloseButtonAndTerminateAskPolitelyAndOnlyAForcedEndSignals) {
    // A real process (the test client's own pid), so that a forced end can signal it.
    TestClient real;
    const auto pressed = real.open("id=r1 class=Real title=pressed");
    const auto asked = real.open("id=r2 class=Real title=asked");
    const auto stubborn = real.open("id=r3 class=Real title=stubborn nodelete=1");
    ASSERT_NE(pressed, 0u);
    ASSERT_NE(asked, 0u);
    ASSERT_NE(stubborn, 0u);
    const Pid pid = real.pid();
    ASSERT_TRUE(app(pid));

    // Only a window with WM_DELETE_WINDOW has a close button; pressing it asks the client.
    EXPECT_FALSE(desktop->closeButton(windowOf(pid, stubborn)));
    const Element button = desktop->closeButton(windowOf(pid, pressed));
    ASSERT_TRUE(button);
    EXPECT_EQ(desktop->role(button), "AXButton");
    desktop->press(button);
    EXPECT_TRUE(real.expect("closed r1 wm", 5s));
    EXPECT_TRUE(gone(pressed));

    desktop->terminate(pid, false);
    EXPECT_TRUE(real.expect("closed r2 wm", 5s));
    EXPECT_TRUE(gone(asked));
    EXPECT_TRUE(app(pid)) << "the window without WM_DELETE_WINDOW must stay";
    EXPECT_TRUE(listed(stubborn));

    desktop->terminate(pid, true);
    EXPECT_TRUE(until([&] { return !app(pid); }));
}

TEST_F(X11DesktopE2e, AVanishedWindowIsLeftOutOfAScanAndReadsAsAbsentInAndOutOfABatch) {
    const Scenario s = stage();
    // Destroyed at the exact moment between the two stages of a reading: left out, the
    // rest read.
    const xcb_window_t doomed = ownWindow();
    ASSERT_NE(doomed, 0u);
    xcb_connection_t* c = probe.connection().get();
    bool destroyed = false;
    const ClientSnapshot snap =
        fetchSnapshot(desktop->connection(), [&](const std::vector<xcb_window_t>& clients) {
            ASSERT_NE(std::find(clients.begin(), clients.end(), doomed), clients.end());
            xcb_destroy_window(c, doomed);
            // A round trip on that connection: the server has destroyed it once this returns.
            probe.connection().reply(xcb_get_input_focus_reply, xcb_get_input_focus(c));
            destroyed = true;
        });
    ASSERT_TRUE(destroyed);
    EXPECT_TRUE(snap.ok);
    EXPECT_FALSE(snap.find(doomed));
    EXPECT_EQ(snap.windows.size(), 6u);
    ASSERT_TRUE(snap.find(s.aOne));
    EXPECT_EQ(snap.find(s.aOne)->title, "A one");
    EXPECT_EQ(fetchWindow(desktop->connection(), doomed), std::nullopt);

    // An element whose window closed answers nothing, and acting on it is harmless.
    const Element dialog = windowOf(4343, s.bDialog);
    ASSERT_TRUE(dialog);
    client.send("close b2");
    ASSERT_TRUE(client.expect("closed b2", 5s));
    ASSERT_TRUE(gone(s.bDialog));
    EXPECT_EQ(describe(dialog), "- - - min - full - -");
    desktop->beginBatch();
    EXPECT_EQ(desktop->subrole(dialog), std::nullopt);
    EXPECT_EQ(desktop->title(windowOf(4343, s.bMain)), "B main");
    desktop->endBatch();
    desktop->raise(dialog);
    desktop->setFrontProcess(ProcessSerial{4343}, s.bDialog);
    desktop->processEvents();
    EXPECT_FALSE(desktop->connectionLost());
}

// ---- Focus observation -----------------------------------------------------------------

TEST_F(X11DesktopE2e, FocusObserverReportsTitleChangesOfItsApplicationAndActivations) {
    const Scenario s = stage();
    int calls = 0;
    auto observer = desktop->observeFocus(4242, [&] { ++calls; });
    ASSERT_TRUE(observer);

    ASSERT_EQ(run({"xdotool", "set_window", "--name", "Renamed", hex(s.aOne)}), 0);
    auto start = Clock::now();
    ASSERT_TRUE(until([&] { return calls > 0; }, 100ms));
    EXPECT_LT(Clock::now() - start, 100ms);
    // A rename sets two properties (WM_NAME and _NET_WM_NAME). Their notifications were
    // sent before the reply that shows the new title, so they are all in once it is read.
    EXPECT_EQ(desktop->title(windowOf(4242, s.aOne)), "Renamed");
    desktop->processEvents();

    // Another application's title is not this observer's business.
    calls = 0;
    client.send("title b1 Other title");
    ASSERT_TRUE(until([&] { return desktop->title(windowOf(4343, s.bMain)) == "Other title"; }));
    desktop->processEvents();
    EXPECT_EQ(calls, 0);

    ASSERT_EQ(run({"xdotool", "windowactivate", hex(s.bMain)}), 0);
    start = Clock::now();
    ASSERT_TRUE(until([&] { return calls > 0; }, 100ms));
    EXPECT_LT(Clock::now() - start, 100ms);
    ASSERT_TRUE(until([&] { return probe.active() == s.bMain; }));

    observer.reset();
    calls = 0;
    client.send("title a1 After");
    ASSERT_TRUE(until([&] { return desktop->title(windowOf(4242, s.aOne)) == "After"; }));
    desktop->processEvents();
    EXPECT_EQ(calls, 0);

    // An observer may replace itself from its own callback.
    observer = desktop->observeFocus(4242, [&] {
        ++calls;
        observer = desktop->observeFocus(4343, [&] { ++calls; });
    });
    ASSERT_TRUE(activate(s.aOne));
    ASSERT_TRUE(until([&] { return calls > 0; }));
    EXPECT_TRUE(observer);
}

// ---- Window server ---------------------------------------------------------------------

TEST_F(X11DesktopE2e, WindowListSpacesAndFrontProcessFollowStackingAndDesktops) {
    const Scenario s = stage();
    const auto list = desktop->windowList(WindowList::allSpaces);
    ASSERT_TRUE(list);
    auto stacking = probe.stacking();
    std::reverse(stacking.begin(), stacking.end());
    EXPECT_EQ(ids(*list), std::vector<WindowID>(stacking.begin(), stacking.end()));
    for (const WindowInfo& w : *list) {
        EXPECT_EQ(w.layer, 0);
        ASSERT_TRUE(w.bounds);
        EXPECT_GE(*w.bounds->x, 0);
        EXPECT_GE(*w.bounds->y, 0);
        const bool visible = w.number != s.aTwo && w.number != s.gFar && w.number != s.dHidden;
        EXPECT_EQ(w.onscreen, visible) << hex(*w.number);
        if (w.number == s.aOne) {
            EXPECT_EQ(w.ownerPid, 4242);
            EXPECT_EQ(w.ownerName, "Alpha Studio");
            EXPECT_EQ(w.name, "A one");
            EXPECT_EQ(w.bounds->width, 400);
            EXPECT_EQ(w.bounds->height, 300);
        }
    }
    const auto onScreen = desktop->windowList(WindowList::onScreenOnly);
    ASSERT_TRUE(onScreen);
    EXPECT_EQ(sorted(ids(*onScreen)), sorted({s.aOne, s.bMain, s.bDialog}));
    const auto one = desktop->windowList(WindowList::including, s.gFar);
    ASSERT_TRUE(one);
    ASSERT_EQ(one->size(), 1u);
    EXPECT_EQ(one->front().name, "G far");
    EXPECT_EQ(desktop->windowList(WindowList::including, 0x7ffffff)->size(), 0u);

    // Spaces are the desktops, and a sticky window is on every one.
    const auto sticky = client.open("id=st class=Sticky title=sticky pid=5004 desktop=all");
    ASSERT_NE(sticky, 0u);
    EXPECT_TRUE(desktop->spacesAvailable());
    const auto displays = desktop->managedDisplaySpaces();
    ASSERT_TRUE(displays);
    ASSERT_EQ(displays->size(), 1u);
    ASSERT_TRUE(displays->front().spaces);
    EXPECT_EQ(*displays->front().spaces,
              (std::vector<std::optional<std::int64_t>>{std::int64_t{0}, std::int64_t{1}}));
    EXPECT_EQ(sorted(*desktop->windowsInSpaces({1})), sorted({s.gFar, sticky}));
    const auto first = *desktop->windowsInSpaces({0});
    EXPECT_EQ(first.size(), 6u);
    EXPECT_EQ(std::count(first.begin(), first.end(), s.gFar), 0);
    EXPECT_EQ(desktop->windowsInSpaces({0, 1})->size(), 7u);

    // Bringing a window of the other desktop forward switches there and activates it.
    EXPECT_TRUE(desktop->frontProcessAvailable());
    const auto psn = desktop->processForPid(4444);
    ASSERT_TRUE(psn);
    EXPECT_FALSE(desktop->processForPid(999999));
    desktop->setFrontProcess(*psn, s.gFar);
    std::array<std::uint8_t, 248> record{};
    desktop->postEventRecord(*psn, record);
    EXPECT_TRUE(until([&] { return probe.active() == s.gFar && probe.currentDesktop() == 1; }));
    const auto shown = desktop->windowList(WindowList::onScreenOnly);
    ASSERT_TRUE(shown);
    EXPECT_EQ(sorted(ids(*shown)), sorted({s.gFar, sticky}));
}

TEST_F(X11DesktopE2e, ScreensAndPointer) {
    const auto screens = desktop->screens();
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0].width, 1280);
    EXPECT_EQ(screens[0].height, 800);
    ASSERT_EQ(run({"xdotool", "mousemove", "100", "200"}), 0);
    const auto p = desktop->pointer();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 100);
    EXPECT_EQ(p->y, 200);
}

// ---- Batches, round trips and failures -----------------------------------------------------

TEST_F(X11DesktopE2e, ABatchAnswersEveryReadFromOneSnapshot) {
    stage();
    const auto readAll = [&] {
        std::vector<std::string> out;
        for (const RunningApp& a : desktop->runningApplications()) {
            const auto windows = desktop->windows(desktop->applicationElement(a.pid));
            for (const Element& w : windows.value_or(std::vector<Element>{}))
                out.push_back(describe(w));
        }
        return out;
    };
    const auto unbatched = readAll();
    // Nothing changed since those reads: the batch's view costs the one round trip that
    // makes sure of that.
    auto& conn = desktop->connection();
    const auto before = conn.roundTrips();
    desktop->beginBatch();
    const auto batched = readAll();
    desktop->windowList(WindowList::allSpaces);
    desktop->windowsInSpaces({0, 1});
    desktop->managedDisplaySpaces();
    desktop->endBatch();
    EXPECT_EQ(batched, unbatched);
    EXPECT_EQ(conn.roundTrips() - before, 1u);
}

// ---- The live view -----------------------------------------------------------------------

TEST_F(X11DesktopE2e, ARefreshReadsOnlyTheStalePartsAndFollowsTheClientList) {
    const Scenario s = stage();
    X11Connection& conn = probe.connection();
    ClientSnapshot snap = fetchSnapshot(conn);
    ASSERT_TRUE(snap.ok);
    auto trips = [&, last = conn.roundTrips()]() mutable {
        const auto now = conn.roundTrips();
        return now - std::exchange(last, now);
    };
    trips();
    EXPECT_EQ(refreshSnapshot(conn, snap, false, {}), Refresh::unchanged);
    EXPECT_EQ(trips(), 0u);

    // Title and desktop change; a refresh reads only the part it is told is stale.
    client.send("title a1 Fresh title");
    ASSERT_EQ(run({"xdotool", "set_desktop_for_window", hex(s.aOne), "1"}), 0);
    ASSERT_TRUE(seen(
        s.aOne, [](const ClientWindow& w) { return w.title == "Fresh title" && w.desktop == 1u; }));
    trips();
    EXPECT_EQ(refreshSnapshot(conn, snap, false, {{s.aOne, part::title}}), Refresh::changed);
    EXPECT_EQ(trips(), 1u);
    EXPECT_EQ(snap.find(s.aOne)->title, "Fresh title");
    EXPECT_EQ(snap.find(s.aOne)->desktop, 0u);
    EXPECT_EQ(refreshSnapshot(conn, snap, false, {{s.aOne, part::desktop}}), Refresh::changed);
    EXPECT_EQ(snap.find(s.aOne)->desktop, 1u);
    EXPECT_EQ(refreshSnapshot(conn, snap, false, {{s.aOne, part::all}}), Refresh::unchanged);
    EXPECT_EQ(snap.find(s.aOne)->title, "Fresh title");

    // A listed window that vanished is left out, as a whole reading leaves it out.
    const xcb_window_t doomed = ownWindow();
    ASSERT_NE(doomed, 0u);
    EXPECT_EQ(refreshSnapshot(conn, snap, true, {}), Refresh::changed);
    ASSERT_TRUE(snap.find(doomed));
    xcb_destroy_window(conn.get(), doomed);
    EXPECT_EQ(refreshSnapshot(conn, snap, false, {{doomed, part::title}}), Refresh::changed);
    EXPECT_NE(std::find(snap.clients.begin(), snap.clients.end(), doomed), snap.clients.end());
    EXPECT_FALSE(snap.find(doomed));

    // A new client and a closed one: seen once the root is read again, the new client read
    // whole after the caller saw the list.
    const auto extra = client.open("id=x class=Extra title=extra pid=4949");
    ASSERT_NE(extra, 0u);
    client.send("close b2");
    ASSERT_TRUE(client.expect("closed b2", 5s));
    ASSERT_TRUE(gone(s.bDialog, false));
    ASSERT_TRUE(gone(doomed, false));
    EXPECT_FALSE(snap.find(extra));
    std::vector<xcb_window_t> seenFirst;
    trips();
    EXPECT_EQ(refreshSnapshot(conn, snap, true, {},
                              [&](const std::vector<xcb_window_t>& list) { seenFirst = list; }),
              Refresh::changed);
    EXPECT_EQ(trips(), 2u);
    EXPECT_EQ(seenFirst, snap.clients);
    ASSERT_TRUE(snap.find(extra));
    EXPECT_EQ(snap.find(extra)->title, "extra");
    EXPECT_EQ(snap.find(extra)->pid, 4949);
    EXPECT_FALSE(snap.find(s.bDialog));
    EXPECT_EQ(snap.windows.size(), snap.clients.size());
    const ClientSnapshot whole = fetchSnapshot(conn);
    EXPECT_EQ(snap.clients, whole.clients);
    EXPECT_EQ(snap.active, whole.active);
}

TEST_F(X11DesktopE2e, TheLiveViewEqualsAWholeReadingAfterEveryKindOfChange) {
    const Scenario s = stage();
    EXPECT_TRUE(liveIsExact());
    EXPECT_TRUE(secondReadIsFree());

    // Retitled by its client: the very next read has it, with no event pumped.
    client.send("title a1 Renamed");
    ASSERT_TRUE(seen(s.aOne, [](const ClientWindow& w) { return w.title == "Renamed"; }));
    EXPECT_EQ(desktop->title(windowOf(4242, s.aOne)), "Renamed");
    EXPECT_TRUE(liveIsExact());

    // A title in WM_NAME alone, changing its encoding.
    const auto legacy = client.open("id=l class=Legacy wmname='Caf\\xe9' pid=4242");
    ASSERT_NE(legacy, 0u);
    EXPECT_EQ(desktop->title(windowOf(4242, legacy)), "Caf\xC3\xA9");
    setWmName(legacy, XCB_ATOM_STRING, "Na\xefve");
    ASSERT_TRUE(seen(legacy, [](const ClientWindow& w) { return w.title == "Na\xC3\xAFve"; }));
    EXPECT_EQ(desktop->title(windowOf(4242, legacy)), "Na\xC3\xAFve");
    setWmName(legacy, probe.connection().atoms().compoundText, "\xe9t\xe9");
    ASSERT_TRUE(seen(legacy, [](const ClientWindow& w) { return w.title == "\xC3\xA9t\xC3\xA9"; }));
    EXPECT_EQ(desktop->title(windowOf(4242, legacy)), "\xC3\xA9t\xC3\xA9");
    EXPECT_TRUE(liveIsExact());

    // Minimised, then restored and activated.
    client.send("minimize a1");
    ASSERT_TRUE(seen(s.aOne, [](const ClientWindow& w) { return w.hidden; }));
    EXPECT_EQ(desktop->minimized(windowOf(4242, s.aOne)), true);
    EXPECT_TRUE(liveIsExact());
    ASSERT_TRUE(activate(s.aOne, false));
    ASSERT_TRUE(seen(s.aOne, [](const ClientWindow& w) { return !w.hidden; }));
    EXPECT_EQ(desktop->minimized(windowOf(4242, s.aOne)), false);
    EXPECT_EQ(desktop->frontmostApplication()->pid, 4242);
    EXPECT_TRUE(liveIsExact());

    // Sent to another desktop.
    ASSERT_EQ(run({"xdotool", "set_desktop_for_window", hex(s.bMain), "1"}), 0);
    ASSERT_TRUE(seen(s.bMain, [](const ClientWindow& w) { return w.desktop == 1u; }));
    EXPECT_TRUE(liveIsExact());

    // Moved and resized by the window manager: the client area in root coordinates.
    const Rect was = *fetchWindow(probe.connection(), s.aOne)->geometry;
    ASSERT_EQ(run({"xdotool", "windowmove", hex(s.aOne), "200", "150"}), 0);
    ASSERT_TRUE(seen(s.aOne, [&](const ClientWindow& w) {
        return w.geometry->x != was.x || w.geometry->y != was.y;
    }));
    const auto moved = desktop->windowList(WindowList::including, s.aOne);
    ASSERT_TRUE(moved);
    ASSERT_EQ(moved->size(), 1u);
    const Rect now = *fetchWindow(probe.connection(), s.aOne)->geometry;
    EXPECT_EQ(moved->front().bounds->x, now.x);
    EXPECT_EQ(moved->front().bounds->y, now.y);
    EXPECT_TRUE(liveIsExact());
    ASSERT_EQ(run({"xdotool", "windowsize", hex(s.aOne), "500", "350"}), 0);
    ASSERT_TRUE(seen(s.aOne, [](const ClientWindow& w) { return w.geometry->width == 500; }));
    EXPECT_EQ(desktop->size(windowOf(4242, s.aOne)), (Size{500, 350}));
    EXPECT_TRUE(liveIsExact());

    // A window opens, another closes.
    const auto extra = client.open("id=x class=Extra title=extra pid=4949");
    ASSERT_NE(extra, 0u);
    EXPECT_TRUE(desktop->application(4949));
    EXPECT_TRUE(liveIsExact());
    client.send("close x");
    ASSERT_TRUE(client.expect("closed x", 5s));
    ASSERT_TRUE(gone(extra, false));
    EXPECT_FALSE(desktop->application(4949));
    EXPECT_TRUE(liveIsExact());

    // Restacked, and the shown desktop switched.
    desktop->raise(windowOf(4242, legacy));
    ASSERT_TRUE(waitFor([&] { return probe.stacking().back() == legacy; }, 10s));
    EXPECT_EQ(desktop->windowList(WindowList::allSpaces)->front().number, legacy);
    EXPECT_TRUE(liveIsExact());
    ASSERT_EQ(run({"xdotool", "set_desktop", "1"}), 0);
    // openbox then focuses the window there.
    ASSERT_TRUE(
        waitFor([&] { return probe.currentDesktop() == 1 && probe.active() == s.gFar; }, 10s));
    EXPECT_TRUE(liveIsExact());
    EXPECT_TRUE(secondReadIsFree());

    // After all that, every answer is the one a desktop that never saw a change gives.
    auto fresh = X11Desktop::open(X11Connection::open(), DesktopEntries({entriesDir}, ""));
    ASSERT_TRUE(fresh);
    const std::string whole = answers(*fresh);
    EXPECT_EQ(answers(*desktop), whole);
}

TEST_F(X11DesktopE2e, ChangesCostOneReadingWhenAskedAndAreHandledOnlyByProcessEvents) {
    const Scenario s = stage();
    int calls = 0;
    auto observer = desktop->observeFocus(4242, [&] { ++calls; });
    std::vector<Pid> notices;
    desktop->setActivationHandler(
        [&](std::optional<RunningApp> a) { notices.push_back(a ? a->pid : -1); });
    // The staging's own changes, handled and forgotten.
    desktop->processEvents();
    calls = 0;
    notices.clear();
    ASSERT_TRUE(secondReadIsFree());

    // A thousand retitles, all done by the server before the reading: one round trip to
    // catch up, one for that window's parts.
    X11Connection& other = probe.connection();
    for (int i = 1; i <= 1000; ++i) {
        const std::string title = "Title " + std::to_string(i);
        xcb_change_property(other.get(), XCB_PROP_MODE_REPLACE, s.aOne, other.ewmh()._NET_WM_NAME,
                            other.ewmh().UTF8_STRING, 8, static_cast<std::uint32_t>(title.size()),
                            title.data());
    }
    other.reply(xcb_get_input_focus_reply, xcb_get_input_focus(other.get()));
    auto before = desktop->connection().roundTrips();
    const auto snap = desktop->snapshot();
    EXPECT_EQ(desktop->connection().roundTrips() - before, 2u);
    ASSERT_TRUE(snap->find(s.aOne));
    EXPECT_EQ(snap->find(s.aOne)->title, "Title 1000");
    EXPECT_TRUE(secondReadIsFree());
    // Reading looked at the events but left them to the event loop, every one.
    EXPECT_EQ(calls, 0);
    desktop->processEvents();
    EXPECT_EQ(calls, 1000);

    // Properties no reading looks at change nothing: the icon (cached on its own, and
    // following the change) and the user time.
    const auto quiet = desktop->snapshot();
    client.send("icon a1 16,32");
    const std::uint32_t userTime = 12345;
    xcb_change_property(other.get(), XCB_PROP_MODE_REPLACE, s.aOne, other.ewmh()._NET_WM_USER_TIME,
                        XCB_ATOM_CARDINAL, 32, 1, &userTime);
    ASSERT_TRUE(waitFor(
        [&] {
            auto r = other.reply(xcb_get_property_reply,
                                 xcb_get_property(other.get(), 0, s.aOne, other.ewmh()._NET_WM_ICON,
                                                  XCB_ATOM_CARDINAL, 0, 1u << 16));
            return prop::cardinals(r.get()).size() == 2 + 16 * 16 + 2 + 32 * 32;
        },
        10s));
    before = desktop->connection().roundTrips();
    EXPECT_EQ(desktop->snapshot(), quiet);
    EXPECT_EQ(desktop->connection().roundTrips() - before, 1u);
    const auto icon = desktop->icon(4242);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->width, 32);

    // An activation: the reading knows it at once, the handler hears of it from the loop.
    ASSERT_TRUE(activate(s.aOne, false));
    EXPECT_EQ(desktop->snapshot()->active, s.aOne);
    EXPECT_EQ(desktop->frontmostApplication()->pid, 4242);
    EXPECT_TRUE(notices.empty());
    desktop->processEvents();
    EXPECT_EQ(notices, std::vector<Pid>{4242});
}

TEST_F(X11DesktopE2e, LosingTheConnectionIsReportedAndEveryReadIsAbsent) {
    stage();
    EXPECT_FALSE(desktop->connectionLost());
    ASSERT_EQ(::shutdown(desktop->fd(), SHUT_RDWR), 0);
    desktop->processEvents();
    EXPECT_TRUE(desktop->connectionLost());
    EXPECT_FALSE(desktop->isTrusted());
    EXPECT_TRUE(desktop->runningApplications().empty());
    EXPECT_FALSE(desktop->windowList(WindowList::allSpaces));
    EXPECT_FALSE(desktop->frontmostApplication());
    EXPECT_FALSE(desktop->observeFocus(4242, [] {}));
    desktop->activate(4242);
    desktop->processEvents();
}

} // namespace
} // namespace morvelan::e2e
