// WindowRecency: a list of window ids moved to the front as windows are used.
#include "core/app/WindowRecency.h"

#include <algorithm>
#include <unordered_map>

namespace morvelan {

void WindowRecency::touch(const Win& win) {
    std::erase(order_, win.wid);
    order_.insert(order_.begin(), win.wid);
}

std::vector<Win> WindowRecency::ordered(std::vector<Win> wins) {
    std::unordered_map<WindowID, std::size_t> rank;
    for (std::size_t i = 0; i < order_.size(); ++i)
        rank.emplace(order_[i], i);
    for (const Win& win : wins) {
        if (rank.emplace(win.wid, order_.size()).second) order_.push_back(win.wid);
    }
    std::stable_sort(wins.begin(), wins.end(),
                     [&](const Win& a, const Win& b) { return rank.at(a.wid) < rank.at(b.wid); });
    return wins;
}

} // namespace morvelan
