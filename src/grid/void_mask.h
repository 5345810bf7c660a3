// Voids: samples with no height. A grid with voids keeps a validity mask of
// its own size (1 valid, 0 void) and a plausible filled value at every void
// in its heights, so that every filter runs on the heights exactly as on a
// grid without voids while everything that draws or counts reads the mask.
// An empty mask means that every sample is valid.
#ifndef VOID_MASK_H
#define VOID_MASK_H

#include "array2d.h"

#include <cstdint>

using ValidMask = Array2D<std::uint8_t>;
using FloatArray2D = Array2D<float>;

// This system's own no-data value: a void in files that declare none.
constexpr float systemNoData = -9999.0f;

inline bool isValidAt(const ValidMask& valid, std::size_t r, std::size_t c)
{
    return valid.empty() || valid[r][c] != 0;
}

std::uint64_t countVoids(const ValidMask& valid);

// Gives every void a value from the valid samples around it: valid samples
// are averaged up a pyramid of halvings until every cell of a level holds
// one, and each void takes the value of the finest level that covers it.
// Valid samples keep their values. Without any valid sample nothing changes.
void fillVoids(FloatArray2D& heights, const ValidMask& valid);

// The mask of the samples of `heights` that are valid: not equal to noData,
// and finite; empty when every sample is valid.
ValidMask maskOf(const FloatArray2D& heights, float noData);

#endif
