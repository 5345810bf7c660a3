#include "cell_size_option.h"

#include <QCommandLineParser>

#include <cmath>

void addCellSizeOption(QCommandLineParser& parser)
{
    parser.addOption({"cellsize",
                      "Take M metres as the north-south spacing of the samples, instead of what the file gives "
                      "(for a file without georeferencing, or whose unit is guessed wrong).",
                      "M"});
}

QString readCellSize(const QCommandLineParser& parser, std::optional<float>& cellSize)
{
    if (!parser.isSet("cellsize"))
        return QString();
    bool ok = false;
    const float value = parser.value("cellsize").toFloat(&ok);
    if (!ok || !(value > 0.0f) || !std::isfinite(value))
        return "--cellsize needs a number of metres above 0";
    cellSize = value;
    return QString();
}
