// WindowEngine: windows on every space, application placeholders and the diagnostic dumps.
#include "core/engine/DesktopBatch.h"
#include "core/engine/WindowEngine.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_map>

namespace morvelan {

namespace {

constexpr double minWindowWidth = 120;
constexpr double minWindowHeight = 100;

// Truncated toward zero; 0 when absent, not finite or outside the 64-bit range.
std::int64_t truncated(std::optional<double> value) {
    if (!value || !std::isfinite(*value)) return 0;
    const double t = std::trunc(*value);
    if (t < -0x1p63 || t >= 0x1p63) return 0;
    return static_cast<std::int64_t>(t);
}

std::string join(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i != 0) text += '\n';
        text += lines[i];
    }
    return text;
}

} // namespace

std::string geometryKey(Pid pid, const WindowInfo::Bounds& bounds) {
    return std::to_string(pid) + '|' + std::to_string(truncated(bounds.x)) + '|' +
           std::to_string(truncated(bounds.y)) + '|' + std::to_string(truncated(bounds.width)) +
           '|' + std::to_string(truncated(bounds.height));
}

std::string prefixChars(const std::string& text, std::size_t count) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A byte that does not continue a UTF-8 sequence starts a new character.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (chars == count) return text.substr(0, i);
            ++chars;
        }
    }
    return text;
}

std::unordered_set<WindowID> WindowEngine::windowsOnAllSpaces() {
    std::unordered_set<WindowID> ids;
    if (!spaceScanAvailable_) return ids;
    const auto displays = desktop_.managedDisplaySpaces();
    if (!displays) return ids;
    std::vector<std::int64_t> spaceIDs;
    for (const DisplaySpaces& display : *displays) {
        if (!display.spaces) continue;
        for (const auto& space : *display.spaces)
            if (space) spaceIDs.push_back(*space);
    }
    const auto windows = desktop_.windowsInSpaces(spaceIDs);
    if (windows) ids.insert(windows->begin(), windows->end());
    return ids;
}

std::vector<Win> WindowEngine::allAcrossSpaces() {
    // One snapshot of the window system answers the scan, the list and the spaces alike.
    DesktopBatch batch(desktop_);
    ScanResult scan = axScan([](const RunningApp&) { return true; });

    for (const Win& win : scan.wins)
        if (win.ax && win.wid != 0) winCache_[win.wid] = win;

    std::unordered_set<WindowID> resultIds;
    PidSet pidsWithWindows;
    for (const Win& win : scan.wins) {
        resultIds.insert(win.wid);
        pidsWithWindows.insert(win.pid);
    }
    const Pid ownPid = desktop_.ownPid();
    const auto spaceIds = windowsOnAllSpaces();

    struct ServerOnly {
        Pid pid;
        std::string name;
    };
    std::unordered_map<WindowID, std::size_t> zIndex;
    std::unordered_map<WindowID, std::string> geoKey;
    std::unordered_set<WindowID> cgSeen;
    std::unordered_map<WindowID, ServerOnly> cgOnly;

    const auto listed = desktop_.windowList(WindowList::allSpaces);
    const std::vector<WindowInfo> list = listed.value_or(std::vector<WindowInfo>{});
    for (std::size_t i = 0; i < list.size(); ++i) {
        const WindowInfo& entry = list[i];
        if (!entry.number) continue;
        const WindowID id = *entry.number;
        zIndex[id] = i;
        if (entry.layer != 0 || !entry.ownerPid || !entry.bounds) continue;
        const Pid pid = *entry.ownerPid;
        cgSeen.insert(id);
        geoKey[id] = geometryKey(pid, *entry.bounds);
        const double width = entry.bounds->width.value_or(0);
        const double height = entry.bounds->height.value_or(0);
        if (spaceIds.count(id) == 0 || scan.wids.count(id) != 0 || resultIds.count(id) != 0 ||
            !(width >= minWindowWidth) || !(height >= minWindowHeight) || pid == ownPid)
            continue;
        cgOnly[id] = ServerOnly{pid, entry.name.value_or("")};
    }

    // The cache follows the windows the server still shows; a failed list shows nothing
    // and so tells nothing about which windows are gone.
    if (listed)
        std::erase_if(winCache_, [&](const auto& item) { return cgSeen.count(item.first) == 0; });

    std::unordered_set<std::string> seenKeys;
    for (const Win& win : scan.wins) {
        const auto key = geoKey.find(win.wid);
        if (key != geoKey.end()) seenKeys.insert(key->second);
    }

    std::vector<WindowID> order;
    order.reserve(cgOnly.size());
    for (const auto& item : cgOnly)
        order.push_back(item.first);
    auto position = [&](WindowID id) {
        const auto it = zIndex.find(id);
        return it == zIndex.end() ? SIZE_MAX : it->second;
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](WindowID a, WindowID b) { return position(a) < position(b); });

    std::vector<Win> result = std::move(scan.wins);
    for (const WindowID id : order) {
        // A second entry with the frame of a window already listed is the same window seen
        // twice (or a shadow of it): the one further in front wins.
        if (!seenKeys.insert(geoKey[id]).second) continue;
        const ServerOnly& extra = cgOnly[id];
        const auto app = desktop_.application(extra.pid);
        if (!app || app->policy != ActivationPolicy::regular || app->terminated) continue;
        std::string title;
        if (const auto cached = winCache_.find(id); cached != winCache_.end())
            title = cached->second.title;
        if (title.empty()) title = extra.name;
        result.push_back(Win{extra.pid, app->bundleID.value_or(""), app->name.value_or(""),
                             std::move(title), id, nullptr});
        resultIds.insert(id);
        pidsWithWindows.insert(extra.pid);
    }

    for (const RunningApp& app : desktop_.runningApplications()) {
        if (app.policy != ActivationPolicy::regular || app.terminated || app.pid == ownPid ||
            pidsWithWindows.count(app.pid) != 0)
            continue;
        result.push_back(Win{app.pid, app.bundleID.value_or(""), app.name.value_or(""), "",
                             Win::placeholderBit | static_cast<WindowID>(app.pid), nullptr});
    }
    return result;
}

std::string WindowEngine::debugDump() {
    std::vector<std::string> lines;
    DesktopBatch batch(desktop_);
    for (const RunningApp& app : desktop_.runningApplications()) {
        if (app.policy != ActivationPolicy::regular) continue;
        const std::string name = app.name ? *app.name : app.bundleID ? *app.bundleID : "?";
        const Element appElement = desktop_.applicationElement(app.pid);
        const auto windows =
            appElement ? desktop_.windows(appElement) : std::optional<std::vector<Element>>{};
        if (!windows) {
            lines.push_back(name + ": <no AXWindows>");
            continue;
        }
        lines.push_back(name + " [" + std::to_string(windows->size()) + "]:");
        for (const Element& window : *windows) {
            std::optional<std::string> role, subrole, title;
            bool minimized = false;
            if (window) {
                role = desktop_.role(window);
                subrole = desktop_.subrole(window);
                minimized = desktop_.minimized(window).value_or(false);
                title = desktop_.title(window);
            }
            lines.push_back("    role=" + role.value_or("nil") + " sub=" + subrole.value_or("nil") +
                            " min=" + (minimized ? "true" : "false") + " '" +
                            prefixChars(title.value_or(""), 40) + "'");
        }
    }
    return join(lines);
}

std::string WindowEngine::cgDump() {
    const auto list = desktop_.windowList(WindowList::allSpaces);
    if (!list) return "nil";
    std::vector<std::string> lines;
    for (const WindowInfo& entry : *list) {
        if (entry.layer != 0) continue;
        const auto bounds = entry.bounds.value_or(WindowInfo::Bounds{});
        lines.push_back(entry.ownerName.value_or("?") + " pid=" +
                        std::to_string(entry.ownerPid ? std::int64_t{*entry.ownerPid} : -1) + " #" +
                        std::to_string(entry.number ? std::int64_t{*entry.number} : -1) + " " +
                        std::to_string(truncated(bounds.width)) + "x" +
                        std::to_string(truncated(bounds.height)) +
                        " onscreen=" + (entry.onscreen.value_or(false) ? "true" : "false") + " '" +
                        prefixChars(entry.name.value_or(""), 30) + "'");
    }
    return join(lines);
}

} // namespace morvelan
