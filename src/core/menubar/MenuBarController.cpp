// MenuBarController: rebuilds the tray model on every change and dispatches the menu's commands.
#include "core/menubar/MenuBarController.h"

namespace morvelan {

MenuBarController::MenuBarController(ContextStore& store, MenuView* view)
    : store_(store), view_(view) {
    rebuild();
    store_.onChange = [alive = std::weak_ptr<bool>(alive_), this] {
        if (!alive.expired()) rebuild();
    };
}

void MenuBarController::rebuild() {
    model_ = buildMenuModel(store_, counts, warnings);
    if (view_) view_->rebuild(model_);
}

void MenuBarController::menuWillOpen() {
    counts = windowCounts ? windowCounts() : WindowCounts{};
    rebuild();
}

void MenuBarController::trigger(const MenuItem& item) {
    switch (item.command) {
    case MenuCommand::hotkeySettings:
        if (onHotkeySettings) onHotkeySettings();
        break;
    case MenuCommand::newContext:
        if (onNewContext) onNewContext();
        break;
    case MenuCommand::activateContext: {
        // The store's change rebuilds the model, which may own `item`.
        const std::string id = item.representedObject;
        activate(id);
        break;
    }
    case MenuCommand::settings:
        if (onSettings) onSettings();
        break;
    case MenuCommand::dumpWindows:
        if (onDump) onDump();
        break;
    case MenuCommand::quit:
        if (onQuit) onQuit();
        break;
    case MenuCommand::none:
        break;
    }
}

void MenuBarController::activate(std::string_view idText) {
    activateContext(store_, idText);
}

} // namespace morvelan
