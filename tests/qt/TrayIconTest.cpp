// The tray icon and its menu on the offscreen platform, connected to the menu controller as the
// program connects them: the menu's actions, the Alt alternate, choices, icon and tooltip.
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

using Rows = std::vector<std::string>;

// Workspace "Work" has "R&D Mail" (active, two windows) and "Code" (one).
class TrayIconTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    TrayIconTest() {
        const Workspace work{Uuid::random(), "Work"};
        mail->workspaceID = code->workspaceID = work.id;
        store.replace({{mail, code}, mail->id, {work}});
        controller.windowCounts = [this] { return counts; };
        controller.onDump = [this] { ++dumps; };
        tray.attach(controller);
        emit tray.menu()->aboutToShow(); // what QMenu::popup does first
    }

    // Each action as its text and what is unusual about it ("---" for a separator).
    Rows rows() const {
        Rows result;
        for (const QAction* a : tray.menu()->actions())
            result.push_back(a->isSeparator()
                                 ? "---"
                                 : a->text().toStdString() + (a->isEnabled() ? "" : " disabled") +
                                       (a->isChecked() ? " checked" : "") +
                                       (a->isVisible() ? "" : " hidden"));
        return result;
    }
    QAction* action(const QString& text) const {
        for (QAction* a : tray.menu()->actions())
            if (a->text() == text) return a;
        ADD_FAILURE() << "no action " << text.toStdString();
        return nullptr;
    }
    void alt(QEvent::Type type) {
        QKeyEvent event(type, Qt::Key_Alt,
                        type == QEvent::KeyPress ? Qt::AltModifier : Qt::NoModifier);
        QApplication::sendEvent(tray.menu(), &event);
    }
    QColor iconPixel(int x, int y) {
        return tray.trayIcon().icon().pixmap(32).toImage().pixelColor(x, y);
    }

    MemoryFiles files;
    RecordingLog log;
    ContextStore store{files, log};
    ContextPtr mail = makeContext("R&D Mail", "#FF6B6B", std::nullopt);
    ContextPtr code = makeContext("Code", "#4ECDC4", std::nullopt);
    WindowCounts counts{{mail->id, 2}, {code->id, 1}};
    TrayIcon tray;
    MenuBarController controller{store, &tray};
    int dumps = 0;
};

TEST_F(TrayIconTest, TheMenuShowsTheModelAndAltSwapsSettingsForTheDumpEvenAcrossARebuild) {
    // An ampersand in a name is shown, not taken as a shortcut mark.
    EXPECT_EQ(rows(),
              (Rows{"Create new context…", "---", "WORK disabled", "R&&D Mail checked", "Code",
                    "---", "Settings…", "Dump Windows to Log (debug) disabled hidden", "Quit"}));
    const QList<QAction*> before = tray.menu()->actions();
    emit tray.menu()->aboutToShow();
    EXPECT_EQ(tray.menu()->actions(), before) << "rebuilt while nothing changed";

    const int width = tray.menu()->sizeHint().width();
    alt(QEvent::KeyPress);
    // The menu was placed for its width; the longer dump item must not make it grow.
    EXPECT_EQ(tray.menu()->sizeHint().width(), width);
    store.setActiveSilent(code->id); // rebuilds the menu while it is open
    EXPECT_FALSE(action("Settings…")->isVisible());
    action("Dump Windows to Log (debug)")->trigger();
    EXPECT_EQ(dumps, 1);
    alt(QEvent::KeyRelease);
    EXPECT_TRUE(action("Settings…")->isVisible());
    EXPECT_FALSE(action("Dump Windows to Log (debug)")->isVisible());
}

// The icon is the stack of cards in the active context's colour, the yellow triangle with a
// warning, grey without a context; the tooltip names the context, the warning or the program.
TEST_F(TrayIconTest, ChoicesMoveTheCheckMarkAndIconAndTooltipFollow) {
    EXPECT_TRUE(near(iconPixel(16, 24), QColor("#FF6B6B")));
    EXPECT_EQ(iconPixel(0, 0).alpha(), 0);
    // QAction unchecks a checked action before reporting it: choosing the active context
    // again must keep its mark.
    action("R&&D Mail")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(action("R&&D Mail")->isChecked());
    action("Code")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(store.activeID(), code->id);
    EXPECT_TRUE(action("Code")->isChecked());
    EXPECT_FALSE(action("R&&D Mail")->isChecked());
    EXPECT_EQ(tray.trayIcon().toolTip(), "Code");
    EXPECT_TRUE(near(iconPixel(16, 24), QColor("#4ECDC4")));

    controller.warnings = {"Hotkeys blocked — another program holds the keyboard"};
    controller.rebuild();
    EXPECT_EQ(tray.trayIcon().toolTip(), "Hotkeys blocked — another program holds the keyboard");
    EXPECT_TRUE(near(iconPixel(10, 25), toQColor(systemYellow)));
    controller.warnings.clear();
    store.setActiveSilent(std::nullopt);
    controller.rebuild();
    EXPECT_EQ(tray.trayIcon().toolTip(), "Morvelan");
    EXPECT_TRUE(near(iconPixel(16, 24), toQColor(secondaryLabelGray)));
}

} // namespace
} // namespace morvelan
