// Opening the switcher over the windows in recency order, the key commands, and the commit.
#include "AppFixture.h"

namespace morvelan {
namespace {

class Opening : public AppFixture {
protected:
    void SetUp() override {
        e1 = windows.open(editor, "draft");
        e2 = windows.open(editor, "notes");
        b1 = windows.open(browser, "news");
        launch();
        work = addContext("Work", {appPin("org.editor")});
        web = addContext("Web", {appPin("org.browser")});
    }
    // The chosen context chip: its name, or "All".
    std::string chip() const {
        const SwitcherView& v = app->switcher().view();
        return v.activeCtx < 0 ? "All" : v.contexts.at(std::size_t(v.activeCtx)).name;
    }
    WindowID e1 = 0, e2 = 0, b1 = 0;
    ContextPtr work, web;
};

TEST_F(Opening, TheWindowUsedBeforeTheFocusedOneIsPreselectedAndThePictureWasPaintedAhead) {
    click(e2);
    panel.prepared.clear();
    click(b1);
    queue.advance(AppDelegate::focusPollInterval); // a poll after a change paints it ahead
    ASSERT_FALSE(panel.prepared.empty());
    EXPECT_EQ(app->recency().ids().front(), b1);

    app->opener().switcherOpen(false);
    EXPECT_EQ(tiles(), (Ids{b1, e2, e1}));
    EXPECT_EQ(selected(), e2);
    EXPECT_EQ(panel.view->draw({panel.frames.back().width, panel.frames.back().height}),
              panel.prepared.back().second);
    app->opener().switcherStep(true);
    EXPECT_EQ(selected(), e1);
    EXPECT_TRUE(panel.shown);
}

TEST_F(Opening, ARetitlingWindowAndQuietSecondsDoNotRepaintTheNextOpeningOnEveryPoll) {
    click(e1);
    queue.advance(AppDelegate::focusPollInterval);
    panel.prepared.clear();
    queue.advance(5 * AppDelegate::focusPollInterval);
    EXPECT_TRUE(panel.prepared.empty()) << "nothing changed";

    // A hundred titles a second: painted ahead once in ten polls.
    for (int poll = 0; poll < SwitcherOpener::titlePrepareEvery; ++poll)
        for (int i = 1; i <= 100; ++i) {
            windows.setTitle(e1, "draft " + std::to_string(poll * 100 + i));
            queue.advance(AppDelegate::focusPollInterval / 100);
        }
    EXPECT_EQ(panel.prepared.size(), 1u);
    // The last title is painted ahead at the tenth poll after it.
    queue.advance(SwitcherOpener::titlePrepareEvery * AppDelegate::focusPollInterval);
    ASSERT_EQ(panel.prepared.size(), 2u);
    const auto texts = panel.prepared.back().second.all<draw::Text>();
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [](const draw::Text& t) { return t.text == "draft 1000"; }));
}

TEST_F(Opening, StoredAllChipOpensOnAllUnlessConfinedToTheActiveContext) {
    app->settings().setSwitcherShowAll(true);
    app->opener().switcherOpen(false);
    EXPECT_EQ(chip(), "All");
    app->opener().switcherCancel();
    app->opener().switcherOpen(true);
    EXPECT_EQ(chip(), "Web");
    EXPECT_TRUE(app->switcher().view().confined);
    app->opener().switcherCycleContext(-1);
    EXPECT_EQ(chip(), "Work");
}

TEST_F(Opening, ContextsComeByWorkspaceAndTilesTakeTheFirstClaimingContextsColour) {
    ContextStore& store = app->store();
    web->workspaceID = store.addWorkspace("Later");
    addContext("Both", {appPin("org.editor")});
    ContextPtr lost = addContext("Lost");
    lost->workspaceID = Uuid::random(); // names no workspace: not shown
    app->opener().switcherOpen(false);
    const SwitcherView& v = app->switcher().view();
    std::vector<std::string> names;
    for (const auto& c : v.contexts)
        names.push_back(c.wsName + "/" + c.name);
    EXPECT_EQ(names, (Strings{"Default/Default", "Default/Work", "Later/Web", "Later/Both"}));
    const Ids ids = tiles();
    const auto at = std::size_t(std::find(ids.begin(), ids.end(), e1) - ids.begin());
    EXPECT_EQ(v.cells.at(at).ctxIdxs, (std::set<int>{1, 3}));
}

TEST_F(Opening, TilesBadgeAWindowOnAnotherDesktopAndShowTheInitialOfAnAppWithoutIcon) {
    windows.window(e2).desktop = 1;
    windows.icons[browser.pid] = std::make_shared<Image>();
    app->opener().switcherOpen(false);
    const SwitcherView& v = app->switcher().view();
    const DrawList list = v.draw(v.contentSize());
    const Ids ids = tiles();
    auto inTile = [&](WindowID id, const Rect& r) {
        const Rect t = v.tileRect(int(std::find(ids.begin(), ids.end(), id) - ids.begin()));
        return r.x >= t.x && r.y >= t.y && r.x + r.width <= t.x + t.width &&
               r.y + r.height <= t.y + t.height;
    };
    auto drawn = [&](WindowID id) {
        Strings texts;
        for (const auto& text : list.all<draw::Text>())
            if (inTile(id, text.rect)) texts.push_back(text.text);
        for (const auto& fill : list.all<draw::FillRoundedRect>())
            if (inTile(id, fill.rect) && fill.rect.width == 48)
                texts.push_back(hexFromColor(fill.color));
        return texts;
    };
    const Strings e1Drawn = drawn(e1);
    ASSERT_EQ(e1Drawn.size(), 3u);
    EXPECT_EQ(e1Drawn[0], "E");
    EXPECT_EQ(drawn(e2), (Strings{"E", "2", "notes", e1Drawn[2]})); // desktop 2, the app's colour
    EXPECT_EQ(drawn(b1), (Strings{"news"}));
}

TEST_F(Opening, CommitFocusesRaisesTheContextUnderItAndMakesItActiveOrRemembersAll) {
    app->settings().setRaiseContext(true);
    app->opener().switcherOpen(false);
    app->opener().switcherSelectContext(1); // Work
    windows.actions.clear();
    panel.actions = &windows.actions;
    app->opener().switcherCommit();
    // The panel out of the way, then the focus request alone; the context's other window
    // under it afterwards.
    EXPECT_EQ(windows.actions, (Strings{"hide panel", "focus " + std::to_string(e2)}));
    queue.drain();
    panel.actions = nullptr;
    EXPECT_EQ(windows.actions,
              (Strings{"hide panel", "focus " + std::to_string(e2), "raise " + std::to_string(e1),
                       "raise " + std::to_string(e2)}));
    EXPECT_EQ(app->store().activeID(), work->id);

    app->opener().switcherOpen(false);
    app->opener().switcherCycleContext(-1);
    app->opener().switcherCycleContext(-1); // Default, then All
    ASSERT_EQ(chip(), "All");
    app->opener().switcherCommit();
    queue.drain();
    EXPECT_TRUE(app->settings().switcherShowAll());
    EXPECT_EQ(app->store().activeID(), work->id);

    app->opener().commit(win(b1), Uuid::random()); // a context deleted while it was open
    queue.drain();
    EXPECT_EQ(app->store().activeID(), work->id);
}

TEST_F(Opening, CloseAndQuitActOnTheSelectionAndAddingAContextKeepsIt) {
    const WindowID b2 = windows.open(browser, "mail");
    app->opener().switcherOpen(false);
    ASSERT_EQ(tiles(), (Ids{b1, e2, e1, b2})); // b2 is new: after every known window
    ASSERT_EQ(selected(), e2);
    app->opener().switcherCloseSelected();
    EXPECT_EQ(tiles(), (Ids{b1, e1, b2}));
    app->opener().switcherStep(true);
    app->opener().switcherQuitSelectedApp(); // b2's application: b1 goes with it
    EXPECT_EQ(tiles(), (Ids{e1}));
    EXPECT_EQ(windows.actions,
              (Strings{"close " + std::to_string(e2), "quit " + std::to_string(browser.pid)}));

    const WindowID chosen = selected();
    app->opener().addContext(0);
    EXPECT_EQ(app->store().contexts().back()->name, "New context");
    EXPECT_EQ(app->switcher().view().contexts.size(), 4u);
    EXPECT_EQ(tiles(), (Ids{e1})); // closed and quit windows stay out of the rebuild
    EXPECT_EQ(selected(), chosen);
}

// X11: a window without WM_DELETE_WINDOW. W asks the window manager, which ends the client.
TEST_F(Opening, WOnAWindowThatCannotBeAskedAsksTheWindowManagerAndKeepsTheTileUntilItIsGone) {
    windows.window(e2).closable = false;
    app->opener().switcherOpen(false);
    ASSERT_EQ(selected(), e2);
    app->opener().switcherCloseSelected();
    EXPECT_EQ(windows.actions, Strings{"close " + std::to_string(e2)});
    EXPECT_EQ(tiles(), (Ids{b1, e2, e1})) << "kept until the window is gone";
    queue.drain(); // the editor's client was ended: both its windows are gone
    EXPECT_EQ(tiles(), (Ids{b1}));
}

TEST_F(Opening, SuperTabOpensAndReleasingSuperCommitsThroughTheKeyEngine) {
    click(e1);
    keys->feed(FakeKeySource::keyDown(Key::tab, Modifier::command));
    queue.drain();
    EXPECT_EQ(app->switcher().state(), SwitcherState::pending);
    keys->feed(FakeKeySource::flagsChanged(0));
    queue.drain();
    EXPECT_EQ(app->switcher().state(), SwitcherState::closed);
    EXPECT_EQ(panel.shows, 0); // a quick tap never draws
    EXPECT_EQ(windows.activeWindow()->id, b1);
}

} // namespace
} // namespace morvelan
