// The draw-list painter given a visible rectangle: a panel taller than its screen paints only
// the part that can be seen, and nothing outside it.
#include "QtTestApp.h"
#include "qt/DrawListPainter.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

namespace morvelan {
namespace {

const Color red{1, 0, 0, 1};
const Color blue{0, 0, 1, 1};

class DrawListVisibleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    // Paints `list` on a transparent 100 × 600 image.
    QImage paint(const DrawList& list, const QRectF& visible = {}) {
        QImage image(100, 600, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter_.paint(painter, list, visible);
        return image;
    }

    // A list with a red bar at the top, a blue bar at y 500 and a title over it.
    static DrawList tallList() {
        DrawList list;
        list.add(draw::FillRect{{0, 0, 100, 10}, red});
        list.add(draw::FillRoundedRect{{0, 500, 100, 10}, 2, blue});
        list.add(draw::Text{"Far below", {0, 520, 100, 17}, Font{12}, red});
        return list;
    }

    static bool painted(const QImage& image, int x, int y) { return qAlpha(image.pixel(x, y)) > 0; }

    DrawListPainter painter_;
};

TEST_F(DrawListVisibleTest, WithoutAVisibleRectangleEverythingIsPainted) {
    const QImage image = paint(tallList());
    EXPECT_TRUE(painted(image, 50, 5));
    EXPECT_TRUE(painted(image, 50, 505));
}

TEST_F(DrawListVisibleTest, CommandsOutsideTheVisibleRectangleLeaveNoPixel) {
    const QImage image = paint(tallList(), QRectF(0, 0, 100, 100));
    EXPECT_TRUE(painted(image, 50, 5));
    for (int y = 100; y < 600; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_FALSE(painted(image, x, y)) << "at " << x << "," << y;
}

TEST_F(DrawListVisibleTest, ACommandAcrossTheEdgeIsPaintedUpToIt) {
    DrawList list;
    list.add(draw::FillRect{{0, 80, 100, 40}, blue});
    const QImage image = paint(list, QRectF(0, 0, 100, 100));
    EXPECT_EQ(image.pixel(50, 99), qRgba(0, 0, 255, 255));
    EXPECT_FALSE(painted(image, 50, 100));
}

TEST_F(DrawListVisibleTest, TextJustAboveTheVisibleTopStillReachesIntoIt) {
    // Glyphs may reach past their rectangle: a line ending at the edge is still drawn.
    DrawList list;
    list.add(draw::Text{"Wgjpq", {0, 283, 100, 17}, Font{16}, red});
    const QImage whole = paint(list);
    const QImage cut = paint(list, QRectF(0, 300, 100, 300));
    for (int y = 300; y < 320; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(whole.pixel(x, y), cut.pixel(x, y)) << "at " << x << "," << y;
}

} // namespace
} // namespace morvelan
