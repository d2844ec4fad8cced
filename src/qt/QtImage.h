// QtImage: conversions between the core's ARGB images and QImage.
#pragma once

#include "core/platform/Image.h"

#include <QImage>

namespace morvelan {

// A null QImage for a null or empty image.
QImage toQImage(const ImageRef& image);
// Null for a null QImage.
ImageRef fromQImage(const QImage& image);

} // namespace morvelan
