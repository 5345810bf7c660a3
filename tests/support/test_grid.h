// Fills a grid by hand as a load would leave it: heights f(row, column),
// statistics, normals, cell size, loaded.
#ifndef TEST_GRID_H
#define TEST_GRID_H

#include "jgrid.h"

#include <functional>

inline void fillTestGrid(JGrid& g, unsigned w, unsigned h, float cellSize,
                         const std::function<float(unsigned, unsigned)>& f)
{
    g.resize(w, h);
    for (unsigned r = 0; r < h; ++r)
        for (unsigned c = 0; c < w; ++c)
            g.heights[r][c] = f(r, c);
    g.updateStatistics();
    g.calcNormals();
    g.cellSize = cellSize;
    g.loaded = true;
}

#endif
