// The suggestive contours and highlights of the drawn mesh, as the view keeps
// them between frames: computed anew only when the eye, the threshold or the
// mesh changed, as the silhouette classification is (line_pass.h).
#ifndef SUGGESTIVE_PASS_H
#define SUGGESTIVE_PASS_H

#include "line_family.h"
#include "suggestive_lines.h"
#include "surface_curvature.h"
#include "terrain_mesh.h"

#include <cstddef>
#include <optional>
#include <span>

class SuggestivePass {
public:
    // Computes the lines on the mesh of the curvature's grid (its vertices,
    // and the grid's void mask when it has the curvature's size) for the eye
    // and slider value unless they are held already; returns whether the
    // lines changed. Without curvature (it is still being measured) the pass
    // holds no lines.
    bool update(const SurfaceCurvature& curvature, const ValidMask& valid, std::span<const gmVec3> vertices,
                const SurfaceEye& eye, double sliderValue);
    // The mesh or its curvature were replaced: the next update computes.
    void meshChanged() { valid_ = false; }
    // The eye the lines are held for, in the coordinates of a new mesh; the
    // next update computes.
    void moveEye(const SurfaceEye& eye)
    {
        eye_ = eye;
        valid_ = false;
    }
    // Gives all the memory back; the next update computes.
    void release();

    const LineFamily& contours() const { return contours_; }
    const LineFamily& highlights() const { return highlights_; }
    // The eye of the lines held; none before the first update.
    const std::optional<SurfaceEye>& eye() const { return eye_; }
    std::size_t bytes() const { return radial_.bytes() + contours_.bytes() + highlights_.bytes(); }

private:
    RadialCurvature radial_;
    LineFamily contours_;
    LineFamily highlights_;
    std::optional<SurfaceEye> eye_;
    double sliderValue_ = 0.0;
    bool valid_ = false;
};

#endif
