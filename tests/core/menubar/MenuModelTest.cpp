// The tray button and the menu items built from the store.
#include "core/menubar/MenuModel.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingLog.h"

#include <gtest/gtest.h>

namespace morvelan {
namespace {

class MenuModelTest : public ::testing::Test {
protected:
    MenuModelTest() : store(files, log) { store.workspaces.clear(); }

    Workspace workspace(std::string name) {
        store.workspaces.push_back(Workspace{Uuid::random(), std::move(name)});
        return store.workspaces.back();
    }
    ContextPtr context(std::string name, std::string hex = "#FF0000",
                       std::optional<Uuid> ws = std::nullopt) {
        store.contexts.push_back(makeContext(std::move(name), std::move(hex), ws));
        return store.contexts.back();
    }

    // One short text per item: "-" for separators, "[NAME]" for headers, ">" per indent.
    std::vector<std::string> outline(const std::vector<MenuItem>& items) {
        std::vector<std::string> lines;
        for (const MenuItem& item : items) {
            switch (item.kind) {
            case MenuItem::Kind::separator:
                lines.push_back("-");
                break;
            case MenuItem::Kind::header:
                lines.push_back("[" + item.displayText + "]");
                break;
            default:
                lines.push_back(std::string(item.indent, '>') + item.title);
            }
        }
        return lines;
    }

    MemoryFiles files;
    RecordingLog log;
    ContextStore store;
};

using Lines = std::vector<std::string>;

TEST_F(MenuModelTest, ButtonShowsTheWarningOrElseTheActiveContextTintedWithItsColour) {
    auto work = context("Work", "#00FF00");
    store.activeID = work->id;
    MenuButton button = buildMenuButton(store, std::string("Hotkeys blocked"));
    EXPECT_EQ(button.kind, MenuButton::Kind::warning);
    EXPECT_EQ(button.symbol, MenuButton::Symbol::warningTriangle);
    EXPECT_EQ(button.title, " Hotkeys blocked");
    EXPECT_EQ(button.tint, systemYellow);
    EXPECT_FALSE(button.secondaryTint);
    EXPECT_TRUE(button.imageLeading);
    EXPECT_FALSE(button.tooltip);

    button = buildMenuButton(store, std::nullopt);
    EXPECT_EQ(button.kind, MenuButton::Kind::context);
    EXPECT_EQ(button.symbol, MenuButton::Symbol::stack);
    EXPECT_EQ(button.title, " Work");
    EXPECT_EQ(button.tint, (Color{0, 1, 0, 1}));
    EXPECT_FALSE(button.secondaryTint);
    EXPECT_EQ(button.tooltip, "Work");
    EXPECT_TRUE(button.imageLeading);

    work->colorHex = "red"; // unreadable: the secondary grey
    button = buildMenuButton(store, std::nullopt);
    EXPECT_EQ(button.kind, MenuButton::Kind::context);
    EXPECT_EQ(button.tint, secondaryLabelGray);
    EXPECT_TRUE(button.secondaryTint);
    EXPECT_EQ(button.title, " Work");

    store.activeID = Uuid::random(); // names nothing: the dash image only
    button = buildMenuButton(store, std::nullopt);
    EXPECT_EQ(button.kind, MenuButton::Kind::none);
    EXPECT_EQ(button.title, " —");
    EXPECT_EQ(button.tint, secondaryLabelGray);
    EXPECT_FALSE(button.imageLeading);
    EXPECT_FALSE(button.tooltip);
}

TEST_F(MenuModelTest, ContextsAreGroupedUnderUpperCaseHeadersOfNonEmptyWorkspaces) {
    // The items around the contexts.
    const auto framed = [](Lines middle) {
        Lines lines{"Create new context…", "-"};
        lines.insert(lines.end(), middle.begin(), middle.end());
        lines.insert(lines.end(), {"-", "Settings…", "Dump Windows to Log (debug)", "Quit"});
        return lines;
    };
    context("One");
    context("Two");
    EXPECT_EQ(outline(buildMenuItems(store, {})), framed({"One", "Two"})) << "no workspaces";

    store.contexts.clear();
    Workspace a = workspace("A");
    workspace("Empty");
    Workspace c = workspace("c side");
    context("One", "#FF0000", c.id);
    context("Zero", "#FF0000", a.id);
    context("Loose"); // no workspace: counts as the first
    context("Lost", "#FF0000", Uuid::random());
    auto items = buildMenuItems(store, {});
    EXPECT_EQ(outline(items), framed({"[A]", ">Zero", ">Loose", "-", "[C SIDE]", ">One"}));
    EXPECT_EQ(items[6].title, "c side");
    EXPECT_FALSE(items[6].enabled);

    // An empty first workspace still gives a separator before the next header.
    store.workspaces.erase(store.workspaces.begin());
    store.contexts.resize(1);
    EXPECT_EQ(outline(buildMenuItems(store, {})), framed({"-", "[C SIDE]", ">One"}));
    EXPECT_EQ(headerText("straße é"), "STRASSE É");
}

TEST_F(MenuModelTest, ContextItemsAreEnabledOnlyWithWindowsAndTheActiveOneIsChecked) {
    auto live = context("Live", "#FF0000");
    auto closed = context("Closed", "red");
    auto unknown = context("Unknown", "#0000FF");
    store.activeID = closed->id;
    auto items = buildMenuItems(store, {{live->id, 2}, {closed->id, 0}});
    ASSERT_EQ(items[2].title, "Live");
    EXPECT_TRUE(items[2].enabled);
    EXPECT_FALSE(items[2].checked);
    EXPECT_EQ(items[2].command, MenuCommand::activateContext);
    EXPECT_EQ(items[2].representedObject, live->id.str());
    EXPECT_EQ(items[2].colorHex, "#FF0000");
    EXPECT_EQ(items[2].dotColor, (Color{1, 0, 0, 1}));

    // The active context keeps its check mark while disabled; a bad colour draws a grey dot.
    EXPECT_FALSE(items[3].enabled);
    EXPECT_TRUE(items[3].checked);
    EXPECT_EQ(items[3].dotColor, dotGray);

    EXPECT_FALSE(items[4].enabled) << unknown->name;
}

TEST_F(MenuModelTest, DumpItemIsTheOptionAlternateOfSettings) {
    auto items = buildMenuItems(store, {});
    const MenuItem& settings = items[items.size() - 3];
    const MenuItem& dump = items[items.size() - 2];
    EXPECT_EQ(settings.command, MenuCommand::settings);
    EXPECT_FALSE(settings.alternate);
    EXPECT_EQ(dump.command, MenuCommand::dumpWindows);
    EXPECT_TRUE(dump.alternate);
    EXPECT_EQ(dump.modifierMask, 0x80000u);
    EXPECT_EQ(items.back().command, MenuCommand::quit);
    EXPECT_EQ(items.front().command, MenuCommand::newContext);
}

TEST_F(MenuModelTest, ActivatingByIdTextCallsSetActiveForKnownContextsOnly) {
    auto a = context("A");
    auto b = context("B");
    store.activeID = a->id;
    std::vector<std::optional<Uuid>> activated;
    store.onActivate = [&](std::optional<Uuid> id) { activated.push_back(id); };
    int changes = 0;
    store.onChange = [&] { ++changes; };
    EXPECT_FALSE(activateContext(store, "not-a-uuid"));
    EXPECT_FALSE(activateContext(store, Uuid::random().str()));
    EXPECT_FALSE(activateContext(store, ""));
    EXPECT_EQ(store.activeID, a->id);
    EXPECT_EQ(changes, 0);

    EXPECT_TRUE(activateContext(store, b->id.str()));
    EXPECT_EQ(store.activeID, b->id);
    EXPECT_EQ(activated, (std::vector<std::optional<Uuid>>{b->id}));
}

} // namespace
} // namespace morvelan
