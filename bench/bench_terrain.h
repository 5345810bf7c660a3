// A terrain with relief for the line-drawing benchmarks: rolling hills with
// ridges and a little roughness, 30 m cells, heights 200 to 800 m.
#ifndef BENCH_TERRAIN_H
#define BENCH_TERRAIN_H

#include "jgrid.h"

#include <cmath>

inline void fillReliefTerrain(JGrid& g, unsigned side)
{
    g.resize(side, side);
    for (unsigned r = 0; r < side; ++r)
        for (unsigned c = 0; c < side; ++c)
            g.heights[r][c] = float(500.0 + 250.0 * std::sin(r * 0.011) * std::cos(c * 0.017)
                                    + 40.0 * std::sin((r + 2 * c) * 0.09) + (r * 31 + c * 17) % 7);
    g.updateStatistics();
    g.calcNormals();
    g.cellSize = 30.0f;
    g.loaded = true;
}

#endif
