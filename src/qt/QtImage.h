// QtImage: conversions between the core's ARGB images and QImage.
#pragma once

#include "core/platform/Image.h"

#include <QImage>
#include <string>

namespace morvelan {

// A null QImage for a null or empty image.
QImage toQImage(const ImageRef& image);
// Null for a null QImage.
ImageRef fromQImage(const QImage& image);
// A desktop entry's Icon: a name looked up in the icon theme (the user's, then hicolor), or
// an image file by absolute path; at most `size` pixels a side. Null when none loads.
ImageRef loadIcon(const std::string& nameOrPath, int size);

} // namespace morvelan
