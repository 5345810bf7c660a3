// The depth image of the hidden-line occluder, as the view's depth buffer
// holds it after the white surface alone is drawn, and the visibility test
// of a point of a line against it.
#ifndef OCCLUDER_DEPTH_H
#define OCCLUDER_DEPTH_H

#include <cstddef>
#include <vector>

class OccluderDepth {
public:
    OccluderDepth() = default;
    // width x height window depths (1 where the surface does not reach),
    // rows from the bottom as glReadPixels returns them. A depth array of
    // another size is taken as no surface at all.
    OccluderDepth(int width, int height, const std::vector<float>& depthFromBottom);

    int width() const { return width_; }
    int height() const { return height_; }

    // Whether a point at page pixel (x, y), y from the top, with window
    // depth `depth` shows: the occluder is drawn after the lines with a
    // less-than depth test, so a fragment of a line stays unless the surface
    // in its pixel is nearer. Points off the page never show.
    bool visible(double x, double y, double depth) const;

    // The tolerance of the depth comparison, in window depth: about 16 steps
    // of a 24-bit depth buffer, the difference between the depth GL
    // interpolates for a fragment and the exact depth of the line there.
    static constexpr double tolerance = 1.0e-6;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<float> depth_; // rows from the top
};

#endif
