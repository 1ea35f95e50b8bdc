#include "transform.h"

namespace cut {

std::uint32_t tiledFlags(Transform t) {
    std::uint32_t flags = 0;
    if (t & kFlipH)
        flags |= kTiledFlipH;
    if (t & kFlipV)
        flags |= kTiledFlipV;
    if (t & kFlipD)
        flags |= kTiledFlipD;
    return flags;
}

} // namespace cut
