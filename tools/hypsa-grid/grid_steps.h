// The steps of hypsa-grid: parsed from the command line first, so that a
// usage error is found before any work is done, then run in order.
#ifndef GRID_STEPS_H
#define GRID_STEPS_H

#include "jgrid.h"

#include <QString>

#include <span>
#include <string>
#include <vector>

enum class StepKind {
    coarsen,
    refine,
    brownian,
    decimate,
    resize,
    writeGrd,
    writeTif,
    writeHalves,
    writeDetails,
    loadDetails,
    stats,
    saveRaw,
};

struct Step {
    StepKind kind = StepKind::stats;
    std::string word; // as given on the command line
    int width = 0;    // resize
    int height = 0;
    QString file; // load-details, save-raw, write-tif
};

// Parses every step; false with the reason in `error` on a usage error.
bool parseSteps(std::span<char* const> words, std::vector<Step>& steps, std::string& error);

// Runs one step on the grid; false with the reason in `error` when it failed
// (a step that runs out of memory included).
bool runStep(JGrid& grid, const Step& step, std::string& error);

// "stats width=W height=H cellsize=C min=MIN max=MAX mean=MEAN levels=L
// voids=N", each number with the fewest digits that read back as the same
// float; the statistics are over the valid samples, N counts the voids.
std::string statsLine(const JGrid& grid);

#endif
