// A switcher panel taller than its screen (hundreds of windows): the window covers only the
// screen's rows, yet shows and answers exactly as the whole panel would there.
#include "QtTestApp.h"
#include "core/switcher/SwitcherTestKit.h"
#include "fakes/FakeLoginItem.h"
#include "fakes/ManualQueue.h"
#include "fakes/MemoryDefaults.h"
#include "fakes/RecordingLog.h"
#include "qt/QtTextMeasure.h"
#include "qt/SwitcherPanelWidget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QScreen>

namespace morvelan::testing {
namespace {

class SwitcherPanelTallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    void SetUp() override {
        screen = QGuiApplication::primaryScreen()->geometry();
        // The core lays the panel out for a screen as tall as Qt's, seven tiles a row.
        screens.list = {{double(screen.x()), double(screen.y()), 1280, double(screen.height())}};
        screens.at = Point{640, screen.center().y() + 0.5};
        std::vector<Switcher::Col> columns;
        for (int i = 0; i < 70; ++i)
            columns.push_back(
                column(window(1 + i % 7, WindowID(100 + i), "Window " + std::to_string(i), "App"),
                       {i % 2}));
        switcher.begin({"Work"},
                       {{uuidOf(1), "Mail", {1, 0.4, 0.4, 1}, "Work", 0},
                        {uuidOf(2), "Code", {0.3, 0.8, 0.8, 1}, "Work", 0}},
                       0, columns, std::nullopt);
        queue.advance(0.1);
    }

    void mouse(QEvent::Type type, QPointF inside, Qt::MouseButton button) {
        QMouseEvent event(type, inside, panel.mapToGlobal(inside), button, button, Qt::NoModifier,
                          &mouseDevice);
        QApplication::sendEvent(&panel, &event);
    }

    // A tile's centre in the window's coordinates.
    QPointF tileCentre(int i) const {
        const Rect tile = switcher.view.tileRect(i);
        return QPointF(tile.x + tile.width / 2, tile.y + tile.height / 2) + panel.viewOrigin();
    }

    QRect screen;
    QPointingDevice mouseDevice{"tall panel test mouse",
                                2,
                                QInputDevice::DeviceType::Mouse,
                                QPointingDevice::PointerType::Generic,
                                QInputDevice::Capability::Position,
                                1,
                                3};
    MemoryDefaults defaults;
    FakeLoginItem loginItem;
    RecordingLog log;
    Settings settings{defaults, loginItem, log};
    ManualQueue queue;
    FakeScreens screens;
    QtTextMeasure measure;
    SwitcherPanelWidget panel;
    Switcher switcher{panel, screens, queue, settings, measure, [](Pid) { return ImageRef(); }};
};

TEST_F(SwitcherPanelTallTest, TheWindowCoversOnlyTheScreensRows) {
    const QSize whole =
        switcher.view.contentSize().height > screen.height()
            ? QSize(int(switcher.view.contentSize().width), int(switcher.view.contentSize().height))
            : QSize();
    ASSERT_TRUE(whole.isValid()) << "the panel should be taller than the screen";
    EXPECT_EQ(panel.geometry().top(), screen.top());
    EXPECT_EQ(panel.geometry().bottom(), screen.bottom());
    EXPECT_EQ(panel.width(), whole.width());
    // The view starts above the window, by what the screen cuts off; snapshots keep it whole.
    EXPECT_EQ(panel.viewOrigin().y(), -(whole.height() - screen.height()) / 2);
    EXPECT_EQ(panel.snapshot(1).size(), whole);
}

TEST_F(SwitcherPanelTallTest, TheWindowShowsTheSameRowsAsTheWholePanel) {
    const QImage whole = panel.snapshot(1);
    const QImage shown = panel.grab().toImage().convertToFormat(whole.format());
    const int offset = -panel.viewOrigin().y();
    for (int y = 0; y < shown.height(); y += 7)
        for (int x = 0; x < shown.width(); x += 5)
            ASSERT_EQ(shown.pixel(x, y), whole.pixel(x, y + offset)) << "at " << x << "," << y;
}

TEST_F(SwitcherPanelTallTest, PointerAndClicksReachTheTileUnderThem) {
    std::vector<WindowID> committed;
    switcher.onCommit = [&](const Win& w, std::optional<Uuid>) { committed.push_back(w.wid); };
    // Row 4, the middle of the screen: in the window, far from where it is in the view.
    const int tile = 4 * switcher.view.perRow + 2;
    mouse(QEvent::MouseMove, tileCentre(tile), Qt::NoButton);
    EXPECT_EQ(switcher.view.sel, tile);
    mouse(QEvent::MouseButtonPress, tileCentre(tile), Qt::LeftButton);
    EXPECT_EQ(committed, (std::vector<WindowID>{WindowID(100 + tile)}));
}

} // namespace
} // namespace morvelan::testing
