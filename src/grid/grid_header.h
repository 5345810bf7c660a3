// The text header shared by ASCII grids and float-grid header files.
//
// Keys are read by keyword, case-insensitive and in any order; an ASCII
// grid's header ends where a number stands in place of a keyword. A header
// without any ncols/nrows keyword is read by position instead: token 2 is the
// number of columns, token 4 the number of rows, token 10 the cell size in
// degrees, and an ASCII grid's heights start at token 15.
#ifndef GRID_HEADER_H
#define GRID_HEADER_H

#include "georeference.h"
#include "grid_spacing.h"
#include "grid_tokens.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

enum class GridFileKind { asciiGrid, floatGridHeader };

// How the bands of a float grid's data file are interleaved.
enum class Interleave { bil, bip, bsq };

struct GridHeader {
    // Asked for by the user before the file is read: the north-south spacing
    // in metres, replacing what the file says.
    std::optional<float> requestedCellSize;

    unsigned width = 0;
    unsigned height = 0;
    std::optional<float> cellSize; // north-south, metres; none when the file gives none
    float eastWestRatio = 1.0f;    // east-west spacing / north-south spacing
    std::optional<Georeference> georeference; // of the samples as held: north up
    Orientation orientation;       // flips that bring the file's samples north up
    // The heights' unit in metres and its name (empty for metres).
    double heightMetresPerUnit = 1.0;
    std::string heightUnit;
    std::optional<float> noData; // the header's no-data value
    // Float grids: the samples' byte order and where band 1 lies in the file.
    bool bigEndian = false;
    std::uint64_t skipBytes = 0;
    std::uint64_t bands = 1;
    Interleave interleave = Interleave::bil;
    std::optional<std::uint64_t> bandRowBytes;
    std::optional<std::uint64_t> totalRowBytes;
};

// At least 2 x 2 and at most JGrid::maxSamples samples, or a message.
bool checkGridSize(long long columns, long long rows, const char* file);

// Takes the spacing and the heights' unit of `ref` into `header` (through
// groundSpacing, with the header's requested cell size) and prints the
// cell-size line; false after a message when the spacing is unusable.
bool applyGroundReference(const GroundReference& ref, const QString& fileName, GridHeader& header);

// Reads the header from `tokens` and checks it: dimensions present, at least
// 2 x 2 and at most JGrid::maxSamples samples, a cell size above 0 where one
// is given, and for float grids 32-bit float samples. The spacing comes from
// the header and a .prj file beside `dataFile`. On success prints the
// cell-size line and leaves `tokens` at the first height of an ASCII grid;
// otherwise prints why and returns false. A float-grid header keyword that
// this reader does not use is reported and ignored; in an ASCII grid it makes
// the header unreadable.
bool readGridHeader(TokenReader& tokens, GridFileKind kind, const QString& fileName, const QString& dataFile,
                    GridHeader& header);

#endif
