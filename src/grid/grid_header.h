// The text header shared by ASCII grids and float-grid header files.
//
// Keys are read by keyword, case-insensitive and in any order; an ASCII
// grid's header ends where a number stands in place of a keyword. A header
// without any ncols/nrows keyword is read by position instead: token 2 is the
// number of columns, token 4 the number of rows, token 10 the cell size in
// degrees, and an ASCII grid's heights start at token 15.
#ifndef GRID_HEADER_H
#define GRID_HEADER_H

#include "grid_tokens.h"

#include <QString>

enum class GridFileKind { asciiGrid, floatGridHeader };

struct GridHeader {
    unsigned width = 0;
    unsigned height = 0;
    float cellSize = -1.0f; // metres; -1 when the header gives none
    bool bigEndian = false; // float grids: the samples' byte order
};

// Reads the header from `tokens` and checks it: dimensions present, at least
// 2 x 2 and at most JGrid::maxSamples samples, and for float grids 32-bit
// float samples. On success prints the cell-size line and leaves `tokens` at
// the first height of an ASCII grid; otherwise prints why and returns false.
bool readGridHeader(TokenReader& tokens, GridFileKind kind, const QString& fileName, GridHeader& header);

// A header cell size in metres: values up to 1.0 are degrees, converted at
// 108000 metres per degree in float and rounded down; larger values are
// already metres (projected grids) and are only rounded down.
float cellSizeInMetres(float headerValue);

#endif
