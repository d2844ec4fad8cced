// FakeScreens: one 1280 × 800 screen and the pointer in its middle, unless a test says otherwise.
#pragma once

#include "core/switcher/ScreenInfo.h"

namespace morvelan {

class FakeScreens : public ScreenInfo {
public:
    std::vector<Rect> screens() override { return list; }
    std::optional<Point> pointer() override { return at; }

    std::vector<Rect> list{{0, 0, 1280, 800}};
    std::optional<Point> at = Point{640, 400};
};

} // namespace morvelan
