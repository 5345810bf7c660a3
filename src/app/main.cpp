#include "hypsamainwindow.h"
#include "program_options.h"

#include <QApplication>
#include <QFileInfo>

// hypsa [FILE]: starts the viewer, opening FILE as the Load dialog would.
int main(int argc, char** argv)
{
    ProgramOptions command("hypsa", "The NPR Hypsa Viewer: draws a terrain height grid in lines.");
    command.parser.addPositionalArgument("FILE", "A grid file to open at start.", "[FILE]");
    // --help and --version answer without a display; the rest is checked once
    // QApplication has taken its own options (-platform, -style, ...) out.
    if (const auto status = command.parse(argumentList(argc, argv), ProgramOptions::UnknownOptions::allow))
        return *status;
    QApplication app(argc, argv);
    if (const auto status = command.parse(app.arguments()))
        return *status;
    const QStringList files = command.parser.positionalArguments();
    if (files.size() > 1)
        return command.usageError("give at most one grid file");

    HypsaMainWindow window;
    window.show();
    if (!files.isEmpty()) {
        window.currentFileName = QFileInfo(files.first()).absoluteFilePath();
        window.openGridFile(window.currentFileName);
    }
    return app.exec();
}
