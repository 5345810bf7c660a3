#include "hypsamainwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    HypsaMainWindow window;
    window.show();
    return app.exec();
}
