#include "hypsamainwindow.h"

#include <QApplication>
#include <QFileInfo>

// hypsa [FILE]: starts the viewer, opening FILE as the Load dialog would.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    HypsaMainWindow window;
    window.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        window.currentFileName = QFileInfo(arguments.at(1)).absoluteFilePath();
        window.openGridFile(window.currentFileName);
    }
    return app.exec();
}
