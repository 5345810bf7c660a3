// hypsa-grid: loads a terrain grid and runs grid operations on it from the
// command line, for batch processing and for checking every operation from
// outside. The operations' console lines go to standard output, the tool's
// own errors to standard error.
#include "grid_steps.h"

#include <QFile>

#include <cstdio>
#include <cstring>

namespace {

constexpr char usage[] =
    "usage: hypsa-grid FILE [STEP ...]\n"
    "\n"
    "Loads FILE (a name ending in d or D: ASCII grid; otherwise a float grid with\n"
    "its .hdr header file) and runs the steps from left to right:\n"
    "  coarsen            one level of reverse subdivision\n"
    "  refine             one level of refinement with the stored details\n"
    "                     (plain Chaikin refinement when none are stored)\n"
    "  brownian           one level of fractional-Brownian refinement\n"
    "  decimate           keep every second sample\n"
    "  resize W H         crop or extend the grid to W columns and H rows\n"
    "  write-grd          write the grid as an ASCII grid named after FILE and its size\n"
    "  write-halves       write the left and the right half as ASCII grids\n"
    "  write-details      write the detail stack as detail files, one per level\n"
    "  load-details DTL   replace the detail stack from the detail file DTL\n"
    "  stats              print one line: stats width=W height=H cellsize=C min=MIN\n"
    "                     max=MAX mean=MEAN levels=L\n"
    "  save-raw OUT       write the samples to OUT as little-endian float32,\n"
    "                     row 0 first, columns fastest\n"
    "\n"
    "Exit status: 0 when every step succeeded, 1 when FILE could not be loaded or a\n"
    "step failed, 2 for a usage error.\n";

int usageError(const std::string& reason)
{
    std::fprintf(stderr, "hypsa-grid: %s\n%s", reason.c_str(), usage);
    return 2;
}

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
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc < 2)
        return usageError("no FILE given");
    if (std::strncmp(argv[1], "--", 2) == 0)
        return usageError(std::string("unknown option \"") + argv[1] + "\"");

    std::vector<Step> steps;
    std::string error;
    if (!parseSteps(std::span<char* const>(argv + 2, std::size_t(argc - 2)), steps, error))
        return usageError(error);

    JGrid grid;
    const QString file = QFile::decodeName(argv[1]);
    const bool ascii = file.endsWith(QLatin1Char('d'), Qt::CaseInsensitive);
    if (!(ascii ? grid.loadGRD(file) : grid.loadFLT(file)))
        return failure(std::string("cannot load ") + argv[1]);
    for (const Step& step : steps)
        if (!runStep(grid, step, error))
            return failure(step.word + ": " + error);
    return 0;
}
