// File > Export Drawing...: the view's current drawing as SVG, PDF or PNG.
#include "hypsamainwindow.h"

#include "drawing_export.h"
#include "glnprgrid.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStatusBar>

#include <cstdio>

void HypsaMainWindow::exportDrawing()
{
    const QString folder = currentFileName.isEmpty() ? lastFolder : QFileInfo(currentFileName).absolutePath();
    const QString suggested = currentFileName.isEmpty() ? QString("drawing.svg")
                                                         : QFileInfo(currentFileName).completeBaseName() + ".svg";
    QString filter = tr("SVG drawing (*.svg)");
    QString fileName = QFileDialog::getSaveFileName(
        this, tr("Export Drawing"), QDir(folder).filePath(suggested),
        tr("SVG drawing (*.svg);;PDF drawing (*.pdf);;PNG picture (*.png)"), &filter);
    if (fileName.isEmpty())
        return;
    // A name typed without an extension takes the chosen filter's.
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += filter.contains("*.pdf") ? ".pdf" : filter.contains("*.png") ? ".png" : ".svg";
    exportDrawingTo(fileName);
}

bool HypsaMainWindow::exportDrawingTo(const QString& fileName)
{
    QString error;
    LineArt art;
    if (!glgrid->grid.loaded)
        error = tr("There is no terrain to draw: open a grid first.");
    else if (::exportDrawing(*glgrid, fileName, error, &art)) {
        const QString what = drawingFormat(fileName) == DrawingFormat::png
                                 ? tr("Picture written to %1").arg(QFileInfo(fileName).fileName())
                                 : tr("Drawing written to %1: %2 paths, %3 strokes")
                                       .arg(QFileInfo(fileName).fileName())
                                       .arg(art.polylines)
                                       .arg(art.strokes);
        statusBar()->showMessage(what);
        return true;
    }
    std::printf("Cannot export the drawing to %s: %s\n", qPrintable(fileName), qPrintable(error));
    showFailureBox("exportFailureBox", tr("Cannot Export Drawing"),
                   tr("%1 could not be written.").arg(QFileInfo(fileName).fileName()), error);
    return false;
}
