// The tray's button and menu built from the store, and the controller that keeps them current
// and carries out the choices.
#include "core/menubar/MenuBarController.h"
#include "fakes/FakeMenuView.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingLog.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

using Lines = std::vector<std::string>;

class MenuBarTest : public ::testing::Test {
protected:
    MenuBarTest() : store(files, log) {}

    // The store takes `saved` over after each change to it.
    Uuid workspace(std::string name) {
        saved.workspaces.push_back(Workspace{Uuid::random(), std::move(name)});
        store.replace(saved);
        return saved.workspaces.back().id;
    }
    ContextPtr context(std::string name, std::string hex = "#FF0000",
                       std::optional<Uuid> ws = std::nullopt) {
        saved.contexts.push_back(makeContext(std::move(name), std::move(hex), ws));
        store.replace(saved);
        return saved.contexts.back();
    }
    void activate(std::optional<Uuid> id) {
        saved.activeID = id;
        store.replace(saved);
    }

    // The button as one line: kind, title, tint, whether the image leads, tooltip.
    static std::string line(const MenuButton& b) {
        const char* kinds[] = {"warning", "context", "none"};
        return std::string(kinds[int(b.kind)]) + " '" + b.title + "' " +
               (b.secondaryTint ? "secondary" : hexFromColor(b.tint)) +
               (b.imageLeading ? " leading" : "") + (b.tooltip ? " tip=" + *b.tooltip : "");
    }
    // One line per item: "-" for separators, "[NAME]" for headers, ">" per indent, then the
    // title and the item's state.
    static Lines outline(const std::vector<MenuItem>& items) {
        Lines lines;
        for (const MenuItem& item : items) {
            if (item.kind == MenuItem::Kind::separator) {
                lines.push_back("-");
                continue;
            }
            std::string text =
                item.kind == MenuItem::Kind::header ? "[" + item.displayText + "]" : item.title;
            if (item.kind == MenuItem::Kind::context)
                text = std::string(item.indent, '>') + text + " " + hexFromColor(item.dotColor) +
                       (item.enabled ? "" : " off") + (item.checked ? " checked" : "");
            if (item.alternate) text += " (alt " + std::to_string(item.modifierMask) + ")";
            lines.push_back(text);
        }
        return lines;
    }
    // The items around the contexts.
    static Lines framed(Lines middle) {
        Lines lines{"Create new context…", "-"};
        lines.insert(lines.end(), middle.begin(), middle.end());
        lines.insert(lines.end(),
                     {"-", "Settings…", "Dump Windows to Log (debug) (alt 524288)", "Quit"});
        return lines;
    }

    MemoryFiles files;
    RecordingLog log;
    ContextStore store;
    SavedConfig saved;
};

TEST_F(MenuBarTest, ButtonShowsTheWarningElseTheActiveContextInItsColourElseTheDash) {
    auto work = context("Work", "#00FF00");
    activate(work->id);
    EXPECT_EQ(line(buildMenuButton(store, {"Hotkeys blocked"})),
              "warning ' Hotkeys blocked' #FFCC00 leading");
    EXPECT_EQ(line(buildMenuButton(store, {"Super+Tab is used by x", "Alt+Tab is used by x"})),
              "warning ' Super+Tab is used by x' #FFCC00 leading "
              "tip=Super+Tab is used by x\nAlt+Tab is used by x");
    EXPECT_EQ(line(buildMenuButton(store, {})), "context ' Work' #00FF00 leading tip=Work");
    work->colorHex = "red";
    EXPECT_EQ(line(buildMenuButton(store, {})), "context ' Work' secondary leading tip=Work");
    activate(Uuid::random()); // names no context
    EXPECT_EQ(line(buildMenuButton(store, {})), "none ' —' secondary");
}

TEST_F(MenuBarTest, ContextsAreGroupedUnderUpperCaseHeadersOfNonEmptyWorkspaces) {
    auto one = context("One");
    auto two = context("Two", "red");
    activate(two->id);
    // Only contexts with windows are enabled; the active one keeps its check mark without any,
    // and a colour that does not parse draws grey. A store without workspaces has "Default".
    EXPECT_EQ(outline(buildMenuItems(store, {{one->id, 2}, {two->id, 0}})),
              framed({"[DEFAULT]", ">One #FF0000", ">Two #808080 off checked"}));

    saved.contexts.clear();
    const Uuid a = workspace("A");
    workspace("Empty");
    const Uuid c = workspace("c straße");
    context("One", "#FF0000", c);
    context("Zero", "#FF0000", a);
    context("Loose");                           // no workspace: counts as the first
    context("Lost", "#FF0000", Uuid::random()); // names a workspace that is gone
    EXPECT_EQ(outline(buildMenuItems(store, {})),
              framed({"[A]", ">Zero #FF0000 off", ">Loose #FF0000 off", "-", "[C STRASSE]",
                      ">One #FF0000 off"}));
    // An empty first workspace still gives a separator before the next header.
    saved.workspaces.erase(saved.workspaces.begin());
    saved.contexts.resize(1);
    store.replace(saved);
    EXPECT_EQ(outline(buildMenuItems(store, {})), framed({"-", "[C STRASSE]", ">One #FF0000 off"}));
}

TEST_F(MenuBarTest, ControllerFollowsTheStoreAndAsksForCountsOnlyWhenTheMenuOpens) {
    auto a = context("A");
    auto b = context("B");
    activate(a->id);
    FakeMenuView view;
    MenuBarController menu(store, &view);
    int asked = 0;
    int live = 1;
    menu.windowCounts = [&] {
        ++asked;
        return WindowCounts{{a->id, live}};
    };
    EXPECT_EQ(outline(view.last().items),
              framed({"[DEFAULT]", ">A #FF0000 off checked", ">B #FF0000 off"}));
    store.setActiveSilent(b->id);
    EXPECT_EQ(view.last().button.title, " B");
    menu.menuWillOpen();
    EXPECT_EQ(outline(view.last().items),
              framed({"[DEFAULT]", ">A #FF0000", ">B #FF0000 off checked"}));
    menu.warnings = {"Hotkeys blocked"};
    store.save();
    EXPECT_EQ(view.last().button.title, " Hotkeys blocked");
    Lines warned = framed({"[DEFAULT]", ">A #FF0000", ">B #FF0000 off checked"});
    warned.insert(warned.begin(), {"Hotkeys blocked", "-"});
    EXPECT_EQ(outline(view.last().items), warned) << "later rebuilds keep the last counts";
    menu.warnings.clear();
    live = 0;
    menu.menuWillOpen();
    EXPECT_EQ(outline(view.last().items),
              framed({"[DEFAULT]", ">A #FF0000 off", ">B #FF0000 off checked"}));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(view.rebuilds(), 5u);
}

TEST_F(MenuBarTest, ContextItemActivatesItsContextThroughTheStoreOnlyIfItStillExists) {
    auto a = context("A");
    auto b = context("B");
    activate(a->id);
    FakeMenuView view;
    MenuBarController menu(store, &view);
    Lines activated;
    store.onActivate = [&](std::optional<Uuid> id) { activated.push_back(id->str()); };
    const MenuModel model = menu.model();
    // The item chosen belongs to the model that the store's change replaces.
    menu.trigger(menu.model().items[4]);
    EXPECT_EQ(activated, Lines{b->id.str()});
    EXPECT_EQ(view.last().button.title, " B");
    saved.contexts = {b};
    activate(b->id);
    const std::size_t before = view.rebuilds();
    menu.trigger(model.items[3]); // A, deleted meanwhile
    EXPECT_EQ(store.activeID(), b->id);
    EXPECT_EQ(view.rebuilds(), before);
}

TEST_F(MenuBarTest, ControllerWorksWithoutAViewAndStoreChangesOutliveIt) {
    auto a = context("A");
    {
        MenuBarController menu(store, nullptr);
        activate(a->id);
        store.save();
        EXPECT_EQ(menu.model().button.title, " A");
    }
    FakeMenuView view;
    { MenuBarController menu(store, &view); }
    store.save();
    EXPECT_EQ(view.rebuilds(), 1u);
}

} // namespace
} // namespace morvelan
