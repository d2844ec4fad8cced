// MenuModel: the tray button and menu as plain data, built from the store, counts and warning.
#pragma once

#include "core/model/Color.h"
#include "core/model/ContextStore.h"
#include "core/model/Uuid.h"
#include "core/platform/Keys.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace morvelan {

// Number of live windows per context id.
using WindowCounts = std::unordered_map<Uuid, int>;

// The macOS system yellow of the warning triangle.
inline constexpr Color systemYellow{1.0, 204.0 / 255.0, 0.0, 1.0};
// The grey of the stack symbol when no context is active (the secondary label colour).
inline constexpr Color secondaryLabelGray = systemGray;
// The dot of a context whose colour text does not parse.
inline constexpr Color dotGray{0.5, 0.5, 0.5, 1.0};

namespace menu_text {
inline constexpr std::string_view newContext = "Create new context…";
inline constexpr std::string_view settings = "Settings…";
inline constexpr std::string_view dumpWindows = "Dump Windows to Log (debug)";
inline constexpr std::string_view quit = "Quit";
inline constexpr std::string_view noContext = " —";
// Accessibility description of the button's symbol.
inline constexpr std::string_view symbolDescription = "Morvelan";
} // namespace menu_text

// The tray button.
struct MenuButton {
    enum class Kind { warning, context, none };
    // warning: a triangle; context and none: a stack of rectangles.
    enum class Symbol { warningTriangle, stack };

    Kind kind = Kind::none;
    Symbol symbol = Symbol::stack;
    std::string title{menu_text::noContext};
    Color tint = secondaryLabelGray;
    // The tint is the host's secondary label colour (no context, or a colour that does not
    // parse); `tint` then holds a grey that stands for it.
    bool secondaryTint = true;
    // Image before the title; false shows the image only.
    bool imageLeading = false;
    std::optional<std::string> tooltip;

    friend bool operator==(const MenuButton&, const MenuButton&) = default;
};

enum class MenuCommand {
    none,
    hotkeySettings, // a warning about the hotkeys: the settings with the key recorders
    newContext,
    activateContext,
    settings,
    dumpWindows,
    quit,
};

struct MenuItem {
    enum class Kind { command, separator, header, context };

    Kind kind = Kind::command;
    std::string title;
    // Header text as displayed (the workspace name in upper case); the title otherwise.
    std::string displayText;
    MenuCommand command = MenuCommand::none;
    // A context item's id as canonical UUID text.
    std::string representedObject;
    // A context item's dot: its colour text, and the colour drawn (grey when it does not parse).
    std::string colorHex;
    Color dotColor = dotGray;
    bool checked = false;
    bool enabled = true;
    int indent = 0;
    // Replaces the previous item while `modifierMask` is held with the menu open.
    bool alternate = false;
    std::uint64_t modifierMask = 0;

    friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

struct MenuModel {
    MenuButton button;
    std::vector<MenuItem> items;
};

// The button: the first warning when there is one (the tooltip lists them all), else the
// active context, else the dash.
MenuButton buildMenuButton(const ContextStore& store, const std::vector<std::string>& warnings);

// The items: each warning (it opens the hotkey settings) and a separator, new context, the
// contexts grouped by workspace, settings with its dump alternate, quit. A context is enabled
// only with at least one window in `counts`.
std::vector<MenuItem> buildMenuItems(const ContextStore& store, const WindowCounts& counts,
                                     const std::vector<std::string>& warnings = {});

MenuModel buildMenuModel(const ContextStore& store, const WindowCounts& counts,
                         const std::vector<std::string>& warnings);

// Makes the context named by `idText` active through the store's setActive; false (and
// nothing changed) when the text is no UUID or names no context.
bool activateContext(ContextStore& store, std::string_view idText);

// The workspace header's displayed text: the name in upper case.
std::string headerText(std::string_view name);

} // namespace morvelan
