// --cellsize M of all three programs: the grids they load take M metres as
// their north-south sample spacing, whatever the file says or leaves out.
#ifndef CELL_SIZE_OPTION_H
#define CELL_SIZE_OPTION_H

#include <QString>

#include <optional>

class QCommandLineParser;

void addCellSizeOption(QCommandLineParser& parser);

// Sets cellSize from the option when it is given. Returns what is wrong with
// its value (not a number above 0), or an empty text.
QString readCellSize(const QCommandLineParser& parser, std::optional<float>& cellSize);

#endif
