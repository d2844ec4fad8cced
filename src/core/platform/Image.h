// Image: a small premultiplied-free ARGB32 bitmap handed from the host to the drawing code.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace morvelan {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb; // row-major, 0xAARRGGBB, straight alpha
};

using ImageRef = std::shared_ptr<const Image>;

} // namespace morvelan
