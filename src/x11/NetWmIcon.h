// NetWmIcon: picks one image out of a window's _NET_WM_ICON list.
#pragma once

#include "core/platform/Image.h"

#include <cstdint>
#include <vector>

namespace morvelan {

// `cardinals` is the property's content: width, height, then width × height ARGB pixels,
// repeated. Returns the image whose larger side is closest to `size` (the larger image on
// a tie); null when the list holds no well-formed image.
ImageRef bestIcon(const std::vector<std::uint32_t>& cardinals, int size);

} // namespace morvelan
