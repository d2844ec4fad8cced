// The draw-list painter keeps each laid-out line for the next paint: what it draws from that
// must look exactly like a fresh QPainter::drawText and follow a changed text and scale.
#include "qt/DrawListPainter.h"
#include "QtTestApp.h"
#include "core/switcher/SwitcherView.h"
#include "qt/QtTextMeasure.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

namespace morvelan {
namespace {

const Color red{1, 0, 0, 1};

class DrawListPainterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    static QImage blank(QSize size, double scale) {
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
    // The same line drawn directly, with nothing kept between calls.
    static QImage reference(const draw::Text& text, double scale = 1) {
        QImage image = blank({200, 40}, scale);
        QPainter p(&image);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        const QFont font = toQFont(text.font);
        const QRectF rect(text.rect.x, text.rect.y, text.rect.width, text.rect.height);
        p.setFont(font);
        p.setPen(QColor::fromRgbF(float(text.color.r), float(text.color.g), float(text.color.b),
                                  float(text.color.a)));
        p.drawText(rect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                   QFontMetricsF(font).elidedText(QString::fromStdString(text.text), Qt::ElideRight,
                                                  rect.width()));
        return image;
    }
    // The box around every pixel with ink.
    static QRect inkBounds(const QImage& image) {
        QRect bounds;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) > 0) bounds |= QRect(x, y, 1, 1);
        return bounds;
    }
    static draw::Text title(std::string s, Font font = {12}) {
        return {std::move(s), {6, 10, 140, 17}, font, red, draw::Align::center, draw::Elide::tail};
    }

    DrawListPainter painter_;
};

TEST_F(DrawListPainterTest, KeptLinesLookAsDrawnDirectlyAndFollowTextAndScale) {
    for (const auto& t : {title("Report draft"), title("Release notes draft for the next version"),
                          title("Inbox", {12, FontWeight::semibold})}) {
        SCOPED_TRACE(t.text);
        EXPECT_EQ(painted(t), reference(t));
        EXPECT_EQ(painted(t), reference(t)) << "drawn again from what was kept";
    }
    const auto longer = title("Report draft (3)");
    EXPECT_EQ(painted(longer), reference(longer));
    // At another scale the glyphs' edges may be antialiased a little differently, never
    // placed differently.
    EXPECT_EQ(inkBounds(painted(longer, 2)), inkBounds(reference(longer, 2)));
    EXPECT_EQ(painted(longer), reference(longer));
}

// Windows of one application often differ only at the end of their titles: their tiles must
// still tell them apart.
TEST_F(DrawListPainterTest, TileTitlesThatDifferOnlyAtTheirEndLookDifferent) {
    QtTextMeasure measure;
    SwitcherView view(measure);
    for (const char* n : {"17", "18"})
        view.cells.push_back({std::string("extra window number ") + n, nullptr});
    std::vector<draw::Text> titles;
    for (draw::Text text : view.draw(view.contentSize()).all<draw::Text>()) {
        if (text.text.rfind("extra window", 0) != 0) continue;
        ASSERT_GT(measure.width(text.text, text.font), text.rect.width); // too long for the tile
        text.rect.x = text.rect.y = 6;
        titles.push_back(text);
    }
    ASSERT_EQ(titles.size(), 2u);
    EXPECT_NE(painted(titles[0]), painted(titles[1]));
    // Cut where it reads best: the last words whole, no space before the ellipsis.
    const QFontMetricsF metrics(toQFont(titles[0].font));
    const QString shown = elideMiddle(metrics, "extra window number 17", titles[0].rect.width);
    EXPECT_TRUE(shown.startsWith("extra w") && shown.endsWith("…number 17")) << shown.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(shown), titles[0].rect.width);
    EXPECT_EQ(elideMiddle(metrics, "an extra window", 200), "an extra window");
}

// Given the visible part of a panel taller than its screen, commands wholly outside it are
// skipped; glyphs reach past their rectangle, so a line ending at the edge is still drawn.
TEST_F(DrawListPainterTest, TextJustAboveTheVisiblePartStillReachesIntoIt) {
    DrawList list;
    list.add(draw::Text{"Wgjpq", {0, 283, 100, 17}, Font{16}, red});
    EXPECT_EQ(paint(list, {100, 600}, QRectF(0, 300, 100, 300)).copy(0, 300, 100, 20),
              paint(list, {100, 600}).copy(0, 300, 100, 20));
}

// Headers are drawn letter-spaced: measured without the spacing they would be cut short.
TEST_F(DrawListPainterTest, ALetterSpacedHeaderIsMeasuredWideEnoughToBeDrawnWhole) {
    const Font header{9, FontWeight::bold, 0.5};
    const double width = QtTextMeasure().width("ENGINEERING", header);
    EXPECT_EQ(QFontMetricsF(toQFont(header)).elidedText("ENGINEERING", Qt::ElideRight, width),
              "ENGINEERING");
}

} // namespace
} // namespace morvelan
