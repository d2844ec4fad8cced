// WindowRecency: the windows in the order they were last used, most recent first.
#pragma once

#include "core/model/Win.h"

#include <vector>

namespace morvelan {

class WindowRecency {
public:
    // Starts the order over from `ids` (most recent first).
    void seed(std::vector<WindowID> ids) { order_ = std::move(ids); }
    // Makes the window the most recent one.
    void touch(const Win& win);
    // The windows in recency order. Windows it did not know yet are added after every known
    // one, in the order given, and keep that rank from then on.
    std::vector<Win> ordered(std::vector<Win> wins);
    // Ids, most recent first. Ids of closed windows stay: ids are never reused in a run.
    const std::vector<WindowID>& ids() const { return order_; }

private:
    std::vector<WindowID> order_;
};

} // namespace morvelan
