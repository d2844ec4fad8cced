// E2eFixture: a fresh X11Desktop per test on a clean desktop, plus the staged applications
// most end-to-end tests look at.
#pragma once

#include "E2eSupport.h"
#include "TestClient.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace morvelan::e2e {

// Four applications with fake pids in one test-client process:
//   Alpha  4242  org.test.Alpha (_GTK_APPLICATION_ID), "A one" normal + "A two" minimised
//   Beta   4343  beta-app (desktop entry whose StartupWMClass is Beta), "B main" + a dialog
//   Gamma  4444  org.test.Gamma, "G far" on the second desktop
//   Delta  4545  class Delta only, nothing but the minimised "D hidden"
struct Scenario {
    xcb_window_t aOne = 0, aTwo = 0, bMain = 0, bDialog = 0, gFar = 0, dHidden = 0;
};

class E2eFixture : public ::testing::Test {
protected:
    void SetUp() override {
        if (!inSession()) GTEST_SKIP() << "end-to-end tests run through scripts/xvfb-session";
        ASSERT_TRUE(probe.ok());
        ASSERT_TRUE(client.running());
        // The windows of the test before are gone and the first desktop is shown.
        ASSERT_TRUE(waitFor([&] { return probe.clients().empty(); }, 5s));
        if (probe.currentDesktop() != 0) {
            ASSERT_EQ(run({"xdotool", "set_desktop", "0"}), 0);
            ASSERT_TRUE(waitFor([&] { return probe.currentDesktop() == 0; }, 5s));
        }
        entriesDir = dataHome() + "/e2e-entries";
        writeEntry("org.test.Alpha", "[Desktop Entry]\nType=Application\nName=Alpha Studio\n");
        writeEntry("beta-app", "[Desktop Entry]\nType=Application\nName=Beta App\n"
                               "StartupWMClass=Beta\n");
        desktop = X11Desktop::open(X11Connection::open(), DesktopEntries({entriesDir}, ""));
        ASSERT_TRUE(desktop);
    }

    void writeEntry(const std::string& id, const std::string& text) {
        std::filesystem::create_directories(entriesDir + "/applications");
        std::ofstream(entriesDir + "/applications/" + id + ".desktop") << text;
    }

    Scenario stage() {
        Scenario s;
        s.aOne = client.open("id=a1 class=Alpha appid=org.test.Alpha title='A one' pid=4242 "
                             "icon=16,48,128");
        s.aTwo = client.open("id=a2 class=Alpha appid=org.test.Alpha title='A two' pid=4242 "
                             "state=minimized");
        s.bMain = client.open("id=b1 class=Beta title='B main' pid=4343");
        s.bDialog = client.open("id=b2 class=Beta title='B dialog' pid=4343 type=dialog "
                                "transient=b1 w=300 h=200");
        s.gFar = client.open("id=g1 class=Gamma appid=org.test.Gamma title='G far' pid=4444 "
                             "desktop=1");
        s.dHidden = client.open("id=d1 class=Delta title='D hidden' pid=4545 state=minimized");
        EXPECT_NE(s.aOne, 0u);
        EXPECT_NE(s.aTwo, 0u);
        EXPECT_NE(s.bMain, 0u);
        EXPECT_NE(s.bDialog, 0u);
        EXPECT_NE(s.gFar, 0u);
        EXPECT_NE(s.dHidden, 0u);
        // The last window shown takes the focus: wait for that, so no focus change of the
        // staging lands in the middle of a test.
        EXPECT_TRUE(waitFor([&] { return probe.active() == s.bDialog; }, 5s));
        return s;
    }

    // Pumps events until `condition` holds (deadline 10 s unless given: a loaded machine).
    bool until(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s) {
        return waitFor(*desktop, condition, timeout);
    }

    RootProbe probe;
    TestClient client;
    std::string entriesDir;
    std::unique_ptr<X11Desktop> desktop;
};

} // namespace morvelan::e2e
