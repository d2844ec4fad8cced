// Tests of the tray icon and its menu on the offscreen platform: the menu's actions against the
// model, the Alt alternate, choices reaching the controller, the tooltip and the drawn glyphs.
#include "qt/TrayIcon.h"
#include "QtTestApp.h"
#include "core/menubar/MenuBarController.h"
#include "fakes/MemoryFiles.h"
#include "fakes/RecordingLog.h"
#include "qt/TrayGlyphs.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>

#include <string>
#include <vector>

namespace morvelan {
namespace {

// Each QAction of the menu as its text and what is unusual about it ("---" for a separator),
// for comparing whole menus at once. QAction counts a hidden action as disabled.
std::vector<std::string> rows(const QMenu& menu) {
    std::vector<std::string> result;
    for (const QAction* action : menu.actions())
        result.push_back(action->isSeparator() ? "---"
                                               : action->text().toStdString() +
                                                     (action->isEnabled() ? "" : " disabled") +
                                                     (action->isChecked() ? " checked" : "") +
                                                     (action->isVisible() ? "" : " hidden"));
    return result;
}

QAction* actionTitled(const QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions())
        if (action->text() == text) return action;
    ADD_FAILURE() << "no action " << text.toStdString();
    return nullptr;
}

QColor pixel(const QIcon& icon, int size, int x, int y) {
    return icon.pixmap(size).toImage().pixelColor(x, y);
}

const QColor mailRed("#FF6B6B");

// Workspace "alpha" has no contexts, "beta" has Mail (active, two windows) and Code (none).
class TrayIconTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    TrayIconTest() : store(files, log) {
        store.load();
        alpha = Workspace{Uuid::random(), "alpha"};
        beta = Workspace{Uuid::random(), "beta"};
        store.workspaces = {alpha, beta};
        mail = makeContext("Mail", "#FF6B6B", beta.id);
        code = makeContext("Code", "#4ECDC4", beta.id);
        store.contexts = {mail, code};
        store.activeID = mail->id;
        counts = {{mail->id, 2}, {code->id, 0}};
    }

    // The tray and its controller, connected as the program connects them.
    void start() {
        controller = std::make_unique<MenuBarController>(store, &tray);
        tray.attach(*controller);
        controller->windowCounts = [this] { return counts; };
        controller->onSettings = [this] { chosen.push_back("settings"); };
        controller->onNewContext = [this] { chosen.push_back("new"); };
        controller->onDump = [this] { chosen.push_back("dump"); };
        controller->onQuit = [this] { chosen.push_back("quit"); };
    }

    // What QMenu::popup does first.
    void aboutToOpen() { emit tray.menu()->aboutToShow(); }

    void pressAlt(QEvent::Type type) {
        QKeyEvent event(type, Qt::Key_Alt,
                        type == QEvent::KeyPress ? Qt::AltModifier : Qt::NoModifier);
        QApplication::sendEvent(tray.menu(), &event);
    }

    MemoryFiles files;
    RecordingLog log;
    ContextStore store;
    Workspace alpha, beta;
    ContextPtr mail, code;
    WindowCounts counts;
    TrayIcon tray;
    std::unique_ptr<MenuBarController> controller;
    std::vector<std::string> chosen;
};

TEST_F(TrayIconTest, MenuHasTheModelsItemsInOrderAndKeepsThemWhileUnchanged) {
    start();
    aboutToOpen();
    // No header for the empty "alpha"; the separator before "beta" counts its position, so it
    // follows the one after "Create new context…" (QMenu shows the two as one).
    using Rows = std::vector<std::string>;
    const std::string dump = "Dump Windows to Log (debug) disabled hidden";
    EXPECT_EQ(rows(*tray.menu()),
              (Rows{"Create new context…", "---", "---", "BETA disabled", "Mail checked",
                    "Code disabled", "---", "Settings…", dump, "Quit"}));
    const QList<QAction*> before = tray.menu()->actions();
    aboutToOpen();
    EXPECT_EQ(tray.menu()->actions(), before);

    // Without workspaces the contexts are flat.
    store.workspaces.clear();
    controller->menuWillOpen();
    EXPECT_EQ(rows(*tray.menu()), (Rows{"Create new context…", "---", "Mail checked",
                                        "Code disabled", "---", "Settings…", dump, "Quit"}));
    EXPECT_EQ(actionTitled(*tray.menu(), "Mail")->property(TrayMenuStyle::indentProperty).toInt(),
              0);
}

TEST_F(TrayIconTest, ItemsCarryTheirLookAndAmpersandsAreNotMnemonics) {
    mail->name = "R&D";
    start();
    aboutToOpen();
    const QMenu& menu = *tray.menu();
    QAction* header = actionTitled(menu, "BETA");
    QAction* mailItem = actionTitled(menu, "R&&D");
    ASSERT_TRUE(header && mailItem);
    EXPECT_EQ(mailItem->iconText(), "R&D");

    EXPECT_GE(header->font().weight(), QFont::DemiBold);
    EXPECT_LT(header->font().pointSizeF(), menu.font().pointSizeF());
    EXPECT_EQ(header->property(TrayMenuStyle::indentProperty).toInt(), 0);
    EXPECT_FALSE(header->property(TrayMenuStyle::dotProperty).isValid());

    EXPECT_EQ(mailItem->property(TrayMenuStyle::indentProperty).toInt(), 1);
    EXPECT_EQ(mailItem->property(TrayMenuStyle::dotProperty).value<QColor>(), mailRed);
    EXPECT_TRUE(mailItem->isCheckable());
    // The active context keeps its check mark even without windows.
    counts = {};
    aboutToOpen();
    mailItem = actionTitled(menu, "R&&D");
    ASSERT_TRUE(mailItem);
    EXPECT_TRUE(mailItem->isChecked());
    EXPECT_FALSE(mailItem->isEnabled());
}

TEST_F(TrayIconTest, AltSwapsSettingsForTheDumpWhileTheMenuIsOpenEvenAcrossARebuild) {
    start();
    aboutToOpen();
    QAction* settings = actionTitled(*tray.menu(), "Settings…");
    QAction* dump = actionTitled(*tray.menu(), "Dump Windows to Log (debug)");
    ASSERT_TRUE(settings && dump);
    const int width = tray.menu()->sizeHint().width();

    pressAlt(QEvent::KeyPress);
    // The menu was placed for its width; the longer dump item must not make it grow.
    EXPECT_EQ(tray.menu()->sizeHint().width(), width);
    EXPECT_TRUE(tray.alternateShown());
    EXPECT_FALSE(settings->isVisible());
    EXPECT_TRUE(dump->isVisible());

    store.setActiveSilent(code->id); // rebuilds the menu while it is open
    settings = actionTitled(*tray.menu(), "Settings…");
    dump = actionTitled(*tray.menu(), "Dump Windows to Log (debug)");
    EXPECT_FALSE(settings->isVisible());
    EXPECT_TRUE(dump->isVisible());
    dump->trigger();
    EXPECT_EQ(chosen, std::vector<std::string>{"dump"});

    pressAlt(QEvent::KeyRelease);
    EXPECT_TRUE(settings->isVisible());
    EXPECT_FALSE(dump->isVisible());
}

TEST_F(TrayIconTest, ChoicesReachTheControllerAndAContextChosenIsChecked) {
    counts[code->id] = 1;
    start();
    aboutToOpen();
    actionTitled(*tray.menu(), "Create new context…")->trigger();
    actionTitled(*tray.menu(), "Settings…")->trigger();
    actionTitled(*tray.menu(), "Quit")->trigger();
    EXPECT_EQ(chosen, (std::vector<std::string>{"new", "settings", "quit"}));

    // Choosing the active context keeps its check mark (QAction toggles a checkable action
    // before it reports the choice).
    actionTitled(*tray.menu(), "Mail")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(actionTitled(*tray.menu(), "Mail")->isChecked());
    EXPECT_EQ(store.activeID, mail->id);

    // Another activates it and redraws the menu.
    actionTitled(*tray.menu(), "Code")->trigger();
    EXPECT_EQ(store.activeID, code->id);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(actionTitled(*tray.menu(), "Code")->isChecked());
    EXPECT_FALSE(actionTitled(*tray.menu(), "Mail")->isChecked());
    EXPECT_EQ(tray.trayIcon().toolTip(), "Code");
}

// The icon is the stack of cards in the active context's colour, grey without one, the
// yellow triangle with a warning; the tooltip names the context, the warning or the program.
TEST_F(TrayIconTest, IconAndTooltipFollowTheActiveContextAndTheWarning) {
    start();
    EXPECT_EQ(tray.trayIcon().toolTip(), "Mail");
    QIcon icon = tray.trayIcon().icon();
    for (int size : {16, 22, 32}) {
        SCOPED_TRACE(size);
        // Inside the front card, and in the corner outside every sheet.
        EXPECT_TRUE(near(pixel(icon, size, size / 2, size * 3 / 4), mailRed));
        EXPECT_EQ(pixel(icon, size, 0, 0).alpha(), 0);
        EXPECT_EQ(pixel(icon, size, size - 1, 0).alpha(), 0);
    }
    // Between the sheets: the gap above the front card.
    EXPECT_EQ(pixel(icon, 32, 16, 15).alpha(), 0);

    controller->warning = "Hotkeys blocked — another program holds the keyboard";
    controller->rebuild();
    EXPECT_EQ(tray.trayIcon().toolTip(), "Hotkeys blocked — another program holds the keyboard");
    icon = tray.trayIcon().icon();
    EXPECT_TRUE(near(pixel(icon, 32, 10, 25), toQColor(systemYellow))); // left of the mark
    EXPECT_EQ(pixel(icon, 32, 16, 16).alpha(), 0);                      // the mark is cut out
    EXPECT_EQ(pixel(icon, 32, 2, 2).alpha(), 0);                        // outside the triangle
    EXPECT_EQ(pixel(icon, 32, 30, 2).alpha(), 0);

    controller->warning.reset();
    store.activeID.reset();
    controller->rebuild();
    EXPECT_EQ(tray.trayIcon().toolTip(), "Morvelan");
    EXPECT_TRUE(near(pixel(tray.trayIcon().icon(), 32, 16, 24), toQColor(secondaryLabelGray)));
}

TEST(TrayGlyphsTest, ColourDotIsACircleInsetByOneAndIconsAreSharpOnDenseScreens) {
    ensureApplication();
    const QImage dot = colorDotImage("#FF0000", 14).toImage();
    ASSERT_EQ(dot.size(), QSize(14, 14));
    EXPECT_EQ(dot.pixelColor(7, 7), QColor(255, 0, 0));
    EXPECT_EQ(dot.pixelColor(0, 7).alpha(), 0); // the inset
    EXPECT_EQ(dot.pixelColor(1, 1).alpha(), 0); // outside the circle, in the corner
    EXPECT_TRUE(near(colorDotImage("red", 14).toImage().pixelColor(7, 7), toQColor(dotGray)));

    MenuButton button;
    button.tint = Color{1, 0, 0, 1};
    const QPixmap sharp = buttonIcon(button, 2).pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(sharp.size(), QSize(32, 32));
    EXPECT_DOUBLE_EQ(sharp.devicePixelRatio(), 2.0);
}

// The style's own drawing: the check mark only on the active context's row, the dot after the
// indentation, all with the application style's background.
TEST_F(TrayIconTest, MenuDrawsCheckMarkAndDots) {
    counts[code->id] = 1;
    start();
    aboutToOpen();
    QMenu& menu = *tray.menu();
    menu.adjustSize();
    const QImage image = menu.grab().toImage();
    const qreal dpr = image.devicePixelRatio();
    const QColor background = menu.palette().color(QPalette::Window);

    const auto inkIn = [&](QRect area) {
        int ink = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (!near(image.pixelColor(int(x * dpr), int(y * dpr)), background, 40)) ++ink;
        return ink;
    };
    const QRect mailRow = menu.actionGeometry(actionTitled(menu, "Mail"));
    const QRect codeRow = menu.actionGeometry(actionTitled(menu, "Code"));
    EXPECT_GT(inkIn(QRect(mailRow.left() + 6, mailRow.top(), 18, mailRow.height())), 5);
    EXPECT_EQ(inkIn(QRect(codeRow.left() + 6, codeRow.top(), 18, codeRow.height())), 0);

    // The dot's centre: margin 6, check column 18, one indentation of 12, half the dot.
    const QPoint dotCentre(mailRow.left() + 6 + 18 + 12 + 7, mailRow.center().y());
    EXPECT_TRUE(near(image.pixelColor(dotCentre * dpr), mailRed, 8));
}

} // namespace
} // namespace morvelan
