// Hachures: short lines down the steepest slope of the drawn surface, in
// bands between contour levels a few intervals apart, so that a line is
// several spacings long. Each band's lines start at even spacing along its
// upper level and run downhill until its lower level, a slope below minimum,
// a valley line, a void or the border. Their spacing is kept within a band:
// a line stops where it comes closer than half the spacing to another, and
// new lines start on levels within the band where neighbours have spread
// apart to more than one and a half times it. The steeper the slope, the
// wider and darker the line: steep ground reads dark, gentle ground light.
#ifndef HACHURE_LINES_H
#define HACHURE_LINES_H

#include "map_lines.h"

#include <span>
#include <vector>

struct HachureRules {
    double spacing = 0.0;     // model units across the slope
    double minSlope = 0.1;    // of the drawn surface (rise over run, model units)
    double fullSlope = 0.75;  // slopes this steep and more get the widest line
    // A line stops closer than crowded x spacing to another; a new one
    // starts where the nearest line is at least spread x spacing away.
    double crowded = 0.5;
    double spread = 0.75;
    // Levels per band that start lines: its upper level and the ones below it
    // at even fractions of the interval.
    int startLevels = 3;
    // Bands are coarse enough that a line down a typical slope of the
    // surface is about this many spacings long.
    double bandSpacings = 3.0;
    // Lines shorter than this many spacings are left out.
    double shortest = 1.0;
    static constexpr int widths = 8;
};

// The hachure spacing in model units that settings ask for on this surface:
// theirs (metres) or 1/150 of the terrain's longer side, and never less than
// the longer side of a cell (with a message), which bounds the work.
double hachureSpacingFor(const MapSurface& surface, const MapLineSettings& settings);

// The height between the levels that bound the hachures' bands: the
// smallest multiple of the contour interval over which a line down the
// median slope of the faces steep enough for hachures runs at least
// rules.bandSpacings spacings, and at most half the height range, so that
// the bands' levels are contours and the terrain keeps a level to start
// lines from. The contour interval itself where no face is steep enough.
double hachureInterval(const MapSurface& surface, double contourInterval, const HachureRules& rules);

// The style of a line whose mean slope falls in width class k.
FamilyStyle hachureStyle(int k);

// Appends the family "hachures" for bands below each of the levels
// (ascending, interval apart) and one band above the highest.
void buildHachures(const MapSurface& surface, std::span<const double> levels, double interval,
                   const HachureRules& rules, LineFamily& hachures);

#endif
