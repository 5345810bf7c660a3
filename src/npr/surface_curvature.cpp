#include "surface_curvature.h"

#include "bulk_memory.h"
#include "jgrid.h"
#include "local_cubic_fit.h"
#include "parallel_parts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The grid's spacing and the drawing's vertical scale, in metres.
struct Spacing {
    double x, y, z;
};

// The curvature of the graph z = f(x, y) from the derivatives of f. With
// W = sqrt(1 + fx^2 + fy^2), the metric is g = I + grad f grad f^T, the
// second fundamental form (convex positive) h = -Hess f / W, and its
// covariant derivative
//   C_ijk = -(f_ijk - (f_ij a_k + f_jk a_i + f_ki a_j) / W^2) / W,
//   a_k = fx f_xk + fy f_yk,
// symmetric in i, j, k. The principal curvatures solve det(h - k g) = 0.
CurvatureSample curvatureOf(const CubicJet& jet, const Spacing& d)
{
    const double fx = d.z * jet.zu / d.x, fy = d.z * jet.zv / d.y;
    const double fxx = d.z * jet.zuu / (d.x * d.x), fxy = d.z * jet.zuv / (d.x * d.y),
                 fyy = d.z * jet.zvv / (d.y * d.y);
    const double fxxx = d.z * jet.zuuu / (d.x * d.x * d.x), fxxy = d.z * jet.zuuv / (d.x * d.x * d.y),
                 fxyy = d.z * jet.zuvv / (d.x * d.y * d.y), fyyy = d.z * jet.zvvv / (d.y * d.y * d.y);
    const double w2 = 1.0 + fx * fx + fy * fy, w = std::sqrt(w2);
    const double g11 = 1.0 + fx * fx, g12 = fx * fy, g22 = 1.0 + fy * fy;
    const double h11 = -fxx / w, h12 = -fxy / w, h22 = -fyy / w;
    const double ax = fx * fxx + fy * fxy, ay = fx * fxy + fy * fyy;

    CurvatureSample s;
    s.slope[0] = float(fx);
    s.slope[1] = float(fy);
    s.third[0] = float(-(fxxx - 3.0 * fxx * ax / w2) / w);
    s.third[1] = float(-(fxxy - (fxx * ay + 2.0 * fxy * ax) / w2) / w);
    s.third[2] = float(-(fxyy - (fyy * ax + 2.0 * fxy * ay) / w2) / w);
    s.third[3] = float(-(fyyy - 3.0 * fyy * ay / w2) / w);

    const double mean = (h11 * g22 + h22 * g11 - 2.0 * h12 * g12) / (2.0 * w2);
    const double gauss = (h11 * h22 - h12 * h12) / w2;
    const double half = std::sqrt(std::max(mean * mean - gauss, 0.0));
    const double k1 = mean + half;
    s.k1 = float(k1);
    s.k2 = float(mean - half);

    // The direction of k1 solves (h - k1 g) u = 0: take it from the row of
    // that matrix that is further from zero; at an umbilic, any direction.
    const double a = h11 - k1 * g11, b = h12 - k1 * g12, c = h22 - k1 * g22;
    double ux = -b, uy = a;
    if (b * b + c * c > a * a + b * b) {
        ux = -c;
        uy = b;
    }
    if (!(ux * ux + uy * uy > 0.0)) {
        ux = 1.0;
        uy = 0.0;
    }
    const double length = std::sqrt(g11 * ux * ux + 2.0 * g12 * ux * uy + g22 * uy * uy);
    const double sign = ux < 0.0 || (ux == 0.0 && uy < 0.0) ? -1.0 : 1.0;
    s.dir1[0] = float(sign * ux / length);
    s.dir1[1] = float(sign * uy / length);
    s.dk1 = float(thirdOrder(s, firstDirection(s)));
    s.dk2 = float(thirdOrder(s, secondDirection(s)));
    return s;
}

// Fits the samples of rows [first, end).
void fitRows(const JGrid& grid, const Spacing& d, std::size_t first, std::size_t end, SurfaceCurvature& out)
{
    const std::size_t w = grid.width, h = grid.height;
    const bool masked = !grid.valid.empty();
    std::array<double, fitWindowSamples> z;
    std::array<bool, fitWindowSamples> use;
    for (std::size_t r = first; r < end && !stopRequested(); ++r) {
        for (std::size_t c = 0; c < w; ++c) {
            const std::size_t i = r * w + c;
            out.known[i] = 0;
            if (!grid.isValid(r, c))
                continue;
            const double centre = grid.heights[r][c];
            // Most windows lie inside the grid with every sample valid.
            bool whole = r >= 2 && r + 2 < h && c >= 2 && c + 2 < w;
            for (int j = 0; whole && j < fitWindowSide; ++j) {
                const float* heights = grid.heights[r + j - 2].data() + (c - 2);
                for (int k = 0; k < fitWindowSide; ++k)
                    z[j * fitWindowSide + k] = heights[k] - centre;
                if (masked) {
                    const std::uint8_t* valid = grid.valid[r + j - 2].data() + (c - 2);
                    for (int k = 0; k < fitWindowSide; ++k)
                        whole = whole && valid[k];
                }
            }
            for (int k = 0; !whole && k < fitWindowSamples; ++k) {
                const std::ptrdiff_t rr = std::ptrdiff_t(r) + k / fitWindowSide - 2;
                const std::ptrdiff_t cc = std::ptrdiff_t(c) + k % fitWindowSide - 2;
                use[k] = rr >= 0 && cc >= 0 && std::size_t(rr) < h && std::size_t(cc) < w
                         && (!masked || grid.valid[std::size_t(rr)][std::size_t(cc)]);
                z[k] = use[k] ? grid.heights[std::size_t(rr)][std::size_t(cc)] - centre : 0.0;
            }
            CubicJet jet;
            if (whole)
                jet = fitWholeWindow(z);
            else if (!fitPartialWindow(z, use, jet))
                continue;
            const CurvatureSample s = curvatureOf(jet, d);
            // Heights beyond the range of the arithmetic leave nothing to draw.
            if (!std::isfinite(s.k1 + s.k2 + s.dk1 + s.dk2 + s.slope[0] + s.slope[1] + s.third[0] + s.third[1]
                               + s.third[2] + s.third[3]))
                continue;
            out.samples[i] = s;
            out.known[i] = 1;
        }
    }
}

bool usable(double v)
{
    return std::isfinite(v) && v > 0.0;
}

} // namespace

void SurfaceCurvature::clear()
{
    width = height = 0;
    featureSize = 0.0f;
    releaseBulk(samples);
    releaseBulk(known);
}

bool computeSurfaceCurvature(const JGrid& grid, SurfaceCurvature& out, unsigned threads)
{
    out.clear();
    const std::size_t w = grid.width, h = grid.height;
    if (w == 0 || h == 0)
        return true;
    if (grid.heights.rows() < h || grid.heights.cols() < w
        || (!grid.valid.empty() && (grid.valid.rows() < h || grid.valid.cols() < w))) {
        std::printf("The grid's arrays are smaller than its %zu x %zu samples; no curvature is computed\n", w, h);
        return false;
    }
    const double cellSize = grid.drawingCellSize();
    const Spacing d{cellSize * double(grid.eastWestRatio), cellSize,
                    double(grid.verticalExaggeration) / 0.9};
    if (!usable(d.x) || !usable(d.y) || !usable(d.z)) {
        std::printf("No curvature for a grid with cell size %g, east-west ratio %g and exaggeration %g\n",
                    cellSize, double(grid.eastWestRatio), double(grid.verticalExaggeration));
        return false;
    }
    if (!resizeBulkUnlessStopped(out.samples, w * h) || !resizeBulkUnlessStopped(out.known, w * h)) {
        out.clear();
        return false;
    }
    out.width = std::uint32_t(w);
    out.height = std::uint32_t(h);
    out.featureSize = float(cellSize);
    const std::size_t parts = std::clamp<std::size_t>(threads, 1, h);
    runParts(parts, [&](std::size_t p) { fitRows(grid, d, h * p / parts, h * (p + 1) / parts, out); });
    return !stopRequested();
}
