// E2eFixture: a fresh X11WindowSystem per test on a clean desktop, with a test client to
// open windows.
#pragma once

#include "E2eSupport.h"
#include "TestClient.h"

#include <gtest/gtest.h>

namespace morvelan::e2e {

class E2eFixture : public ::testing::Test {
protected:
    void SetUp() override {
        if (!inSession()) GTEST_SKIP() << "end-to-end tests run through scripts/xvfb-session";
        ASSERT_TRUE(probe.ok());
        ASSERT_TRUE(client.running());
        ASSERT_TRUE(cleanDesktop(probe));
        system = openWindowSystem();
        ASSERT_TRUE(system);
    }

    // Pumps events until `condition` holds (deadline 10 s: a loaded machine).
    bool until(const std::function<bool()>& condition) {
        return waitFor(*system, condition, std::chrono::seconds(10));
    }

    // The window titled `title`; absent when the window system lists none.
    std::optional<WindowInfo> titled(const std::string& title) {
        for (const WindowInfo& w : system->windows())
            if (w.title == title) return w;
        return std::nullopt;
    }

    RootProbe probe;
    TestClient client;
    std::unique_ptr<X11WindowSystem> system;
};

} // namespace morvelan::e2e
