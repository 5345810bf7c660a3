#include "void_mask.h"

#include "stop_request.h"

#include <algorithm>
#include <cmath>
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

// One level of the fill pyramid: sums of valid values and their counts.
struct FillLevel {
    std::size_t rows = 0;
    std::size_t cols = 0;
    std::vector<double> value; // mean of the valid samples below, where count > 0
    std::vector<std::uint32_t> count;
};

// The next level of rows x cols cells whose values and validity come from
// value(i) and has(i), i = r x cols + c.
template <class Value, class Has>
FillLevel halve(std::size_t rows, std::size_t cols, Value value, Has has)
{
    FillLevel coarse;
    coarse.rows = (rows + 1) / 2;
    coarse.cols = (cols + 1) / 2;
    std::vector<double> sum(coarse.rows * coarse.cols, 0.0);
    coarse.count.assign(coarse.rows * coarse.cols, 0);
    for (std::size_t r = 0; r < rows && !stopRequested(); ++r) {
        for (std::size_t c = 0; c < cols; ++c) {
            const std::size_t i = r * cols + c;
            if (!has(i))
                continue;
            const std::size_t j = (r / 2) * coarse.cols + c / 2;
            sum[j] += value(i);
            ++coarse.count[j];
        }
    }
    coarse.value.resize(sum.size());
    for (std::size_t j = 0; j < sum.size(); ++j)
        coarse.value[j] = coarse.count[j] ? sum[j] / coarse.count[j] : 0.0;
    return coarse;
}

bool complete(const FillLevel& level)
{
    return std::find(level.count.begin(), level.count.end(), 0u) == level.count.end();
}

} // namespace

void fillVoids(FloatArray2D& heights, const ValidMask& valid)
{
    if (valid.empty() || heights.empty() || countVoids(valid) == valid.size())
        return;
    // The first level is made from the heights and the mask themselves.
    const float* h = heights.data();
    const std::uint8_t* v = valid.data();
    std::vector<FillLevel> pyramid;
    pyramid.push_back(halve(
        heights.rows(), heights.cols(), [h](std::size_t i) { return double(h[i]); },
        [v](std::size_t i) { return v[i] != 0; }));
    while (!complete(pyramid.back())) {
        if (stopRequested())
            return; // the levels are incomplete; the stopped work drops the heights
        const FillLevel& fine = pyramid.back();
        pyramid.push_back(halve(
            fine.rows, fine.cols, [&fine](std::size_t i) { return fine.value[i]; },
            [&fine](std::size_t i) { return fine.count[i] != 0; }));
    }
    // Down the pyramid: every empty cell takes its parent's value.
    if (stopRequested())
        return;
    for (std::size_t k = pyramid.size() - 1; k-- > 0;) {
        FillLevel& fine = pyramid[k];
        const FillLevel& coarse = pyramid[k + 1];
        for (std::size_t r = 0; r < fine.rows; ++r)
            for (std::size_t c = 0; c < fine.cols; ++c)
                if (fine.count[r * fine.cols + c] == 0)
                    fine.value[r * fine.cols + c] = coarse.value[(r / 2) * coarse.cols + c / 2];
    }
    // Whole numbers: a fill with few significant bits lets the filters of
    // coarsening and refining add and subtract it without rounding, so the
    // valid samples near a void come back bit for bit, as they do elsewhere.
    const FillLevel& first = pyramid.front();
    for (std::size_t r = 0; r < heights.rows(); ++r)
        for (std::size_t c = 0; c < heights.cols(); ++c)
            if (valid[r][c] == 0)
                heights[r][c] = static_cast<float>(std::round(first.value[(r / 2) * first.cols + c / 2]));
}
