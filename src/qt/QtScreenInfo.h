// QtScreenInfo: the screens and the pointer as Qt sees them, in the panel's coordinates.
#pragma once

#include "core/switcher/ScreenInfo.h"

namespace morvelan {

class QtScreenInfo : public ScreenInfo {
public:
    std::vector<Rect> screens() override;
    std::optional<Point> pointer() override;
};

} // namespace morvelan
