// One level of the detail stack: everything reverse subdivision leaves
// behind so that refinement gives the finer grid back bit for bit. The grid
// keeps one per coarsening, the most recent (the coarsest) last; the viewer,
// its background work and hypsa-grid share this one stack.
#ifndef DETAIL_LEVEL_H
#define DETAIL_LEVEL_H

#include "void_mask.h"

#include <cstdint>
#include <utility>
#include <vector>

struct DetailLevel {
    DetailLevel() = default;
    DetailLevel(FloatArray2D height, FloatArray2D width = {})
        : heightDetails(std::move(height)), widthDetails(std::move(width))
    {
    }

    // For a level whose coarse grid has c columns and r rows:
    FloatArray2D heightDetails; // r-2 rows of 2c-2
    FloatArray2D widthDetails;  // r rows of c-2

    // The finer grid's size: the even sizes the details give (2c-2 by 2r-2),
    // or one more on a side that was odd. 0: the even size.
    std::uint32_t fineWidth = 0;
    std::uint32_t fineHeight = 0;
    // What coarsening leaves out of an odd side: every row's last sample
    // when fineWidth is odd; the last row, up to the even width, when
    // fineHeight is odd.
    std::vector<float> lastColumn;
    std::vector<float> lastRow;
    // The finer grid's voids, at its size; empty when it had none.
    ValidMask fineValid;
    // The coarse grid's heights at its voids, row by row. Refinement needs
    // exactly these values there; a file that marks the voids as no-data
    // does not keep them.
    std::vector<float> coarseFill;

    std::uint32_t fineColumns() const { return fineWidth ? fineWidth : std::uint32_t(heightDetails.cols()); }
    std::uint32_t fineRows() const { return fineHeight ? fineHeight : std::uint32_t(2 * heightDetails.rows() + 2); }

    bool operator==(const DetailLevel&) const = default;
};

#endif
