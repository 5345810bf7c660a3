// The filter passes of one level of reverse subdivision and of refinement
// with details, without the bookkeeping of the grid operations around them
// (checks, console lines, normals, statistics). reverseSubdivide and
// subdivideWithDetails call them; so do the benchmarks, to time the passes
// alone.
#ifndef MULTIRES_PASSES_H
#define MULTIRES_PASSES_H

#include "jgrid.h"

struct ReverseLevel {
    FloatArray2D heightDetails; // He/2 - 1 rows x We columns
    FloatArray2D widthDetails;  // He/2 + 1 rows x We/2 - 1 columns
    FloatArray2D coarse;        // He/2 + 1 rows x We/2 + 1 columns
};

// One level of reverse subdivision of the leading He x We samples of fine,
// He and We being its row and column counts rounded down to even; both must
// be at least 10.
ReverseLevel reverseSubdivisionPasses(const FloatArray2D& fine);

// One level of refinement with details of an m x w coarse grid (m, w >= 5):
// the rows first with the width details (at least m rows of w-2), then the
// columns with the height details (at least m-2 rows of 2w-2). Gives
// 2m-2 rows of 2w-2 samples, in an array of `rows` x `cols` where those are
// larger (the rest left unwritten for the caller).
FloatArray2D subdivisionWithDetailsPasses(const FloatArray2D& coarse, const FloatArray2D& widthDetails,
                                          const FloatArray2D& heightDetails, std::size_t rows = 0,
                                          std::size_t cols = 0);

#endif
