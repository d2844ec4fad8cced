// MenuBarController: keeps the tray's button and menu in step with the store and reports choices.
#pragma once

#include "core/menubar/MenuModel.h"
#include "core/menubar/MenuView.h"
#include "core/model/ContextStore.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvelan {

// Main thread only.
class MenuBarController {
public:
    // Builds the first model, pushes it to `view` (may be null: nothing is drawn), then
    // installs a store.onChange that rebuilds (held weakly). The owner may replace that
    // handler with its own, as long as it calls rebuild().
    MenuBarController(ContextStore& store, MenuView* view);
    MenuBarController(const MenuBarController&) = delete;
    MenuBarController& operator=(const MenuBarController&) = delete;

    std::function<void()> onSettings = [] {};
    // A warning item chosen: the settings where the hotkeys are recorded.
    std::function<void()> onHotkeySettings = [] {};
    std::function<void()> onNewContext = [] {};
    std::function<void()> onDump = [] {};
    // "Quit" chosen; the host ends the program.
    std::function<void()> onQuit = [] {};
    // Asked each time the menu is about to open.
    std::function<WindowCounts()> windowCounts = [] { return WindowCounts{}; };

    // The last answer of windowCounts.
    WindowCounts counts;
    // Why the hotkeys do not work, one line each: the first is shown instead of the active
    // context, and each is an item at the top of the menu.
    std::vector<std::string> warnings;

    // Rebuilds the model from the store, counts and warning, and pushes it to the view.
    void rebuild();
    // The host calls this just before the menu opens: fresh counts, then rebuild().
    void menuWillOpen();
    // The host calls this when the user picks `item` of the current model.
    void trigger(const MenuItem& item);
    // A context item was chosen: makes its context active (see activateContext).
    void activate(std::string_view idText);

    const MenuModel& model() const { return model_; }

private:
    ContextStore& store_;
    MenuView* view_;
    MenuModel model_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace morvelan
