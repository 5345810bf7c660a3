// File > Export Drawing...: the view's current drawing as SVG, PDF or PNG.
#include "hypsamainwindow.h"

#include "drawing_export.h"
#include "glnprgrid.h"

#include <QAction>
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

void HypsaMainWindow::exportDrawingTo(const QString& fileName)
{
    glgrid->startDrawingExport(fileName);
}

void HypsaMainWindow::connectExport()
{
    connect(fileExportAction, &QAction::triggered, this, &HypsaMainWindow::exportDrawing);
    connect(glgrid, &GLNPRGrid::drawingExported, this,
            [this](const QString& file, qulonglong paths, qulonglong strokes) {
                const QString name = QFileInfo(file).fileName();
                statusBar()->showMessage(drawingFormat(file) == DrawingFormat::png
                                             ? tr("Picture written to %1").arg(name)
                                             : tr("Drawing written to %1: %2 paths, %3 strokes")
                                                   .arg(name)
                                                   .arg(paths)
                                                   .arg(strokes));
            });
    connect(glgrid, &GLNPRGrid::drawingExportFailed, this, &HypsaMainWindow::showExportFailure);
    connect(glgrid, &GLNPRGrid::drawingExportStopped, this, [this](const QString& file) {
        statusBar()->showMessage(tr("Export stopped: %1 was not written").arg(QFileInfo(file).fileName()));
    });
}

void HypsaMainWindow::showExportFailure(const QString& file, const QString& reason)
{
    std::printf("Cannot export the drawing to %s: %s\n", qPrintable(file), qPrintable(reason));
    showFailureBox("exportFailureBox", tr("Cannot Export Drawing"),
                   tr("%1 could not be written.").arg(QFileInfo(file).fileName()), reason);
}
