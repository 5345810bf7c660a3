// Height bands of the shaded surface: which material colour a sample gets.
#ifndef SURFACE_MATERIAL_H
#define SURFACE_MATERIAL_H

#include <array>

using MaterialColour = std::array<float, 4>;

// Colour of a sample of height h on a grid with the given statistics; range
// is maxHeight - averageHeight of the grid that was drawn first.
const MaterialColour& materialForHeight(float h, float averageHeight, float minHeight, float range);

#endif
