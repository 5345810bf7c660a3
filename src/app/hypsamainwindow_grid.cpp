// File > Save Grid As... and View > Cell Size...: the dialogs of the window,
// the work in the view.
#include "hypsamainwindow.h"

#include "glnprgrid.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QStatusBar>

void HypsaMainWindow::connectGridCommands()
{
    connect(fileSaveGridAction, &QAction::triggered, this, &HypsaMainWindow::saveGridAs);
    connect(viewCellSizeAction, &QAction::triggered, this, &HypsaMainWindow::askCellSize);
    connect(glgrid, &GLNPRGrid::gridSaved, this, [this](const QString&, const QString& text) {
        statusBar()->showMessage(text);
    });
    connect(glgrid, &GLNPRGrid::gridSaveFailed, this, [this](const QString& file, const QString& reason) {
        showFailureBox("saveFailureBox", tr("Cannot Save Grid"),
                       tr("%1 could not be written.").arg(QFileInfo(file).fileName()), reason);
    });
}

void HypsaMainWindow::saveGridAs()
{
    const QString folder = currentFileName.isEmpty() ? lastFolder : QFileInfo(currentFileName).absolutePath();
    const QString suggested = currentFileName.isEmpty() ? QString("terrain.tif")
                                                         : QFileInfo(currentFileName).completeBaseName() + ".tif";
    QString fileName = QFileDialog::getSaveFileName(this, tr("Save Grid As"), QDir(folder).filePath(suggested),
                                                    tr("GeoTIFF grid (*.tif *.tiff)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += ".tif";
    glgrid->saveGrid(fileName);
}

void HypsaMainWindow::askCellSize()
{
    bool ok = false;
    const double current = glgrid->grid.drawingCellSize();
    const double metres = QInputDialog::getDouble(this, tr("Cell Size"), tr("Spacing of the samples in metres:"),
                                                  current, 0.001, 1.0e7, 3, &ok);
    if (ok)
        glgrid->setCellSize(metres);
}
