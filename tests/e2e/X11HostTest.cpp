// The X11 host's own faults, those only a real X server (Xvfb + openbox) shows.
#include "E2eFixture.h"

#include <sys/socket.h>

#include <algorithm>
#include <map>
#include <sstream>

namespace morvelan::e2e {
namespace {

// Everything a window system answers, without ids (two systems give different ones).
std::string answers(WindowSystem& system) {
    std::ostringstream out;
    for (const WindowInfo& w : system.windows())
        out << describe(w) << ' ' << w.frame.x << ',' << w.frame.y << ' ' << w.frame.width << 'x'
            << w.frame.height << '\n';
    const auto active = system.activeWindow();
    out << "active " << (active ? active->title : "-") << "\napps";
    for (const AppInfo& a : system.runningApplications())
        out << ' ' << a.pid << ' ' << a.appId;
    return out.str();
}

class X11HostE2e : public E2eFixture {
protected:
    // The live reading answers as a window system that reads everything afresh. Those
    // whole readings are taken before and after the live one, and only a pair that agrees
    // counts, as the window manager may still be at work. The live system's events are not
    // pumped: a reading catches up by itself.
    ::testing::AssertionResult liveIsExact() {
        std::string live, whole;
        const bool settled = waitFor(
            [&] {
                const std::string before = answers(*openWindowSystem());
                live = answers(*system);
                whole = answers(*openWindowSystem());
                return before == whole;
            },
            10s);
        if (!settled) return ::testing::AssertionFailure() << "the windows never stood still";
        if (live == whole) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "live:\n" << live << "\nwhole:\n" << whole;
    }

    // A round trip on the probe's connection: the server has done what it sent before.
    void sync() {
        probe.connection().reply(xcb_get_input_focus_reply,
                                 xcb_get_input_focus(probe.connection().get()));
    }

    bool listed(xcb_window_t id) {
        const auto c = probe.clients();
        return std::find(c.begin(), c.end(), id) != c.end();
    }

    // Sets WM_NAME of `id` from the probe's connection, in the encoding `type` names.
    void setWmName(xcb_window_t id, xcb_atom_t type, const std::string& bytes) {
        xcb_change_property(probe.connection().get(), XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME,
                            type, 8, static_cast<std::uint32_t>(bytes.size()), bytes.data());
        xcb_flush(probe.connection().get());
    }
};

TEST_F(X11HostE2e, WindowsOfEveryKindWithTitlesTurnedIntoUtf8) {
    const std::pair<const char*, const char*> cases[] = {
        {"title=plain", "'plain' Kind|Kind normal closable d0 here"},
        // xterm sets neither _NET_WM_NAME nor _NET_WM_WINDOW_TYPE.
        {"wmname=xterm type=none", "'xterm' Kind|Kind normal closable d0 here"},
        {"title=child type=none transient=w0", "'child' Kind|Kind dialog closable d0 here"},
        {"title=tool type=utility skiptaskbar=1", "'tool' Kind|Kind utility skip closable d0 here"},
        {"title=splash type=splash nodelete=1", "'splash' Kind|Kind splash d0 here"},
        {"title=full state=fullscreen", "'full' Kind|Kind normal full closable d0 here"},
        {"title=sticky desktop=all", "'sticky' Kind|Kind normal closable d* here"},
        {"wmname='Caf\\xe9'", "'Caf\xC3\xA9' Kind|Kind normal closable d0 here"},
        {"title='bad\\xff'", "'bad\xEF\xBF\xBD' Kind|Kind normal closable d0 here"},
        {"", "'' Kind|Kind normal closable d0 here"},
        {"title=kate pid=5002 kde=org.kde.kate.desktop",
         "'kate' org.kde.kate|Kind normal closable d0 here"},
        // A window that names no process is one of an application of its own; docks are none
        // of the program's windows.
        {"title=orphan pid=none", "'orphan' Kind|Kind normal closable d0 here"},
        {"title=panel type=dock", nullptr},
    };
    std::vector<std::string> expected, actual;
    std::vector<xcb_window_t> made;
    for (const auto& [options, description] : cases) {
        const std::string name = "w" + std::to_string(made.size());
        made.push_back(client.open("id=" + name + " class=Kind pid=5001 " + options));
        ASSERT_NE(made.back(), 0u) << options;
        if (description) expected.push_back(description);
    }
    for (const WindowInfo& w : system->windows())
        actual.push_back(describe(w));
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected);

    // WM_NAME in compound text: the next reading has it without an event pumped, and the
    // event loop then tells of it.
    const WindowID xterm = titled("xterm").value_or(WindowInfo{}).id;
    ASSERT_NE(xterm, 0u);
    WindowID retitled = 0;
    system->setChangeHandler([&](WindowChange c, WindowID id) {
        if (c == WindowChange::title) retitled = id;
    });
    setWmName(made[1], probe.connection().atoms().compoundText, "\xe9t\xe9");
    sync();
    EXPECT_EQ(titled("\xC3\xA9t\xC3\xA9").value_or(WindowInfo{}).id, xterm);
    EXPECT_EQ(retitled, 0u);
    EXPECT_TRUE(until([&] { return retitled == xterm; }));
}

TEST_F(X11HostE2e, TheLiveReadingFollowsEveryKindOfChange) {
    const auto a = client.open("id=a class=Alpha appid=org.test.Alpha title=A pid=4242");
    const auto b = client.open("id=b class=Beta title=B pid=4343");
    const auto g = client.open("id=g class=Gamma title=G pid=4444 desktop=1");
    ASSERT_TRUE(a && b && g);
    EXPECT_TRUE(liveIsExact());
    const std::vector<std::vector<std::string>> changes = {
        {"windowminimize", hex(a)},
        {"windowactivate", hex(a)},
        {"set_desktop_for_window", hex(b), "1"},
        {"windowmove", hex(a), "200", "150"},
        {"windowsize", hex(a), "500", "350"},
        {"windowraise", hex(g)},
        {"set_desktop", "1"},
    };
    for (auto change : changes) {
        SCOPED_TRACE(change[0]);
        const std::string was = answers(*openWindowSystem());
        change.insert(change.begin(), "xdotool");
        ASSERT_EQ(run(change), 0);
        ASSERT_TRUE(waitFor([&] { return answers(*openWindowSystem()) != was; }, 10s));
        EXPECT_TRUE(liveIsExact());
    }

    // Nothing changed since: a batch of reads costs the one round trip that makes sure.
    auto& conn = system->connection();
    EXPECT_TRUE(waitFor(
        [&] {
            system->windows();
            const auto before = conn.roundTrips();
            WindowSystemBatch batch(*system);
            system->windows();
            system->activeWindow();
            system->runningApplications();
            return conn.roundTrips() - before == 1;
        },
        10s));
}

TEST_F(X11HostE2e, DesktopNumbersAnyClientWritesAreBounded) {
    const auto a = client.open("id=a class=Alpha title=A pid=4242");
    ASSERT_TRUE(a);
    auto& conn = probe.connection();
    const auto set = [&](xcb_window_t w, xcb_atom_t atom, std::uint32_t value) {
        xcb_change_property(conn.get(), XCB_PROP_MODE_REPLACE, w, atom, XCB_ATOM_CARDINAL, 32, 1,
                            &value);
    };
    auto count =
        conn.reply(xcb_get_property_reply,
                   xcb_get_property(conn.get(), 0, conn.root(), conn.ewmh()._NET_NUMBER_OF_DESKTOPS,
                                    XCB_ATOM_CARDINAL, 0, 1));
    const std::uint32_t was = prop::cardinal(count.get()).value_or(1);
    set(conn.root(), conn.ewmh()._NET_NUMBER_OF_DESKTOPS, 0x7FFFFFFF);
    set(a, conn.ewmh()._NET_WM_DESKTOP, 0x7FFFFFFE);
    sync();
    const auto desktopOfA = [&] {
        for (const WindowInfo& w : system->windows())
            if (w.title == "A") return w.desktop;
        return -2;
    };
    EXPECT_TRUE(waitFor([&] { return desktopOfA() == WindowInfo::allDesktops; }, 10s))
        << desktopOfA();
    set(conn.root(), conn.ewmh()._NET_NUMBER_OF_DESKTOPS, was);
    sync();
}

TEST_F(X11HostE2e, AClosedWindowThatOpenboxStillNamesActiveIsNoActiveWindow) {
    const auto x = client.open("id=last title=last");
    ASSERT_TRUE(until([&] { return probe.active() == x; }));
    client.send("close last");
    ASSERT_TRUE(waitFor([&] { return !listed(x); }, 10s));
    ASSERT_EQ(probe.active(), x) << "openbox no longer names the closed window";
    EXPECT_FALSE(system->activeWindow());
}

TEST_F(X11HostE2e, AWindowThatVanishesMidScanIsLeftOutAndTheRestRead) {
    ASSERT_NE(client.open("id=k title=kept"), 0u);
    xcb_connection_t* c = probe.connection().get();
    const xcb_window_t doomed = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, doomed, probe.connection().root(), 0, 0, 200, 150, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_map_window(c, doomed);
    xcb_flush(c);
    ASSERT_TRUE(waitFor([&] { return listed(doomed); }, 10s));
    // Destroyed on the reading's own connection after the client list was read: the
    // server has done it before it answers for any window.
    const ClientSnapshot snap =
        fetchSnapshot(probe.connection(), [&](const std::vector<xcb_window_t>& clients) {
            EXPECT_EQ(std::count(clients.begin(), clients.end(), doomed), 1);
            xcb_destroy_window(c, doomed);
        });
    EXPECT_TRUE(snap.ok);
    EXPECT_FALSE(snap.find(doomed));
    ASSERT_EQ(snap.windows.size(), 1u);
    EXPECT_EQ(snap.windows.begin()->second.title, "kept");
}

TEST_F(X11HostE2e, TheIconIsAShownWindowsAndIsFetchedAgainAfterItChanges) {
    ASSERT_NE(client.open("id=a class=Icon title=shown pid=4242 icon=16,48,128"), 0u);
    ASSERT_NE(client.open("id=m class=Icon title=hidden pid=4242 icon=32 state=minimized"), 0u);
    ASSERT_EQ(system->windows().front().title, "hidden");
    const auto width = [&] {
        const ImageRef icon = system->icon(4242);
        return icon ? icon->width : 0;
    };
    EXPECT_EQ(width(), 48);
    EXPECT_EQ(system->icon(4242)->argb.size(), 48u * 48u);
    client.send("icon a 16,64");
    EXPECT_TRUE(until([&] { return width() == 64; }));
    EXPECT_FALSE(system->icon(999999));
}

// xlogo, xeyes, Motif and Java programs name no process, and a pid of another machine names
// none here: such a client is an application of its own, which runs while it has windows and
// quits by closing those that can be asked to close (closing the others would kill it).
TEST_F(X11HostE2e, ClientsThatNameNoProcessHereAreApplicationsOfTheirOwn) {
    TestClient other;
    const std::string pid = " pid=" + std::to_string(client.pid());
    ASSERT_NE(client.open("id=l class=Logo title=logo pid=none hinticon=C81EB4"), 0u);
    ASSERT_NE(client.open("id=k class=Logo title=kept pid=none nodelete=1 hinticon=C81EB4"), 0u);
    ASSERT_NE(other.open("id=o class=Logo title=other pid=none"), 0u);
    ASSERT_NE(client.open("id=h class=Here title=here" + pid), 0u);
    ASSERT_NE(client.open("id=r class=Here title=remote machine=far.example" + pid), 0u);
    std::map<std::string, Pid> app;
    for (const WindowInfo& w : system->windows())
        app[w.title] = w.app.pid;
    EXPECT_EQ(app.size(), 5u);
    EXPECT_EQ(app["logo"], app["kept"]);
    EXPECT_NE(app["logo"], app["other"]) << "two clients of one class merged";
    EXPECT_EQ(app["here"], client.pid());
    EXPECT_NE(app["remote"], app["here"]) << "a pid of another machine named a process here";
    const auto runs = [&](Pid pid) {
        const auto apps = system->runningApplications();
        return std::any_of(apps.begin(), apps.end(),
                           [&](const AppInfo& a) { return a.pid == pid; });
    };
    EXPECT_TRUE(runs(app["logo"]) && runs(app["remote"]));

    // The WM_HINTS icon: the pixmap's colour where its mask is set, clear elsewhere.
    const ImageRef icon = system->icon(app["logo"]);
    ASSERT_TRUE(icon && icon->width == 16 && icon->argb.size() == 256u) << (icon ? icon->width : 0);
    EXPECT_EQ(icon->argb[16 * 8], 0xFFC81EB4u);
    EXPECT_EQ(icon->argb[16 * 8 + 15], 0u);

    system->quit(app["logo"]);
    ASSERT_TRUE(client.expect("closed l", 10s));
    ASSERT_TRUE(until([&] { return !titled("logo"); }));
    EXPECT_TRUE(titled("kept") && titled("here")) << "the client was killed";
    EXPECT_TRUE(runs(app["logo"]));
    client.send("close k");
    ASSERT_TRUE(until([&] { return !titled("kept"); }));
    EXPECT_FALSE(runs(app["logo"]));
}

// The X server gives a disconnected client's window ids to the next client at once. The
// window system reads nothing between the two windows: only the destruction it was told of
// can tell them apart.
TEST_F(X11HostE2e, AWindowGivenARecycledXIdInheritedTheClosedWindowsId) {
    auto first = std::make_unique<TestClient>();
    const xcb_window_t x = first->open("id=w class=Reuse title=first");
    ASSERT_NE(x, 0u);
    const auto old = titled("first");
    ASSERT_TRUE(old);
    first.reset();
    ASSERT_TRUE(waitFor([&] { return !listed(x); }, 10s));
    TestClient second;
    ASSERT_EQ(second.open("id=w class=Reuse title=second"), x) << "no X id recycled";
    ASSERT_NE(second.open("id=v class=Reuse title=other"), 0u);
    const auto fresh = titled("second");
    ASSERT_TRUE(fresh);
    EXPECT_NE(fresh->id, old->id);
    // The old id names nothing any more: closing it leaves the new window alone.
    system->close(old->id);
    system->close(titled("other").value_or(WindowInfo{}).id);
    ASSERT_TRUE(second.expect("closed v", 10s));
    EXPECT_FALSE(second.expect("closed w", 0s));
}

TEST_F(X11HostE2e, ALostConnectionIsReportedAndEveryReadIsEmpty) {
    ASSERT_NE(client.open("id=a title=A pid=4242"), 0u);
    ASSERT_FALSE(system->windows().empty());
    ASSERT_EQ(::shutdown(system->fd(), SHUT_RDWR), 0);
    system->processEvents();
    EXPECT_TRUE(system->connectionLost());
    EXPECT_TRUE(system->windows().empty());
    EXPECT_FALSE(system->activeWindow());
    EXPECT_TRUE(system->runningApplications().empty());
}

} // namespace
} // namespace morvelan::e2e
