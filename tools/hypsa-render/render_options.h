// Command line of hypsa-render: the file to draw, the picture to write, and
// the view's controls in their own units (slider and spin box values).
#ifndef RENDER_OPTIONS_H
#define RENDER_OPTIONS_H

#include <QString>
#include <QStringList>

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
};

extern const char* const renderUsage;

// Parses the arguments after the program name. Returns an empty string on
// success, otherwise what is wrong.
QString parseRenderOptions(const QStringList& args, RenderOptions& options);

#endif
