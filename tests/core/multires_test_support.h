// Grids for the multiresolution tests.
#ifndef MULTIRES_TEST_SUPPORT_H
#define MULTIRES_TEST_SUPPORT_H

#include "jgrid.h"

#include "support/console_capture.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace multires_test {

// A loaded w x h grid whose sample (r, c) is f(r, c).
inline void fillGrid(JGrid& g, unsigned w, unsigned h, const std::function<float(unsigned, unsigned)>& f)
{
    if (g.loaded)
        g.clear();
    g.resize(w, h);
    for (unsigned r = 0; r < h; ++r)
        for (unsigned c = 0; c < w; ++c)
            g.heights[r][c] = f(r, c);
    g.loaded = true;
}

// Uneven heights with fractions, so that no filter result is exact by chance.
inline float hilly(unsigned r, unsigned c)
{
    return float(400.0 + 120.0 * std::sin(r * 0.37) * std::cos(c * 0.23) + 7.3 * ((r * 31 + c * 17) % 11));
}

// Runs a grid operation without its console lines in the test output.
inline bool quietly(JGrid& g, bool (JGrid::*operation)())
{
    ConsoleCapture quiet;
    return (g.*operation)();
}

inline std::vector<float> columnOf(const FloatArray2D& a, std::size_t c)
{
    std::vector<float> out;
    for (std::size_t r = 0; r < a.rows(); ++r)
        out.push_back(a[r][c]);
    return out;
}

inline std::vector<float> rowOf(const FloatArray2D& a, std::size_t r)
{
    return {a[r].begin(), a[r].end()};
}

// The real terrain of data/jacksboro.flt (403 x 344 little-endian floats),
// read directly so that these tests do not depend on the grid loaders.
constexpr unsigned terrainWidth = 403;
constexpr unsigned terrainHeight = 344;

inline bool loadTerrain(JGrid& g)
{
    const std::string path = std::string(HYPSA_SOURCE_DIR) + "/data/jacksboro.flt";
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::vector<float> samples(std::size_t(terrainWidth) * terrainHeight);
    const std::size_t read = std::fread(samples.data(), sizeof(float), samples.size(), file);
    std::fclose(file);
    if (read != samples.size())
        return false;
    fillGrid(g, terrainWidth, terrainHeight, [&](unsigned r, unsigned c) { return samples[r * terrainWidth + c]; });
    return true;
}

} // namespace multires_test

#endif
