// DrawListPainter: paints the switcher's draw list with QPainter.
#pragma once

#include "core/switcher/DrawList.h"

#include <QImage>
#include <QPainter>

#include <memory>
#include <unordered_map>

namespace morvelan {

class DrawListPainter {
public:
    // Paints every command in order; the painter's state is restored afterwards. With a
    // `visible` rectangle, commands above or below it are skipped and the rest clipped to it.
    void paint(QPainter& painter, const DrawList& list, const QRectF& visible = {});

private:
    // The icon converted and scaled to `size` device pixels, kept while the icon lives.
    const QImage& scaledIcon(const ImageRef& image, QSize size);

    struct CachedIcon {
        std::weak_ptr<const Image> source;
        QSize requested;
        QImage scaled;
    };
    std::unordered_map<const Image*, CachedIcon> icons_;
};

} // namespace morvelan
