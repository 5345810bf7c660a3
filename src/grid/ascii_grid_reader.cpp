// ASCII grids: a text header, then the heights as text, row 0 first and
// columns fastest. Heights are parsed in place over one buffered read.
#include "error_report.h"
#include "grid_file_io.h"
#include "grid_load.h"
#include "stop_request.h"

#include <algorithm>
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
    // number counts as 0.0. Read in blocks, to see a stop request between them.
    constexpr std::size_t block = std::size_t(1) << 18;
    const std::size_t size = samples.heights.size();
    while (samples.count < size) {
        if (stopRequested())
            return false;
        const std::size_t wanted = std::min(block, size - samples.count);
        const std::size_t got = tokens.readValues(samples.heights.data() + samples.count, wanted);
        samples.count += got;
        if (got < wanted)
            break;
    }
    return true;
}

bool JGrid::loadGRD(QString fileName)
{
    return loadGridFile(*this, fileName, "Loading ASCII Grid File\n", readAsciiGrid);
}
