// The validity masks of new grid levels. Coarse sample i of a reverse level
// stands for fine samples 2i-1 and 2i (clamped to the grid), in both
// directions; it is void when most of them are void. Refinement maps back the
// same way, so that fine sample k is void when coarse sample (k+1)/2 is.
// Every function gives an empty mask (no voids) for an empty one.
#ifndef VOID_LEVELS_H
#define VOID_LEVELS_H

#include "void_mask.h"

#include <cstddef>

// The coarse mask of the leading rows x cols (both even) samples of `fine`:
// rows/2+1 by cols/2+1.
ValidMask coarsenMask(const ValidMask& fine, std::size_t rows, std::size_t cols);

// The mask of a Chaikin refinement: 2m-2 by 2n-2.
ValidMask refineMask(const ValidMask& coarse);

// The mask of a midpoint refinement (2m-1 by 2n-1): a new sample is void when
// either of the samples it lies between is void.
ValidMask midpointMask(const ValidMask& coarse);

// Every second sample in both directions, the first and an odd last one
// included: ceil(m/2) by ceil(n/2).
ValidMask decimateMask(const ValidMask& fine);

// The leading rows x cols of `mask`, grown by repeating the last column and
// the last row, as adjustSize does with the heights.
ValidMask resizeMask(const ValidMask& mask, std::size_t rows, std::size_t cols);

#endif
