// Grids sampled from surfaces given in the frame the terrain is drawn in:
// x = column x cellSize x eastWestRatio, y = row x cellSize and z in metres
// as drawn, which is the height times exaggeration / 0.9.
#ifndef DRAWN_SURFACE_H
#define DRAWN_SURFACE_H

#include "jgrid.h"
#include "test_grid.h"

#include <functional>

struct DrawnSpacing {
    float cellSize = 1.0f;
    float eastWestRatio = 1.0f;
    float exaggeration = 1.0f;

    double x(unsigned c) const { return c * double(cellSize) * eastWestRatio; }
    double y(unsigned r) const { return r * double(cellSize); }
};

inline void fillDrawnSurface(JGrid& g, unsigned w, unsigned h, const DrawnSpacing& s,
                             const std::function<double(double, double)>& z)
{
    fillTestGrid(g, w, h, s.cellSize,
                 [&](unsigned r, unsigned c) { return float(z(s.x(c), s.y(r)) * 0.9 / s.exaggeration); });
    g.eastWestRatio = s.eastWestRatio;
    g.verticalExaggeration = s.exaggeration;
}

#endif
