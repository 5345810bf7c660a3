#include "occluder_depth.h"

#include <algorithm>

OccluderDepth::OccluderDepth(int width, int height, const std::vector<float>& depthFromBottom)
    : width_(std::max(width, 0)), height_(std::max(height, 0))
{
    const std::size_t w = std::size_t(width_), h = std::size_t(height_);
    depth_.assign(w * h, 1.0f);
    if (depthFromBottom.size() != w * h)
        return;
    for (std::size_t y = 0; y < h; ++y)
        std::copy_n(&depthFromBottom[(h - 1 - y) * w], w, &depth_[y * w]);
}

bool OccluderDepth::visible(double x, double y, double depth) const
{
    if (!(x >= 0.0 && y >= 0.0 && x < width_ && y < height_))
        return false;
    const std::size_t px = std::size_t(x), py = std::size_t(y);
    return depth <= double(depth_[py * std::size_t(width_) + px]) + tolerance;
}
