// ASCII grids: a text header, then the heights as text, row 0 first and
// columns fastest. Heights are parsed in place over one buffered read.
#include "error_report.h"
#include "grid_file_io.h"
#include "grid_load.h"

#include <cstdio>

bool readAsciiGrid(const QString& fileName, LoadedSamples& samples)
{
    const FileHandle file = openTextFile(fileName);
    if (!file) {
        reportError("Error, %s was not found\n", localName(fileName).constData());
        return false;
    }
    TokenReader tokens(file.get());
    if (!readGridHeader(tokens, GridFileKind::asciiGrid, fileName, fileName, samples.header)
        || !allocateSamples(samples.header, samples.heights, fileName))
        return false;

    // Values beyond width x height are not read; a token that is not a
    // number counts as 0.0.
    samples.count = tokens.readValues(samples.heights.data(), samples.heights.size());
    return true;
}

bool JGrid::loadGRD(QString fileName)
{
    return loadGridFile(*this, fileName, "Loading ASCII Grid File\n", readAsciiGrid);
}
