#include "void_levels.h"

#include <algorithm>

namespace {

// Applies cell(r, c) to every position of a rows x cols mask; empty when no
// position is void.
template <class Cell>
ValidMask makeMask(std::size_t rows, std::size_t cols, Cell cell)
{
    ValidMask out(rows, cols, 1);
    bool anyVoid = false;
    for (std::size_t r = 0; r < rows; ++r) {
        const auto row = out[r];
        for (std::size_t c = 0; c < cols; ++c) {
            row[c] = cell(r, c) ? 1 : 0;
            anyVoid |= row[c] == 0;
        }
    }
    if (!anyVoid)
        out.clear();
    return out;
}

} // namespace

ValidMask coarsenMask(const ValidMask& fine, std::size_t rows, std::size_t cols)
{
    if (fine.empty() || rows < 2 || cols < 2)
        return {};
    const auto fineIndex = [](std::size_t i, std::size_t n, int k) {
        return std::min(n - 1, k == 0 ? (i == 0 ? 0 : 2 * i - 1) : 2 * i);
    };
    return makeMask(rows / 2 + 1, cols / 2 + 1, [&](std::size_t r, std::size_t c) {
        int validCount = 0;
        for (int dr = 0; dr < 2; ++dr)
            for (int dc = 0; dc < 2; ++dc)
                validCount += fine[fineIndex(r, rows, dr)][fineIndex(c, cols, dc)] != 0;
        return validCount >= 2;
    });
}

ValidMask refineMask(const ValidMask& coarse)
{
    if (coarse.empty())
        return {};
    return makeMask(2 * coarse.rows() - 2, 2 * coarse.cols() - 2,
                    [&](std::size_t r, std::size_t c) { return coarse[(r + 1) / 2][(c + 1) / 2] != 0; });
}

ValidMask midpointMask(const ValidMask& coarse)
{
    if (coarse.empty())
        return {};
    return makeMask(2 * coarse.rows() - 1, 2 * coarse.cols() - 1, [&](std::size_t r, std::size_t c) {
        return coarse[r / 2][c / 2] && coarse[(r + 1) / 2][c / 2] && coarse[r / 2][(c + 1) / 2]
               && coarse[(r + 1) / 2][(c + 1) / 2];
    });
}

ValidMask decimateMask(const ValidMask& fine)
{
    if (fine.empty())
        return {};
    return makeMask((fine.rows() + 1) / 2, (fine.cols() + 1) / 2,
                    [&](std::size_t r, std::size_t c) { return fine[2 * r][2 * c] != 0; });
}

ValidMask resizeMask(const ValidMask& mask, std::size_t rows, std::size_t cols)
{
    if (mask.empty() || rows == 0 || cols == 0)
        return {};
    return makeMask(rows, cols, [&](std::size_t r, std::size_t c) {
        return mask[std::min(r, mask.rows() - 1)][std::min(c, mask.cols() - 1)] != 0;
    });
}
