// WindowIds: window ids that stay unique for the whole run, for hosts whose own window handles
// are reused (an X server hands a disconnected client's window ids to the next client at once).
#pragma once

#include "core/platform/WindowSystem.h"

#include <cstdint>
#include <optional>
#include <unordered_map>

namespace morvelan {

class WindowIds {
public:
    using Handle = std::uint64_t;

    // Ids start at a random point above every id an X server gives out, so that an id stored
    // by an earlier run (pins keep them) is unlikely to name a window of this one.
    WindowIds();
    // Ids from `first` on (tests).
    explicit WindowIds(WindowID first);

    // The id of the window behind `handle`, made on first sight.
    WindowID idFor(Handle handle);
    std::optional<WindowID> find(Handle handle) const;
    std::optional<Handle> handleOf(WindowID id) const;
    // The window behind `handle` is gone: a later window with the same handle gets a new id.
    void forget(Handle handle);
    // Forgets every handle for which `live` is false.
    template <class Live> void keepOnly(Live live) {
        for (auto it = byHandle_.begin(); it != byHandle_.end();) {
            if (live(it->first)) {
                ++it;
            } else {
                byId_.erase(it->second);
                it = byHandle_.erase(it);
            }
        }
    }
    std::size_t size() const { return byHandle_.size(); }

private:
    WindowID floor_;
    WindowID next_;
    std::unordered_map<Handle, WindowID> byHandle_;
    std::unordered_map<WindowID, Handle> byId_;
};

} // namespace morvelan
