// Fractional-Brownian refinement by midpoint displacement, and decimation,
// its way back. Each level keeps every sample and puts between neighbours
// their mean plus a normal deviate times the level's deviation, which starts
// at the grid's own midpoint residual deviation and shrinks by 0.45 a level.
#include "grid_change.h"
#include "void_levels.h"
#include "normal_random.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// Columns whose deviates are drawn together in the vertical pass: the draws
// must run down one column after another, the grid is written row by row.
constexpr std::size_t columnBlock = 32;

float displacedMean(float a, float b, float deviate, double s)
{
    return static_cast<float>((static_cast<double>(a) + static_cast<double>(b)) / 2.0
                              + static_cast<double>(deviate) * s);
}

// Vertical pass: h rows become 2h-1; the deviates are drawn column by column,
// from the left, each column from the top. deviates holds columnBlock x (h-1).
void displaceColumns(const FloatArray2D& in, FloatArray2D& out, std::vector<float>& deviates, double s,
                     NormalRandom& random)
{
    const std::size_t h = in.rows();
    const std::size_t w = in.cols();
    const std::size_t gaps = h - 1;
    for (std::size_t first = 0; first < w && !stopRequested(); first += columnBlock) {
        const std::size_t count = std::min(columnBlock, w - first);
        for (std::size_t j = 0; j < count; ++j)
            for (std::size_t i = 0; i < gaps; ++i)
                deviates[j * gaps + i] = random.gaussian();
        for (std::size_t i = 0; i < gaps; ++i) {
            const float* above = in[i].data() + first;
            const float* below = in[i + 1].data() + first;
            std::copy_n(above, count, out[2 * i].data() + first);
            float* between = out[2 * i + 1].data() + first;
            for (std::size_t j = 0; j < count; ++j)
                between[j] = displacedMean(above[j], below[j], deviates[j * gaps + i], s);
        }
        std::copy_n(in[h - 1].data() + first, count, out[2 * h - 2].data() + first);
    }
}

// Horizontal pass: w columns become 2w-1; deviates drawn row by row, each
// row from the left.
void displaceRows(const FloatArray2D& in, FloatArray2D& out, double s, NormalRandom& random)
{
    const std::size_t w = in.cols();
    for (std::size_t r = 0; r < in.rows() && !stopRequested(); ++r) {
        const auto row = in[r];
        const auto fine = out[r];
        for (std::size_t j = 0; j + 1 < w; ++j) {
            fine[2 * j] = row[j];
            fine[2 * j + 1] = displacedMean(row[j], row[j + 1], random.gaussian(), s);
        }
        fine[2 * w - 2] = row[w - 1];
    }
}

// Calls visit with every midpoint residual in order: for each even row and
// even column with two samples beyond it, the horizontal residual, then the
// vertical one. Residuals are computed in float, as they are stored.
template <class Visit>
void forEachResidual(const FloatArray2D& h, const ValidMask& valid, Visit visit)
{
    const auto ok = [&](std::size_t r, std::size_t c) { return isValidAt(valid, r, c); };
    for (std::size_t i = 0; i + 2 < h.rows(); i += 2) {
        const auto row = h[i];
        const auto next = h[i + 1];
        const auto second = h[i + 2];
        for (std::size_t j = 0; j + 2 < h.cols(); j += 2) {
            // Only residuals of valid samples: voids hold filled values.
            if (valid.empty() || (ok(i, j) && ok(i, j + 1) && ok(i, j + 2)))
                visit((row[j] + row[j + 2]) / 2.0f - row[j + 1]);
            if (valid.empty() || (ok(i, j) && ok(i + 1, j) && ok(i + 2, j)))
                visit((row[j] + second[j]) / 2.0f - next[j]);
        }
    }
}

} // namespace

float JGrid::residualStdDev()
{
    if (!hasSamples(*this, 3)) {
        std::printf("no midpoint residuals: the grid has fewer than 3 rows or columns\n");
        return 0.0f;
    }
    double sum = 0.0;
    std::size_t count = 0;
    forEachResidual(heights, valid, [&](float r) {
        sum += r;
        ++count;
    });
    if (count == 0) {
        std::printf("no midpoint residuals: no three valid samples in a row\n");
        return 0.0f;
    }
    const double mean = sum / static_cast<double>(count);
    std::printf("the mean difference is %1.3f\n", mean);
    double squares = 0.0;
    forEachResidual(heights, valid, [&](float r) { squares += (r - mean) * (r - mean); });
    const double deviation = std::sqrt(squares / static_cast<double>(count));
    std::printf("the standard deviation is %1.5f\n", deviation);
    return static_cast<float>(deviation);
}

bool JGrid::subdivideBrownian()
{
    const char* operation = "refine by fractional brownian subdivision";
    if (!requireSamples(*this, 2, operation)
        || !fitsSampleLimit(2 * std::uint64_t(width) - 1, 2 * std::uint64_t(height) - 1, operation))
        return false;
    const std::size_t w = width;
    const std::size_t h = height;
    FloatArray2D vertical;
    std::vector<float> deviates;
    GridArrays fine;
    const bool built = buildLevel(fine, [&] {
        vertical = FloatArray2D::forOverwrite(2 * h - 1, w);
        deviates.resize(columnBlock * (h - 1));
        fine.valid = midpointMask(valid);
        return FloatArray2D::forOverwrite(2 * h - 1, 2 * w - 1);
    });
    if (!built)
        return false;

    if (!(stdDev > 0.0f)) {
        stdDev = residualStdDev();
        if (!(cellSize > 0.0f))
            cellSize = 1280.0f;
        if (!(stdDev >= 0.2f))
            stdDev = 300.0f;
    } else {
        stdDev = 0.45f * stdDev;
    }
    std::printf("Performing one level of subdivision with fractional brownian with std dev of %1.3f (%1.3f)\n",
                stdDev, stdDev);
    const double s = stdDev;
    NormalRandom& random = sharedNormalRandom();
    random.seedGaussian(1);
    clearDetails();

    displaceColumns(heights, vertical, deviates, s, random);
    printSizeChange(unsigned(w), unsigned(2 * w - 1), unsigned(h), unsigned(2 * h - 1));
    displaceRows(vertical, fine.heights, s, random);
    if (stopRequested())
        return false; // the passes gave up: the stopped work drops this grid
    adoptSamples(*this, std::move(fine));
    std::printf("\tg is now %i X %i\n", int(width), int(height));
    refreshNormalsAndStatistics(*this, true);
    scaleSpacing(*this, 0.5f, 0.25);
    const float residual = residualStdDev();
    std::printf("Done! - residual Standard Deviation is %1.3f\n", residual);
    return true;
}

bool JGrid::decimate()
{
    if (!requireSamples(*this, 4, "decimate"))
        return false;
    // Samples 0, 2, 4, ... of each side, the last one included: decimation
    // takes a Brownian refinement (2n-1 samples) back to its n.
    const std::size_t w = (std::size_t(width) + 1) / 2;
    const std::size_t h = (std::size_t(height) + 1) / 2;
    GridArrays kept;
    const bool built = buildLevel(kept, [&] {
        FloatArray2D samples(h, w);
        for (std::size_t r = 0; r < h; ++r) {
            const auto from = heights[2 * r];
            const auto to = samples[r];
            for (std::size_t c = 0; c < w; ++c)
                to[c] = from[2 * c];
        }
        kept.valid = decimateMask(valid);
        return samples;
    });
    if (!built)
        return false;
    clearDetails();
    printSizeChange(width, unsigned(w), height, unsigned(h));
    adoptSamples(*this, std::move(kept));
    stdDev *= 2.0f;
    scaleSpacing(*this, 2.0f, -0.5);
    refreshNormalsAndStatistics(*this, false);
    return true;
}
