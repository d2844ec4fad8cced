// SwitcherTestKit: fakes of the switcher's host (panel, screens, fonts) and data builders.
#pragma once

#include "core/switcher/ScreenInfo.h"
#include "core/switcher/Switcher.h"
#include "core/switcher/SwitcherPanel.h"
#include "core/switcher/TextMeasure.h"
#include "fakes/FakeScreens.h"
#include "fakes/FakeSwitcherPanel.h"
#include "fakes/FakeTextMeasure.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace morvelan::testing {

using FakePanel = FakeSwitcherPanel;

inline Win window(Pid pid, WindowID wid, std::string title, std::string app) {
    Win win;
    win.pid = pid;
    win.wid = wid;
    win.title = std::move(title);
    win.appName = std::move(app);
    return win;
}

// One column per window, as the orchestration builds them.
inline Switcher::Col column(const Win& win, std::set<int> ctxIdxs = {}, ImageRef icon = nullptr) {
    return {win.appName, std::move(icon), {{win, std::move(ctxIdxs), std::nullopt}}};
}

inline Uuid uuidOf(int n) {
    Uuid id;
    id.bytes[15] = static_cast<std::uint8_t>(n);
    return id;
}

inline Color rgb(double r, double g, double b) {
    return {r, g, b, 1};
}

inline SwitcherView::Cell cell(std::string title, std::set<int> ctxIdxs, bool matched = true) {
    return {std::move(title), nullptr, std::nullopt, std::move(ctxIdxs), matched};
}

} // namespace morvelan::testing
