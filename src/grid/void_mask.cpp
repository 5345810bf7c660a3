#include "void_mask.h"

#include "stop_request.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

std::uint64_t countVoids(const ValidMask& valid)
{
    return std::uint64_t(std::count(valid.data(), valid.data() + valid.size(), std::uint8_t(0)));
}

ValidMask maskOf(const FloatArray2D& heights, float noData)
{
    const std::size_t n = heights.size();
    const float* h = heights.data();
    std::size_t first = 0;
    while (first < n && h[first] != noData && std::isfinite(h[first]))
        ++first;
    if (first == n)
        return {};
    ValidMask valid(heights.rows(), heights.cols(), 1);
    std::uint8_t* v = valid.data();
    for (std::size_t i = first; i < n; ++i)
        v[i] = h[i] != noData && std::isfinite(h[i]);
    return valid;
}

namespace {

// A level of the fill pyramid above the first: per cell, the mean of the
// values of the cells below it that have one, and how many of its (at most
// four) cells below have one.
struct FillLevel {
    std::size_t rows = 0;
    std::size_t cols = 0;
    std::vector<double> value; // where count > 0
    std::vector<std::uint8_t> count;

    FillLevel(std::size_t belowRows, std::size_t belowCols)
        : rows((belowRows + 1) / 2), cols((belowCols + 1) / 2), value(rows * cols, 0.0), count(rows * cols, 0)
    {
    }
    // Adds a cell below, at (r, c) of the level below, with its value.
    void add(std::size_t r, std::size_t c, double v)
    {
        const std::size_t j = (r / 2) * cols + c / 2;
        value[j] += v;
        ++count[j];
    }
    // Turns the sums into means.
    void average()
    {
        for (std::size_t j = 0; j < value.size(); ++j)
            if (count[j])
                value[j] /= count[j];
    }
    bool complete() const { return std::find(count.begin(), count.end(), 0) == count.end(); }
};

// A row of the first level, never stored: the 2 x 2 blocks of samples of
// rows 2 br and 2 br + 1 (one row at an odd grid's end).
struct BlockRow {
    const float* heights[2];
    const std::uint8_t* valid[2];
    int rows;
    std::size_t cols;

    BlockRow(const FloatArray2D& h, const ValidMask& v, std::size_t br) : rows(2 * br + 1 < h.rows() ? 2 : 1), cols(h.cols())
    {
        for (int k = 0; k < 2; ++k) {
            const std::size_t r = 2 * br + std::size_t(k < rows ? k : 0);
            heights[k] = h.data() + r * cols;
            valid[k] = v.data() + r * cols;
        }
    }
    // Sum and count of the valid samples of block bc, added in row order. An
    // invalid sample adds 0, which leaves the sum as it is: no branches.
    std::pair<double, unsigned> sum(std::size_t bc) const
    {
        const std::size_t c = 2 * bc;
        const bool two = c + 1 < cols;
        double s = 0.0;
        unsigned n = 0;
        for (int k = 0; k < rows; ++k) {
            s += valid[k][c] ? double(heights[k][c]) : 0.0;
            n += valid[k][c];
            if (two) {
                s += valid[k][c + 1] ? double(heights[k][c + 1]) : 0.0;
                n += valid[k][c + 1];
            }
        }
        return {s, n};
    }
    bool allValid(std::size_t bc) const
    {
        const std::size_t c = 2 * bc, last = std::min(c + 1, cols - 1);
        return valid[0][c] & valid[0][last] & valid[rows - 1][c] & valid[rows - 1][last];
    }
    bool anyVoid() const
    {
        for (int k = 0; k < rows; ++k)
            if (std::memchr(valid[k], 0, cols))
                return true;
        return false;
    }
};

} // namespace

void fillVoids(FloatArray2D& heights, const ValidMask& valid)
{
    if (valid.empty() || heights.empty() || countVoids(valid) == valid.size())
        return;
    const std::size_t blockRows = (heights.rows() + 1) / 2, blockCols = (heights.cols() + 1) / 2;
    const auto emptyBlockIn = [&](std::size_t br) {
        const BlockRow row(heights, valid, br);
        for (std::size_t bc = 0; row.anyVoid() && bc < blockCols; ++bc)
            if (row.sum(bc).second == 0)
                return true;
        return false;
    };
    // The levels above the blocks, while a level has cells with nothing
    // below; only where a whole block is void is the second level needed.
    std::vector<FillLevel> pyramid;
    std::size_t br = 0;
    while (br < blockRows && !emptyBlockIn(br))
        ++br;
    if (br < blockRows) {
        FillLevel second(blockRows, blockCols);
        for (br = 0; br < blockRows; ++br) {
            if (stopRequested())
                return; // the stopped work drops the heights
            const BlockRow row(heights, valid, br);
            for (std::size_t bc = 0; bc < blockCols; ++bc)
                if (const auto [s, n] = row.sum(bc); n > 0)
                    second.add(br, bc, s / n);
        }
        second.average();
        pyramid.push_back(std::move(second));
    }
    while (!pyramid.empty() && !pyramid.back().complete()) {
        if (stopRequested())
            return;
        const FillLevel& fine = pyramid.back();
        FillLevel coarse(fine.rows, fine.cols);
        for (std::size_t r = 0; r < fine.rows; ++r)
            for (std::size_t c = 0; c < fine.cols; ++c)
                if (fine.count[r * fine.cols + c])
                    coarse.add(r, c, fine.value[r * fine.cols + c]);
        coarse.average();
        pyramid.push_back(std::move(coarse));
    }
    // Down the pyramid: every empty cell takes its parent's value.
    for (std::size_t k = pyramid.size(); k-- > 1;) {
        FillLevel& fine = pyramid[k - 1];
        const FillLevel& coarse = pyramid[k];
        for (std::size_t r = 0; r < fine.rows; ++r)
            for (std::size_t c = 0; c < fine.cols; ++c)
                if (fine.count[r * fine.cols + c] == 0)
                    fine.value[r * fine.cols + c] = coarse.value[(r / 2) * coarse.cols + c / 2];
    }
    // Each void takes its block's mean, or the value above an empty block.
    // Whole numbers: a fill with few significant bits lets the filters of
    // coarsening and refining add and subtract it without rounding, so the
    // valid samples near a void come back bit for bit, as they do elsewhere.
    for (br = 0; br < blockRows; ++br) {
        const BlockRow row(heights, valid, br);
        if (!row.anyVoid())
            continue;
        if (stopRequested())
            return;
        for (std::size_t bc = 0; bc < blockCols; ++bc) {
            if (row.allValid(bc))
                continue;
            const auto [s, n] = row.sum(bc);
            const FillLevel* second = pyramid.empty() ? nullptr : &pyramid.front();
            const double mean = n > 0 ? s / n : second->value[(br / 2) * second->cols + bc / 2];
            const float fill = static_cast<float>(std::round(mean));
            for (std::size_t r = 2 * br; r < 2 * br + std::size_t(row.rows); ++r)
                for (std::size_t c = 2 * bc; c < std::min(2 * bc + 2, heights.cols()); ++c)
                    if (valid[r][c] == 0)
                        heights[r][c] = fill;
        }
    }
}
