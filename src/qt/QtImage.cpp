// QtImage: both directions copy, so neither side's lifetime depends on the other.
#include "qt/QtImage.h"

#include <QDir>
#include <QIcon>
#include <QPixmap>
#include <cstring>

namespace morvelan {

QImage toQImage(const ImageRef& image) {
    if (!image || image->width <= 0 || image->height <= 0) return {};
    const auto pixels = std::size_t(image->width) * std::size_t(image->height);
    if (image->argb.size() < pixels) return {};
    // Format_ARGB32 is 0xAARRGGBB per 32-bit word with straight alpha: the same layout.
    QImage out(image->width, image->height, QImage::Format_ARGB32);
    for (int y = 0; y < image->height; ++y)
        std::memcpy(out.scanLine(y), image->argb.data() + std::size_t(y) * image->width,
                    std::size_t(image->width) * 4);
    return out;
}

ImageRef fromQImage(const QImage& image) {
    if (image.isNull()) return nullptr;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    auto out = std::make_shared<Image>();
    out->width = argb.width();
    out->height = argb.height();
    out->argb.resize(std::size_t(out->width) * std::size_t(out->height));
    for (int y = 0; y < out->height; ++y)
        std::memcpy(out->argb.data() + std::size_t(y) * out->width, argb.constScanLine(y),
                    std::size_t(out->width) * 4);
    return out;
}

ImageRef loadIcon(const std::string& nameOrPath, int size) {
    QString name = QString::fromStdString(nameOrPath);
    QImage image;
    if (QDir::isAbsolutePath(name)) {
        image.load(name);
    } else {
        // Some entries name a theme icon by its file ("foo.png").
        for (const char* ext : {".png", ".svg", ".xpm"})
            if (name.endsWith(QLatin1String(ext))) name.chop(4);
        // Without an SVG plugin an icon found only as SVG gives a null pixmap.
        const QIcon icon = QIcon::fromTheme(name);
        if (!icon.isNull()) image = icon.pixmap(QSize(size, size)).toImage();
    }
    if (image.isNull()) return nullptr;
    if (image.width() > size || image.height() > size)
        image = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return fromQImage(image);
}

} // namespace morvelan
