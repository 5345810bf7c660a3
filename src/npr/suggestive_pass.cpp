#include "suggestive_pass.h"

#include "bulk_memory.h"

bool SuggestivePass::update(const SurfaceCurvature& curvature, const ValidMask& valid,
                            std::span<const gmVec3> vertices, const SurfaceEye& eye, double sliderValue)
{
    if (curvature.samples.empty()) {
        // The lines come with the curvature; the eye is kept for them.
        eye_ = eye;
        sliderValue_ = sliderValue;
        valid_ = false;
        const bool held = contours_.pointCount() + highlights_.pointCount() > 0;
        contours_.clear();
        highlights_.clear();
        return held;
    }
    if (valid_ && eye_ && *eye_ == eye && sliderValue == sliderValue_)
        return false;
    eye_ = eye;
    sliderValue_ = sliderValue;
    valid_ = true;
    // A void has no curvature, so its faces have no lines whatever the mask.
    static const ValidMask noMask;
    const std::size_t w = curvature.width, h = curvature.height;
    const MeshGrid mesh(w, h, valid.rows() == h && valid.cols() == w ? valid : noMask);
    if (!computeRadialCurvature(curvature, vertices, eye, radial_)
        || !buildSuggestiveFamilies(radial_, mesh, vertices, sliderValue, contours_, highlights_)) {
        contours_.clear();
        highlights_.clear();
    }
    return true;
}

void SuggestivePass::release()
{
    releaseBulk(radial_.value);
    releaseBulk(radial_.test);
    releaseBulk(radial_.facing);
    radial_.pieces = LineFamily();
    contours_ = LineFamily();
    highlights_ = LineFamily();
    valid_ = false;
}
