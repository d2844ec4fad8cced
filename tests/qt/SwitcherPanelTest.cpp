// The switcher panel on the offscreen platform with a switcher over it, wired as the shell
// wires them: the picture it shows, the pointer, and a panel taller than its screen. The X
// window itself is exercised end to end.
#include "QtTestApp.h"
#include "core/model/Color.h"
#include "core/switcher/Switcher.h"
#include "fakes/FakeLoginItem.h"
#include "fakes/FakeScreens.h"
#include "fakes/ManualQueue.h"
#include "fakes/MemoryDefaults.h"
#include "fakes/RecordingLog.h"
#include "qt/QtImage.h"
#include "qt/QtTextMeasure.h"
#include "qt/SwitcherPanelWindow.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace morvelan::testing {
namespace {

// One column per window, as the opener builds them.
Switcher::Col column(Pid pid, WindowID wid, std::string title, std::string app,
                     std::set<int> ctxIdxs, ImageRef icon = nullptr) {
    const Win win{.pid = pid, .appName = app, .title = std::move(title), .wid = wid};
    return {std::move(app), std::move(icon), {{win, std::move(ctxIdxs), std::nullopt}}};
}

Uuid uuidOf(int n) {
    Uuid id;
    id.bytes[15] = static_cast<std::uint8_t>(n);
    return id;
}

// An application's icon: a rounded square, blue for Thunderbird (pid 1), red for the others.
ImageRef icon(Pid pid) {
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(pid == 1 ? "#3b82f6" : "#ef4444"));
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 14, 14);
    p.end();
    return fromQImage(image);
}

class SwitcherPanelTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    SwitcherPanelTest() {
        switcher.onCommit = [this](const Win& w, std::optional<Uuid>) {
            committed.push_back(w.wid);
        };
    }

    // Six windows of four applications; Mail and Code in Work, Music in Home.
    void open(int activeCtx) {
        switcher.begin({"Work", "Home"},
                       {{uuidOf(1), "Mail", *colorFromHex("#FF6B6B"), "Work", 0},
                        {uuidOf(2), "Code", *colorFromHex("#4ECDC4"), "Work", 0},
                        {uuidOf(3), "Music", *colorFromHex("#6C5CE7"), "Home", 1}},
                       activeCtx,
                       {column(1, 101, "Inbox — Thunderbird", "Thunderbird", {0}, icon(1)),
                        column(2, 102, "SwitcherView.cpp — Kate", "Kate", {1}, icon(2)),
                        column(3, 103, "Release notes draft", "Firefox", {0, 1}, icon(3)),
                        column(4, 104, "", "Rhythmbox", {2}, icon(4)),
                        column(2, 105, "Terminal", "Konsole", {1}, icon(2)),
                        column(3, 106, "News", "Firefox", {}, icon(3))},
                       std::nullopt);
    }
    // A tile's centre in the window's coordinates.
    QPointF tileCentre(int i) const {
        const Rect tile = switcher.view().tileRect(i);
        return QPointF(tile.x + tile.width / 2, tile.y + tile.height / 2) + panel.viewOrigin();
    }
    static QColor at(const QImage& image, double x, double y) {
        return image.pixelColor(int(x), int(y));
    }

    MemoryDefaults defaults;
    FakeLoginItem loginItem;
    RecordingLog log;
    Settings settings{defaults, loginItem, log};
    ManualQueue queue;
    FakeScreens screens;
    QtTextMeasure measure;
    SwitcherPanelWindow panel;
    Switcher switcher{panel, screens, queue, settings, measure};
    std::vector<WindowID> committed;
};

// The panel as the user sees it and uses it with the pointer.
TEST_F(SwitcherPanelTest, ShownCentredAfterTheDelayPaintedAndAnsweringThePointer) {
    open(1); // Code active
    EXPECT_FALSE(panel.isVisible());
    queue.advance(0.1);
    ASSERT_TRUE(panel.isVisible());
    EXPECT_NEAR(panel.geometry().center().x(), 640, 1);
    EXPECT_NEAR(panel.geometry().center().y(), 400, 1);
    EXPECT_EQ(panel.picture().size(), panel.geometry().size());
    // The hints name the keys as a Linux keyboard has them: Super+F filters, Alt confines,
    // Alt-click assigns.
    const std::string hints =
        switcher.view().draw(switcher.view().contentSize()).all<draw::Text>().back().text;
    EXPECT_NE(hints.find("Super+F filter   Alt focus task   Alt-click assign"), std::string::npos)
        << hints;
    switcher.appendFilter("i"); // leaves out only the untitled Rhythmbox window
    switcher.stepWindow(true);  // from the first match to the second
    const QImage image = panel.snapshot(1);

    // The corner is cut away; the active chip is solid in its colour.
    EXPECT_EQ(at(image, 0, 0).alpha(), 0);
    const Rect code = switcher.view().barLayout().chips[1].rect;
    EXPECT_TRUE(near(at(image, code.x + 2, code.y + code.height / 2), QColor("#4ECDC4")));
    // A near-white ring inside the selected tile.
    const Rect selected = switcher.view().tileRect(1);
    EXPECT_GT(at(image, selected.x + 1, selected.y + selected.height / 2).green(), 215);
    // Icons at full strength where the filter matches, at half where it does not.
    const Rect shown = switcher.view().tileRect(0), dimmed = switcher.view().tileRect(3);
    EXPECT_TRUE(near(at(image, shown.x + 70, shown.y + 39), QColor("#3b82f6"), 6));
    const QColor half = at(image, dimmed.x + 70, dimmed.y + 39);
    EXPECT_LT(half.red(), 180);
    EXPECT_GT(half.red(), 60);

    // Alt-click pins to the active context and keeps the panel; the pointer selects; the "All"
    // chip shows every context; a click commits.
    std::vector<std::pair<WindowID, Uuid>> pinned;
    switcher.onToggleMembership = [&](const Win& w, const Uuid& id) {
        pinned.push_back({w.wid, id});
    };
    panel.pressAt(tileCentre(0), true);
    EXPECT_EQ(pinned, (std::vector<std::pair<WindowID, Uuid>>{{101, uuidOf(2)}}));
    EXPECT_TRUE(panel.isVisible());
    panel.moveAt(tileCentre(4));
    EXPECT_EQ(switcher.view().sel, 4);
    const Rect all = switcher.view().barLayout().allRect;
    panel.pressAt(QPointF(all.x + 5, all.y + 5), false);
    EXPECT_EQ(switcher.view().activeCtx, -1);
    panel.pressAt(tileCentre(4), false);
    EXPECT_EQ(committed, (std::vector<WindowID>{105}));
    EXPECT_FALSE(panel.isVisible());
}

// Hundreds of windows: the window covers only the screen, opens on the top rows with the bar
// and the preselected tile, scrolls to keep the selection in sight, and shows and answers
// exactly as the whole panel would there.
TEST_F(SwitcherPanelTest, APanelTallerThanTheScreenScrollsToTheSelection) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    screens.list = {{double(screen.x()), double(screen.y()), 1280, double(screen.height())}};
    std::vector<Switcher::Col> columns;
    for (int i = 0; i < 70; ++i)
        columns.push_back(
            column(1 + i % 7, WindowID(100 + i), "Window " + std::to_string(i), "App", {i % 2}));
    switcher.begin({"Work"},
                   {{uuidOf(1), "Mail", {1, 0.4, 0.4, 1}, "Work", 0},
                    {uuidOf(2), "Code", {0.3, 0.8, 0.8, 1}, "Work", 0}},
                   0, columns, std::nullopt);
    queue.advance(0.1);
    ASSERT_GT(switcher.view().contentSize().height, screen.height());
    EXPECT_EQ(panel.geometry().height(), screen.height());
    EXPECT_EQ(panel.viewOrigin(), QPoint(0, 0));

    // Backwards from the preselected second tile: the first, then the very last.
    switcher.stepWindow(false);
    switcher.stepWindow(false);
    const int last = int(switcher.view().cells.size()) - 1;
    ASSERT_EQ(switcher.view().sel, last);
    panel.show(); // repaints at once (a redraw waits for the event loop)
    const Rect tile = switcher.view().tileRect(last);
    EXPECT_NEAR(tile.y + tile.height + switcher.view().gap + panel.viewOrigin().y(),
                panel.geometry().height(), 1);
    const QImage whole = panel.snapshot(1);
    EXPECT_TRUE(panel.picture().convertToFormat(whole.format()) ==
                whole.copy(QRect(-panel.viewOrigin(), panel.geometry().size())));

    const int above = last - switcher.view().perRow;
    panel.moveAt(tileCentre(above));
    EXPECT_EQ(switcher.view().sel, above);
    panel.pressAt(tileCentre(above), false);
    EXPECT_EQ(committed, (std::vector<WindowID>{WindowID(100 + above)}));
}

} // namespace
} // namespace morvelan::testing
