#include "render_options.h"

#include <functional>
#include <map>

const char* const renderUsage =
    "usage: hypsa-render FILE OUT.png [--size WxH] [--coarsen N] [--refine N]\n"
    "                    [--rotate X Y Z] [--scale S] [--threshold T] [--light-threshold T]\n"
    "                    [--light X Y Z] [--no-silhouettes] [--light-silhouettes] [--lock]\n"
    "                    [--strokes] [--second-axis] [--polygons]\n";

namespace {

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

struct IntOption {
    int count;  // values that follow the option
    int low, high;
    std::function<int*(RenderOptions&)> target;
};

} // namespace

QString parseRenderOptions(const QStringList& args, RenderOptions& options)
{
    const std::map<QString, IntOption> numbers{
        {"--coarsen", {1, 0, 16, [](RenderOptions& o) { return &o.coarsen; }}},
        {"--refine", {1, 0, 16, [](RenderOptions& o) { return &o.refine; }}},
        {"--rotate", {3, -100000, 100000, [](RenderOptions& o) { return o.rotation; }}},
        {"--scale", {1, 0, 100, [](RenderOptions& o) { return &o.scale; }}},
        {"--threshold", {1, 0, 100, [](RenderOptions& o) { return &o.threshold; }}},
        {"--light-threshold", {1, 0, 100, [](RenderOptions& o) { return &o.lightThreshold; }}},
        {"--light", {3, -10000, 10000, [](RenderOptions& o) { return o.light; }}},
    };
    const std::map<QString, std::function<void(RenderOptions&)>> switches{
        {"--no-silhouettes", [](RenderOptions& o) { o.silhouettes = false; }},
        {"--light-silhouettes", [](RenderOptions& o) { o.lightSilhouettes = true; }},
        {"--lock", [](RenderOptions& o) { o.lock = true; }},
        {"--strokes", [](RenderOptions& o) { o.strokes = true; }},
        {"--second-axis", [](RenderOptions& o) { o.secondAxis = true; }},
        {"--polygons", [](RenderOptions& o) { o.polygons = true; }},
    };

    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith("--")) {
            positional << arg;
        } else if (arg == "--size") {
            const QStringList wh = i + 1 < args.size() ? args[i + 1].split('x') : QStringList();
            if (wh.size() != 2 || !readInt(wh[0], 1, 8192, options.width) || !readInt(wh[1], 1, 8192, options.height))
                return "--size needs WIDTHxHEIGHT, each 1 to 8192";
            ++i;
        } else if (const auto s = switches.find(arg); s != switches.end()) {
            s->second(options);
        } else if (const auto n = numbers.find(arg); n != numbers.end()) {
            const IntOption& o = n->second;
            int* values = o.target(options);
            for (int k = 0; k < o.count; ++k) {
                if (i + 1 >= args.size() || !readInt(args[i + 1], o.low, o.high, values[k]))
                    return QString("%1 needs %2 whole number(s) from %3 to %4").arg(arg).arg(o.count).arg(o.low).arg(o.high);
                ++i;
            }
        } else {
            return QString("unknown option %1").arg(arg);
        }
    }
    if (positional.size() != 2)
        return "give the grid file and the picture to write";
    options.file = positional[0];
    options.out = positional[1];
    return QString();
}
