// XcbPtr: owns one reply, event or error that xcb allocated with malloc.
#pragma once

#include <cstdlib>
#include <memory>

namespace morvelan {

struct XcbFree {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using XcbPtr = std::unique_ptr<T, XcbFree>;

} // namespace morvelan
