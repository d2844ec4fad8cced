// MenuModel: builds the tray button and menu items and carries out a context choice.
#include "core/menubar/MenuModel.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace morvelan {

namespace {

MenuItem separator() {
    MenuItem item;
    item.kind = MenuItem::Kind::separator;
    return item;
}

MenuItem command(std::string_view title, MenuCommand what) {
    MenuItem item;
    item.title = std::string(title);
    item.displayText = item.title;
    item.command = what;
    return item;
}

MenuItem header(const Workspace& workspace) {
    MenuItem item;
    item.kind = MenuItem::Kind::header;
    item.title = workspace.name;
    item.displayText = headerText(workspace.name);
    item.enabled = false;
    return item;
}

MenuItem contextItem(const Context& context, const ContextStore& store, const WindowCounts& counts,
                     int indent) {
    MenuItem item;
    item.kind = MenuItem::Kind::context;
    item.title = context.name;
    item.displayText = context.name;
    item.command = MenuCommand::activateContext;
    item.representedObject = context.id.str();
    item.colorHex = context.colorHex;
    item.dotColor = colorFromHex(context.colorHex).value_or(dotGray);
    item.checked = store.activeID() == context.id;
    auto count = counts.find(context.id);
    item.enabled = count != counts.end() && count->second >= 1;
    item.indent = indent;
    return item;
}

} // namespace

std::string headerText(std::string_view name) {
    std::string result;
    icu::UnicodeString::fromUTF8(icu::StringPiece(name.data(), static_cast<int32_t>(name.size())))
        .toUpper(icu::Locale::getRoot())
        .toUTF8String(result);
    return result;
}

MenuButton buildMenuButton(const ContextStore& store, const std::vector<std::string>& warnings) {
    MenuButton button;
    if (!warnings.empty()) {
        button.kind = MenuButton::Kind::warning;
        button.symbol = MenuButton::Symbol::warningTriangle;
        button.tint = systemYellow;
        button.secondaryTint = false;
        button.imageLeading = true;
        button.title = " " + warnings.front();
        if (warnings.size() > 1) {
            std::string all;
            for (const std::string& warning : warnings)
                all += (all.empty() ? "" : "\n") + warning;
            button.tooltip = std::move(all);
        }
        return button;
    }
    if (const ContextPtr active = store.active()) {
        button.kind = MenuButton::Kind::context;
        if (auto color = colorFromHex(active->colorHex)) {
            button.tint = *color;
            button.secondaryTint = false;
        }
        button.imageLeading = true;
        button.title = " " + active->name;
        button.tooltip = active->name;
        return button;
    }
    return button; // the grey stack and the dash, image only
}

std::vector<MenuItem> buildMenuItems(const ContextStore& store, const WindowCounts& counts,
                                     const std::vector<std::string>& warnings) {
    std::vector<MenuItem> items;
    for (const std::string& warning : warnings)
        items.push_back(command(warning, MenuCommand::hotkeySettings));
    if (!warnings.empty()) items.push_back(separator());
    items.push_back(command(menu_text::newContext, MenuCommand::newContext));
    items.push_back(separator());

    if (!store.workspaces().empty()) {
        for (std::size_t i = 0; i < store.workspaces().size(); ++i) {
            const Workspace& workspace = store.workspaces()[i];
            const std::vector<ContextPtr> members = store.contextsStatic(workspace.id);
            if (members.empty()) continue;
            // Counted by position, so a skipped first workspace still leaves a separator
            // before the first header shown.
            if (i >= 1) items.push_back(separator());
            items.push_back(header(workspace));
            for (const ContextPtr& c : members)
                if (c) items.push_back(contextItem(*c, store, counts, 1));
        }
    } else {
        for (const ContextPtr& c : store.contexts())
            if (c) items.push_back(contextItem(*c, store, counts, 0));
    }

    items.push_back(separator());
    items.push_back(command(menu_text::settings, MenuCommand::settings));
    MenuItem dump = command(menu_text::dumpWindows, MenuCommand::dumpWindows);
    dump.alternate = true;
    dump.modifierMask = Modifier::option;
    items.push_back(std::move(dump));
    items.push_back(command(menu_text::quit, MenuCommand::quit));
    return items;
}

MenuModel buildMenuModel(const ContextStore& store, const WindowCounts& counts,
                         const std::vector<std::string>& warnings) {
    return MenuModel{buildMenuButton(store, warnings), buildMenuItems(store, counts, warnings)};
}

bool activateContext(ContextStore& store, std::string_view idText) {
    auto id = Uuid::parse(idText);
    if (!store.find(id)) return false;
    store.setActive(*id);
    return true;
}

} // namespace morvelan
