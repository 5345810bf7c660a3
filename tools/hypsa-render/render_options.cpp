#include "render_options.h"

#include "cell_size_option.h"
#include "drawing_export.h"
#include "max_samples_option.h"

#include <QCommandLineParser>

namespace {

// An option with whole-number values: `count` of them, each in [low, high].
struct IntOption {
    const char* name;
    const char* valueName;
    const char* help;
    int count;
    int low, high;
    int* (*target)(RenderOptions&);
};

const IntOption intOptions[] = {
    {"coarsen", "N", "Coarsen N levels after loading (0 to 16).", 1, 0, 16,
     [](RenderOptions& o) { return &o.coarsen; }},
    {"refine", "N", "Then refine N levels (0 to 16).", 1, 0, 16, [](RenderOptions& o) { return &o.refine; }},
    {"rotate", "X Y Z", "Rotation about the three axes in degrees.", 3, -100000, 100000,
     [](RenderOptions& o) { return o.rotation; }},
    {"scale", "S", "Scale slider, 0 to 100 (default 10).", 1, 0, 100, [](RenderOptions& o) { return &o.scale; }},
    {"threshold", "T", "Silhouette threshold slider, 0 to 100 (default 20).", 1, 0, 100,
     [](RenderOptions& o) { return &o.threshold; }},
    {"light-threshold", "T", "Light silhouette threshold slider, 0 to 100 (default 20).", 1, 0, 100,
     [](RenderOptions& o) { return &o.lightThreshold; }},
    {"light", "X Y Z", "Light position, each -10000 to 10000 (default 1000 1000 1000).", 3, -10000, 10000,
     [](RenderOptions& o) { return o.light; }},
    {"index-every", "N", "Every N-th contour level is an index contour, drawn heavier; 0 none (default 5).", 1, 0,
     maxIndexEvery, [](RenderOptions& o) { return &o.lines.indexEvery; }},
    {"profile-count", "N", "Number of profiles, 1 to 1000 (default 80).", 1, 1, maxProfileCount,
     [](RenderOptions& o) { return &o.lines.profileCount; }},
    {"ridge-threshold", "T", "Ridge and valley threshold slider, 0 to 100 (default 40): the least turn of the "
     "normal across a cell that is drawn.", 1, 0, 100, [](RenderOptions& o) { return &o.lines.ridgeThreshold; }},
    {"suggestive-threshold", "T", "Suggestive contour and highlight threshold slider, 0 to 100 (default 40).", 1,
     0, 100, [](RenderOptions& o) { return &o.lines.suggestiveThreshold; }},
};

// An option with one number of height or ground units: 0 or more.
struct NumberOption {
    const char* name;
    const char* valueName;
    const char* help;
    double* (*target)(RenderOptions&);
};

const NumberOption numberOptions[] = {
    {"contour-interval", "M",
     "Height between contour levels in the grid's height units (default: a round number giving 15 to 40 levels).",
     [](RenderOptions& o) { return &o.lines.contourInterval; }},
    {"hachure-spacing", "M", "Distance between hachures in metres on the ground (default 1/150 of the longer side).",
     [](RenderOptions& o) { return &o.lines.hachureSpacing; }},
};

struct Switch {
    const char* name;
    const char* help;
    void (*apply)(RenderOptions&);
};

const Switch switches[] = {
    {"no-silhouettes", "Do not draw silhouettes.", [](RenderOptions& o) { o.silhouettes = false; }},
    {"light-silhouettes", "Draw light silhouettes.", [](RenderOptions& o) { o.lightSilhouettes = true; }},
    {"lock", "Lock the silhouettes.", [](RenderOptions& o) { o.lock = true; }},
    {"strokes", "Draw curvature strokes instead of lines.", [](RenderOptions& o) { o.strokes = true; }},
    {"second-axis", "Lay the strokes along the second curvature axis.",
     [](RenderOptions& o) { o.secondAxis = true; }},
    {"polygons", "Draw the shaded surface.", [](RenderOptions& o) { o.polygons = true; }},
    {"fit", "Fit Terrain: pan and dolly so that the whole terrain fills the picture at the rotation and scale given.",
     [](RenderOptions& o) { o.fit = true; }},
    {"offscreen", "Draw without a display even where one is available (EGL, surfaceless).",
     [](RenderOptions& o) { o.offscreen = true; }},
    {"orthographic", "Draw with parallel rays (orthographic projection) instead of the perspective.",
     [](RenderOptions& o) { o.orthographic = true; }},
    {"verbose",
     "For an SVG or PDF, print the count of line pieces, of paths after chaining and the points per path, and for "
     "each layer its paths, points and pen-up travel before and after ordering.",
     [](RenderOptions& o) { o.verbose = true; }},
    {"contours", "Draw contours.", [](RenderOptions& o) { o.lines.contours = true; }},
    {"tanaka", "Shade the contours by the light: thin and light facing it, heavy and dark facing away.",
     [](RenderOptions& o) { o.lines.tanaka = true; }},
    {"profiles", "Draw profiles: sections by evenly spaced vertical planes.",
     [](RenderOptions& o) { o.lines.profiles = true; }},
    {"hachures", "Draw hachures: short lines down the steepest slope.",
     [](RenderOptions& o) { o.lines.hachures = true; }},
    {"ridges", "Draw ridges: where the surface bends most sharply down across a crest.",
     [](RenderOptions& o) { o.lines.ridges = true; }},
    {"valleys", "Draw valleys: where the surface bends most sharply up across a valley floor.",
     [](RenderOptions& o) { o.lines.valleys = true; }},
    {"suggestive", "Draw suggestive contours: where a silhouette would appear from a nearby eye.",
     [](RenderOptions& o) { o.lines.suggestive = true; }},
    {"highlights", "Draw suggestive highlights, the counterpart of suggestive contours.",
     [](RenderOptions& o) { o.lines.highlights = true; }},
};

// Reads one whole-number value of an option and checks its range.
bool readInt(const QString& text, int low, int high, int& out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high)
        return false;
    out = v;
    return true;
}

} // namespace

void addRenderOptions(QCommandLineParser& parser)
{
    parser.addPositionalArgument("FILE", "The grid file to draw.");
    parser.addPositionalArgument("OUT", "The picture to write: OUT.png a picture of the frame, OUT.svg or OUT.pdf "
                                        "its lines as vector paths.");
    parser.addOption({"size", "Picture size, each 1 to 8192 (default 699x500).", "WxH"});
    parser.addOption({"exaggeration", "Vertical exaggeration, 0.1 to 50 (default 1).", "F"});
    parser.addOption({"view", "A view of the viewer's View menu: map (straight down, north up, orthographic, fitted), "
                              "oblique (45 degrees above the horizon, fitted) or start (the start view).",
                      "VIEW"});
    for (const IntOption& o : intOptions)
        parser.addOption({o.name, o.help, o.valueName});
    for (const NumberOption& o : numberOptions)
        parser.addOption({o.name, o.help, o.valueName});
    parser.addOption({"profile-axis", "Profiles along the grid's rows or columns (default rows).", "rows|columns"});
    addMaxSamplesOption(parser, defaultDisplaySamples);
    addCellSizeOption(parser);
    for (const Switch& s : switches)
        parser.addOption({s.name, s.help});
}

QStringList joinTriples(const QStringList& arguments)
{
    QStringList joined;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (word == "--")
            return joined << arguments.mid(i);
        if (word != "--rotate" && word != "--light") {
            joined << word;
            continue;
        }
        const QStringList values = arguments.mid(i + 1, 3);
        joined << word + "=" + values.join(',');
        i += values.size();
    }
    return joined;
}

QString readRenderOptions(const QCommandLineParser& parser, RenderOptions& options)
{
    if (parser.isSet("size")) {
        const QStringList wh = parser.value("size").split('x');
        if (wh.size() != 2 || !readInt(wh[0], 1, 8192, options.width) || !readInt(wh[1], 1, 8192, options.height))
            return "--size needs WIDTHxHEIGHT, each 1 to 8192";
    }
    if (parser.isSet("exaggeration")) {
        bool ok = false;
        options.exaggeration = parser.value("exaggeration").toDouble(&ok);
        if (!ok || !(options.exaggeration >= 0.1 && options.exaggeration <= 50.0))
            return "--exaggeration needs a number from 0.1 to 50";
    }
    for (const IntOption& o : intOptions) {
        if (!parser.isSet(o.name))
            continue;
        const QStringList values = parser.value(o.name).split(',');
        int* target = o.target(options);
        for (int k = 0; k < o.count; ++k)
            if (values.size() != o.count || !readInt(values[k], o.low, o.high, target[k]))
                return QString("--%1 needs %2 whole number(s) from %3 to %4").arg(o.name).arg(o.count).arg(o.low).arg(o.high);
    }
    for (const NumberOption& o : numberOptions) {
        if (!parser.isSet(o.name))
            continue;
        bool ok = false;
        const double v = parser.value(o.name).toDouble(&ok);
        if (!ok || !(v > 0.0 && v <= 1e9))
            return QString("--%1 needs a number above 0").arg(o.name);
        *o.target(options) = v;
    }
    if (parser.isSet("profile-axis")) {
        const QString axis = parser.value("profile-axis");
        if (axis != "rows" && axis != "columns")
            return "--profile-axis needs rows or columns";
        options.lines.profileAxis = axis == "rows" ? ProfileAxis::rows : ProfileAxis::columns;
    }
    for (const Switch& s : switches)
        if (parser.isSet(s.name))
            s.apply(options);
    if (parser.isSet("view")) {
        options.view = parser.value("view");
        if (options.view != "map" && options.view != "oblique" && options.view != "start")
            return "--view needs map, oblique or start";
        if (parser.isSet("rotate"))
            return "--view sets the rotation: give --view or --rotate, not both";
    }
    if (const QString problem = readMaxSamples(parser, JGrid::maxSamples, options.maxSamples); !problem.isEmpty())
        return problem;
    if (const QString problem = readCellSize(parser, options.cellSize); !problem.isEmpty())
        return problem;

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return "give the grid file and the picture to write";
    options.file = positional[0];
    options.out = positional[1];
    if (drawingFormat(options.out) == DrawingFormat::unknown)
        return "the picture's name must end in .png, .svg or .pdf";
    return QString();
}
