// Command line of hypsa-render: the file to draw, the picture to write, and
// the view's controls in their own units (slider and spin box values).
#ifndef RENDER_OPTIONS_H
#define RENDER_OPTIONS_H

#include "map_lines.h"
#include "terrain_work.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class QCommandLineParser;

struct RenderOptions {
    QString file;
    QString out;
    int width = 699;
    int height = 500;
    int coarsen = 0;
    int refine = 0;
    int rotation[3] = {0, 0, 0};  // degrees
    int scale = 10;               // slider 0 to 100
    int threshold = 20;           // slider 0 to 100
    int lightThreshold = 20;      // slider 0 to 100
    int light[3] = {1000, 1000, 1000};
    bool silhouettes = true;
    bool lightSilhouettes = false;
    bool lock = false;
    bool strokes = false;
    bool secondAxis = false;
    bool polygons = false;
    std::uint64_t maxSamples = defaultDisplaySamples; // 0 = no display budget
    bool fit = false;
    QString view;              // "map", "oblique" or "start"; empty: the start view, not fitted
    bool orthographic = false;
    bool verbose = false;
    bool offscreen = false; // draw without a display even where one is available
    double exaggeration = 1.0; // 0.1 to 50
    std::optional<float> cellSize; // metres, replacing the file's spacing
    // Contours, profiles, hachures (the light comes from `light`), ridges,
    // valleys, suggestive contours and highlights.
    MapLineSettings lines;
};

// Declares hypsa-render's options and arguments on the parser.
void addRenderOptions(QCommandLineParser& parser);

// "--rotate X Y Z" and "--light X Y Z" take three words. The parser takes one
// value per option and would read "-2000" as an option, so the three words
// are joined into one value, "--light=-2000,500,800", before parsing.
QStringList joinTriples(const QStringList& arguments);

// Reads the parsed command line into `options`. Returns an empty string on
// success, otherwise what is wrong.
QString readRenderOptions(const QCommandLineParser& parser, RenderOptions& options);

#endif
