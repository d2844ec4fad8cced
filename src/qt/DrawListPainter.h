// DrawListPainter: paints the switcher's draw list with QPainter.
#pragma once

#include "core/switcher/DrawList.h"

#include <QImage>
#include <QPainter>
#include <QStaticText>

#include <memory>
#include <string>
#include <unordered_map>

class QFontMetricsF;

namespace morvelan {

// `text` cut in the middle to fit `width`, keeping its last words whole: titles that differ
// only at their end ("extra window number 17") stay apart. A text whose last word alone takes
// most of the room is cut at its end.
QString elideMiddle(const QFontMetricsF& metrics, const QString& text, double width);

class DrawListPainter {
public:
    // Paints every command in order; the painter's state is restored afterwards. With a
    // `visible` rectangle, commands above or below it are skipped and the rest clipped to it.
    void paint(QPainter& painter, const DrawList& list, const QRectF& visible = {});

private:
    // One line of text shaped (and elided) for its rectangle, with its natural width.
    struct LaidOutText {
        QStaticText text;
        double width = 0;
    };

    void paintText(QPainter& painter, const draw::Text& text);
    // `line` laid out in `font` for the painter's `device` transform, elided to `width` when
    // the text asks for it; kept for the next paint.
    const LaidOutText& layOut(const draw::Text& text, const QFont& font, const QString& line,
                              double width, const QTransform& device);
    // The icon converted and scaled to `size` device pixels, kept while the icon lives.
    const QImage& scaledIcon(const ImageRef& image, QSize size);

    struct CachedIcon {
        std::weak_ptr<const Image> source;
        QSize requested;
        QImage scaled;
    };
    std::unordered_map<const Image*, CachedIcon> icons_;
    std::unordered_map<std::string, LaidOutText> texts_;
};

} // namespace morvelan
