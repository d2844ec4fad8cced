// The draw-list painter's text: laid out once and kept, it must look exactly as a fresh
// QPainter::drawText of the same line in the same rectangle, and follow changes of the text.
#include "QtTestApp.h"
#include "qt/DrawListPainter.h"
#include "qt/QtTextMeasure.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

namespace morvelan {
namespace {

const Color white{1, 1, 1, 0.97};

class DrawListTextTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureApplication(); }

    // A transparent image, at `scale` device pixels per pixel as screenshots are taken.
    static QImage blank(double scale) {
        QImage image(int(200 * scale), int(40 * scale), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        return image;
    }

    QImage painted(const draw::Text& text, double scale = 1) {
        QImage image = blank(scale);
        QPainter painter(&image);
        DrawList list;
        list.add(text);
        painter_.paint(painter, list);
        return image;
    }

    // What QPainter makes of the same command, with nothing kept between calls.
    static QImage reference(const draw::Text& text, double scale = 1) {
        QImage image = blank(scale);
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

    DrawListPainter painter_;
};

TEST_F(DrawListTextTest, CentredTitlesLookAsDrawnDirectly) {
    for (const auto& t :
         {text("Report draft", draw::Align::center, true),
          text("Release notes draft for the next version", draw::Align::center, true),
          text("Inbox", draw::Align::center, true, {12, FontWeight::semibold})}) {
        SCOPED_TRACE(t.text);
        EXPECT_EQ(painted(t), reference(t));
        EXPECT_EQ(painted(t), reference(t)) << "drawn again from what was kept";
    }
}

TEST_F(DrawListTextTest, TextKeptAtOneScaleIsLaidOutAgainForAnother) {
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

TEST_F(DrawListTextTest, LeftAlignedAndSpacedTextLooksAsDrawnDirectly) {
    const auto header = text("WORKSPACE", draw::Align::left, true, {9, FontWeight::bold, 0.5});
    EXPECT_EQ(painted(header), reference(header));
    const auto footer = text("⇥ window   ←→ / 1-9 context", draw::Align::left, false, {10});
    EXPECT_EQ(painted(footer), reference(footer));
}

TEST_F(DrawListTextTest, AChangedTitleIsLaidOutAgain) {
    const auto before = text("Chat log", draw::Align::center, true);
    const auto after = text("Chat log (3)", draw::Align::center, true);
    painted(before);
    EXPECT_EQ(painted(after), reference(after));
    EXPECT_NE(painted(after), painted(before));
}

} // namespace
} // namespace morvelan
