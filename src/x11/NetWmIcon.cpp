// NetWmIcon: picks one image out of a window's _NET_WM_ICON list.
#include "x11/NetWmIcon.h"

#include <cstdlib>

namespace morvelan {

ImageRef bestIcon(const std::vector<std::uint32_t>& cardinals, int size) {
    constexpr std::uint32_t maxSide = 4096; // larger values are garbage, not icons
    std::size_t bestAt = 0;
    std::uint32_t bestW = 0, bestH = 0;
    long bestDistance = 0;
    std::size_t i = 0;
    while (i + 2 <= cardinals.size()) {
        const std::uint32_t w = cardinals[i], h = cardinals[i + 1];
        if (w == 0 || h == 0 || w > maxSide || h > maxSide) break;
        const std::size_t pixels = std::size_t{w} * h;
        if (cardinals.size() - i - 2 < pixels) break;
        const long side = static_cast<long>(w > h ? w : h);
        const long distance = std::labs(side - size);
        const long bestSide = static_cast<long>(bestW > bestH ? bestW : bestH);
        if (bestW == 0 || distance < bestDistance ||
            (distance == bestDistance && side > bestSide)) {
            bestAt = i + 2;
            bestW = w;
            bestH = h;
            bestDistance = distance;
        }
        i += 2 + pixels;
    }
    if (bestW == 0) return nullptr;
    auto image = std::make_shared<Image>();
    image->width = static_cast<int>(bestW);
    image->height = static_cast<int>(bestH);
    const auto first = cardinals.begin() + static_cast<std::ptrdiff_t>(bestAt);
    image->argb.assign(first, first + static_cast<std::ptrdiff_t>(std::size_t{bestW} * bestH));
    return image;
}

} // namespace morvelan
