// The draw-list painter: its text, laid out once and kept, must look exactly as a fresh
// QPainter::drawText of the same line in the same rectangle and follow changes of the text;
// given a visible rectangle (a panel taller than its screen) it paints only what can be seen.
#include "qt/DrawListPainter.h"
#include "QtTestApp.h"
#include "qt/QtTextMeasure.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

namespace morvelan {
namespace {

const Color white{1, 1, 1, 0.97};
const Color red{1, 0, 0, 1};
const Color blue{0, 0, 1, 1};

class DrawListPainterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    // A transparent image, at `scale` device pixels per pixel as screenshots are taken.
    static QImage blank(QSize size, double scale = 1) {
        QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        return image;
    }

    QImage paint(const DrawList& list, QSize size, const QRectF& visible = {}, double scale = 1) {
        QImage image = blank(size, scale);
        QPainter painter(&image);
        painter_.paint(painter, list, visible);
        return image;
    }
    QImage painted(const draw::Text& text, double scale = 1) {
        DrawList list;
        list.add(text);
        return paint(list, {200, 40}, {}, scale);
    }

    // What QPainter makes of the same command, with nothing kept between calls.
    static QImage reference(const draw::Text& text, double scale = 1) {
        QImage image = blank({200, 40}, scale);
        QPainter p(&image);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                         QPainter::SmoothPixmapTransform);
        const QFont font = toQFont(text.font);
        const QRectF rect(text.rect.x, text.rect.y, text.rect.width, text.rect.height);
        QString line = QString::fromStdString(text.text);
        if (text.truncateTail)
            line = QFontMetricsF(font).elidedText(line, Qt::ElideRight, rect.width());
        p.setFont(font);
        p.setPen(QColor::fromRgbF(float(text.color.r), float(text.color.g), float(text.color.b),
                                  float(text.color.a)));
        const int align =
            (text.alignment == draw::Align::center ? Qt::AlignHCenter : Qt::AlignLeft) |
            Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip;
        p.drawText(rect, align, line);
        return image;
    }

    struct Ink {
        QRect bounds;
        double total = 0; // alpha summed over the image
    };
    static Ink ink(const QImage& image) {
        Ink out;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (const int a = qAlpha(image.pixel(x, y)); a > 0) {
                    out.bounds |= QRect(x, y, 1, 1);
                    out.total += a;
                }
        return out;
    }

    static draw::Text text(std::string s, draw::Align align, bool truncate, Font font = {12}) {
        return draw::Text{std::move(s), {6, 10, 140, 17}, font, white, align, truncate};
    }

    static bool painted(const QImage& image, int x, int y) { return qAlpha(image.pixel(x, y)) > 0; }

    DrawListPainter painter_;
};

TEST_F(DrawListPainterTest, TextLooksAsDrawnDirectly) {
    for (const auto& t :
         {text("Report draft", draw::Align::center, true),
          text("Release notes draft for the next version", draw::Align::center, true),
          text("Inbox", draw::Align::center, true, {12, FontWeight::semibold}),
          text("WORKSPACE", draw::Align::left, true, {9, FontWeight::bold, 0.5}),
          text("⇥ window   ←→ / 1-9 context", draw::Align::left, false, {10})}) {
        SCOPED_TRACE(t.text);
        EXPECT_EQ(painted(t), reference(t));
        EXPECT_EQ(painted(t), reference(t)) << "drawn again from what was kept";
    }
}

TEST_F(DrawListPainterTest, TextKeptAtOneScaleIsLaidOutAgainForAnother) {
    const auto t = text("Budget sheet", draw::Align::center, true, {12, FontWeight::semibold});
    EXPECT_EQ(painted(t), reference(t));
    // At another scale the glyphs' edges may be antialiased a little differently, never
    // placed differently.
    const QImage kept = painted(t, 2);
    const QImage fresh = reference(t, 2);
    EXPECT_EQ(ink(kept).bounds, ink(fresh).bounds);
    EXPECT_NEAR(ink(kept).total, ink(fresh).total, ink(fresh).total / 50);
    EXPECT_EQ(painted(t), reference(t));
}

TEST_F(DrawListPainterTest, AChangedTitleIsLaidOutAgain) {
    const auto before = text("Chat log", draw::Align::center, true);
    const auto after = text("Chat log (3)", draw::Align::center, true);
    painted(before);
    EXPECT_EQ(painted(after), reference(after));
    EXPECT_NE(painted(after), painted(before));
}

TEST_F(DrawListPainterTest, CommandsOutsideTheVisibleRectangleLeaveNoPixel) {
    // A red bar at the top, a blue bar at y 500 and a title over it.
    DrawList list;
    list.add(draw::FillRect{{0, 0, 100, 10}, red});
    list.add(draw::FillRoundedRect{{0, 500, 100, 10}, 2, blue});
    list.add(draw::Text{"Far below", {0, 520, 100, 17}, Font{12}, red});
    const QImage whole = paint(list, {100, 600});
    EXPECT_TRUE(painted(whole, 50, 5));
    EXPECT_TRUE(painted(whole, 50, 505));

    const QImage top = paint(list, {100, 600}, QRectF(0, 0, 100, 100));
    EXPECT_TRUE(painted(top, 50, 5));
    for (int y = 100; y < 600; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_FALSE(painted(top, x, y)) << "at " << x << "," << y;

    // A command across the edge is painted up to it.
    DrawList across;
    across.add(draw::FillRect{{0, 80, 100, 40}, blue});
    const QImage cut = paint(across, {100, 600}, QRectF(0, 0, 100, 100));
    EXPECT_EQ(cut.pixel(50, 99), qRgba(0, 0, 255, 255));
    EXPECT_FALSE(painted(cut, 50, 100));
}

TEST_F(DrawListPainterTest, TextJustAboveTheVisibleTopStillReachesIntoIt) {
    // Glyphs may reach past their rectangle: a line ending at the edge is still drawn.
    DrawList list;
    list.add(draw::Text{"Wgjpq", {0, 283, 100, 17}, Font{16}, red});
    const QImage whole = paint(list, {100, 600});
    const QImage cut = paint(list, {100, 600}, QRectF(0, 300, 100, 300));
    for (int y = 300; y < 320; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(whole.pixel(x, y), cut.pixel(x, y)) << "at " << x << "," << y;
}

} // namespace
} // namespace morvelan
