// ScreenInfo: the screens and pointer position the switcher needs to place its panel.
#pragma once

#include "core/platform/Geometry.h"

#include <optional>
#include <vector>

namespace morvelan {

class ScreenInfo {
public:
    virtual ~ScreenInfo() = default;
    // Full frames of the screens in the panel's coordinates (top-left origin), main screen first.
    virtual std::vector<Rect> screens() = 0;
    // The mouse pointer in the same coordinates; absent when it cannot be read.
    virtual std::optional<Point> pointer() = 0;
};

} // namespace morvelan
