// WindowIds: run-unique window ids over reusable host handles.
#include "core/platform/WindowIds.h"

#include <algorithm>
#include <random>

namespace morvelan {

namespace {

// X servers give out ids below 0x20000000 (client bits 21–28 and the resource number), and
// earlier versions stored those: new ids start above them, well away from 0.
constexpr WindowID lowest = 0x40000000u;

WindowID randomStart() {
    std::random_device device;
    std::uniform_int_distribution<WindowID> pick(lowest, 0xC0000000u);
    return pick(device);
}

} // namespace

WindowIds::WindowIds() : WindowIds(randomStart()) {}

WindowIds::WindowIds(WindowID first)
    : floor_(std::clamp<WindowID>(first, 1, lowest)), next_(std::max<WindowID>(first, 1)) {}

WindowID WindowIds::idFor(Handle handle) {
    if (auto it = byHandle_.find(handle); it != byHandle_.end()) return it->second;
    // After the last id the count starts again from the bottom, past ids still in use.
    const auto advance = [&](WindowID id) { return id == 0xFFFFFFFFu ? floor_ : id + 1; };
    while (byId_.count(next_) != 0)
        next_ = advance(next_);
    const WindowID id = next_;
    next_ = advance(next_);
    byHandle_.emplace(handle, id);
    byId_.emplace(id, handle);
    return id;
}

std::optional<WindowID> WindowIds::find(Handle handle) const {
    auto it = byHandle_.find(handle);
    if (it == byHandle_.end()) return std::nullopt;
    return it->second;
}

std::optional<WindowIds::Handle> WindowIds::handleOf(WindowID id) const {
    auto it = byId_.find(id);
    if (it == byId_.end()) return std::nullopt;
    return it->second;
}

void WindowIds::forget(Handle handle) {
    auto it = byHandle_.find(handle);
    if (it == byHandle_.end()) return;
    byId_.erase(it->second);
    byHandle_.erase(it);
}

} // namespace morvelan
