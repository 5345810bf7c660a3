// hypsa-grid: loads a terrain grid and runs grid operations on it from the
// command line, for batch processing and for checking every operation from
// outside. The operations' console lines go to standard output, the tool's
// own errors to standard error.
#include "cell_size_option.h"
#include "grid_steps.h"
#include "program_options.h"

#include <cstdio>
#include <new>
#include <optional>

namespace {

constexpr char description[] =
    "Loads FILE (.grd or .asc: ASCII grid; .flt or .hdr: float grid with its .hdr\n"
    "header; any other name, and a .grd that is not an ASCII grid: every raster\n"
    "format GDAL reads, such as GeoTIFF) and runs the steps from left to right:\n"
    "  coarsen            one level of reverse subdivision\n"
    "  refine             one level of refinement with the stored details\n"
    "                     (plain Chaikin refinement when none are stored)\n"
    "  brownian           one level of fractional-Brownian refinement\n"
    "  decimate           keep every second sample\n"
    "  resize W H         crop or extend the grid to W columns and H rows (2 or more)\n"
    "  write-grd          write the grid as an ASCII grid named after FILE and its size\n"
    "  write-tif OUT      write the grid to OUT as a float32 GeoTIFF with FILE's\n"
    "                     georeferencing and no-data value, at full precision\n"
    "  write-halves       write the left and the right half as ASCII grids\n"
    "  write-details      write the detail stack as detail files, one per level\n"
    "  load-details DTL   replace the detail stack from the detail file DTL\n"
    "  stats              print one line: stats width=W height=H cellsize=C min=MIN\n"
    "                     max=MAX mean=MEAN levels=L voids=N (over valid samples)\n"
    "  save-raw OUT       write the samples to OUT as little-endian float32,\n"
    "                     row 0 first, columns fastest\n"
    "Put \"--\" before the steps when a file name or a number starts with \"-\".\n"
    "\n"
    "Exit status: 0 when every step succeeded, 1 when FILE could not be loaded or a\n"
    "step failed, 2 for a usage error.";

// The reason goes to standard error after everything the grid printed.
int failure(const std::string& reason)
{
    std::fflush(stdout);
    std::fprintf(stderr, "hypsa-grid: %s\n", reason.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    ProgramOptions options("hypsa-grid", description);
    options.parser.addPositionalArgument("FILE", "The grid file to load.");
    options.parser.addPositionalArgument("STEP", "The steps to run, with their arguments.", "[STEP ...]");
    addCellSizeOption(options.parser);
    if (const auto status = options.parse(argumentList(argc, argv)))
        return *status;
    std::optional<float> cellSize;
    if (const QString problem = readCellSize(options.parser, cellSize); !problem.isEmpty())
        return options.usageError(problem);
    const QStringList words = options.parser.positionalArguments();
    if (words.isEmpty())
        return options.usageError("no FILE given");

    // The steps keep the bytes they were given, as file names must.
    std::vector<QByteArray> bytes;
    std::vector<char*> stepWords;
    bytes.reserve(words.size());
    for (const QString& word : words.mid(1))
        stepWords.push_back(bytes.emplace_back(word.toLocal8Bit()).data());
    std::vector<Step> steps;
    std::string error;
    if (!parseSteps(stepWords, steps, error))
        return options.usageError(QString::fromStdString(error));

    JGrid grid;
    const QString& file = words.first();
    bool loaded = false;
    try {
        loaded = grid.loadFile(file, cellSize);
    } catch (const std::bad_alloc&) {
        return failure("not enough memory to load " + file.toLocal8Bit().toStdString());
    }
    if (!loaded)
        return failure("cannot load " + file.toLocal8Bit().toStdString());
    for (const Step& step : steps)
        if (!runStep(grid, step, error))
            return failure(step.word + ": " + error);
    return 0;
}
