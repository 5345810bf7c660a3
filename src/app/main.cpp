#include "cell_size_option.h"
#include "display_platform.h"
#include "glnprgrid.h"
#include "hypsamainwindow.h"
#include "max_samples_option.h"
#include "program_options.h"

#include <QApplication>
#include <QSettings>

#include <cstdio>

// hypsa [FILE]: starts the viewer, opening FILE as the Load dialog would
// (also how a file manager's "Open with" starts it).
int main(int argc, char** argv)
{
    ProgramOptions command("hypsa", "The NPR Hypsa Viewer: draws a terrain height grid in lines.");
    command.parser.addPositionalArgument("FILE", "A grid file to open at start.", "[FILE]");
    addMaxSamplesOption(command.parser, defaultDisplaySamples);
    addCellSizeOption(command.parser);
    command.parser.addOption({"reset-settings", "Forget the remembered window size, folder, recent files and "
                                                "view options, then start."});
    // --help and --version answer without a display; the rest is checked once
    // QApplication has taken its own options (-platform, -style, ...) out.
    const QStringList arguments = argumentList(argc, argv);
    if (const auto status = command.parse(arguments, ProgramOptions::UnknownOptions::allow))
        return *status;
    // Without a display Qt starts offscreen, so that the arguments are still
    // checked (status 2 for a usage error) before the program says why it
    // cannot show its window.
    chooseQtPlatform(arguments);
    QApplication app(argc, argv);
    if (const auto status = command.parse(app.arguments()))
        return *status;
    // The settings live in ~/.config/npr-hypsa/hypsa.conf.
    QCoreApplication::setOrganizationName("npr-hypsa");
    QCoreApplication::setApplicationName("hypsa");
    const QStringList files = command.parser.positionalArguments();
    if (files.size() > 1)
        return command.usageError("give at most one grid file");
    std::uint64_t budget = defaultDisplaySamples;
    if (const QString problem = readMaxSamples(command.parser, JGrid::maxSamples, budget); !problem.isEmpty())
        return command.usageError(problem);
    std::optional<float> cellSize;
    if (const QString problem = readCellSize(command.parser, cellSize); !problem.isEmpty())
        return command.usageError(problem);

    if (noDisplay()) {
        const QString display = qEnvironmentVariable("DISPLAY");
        std::fprintf(stderr, "hypsa: no display to show the window on (%s); hypsa-render draws without one\n",
                     display.isEmpty() ? "DISPLAY is not set" : qPrintable("cannot reach DISPLAY " + display));
        return 1;
    }
    if (command.parser.isSet("reset-settings"))
        QSettings().clear();

    HypsaMainWindow window;
    window.glgrid->displayBudget = budget;
    window.glgrid->cellSizeForLoads = cellSize;
    window.show();
    if (!files.isEmpty())
        window.openChosenFile(files.first());
    return app.exec();
}
