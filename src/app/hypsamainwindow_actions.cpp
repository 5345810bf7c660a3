// The window's own slots: the open dialog and files dropped on the window,
// the scheme check marks, and every visible text.
#include "hypsamainwindow.h"

#include "glnprgrid.h"

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QUrl>

namespace {

// The one local file of a drag; empty for anything else (several files,
// folders, web addresses, text), which the window does not take.
QString droppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().first().isLocalFile())
        return QString();
    const QString file = data->urls().first().toLocalFile();
    return QFileInfo(file).isDir() ? QString() : file;
}

} // namespace

void HypsaMainWindow::openFileGrid()
{
    QFileDialog dialog(this);
    dialog.setObjectName("Open File");
    dialog.setModal(true);
    dialog.setNameFilters({"Elevation grids (*.tif *.tiff *.grd *.asc *.flt *.hdr *.hgt *.img *.vrt *.dem *.bil "
                           "*.bt *.ter *.nc *.xyz)",
                           "Grid Float Format (*.flt *.grd)", "All files (*)"});
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle("Open File");
    if (!currentFileName.isEmpty())
        dialog.setDirectory(QFileInfo(currentFileName).absolutePath());
    else if (!lastFolder.isEmpty())
        dialog.setDirectory(lastFolder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    dialog.hide();
    openChosenFile(dialog.selectedFiles().first());
}

void HypsaMainWindow::openChosenFile(const QString& fileName)
{
    const QFileInfo file(fileName);
    currentFileName = file.absoluteFilePath();
    lastFolder = file.absolutePath();
    QSettings().setValue("openDialog/lastFolder", lastFolder);
    openGridFile(currentFileName);
}

void HypsaMainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void HypsaMainWindow::dropEvent(QDropEvent* event)
{
    const QString file = droppedFile(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    openChosenFile(file);
}

void HypsaMainWindow::openGridFile(const QString& fileName)
{
    glgrid->loadFile(fileName);
}

void HypsaMainWindow::toggleOnChaikin()
{
    multiresolutionTraditionalAction->setChecked(false);
    multiresolutionDyn_LevinAction->setChecked(false);
    multiresolutionChaikinAction->setChecked(true);
}

void HypsaMainWindow::toggleOnTraditional()
{
    multiresolutionChaikinAction->setChecked(false);
    multiresolutionDyn_LevinAction->setChecked(false);
    multiresolutionTraditionalAction->setChecked(true);
}

void HypsaMainWindow::toggleOnDynLevin()
{
    multiresolutionChaikinAction->setChecked(false);
    multiresolutionTraditionalAction->setChecked(false);
    multiresolutionDyn_LevinAction->setChecked(true);
}

void HypsaMainWindow::updateTitle()
{
    if (shownFile.isEmpty())
        setWindowTitle(tr("NPR Hypsa Viewer"));
    else
        setWindowTitle(tr("%1 - NPR Hypsa Viewer").arg(QFileInfo(shownFile).fileName()));
}

void HypsaMainWindow::languageChange()
{
    updateTitle();
    silhouettesCB->setText(tr("Draw silhouettes"));
    lightsilCB->setText(tr("Draw light silhouettes"));
    lockCBox->setText(tr("Lock Silhouettes"));
    curvatureCB->setText(tr("Curvature Strokes"));
    widthTextLabel->setText(tr("Width"));
    heightTextLabel->setText(tr("Height"));
    textLabel1->setText(tr("Resolution"));
    silthreshlabel->setText(tr("Sil. Threshold"));
    exaggerationLabel->setText(tr("Vertical Exaggeration"));
    exaggerationSB->setToolTip(tr("Multiplies the heights of the drawing"));
    linesGB->setTitle(tr("Lines"));
    contoursCB->setText(tr("Contours"));
    contourIntervalSB->setToolTip(tr("Height between contour levels; auto: a round number giving 15 to 40 levels"));
    profilesCB->setText(tr("Profiles"));
    profileCountSB->setToolTip(tr("Number of profiles"));
    hachuresCB->setText(tr("Hachures"));
    hachureSpacingSB->setToolTip(tr("Metres between hachures; auto: 1/150 of the terrain's longer side"));
    ridgesCB->setText(tr("Ridges"));
    valleysCB->setText(tr("Valleys"));
    ridgeThresholdSlider->setToolTip(tr("Ridge and valley threshold: the least bend across a crest that is drawn"));
    suggestiveCB->setText(tr("Suggestive"));
    highlightsCB->setText(tr("Highlights"));
    suggestiveThresholdSlider->setToolTip(
        tr("Suggestive contour and highlight threshold: the least change of curvature that is drawn"));
    refineButton->setText(QString());
    refineButton->setToolTip(tr("Refine"));
    coarsenButton->setText(QString());
    coarsenButton->setToolTip(tr("Coarsen"));
    pushButton3->setText(tr("Curve"));
    cancelWorkButton->setText(tr("Cancel"));
    LightGB->setTitle(tr("Light Position"));
    textLabel1_2->setText(tr("X:"));
    textLabel2->setText(tr("Y:"));
    textLabel3->setText(tr("Z:"));
    fileLoadAction->setText(tr("&Load"));
    recentFilesMenu->setTitle(tr("Open &Recent"));
    clearRecentFilesAction->setText(tr("&Clear"));
    fileExportAction->setText(tr("Export &Drawing..."));
    fileSaveGridAction->setText(tr("Save Grid As..."));
    viewCellSizeAction->setText(tr("Cell Size..."));
    fileExitAction->setText(tr("E&xit"));
    multiresolutionTraditionalAction->setText(tr("&Traditional"));
    multiresolutionChaikinAction->setText(tr("&Chaikin"));
    multiresolutionDyn_LevinAction->setText(tr("&Dyn-Levin"));
    fileMenu->setTitle(tr("&File"));
    multiresolutionMenu->setTitle(tr("&Multiresolution"));
    viewFitTerrainAction->setText(tr("&Fit Terrain"));
    viewFitOnLoadAction->setText(tr("Fit on Load"));
    viewStartAction->setText(tr("Start View"));
    viewObliqueAction->setText(tr("Oblique"));
    viewMapAction->setText(tr("Map"));
    viewOrthographicAction->setText(tr("Orthographic"));
    viewMenu->setTitle(tr("&View"));
}
