// Tests of the switcher panel and the draw-list painter on the offscreen platform (the X
// window itself is exercised end to end). With MORVELAN_SHOTS_DIR set, each scenario is also
// saved there as a PNG.
#include "QtTestApp.h"
#include "core/switcher/SwitcherTestKit.h"
#include "fakes/FakeLoginItem.h"
#include "fakes/ManualQueue.h"
#include "fakes/MemoryDefaults.h"
#include "fakes/RecordingLog.h"
#include "qt/QtImage.h"
#include "qt/QtTextMeasure.h"
#include "qt/SwitcherPanelWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <map>

namespace morvelan::testing {
namespace {

// A round icon of one colour, as an application would have.
ImageRef roundIcon(QColor color) {
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 14, 14);
    p.end();
    return fromQImage(image);
}

const Color mailRed = *colorFromHex("#FF6B6B");
const Color codeTeal = *colorFromHex("#4ECDC4");
const Color musicPurple = *colorFromHex("#6C5CE7");

// The panel with a switcher over it, as the shell wires them.
class PanelFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

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
    std::map<Pid, ImageRef> icons;
    Switcher switcher{panel, screens, queue, settings, measure, [this](Pid pid) -> ImageRef {
                          auto it = icons.find(pid);
                          return it == icons.end() ? nullptr : it->second;
                      }};
};

class SwitcherPanelTest : public PanelFixture {
protected:
    void SetUp() override {
        icons[1] = roundIcon(QColor("#3b82f6"));
        icons[2] = roundIcon(QColor("#f59e0b"));
        icons[3] = roundIcon(QColor("#10b981"));
        icons[4] = roundIcon(QColor("#ef4444"));
    }

    void open(int activeCtx, bool confined = false) {
        const std::vector<Switcher::Ctx> contexts{{uuidOf(1), "Mail", mailRed, "Work", 0},
                                                  {uuidOf(2), "Code", codeTeal, "Work", 0},
                                                  {uuidOf(3), "Music", musicPurple, "Home", 1}};
        const std::vector<Switcher::Col> columns{
            column(window(1, 101, "Inbox — Thunderbird", "Thunderbird"), {0}),
            column(window(2, 102, "SwitcherView.cpp — Kate", "Kate"), {1}),
            column(window(3, 103, "Release notes draft for the next version", "Firefox"), {0, 1}),
            column(window(4, 104, "", "Rhythmbox"), {2}),
            column(window(2, 105, "Terminal", "Konsole"), {1}),
            column(window(3, 106, "News", "Firefox"), {})};
        switcher.view.confined = confined;
        switcher.begin({"Work", "Home"}, contexts, activeCtx, columns, std::nullopt);
    }

    QImage shot(const char* name, double scale = 1) {
        QImage image = panel.snapshot(scale);
        saveShot(image, name);
        return image;
    }
};

void expectNear(const QColor& actual, const QColor& expected, int tolerance = 3) {
    EXPECT_TRUE(near(actual, expected, tolerance))
        << actual.name(QColor::HexArgb).toStdString() << " is not near "
        << expected.name(QColor::HexArgb).toStdString();
}

TEST_F(SwitcherPanelTest, PanelAppearsAfterTheDelayWithTheLaidOutSize) {
    open(0);
    EXPECT_FALSE(panel.isVisible());
    queue.advance(0.1);
    EXPECT_TRUE(panel.isVisible());
    const Size size = switcher.view.contentSize();
    const QRect frame = panel.geometry();
    EXPECT_EQ(frame.width(), int(std::ceil(size.width)));
    EXPECT_EQ(frame.height(), int(size.height));
    // Centred on the 1280×800 screen.
    EXPECT_NEAR(frame.x() + frame.width() / 2.0, 640, 1);
    EXPECT_NEAR(frame.y() + frame.height() / 2.0, 400, 1);
    // The picture was painted for the showing, at the window's size.
    EXPECT_EQ(panel.picture().size(), frame.size());
    switcher.cancel();
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(SwitcherPanelTest, MeasuredHeaderFitsWhenDrawnLetterSpaced) {
    const Font header{9, FontWeight::bold, 0.5};
    const QString text = "ENGINEERING";
    const double spaced = measure.width(text.toStdString(), header);
    const double plain = measure.width(text.toStdString(), Font{9, FontWeight::bold, 0});
    EXPECT_GT(spaced, plain + 4);
    EXPECT_EQ(QFontMetricsF(toQFont(header)).elidedText(text, Qt::ElideRight, spaced), text);
}

TEST_F(SwitcherPanelTest, PaintsBackgroundChipsAndSelection) {
    open(1);                    // Code active, not confined
    switcher.appendFilter("i"); // leaves out only the untitled Rhythmbox window
    ASSERT_FALSE(switcher.view.cells[3].matched);
    for (int i : {0, 1, 2, 4, 5})
        ASSERT_TRUE(switcher.view.cells[i].matched) << i;
    switcher.view.sel = 1;
    const QImage image = shot("context-filtered");

    const auto bar = switcher.view.barLayout();
    // Background: grey 0.12 at 0.95 at the top edge; the corner itself is cut away.
    expectNear(at(image, image.width() / 2.0, 3), QColor(31, 31, 31, 242));
    EXPECT_EQ(at(image, 0, 0).alpha(), 0);
    // The active chip is solid in its colour; an inactive one only tinted.
    const Rect code = bar.chips[1].rect;
    expectNear(at(image, code.x + 2, code.y + code.height / 2), QColor("#4ECDC4"));
    const Rect mail = bar.chips[0].rect;
    const QColor tinted = at(image, mail.x + 2, mail.y + mail.height / 2);
    EXPECT_LT(tinted.red(), 120);
    EXPECT_GT(tinted.red(), tinted.green() + 10);
    // The selection ring is near white, just inside the selected tile's edge.
    const Rect selected = switcher.view.tileRect(1);
    const QColor ring = at(image, selected.x + 1, selected.y + selected.height / 2);
    EXPECT_GT(ring.red(), 215);
    EXPECT_GT(ring.green(), 215);
    // An unselected tile in the active context has its coloured border there instead.
    const Rect other = switcher.view.tileRect(4);
    const QColor border = at(image, other.x, other.y + other.height / 2);
    EXPECT_LT(border.red(), 150);
    EXPECT_GT(border.green(), 150);
}

TEST_F(SwitcherPanelTest, ClicksAndHoverReachTheViewAndAltClickPins) {
    open(0);
    queue.advance(0.1);
    std::vector<WindowID> committed, pinned;
    switcher.onCommit = [&](const Win& w, std::optional<Uuid>) { committed.push_back(w.wid); };
    switcher.onToggleMembership = [&](const Win& w, const Uuid& id) {
        EXPECT_EQ(id, uuidOf(1));
        pinned.push_back(w.wid);
    };
    const Rect first = switcher.view.tileRect(0);
    panel.pressAt(QPointF(first.x + 20, first.y + 20), true);
    EXPECT_EQ(pinned, (std::vector<WindowID>{101}));
    EXPECT_TRUE(panel.isVisible());

    const Rect tile = switcher.view.tileRect(4);
    const QPointF inside(tile.x + 20, tile.y + 20);
    panel.moveAt(inside);
    EXPECT_EQ(switcher.view.sel, 4);
    const Rect all = switcher.view.barLayout().allRect;
    panel.pressAt(QPointF(all.x + 5, all.y + 5), false);
    EXPECT_EQ(switcher.view.activeCtx, -1);

    panel.pressAt(inside, false);
    EXPECT_EQ(committed, (std::vector<WindowID>{105}));
    EXPECT_FALSE(panel.isVisible());
}

TEST_F(SwitcherPanelTest, ImagesKeepTheirPixelsBothWays) {
    auto image = std::make_shared<morvelan::Image>();
    image->width = 2;
    image->height = 1;
    image->argb = {0x80FF0000u, 0xFF00FF00u}; // half-transparent red, green
    const QImage converted = toQImage(image);
    EXPECT_EQ(converted.pixelColor(0, 0), QColor(255, 0, 0, 128));
    EXPECT_EQ(converted.pixelColor(1, 0), QColor(0, 255, 0));
    EXPECT_EQ(fromQImage(converted)->argb, image->argb);
    image->argb.pop_back(); // too short for its size
    EXPECT_TRUE(toQImage(image).isNull());
    EXPECT_EQ(fromQImage(QImage()), nullptr);
}

TEST_F(SwitcherPanelTest, IconsAreDimmedWhenFilteredOutOrOutsideTheConfinedContext) {
    open(-1);
    switcher.appendFilter("i");
    QImage image = panel.snapshot(1);
    // Icon centres: tile 0 (matching) at full strength, tile 3 (filtered out) at half.
    const Rect shown = switcher.view.tileRect(0);
    const Rect dimmed = switcher.view.tileRect(3);
    expectNear(at(image, shown.x + 70, shown.y + 39), QColor("#3b82f6"), 6);
    const QColor half = at(image, dimmed.x + 70, dimmed.y + 39);
    EXPECT_LT(half.red(), 180);
    EXPECT_GT(half.red(), 60);

    switcher.cancel();
    open(1, true);
    image = shot("confined", 2);
    // The Thunderbird icon is outside Code and drawn at 0.18.
    const Rect outside = switcher.view.tileRect(0);
    EXPECT_LT(at(image, (outside.x + 70) * 2, (outside.y + 39) * 2).blue(), 90);
}

// The screenshots of the main looks; each also checks what must be visible in it.
TEST_F(SwitcherPanelTest, ScreenshotsOfAllContextsFilteringAndEmpty) {
    open(-1);
    switcher.view.sel = 2;
    QImage image = shot("all-contexts", 2);
    const Rect all = switcher.view.barLayout().allRect;
    // The "All" chip's fill is white at 0.28 over the background.
    EXPECT_NEAR(at(image, (all.x + 2) * 2, (all.y + all.height / 2) * 2).red(), 94, 6);

    switcher.cancel();
    open(0);
    switcher.beginFilter();
    switcher.appendFilter("fire");
    image = shot("filtering", 2);
    // Filtering dims the tiles it leaves out; only the two Firefox windows match.
    ASSERT_EQ(switcher.view.cells.size(), 6u);
    EXPECT_EQ(std::count_if(switcher.view.cells.begin(), switcher.view.cells.end(),
                            [](const auto& cell) { return cell.matched; }),
              2);

    switcher.cancel();
    switcher.begin({"Work", "Home"}, {}, -1, {}, std::nullopt);
    image = shot("empty", 2);
    EXPECT_EQ(panel.geometry().height(), 118);
    EXPECT_GE(panel.geometry().width(), 360);
    EXPECT_EQ(image.height(), 236);
}

// A panel taller than its screen (hundreds of windows): the window covers only the screen's
// rows, scrolls to keep the selection in sight, and shows and answers exactly as the whole
// panel would there.
class SwitcherPanelTallTest : public PanelFixture {
protected:
    void SetUp() override {
        screen = QGuiApplication::primaryScreen()->geometry();
        // The core lays the panel out for a screen as tall as Qt's, seven tiles a row.
        screens.list = {{double(screen.x()), double(screen.y()), 1280, double(screen.height())}};
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

    // A tile's centre in the window's coordinates.
    QPointF tileCentre(int i) const {
        const Rect tile = switcher.view.tileRect(i);
        return QPointF(tile.x + tile.width / 2, tile.y + tile.height / 2) + panel.viewOrigin();
    }

    // The window shows the whole view's rows where the view's origin puts them.
    void expectShowsWholeViewRows() {
        const QImage whole = panel.snapshot(1);
        const QImage shown = panel.picture().convertToFormat(whole.format());
        ASSERT_EQ(shown.size(), panel.geometry().size());
        const int offset = -panel.viewOrigin().y();
        for (int y = 0; y < shown.height(); y += 7)
            for (int x = 0; x < shown.width(); x += 5)
                ASSERT_EQ(shown.pixel(x, y), whole.pixel(x, y + offset)) << "at " << x << "," << y;
    }

    QRect screen;
};

TEST_F(SwitcherPanelTallTest, TheWindowCoversTheScreenAndOpensOnTheTopRows) {
    const Size content = switcher.view.contentSize();
    ASSERT_GT(content.height, screen.height()) << "the panel should be taller than the screen";
    const QSize whole(int(content.width), int(content.height));
    EXPECT_EQ(panel.geometry().top(), screen.top());
    EXPECT_EQ(panel.geometry().bottom(), screen.bottom());
    EXPECT_EQ(panel.geometry().width(), whole.width());
    // The bar and the preselected tile are in sight; snapshots keep the view whole.
    EXPECT_EQ(panel.viewOrigin(), QPoint(0, 0));
    EXPECT_EQ(switcher.view.sel, 1);
    EXPECT_EQ(panel.snapshot(1).size(), whole);
    expectShowsWholeViewRows();
}

TEST_F(SwitcherPanelTallTest, SteppingPastTheScreenScrollsTheSelectionIntoSight) {
    const int last = int(switcher.view.cells.size()) - 1;
    // Backwards from the preselected second tile: the first, then the very last.
    switcher.view.stepWindow(false);
    switcher.view.stepWindow(false);
    ASSERT_EQ(switcher.view.sel, last);
    panel.show(); // repaints at once (a redraw waits for the event loop)
    const Rect tile = switcher.view.tileRect(last);
    const QPointF centre = tileCentre(last);
    EXPECT_GE(centre.y() - tile.height / 2, 0);
    EXPECT_LE(centre.y() + tile.height / 2, panel.geometry().height());
    // Scrolled just enough: the tile and a margin end at the window's bottom edge.
    EXPECT_NEAR(tile.y + tile.height + switcher.view.gap + panel.viewOrigin().y(),
                panel.geometry().height(), 1);
    expectShowsWholeViewRows();

    // The pointer and clicks land on the tile where it is shown now.
    std::vector<WindowID> committed;
    switcher.onCommit = [&](const Win& w, std::optional<Uuid>) { committed.push_back(w.wid); };
    const int above = last - switcher.view.perRow;
    panel.moveAt(tileCentre(above));
    EXPECT_EQ(switcher.view.sel, above);
    panel.pressAt(tileCentre(above), false);
    EXPECT_EQ(committed, (std::vector<WindowID>{WindowID(100 + above)}));
}

} // namespace
} // namespace morvelan::testing
