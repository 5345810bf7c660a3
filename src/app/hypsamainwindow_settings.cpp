// What the window remembers between runs (QSettings): its geometry, the open
// dialog's folder, the recent files and the panel's view options.
#include "hypsamainwindow.h"

#include "glnprgrid.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>

namespace {

// The panel's controls that drive the view, by settings key, and the View
// menu's switches. The size boxes only show what the view reports and are
// not kept.
struct PanelControls {
    std::vector<std::pair<const char*, QAbstractSlider*>> sliders;
    std::vector<std::pair<const char*, QSpinBox*>> spinBoxes;
    std::vector<std::pair<const char*, QCheckBox*>> checkBoxes;
    std::vector<std::pair<const char*, QDoubleSpinBox*>> numberBoxes;
    std::vector<std::pair<const char*, QAction*>> switches;
};

PanelControls panelControls(const HypsaMainWindow& w)
{
    return {
        {{"xRotation", w.slider1},
         {"yRotation", w.slider2},
         {"zRotation", w.slider3},
         {"scale", w.slider4},
         {"silhouetteThreshold", w.slider6},
         {"lightSilhouetteThreshold", w.lightSilThreshSlider},
         {"ridgeThreshold", w.ridgeThresholdSlider},
         {"suggestiveThreshold", w.suggestiveThresholdSlider}},
        {{"lightX", w.lightXSBox}, {"lightY", w.lightYSBox}, {"lightZ", w.lightZSBox}, {"profileCount", w.profileCountSB}},
        {{"silhouettes", w.silhouettesCB},
         {"lightSilhouettes", w.lightsilCB},
         {"lockSilhouettes", w.lockCBox},
         {"curvatureStrokes", w.curvatureCB},
         {"contours", w.contoursCB},
         {"profiles", w.profilesCB},
         {"hachures", w.hachuresCB},
         {"ridges", w.ridgesCB},
         {"valleys", w.valleysCB},
         {"suggestiveContours", w.suggestiveCB},
         {"suggestiveHighlights", w.highlightsCB}},
        {{"verticalExaggeration", w.exaggerationSB},
         {"contourInterval", w.contourIntervalSB},
         {"hachureSpacing", w.hachureSpacingSB}},
        {{"fitOnLoad", w.viewFitOnLoadAction}, {"orthographic", w.viewOrthographicAction}},
    };
}

} // namespace

void HypsaMainWindow::connectRecentFiles()
{
    connect(glgrid, &GLNPRGrid::gridLoaded, this, &HypsaMainWindow::addRecentFile);
    connect(clearRecentFilesAction, &QAction::triggered, this, &HypsaMainWindow::clearRecentFiles);
    // Whether a recent file still exists is checked when the menu opens.
    connect(recentFilesMenu, &QMenu::aboutToShow, this, &HypsaMainWindow::updateRecentFilesMenu);
}

void HypsaMainWindow::restoreSettings()
{
    QSettings settings;
    restoreGeometry(settings.value("window/geometry").toByteArray());
    lastFolder = settings.value("openDialog/lastFolder").toString();
    recentFileList = settings.value("recentFiles").toStringList().mid(0, maxRecentFiles);

    // Values outside a control's range are clamped by the control.
    settings.beginGroup("panel");
    const PanelControls panel = panelControls(*this);
    for (const auto& [key, slider] : panel.sliders)
        slider->setValue(settings.value(key, slider->value()).toInt());
    for (const auto& [key, box] : panel.spinBoxes)
        box->setValue(settings.value(key, box->value()).toInt());
    for (const auto& [key, box] : panel.checkBoxes)
        box->setChecked(settings.value(key, box->isChecked()).toBool());
    for (const auto& [key, box] : panel.numberBoxes)
        box->setValue(settings.value(key, box->value()).toDouble());
    for (const auto& [key, action] : panel.switches)
        action->setChecked(settings.value(key, action->isChecked()).toBool());
    settings.endGroup();
    updateRecentFilesMenu();
}

void HypsaMainWindow::saveSettings() const
{
    QSettings settings;
    settings.setValue("window/geometry", saveGeometry());
    settings.beginGroup("panel");
    const PanelControls panel = panelControls(*this);
    for (const auto& [key, slider] : panel.sliders)
        settings.setValue(key, slider->value());
    for (const auto& [key, box] : panel.spinBoxes)
        settings.setValue(key, box->value());
    for (const auto& [key, box] : panel.checkBoxes)
        settings.setValue(key, box->isChecked());
    for (const auto& [key, box] : panel.numberBoxes)
        settings.setValue(key, box->value());
    for (const auto& [key, action] : panel.switches)
        settings.setValue(key, action->isChecked());
    settings.endGroup();
}

void HypsaMainWindow::closeEvent(QCloseEvent* event)
{
    glgrid->cancelWork(); // the work stops; the view waits for it when it goes
    saveSettings();
    QMainWindow::closeEvent(event);
}

void HypsaMainWindow::addRecentFile(const QString& file)
{
    const QString path = QFileInfo(file).absoluteFilePath();
    recentFileList.removeAll(path);
    recentFileList.prepend(path);
    recentFileList = recentFileList.mid(0, maxRecentFiles);
    QSettings().setValue("recentFiles", recentFileList);
    updateRecentFilesMenu();
}

void HypsaMainWindow::clearRecentFiles()
{
    recentFileList.clear();
    QSettings().remove("recentFiles");
    updateRecentFilesMenu();
}

// "&1 jacksboro.grd", the full path as tooltip; a file that is gone is
// greyed and says so.
void HypsaMainWindow::updateRecentFilesMenu()
{
    recentFilesMenu->clear();
    for (int i = 0; i < recentFileList.size(); ++i) {
        const QString& path = recentFileList[i];
        const QFileInfo info(path);
        const bool exists = info.isFile();
        QString text = QString("&%1 %2").arg(i + 1).arg(info.fileName().replace('&', "&&"));
        if (!exists)
            text += tr(" (no longer exists)");
        QAction* entry = recentFilesMenu->addAction(text);
        entry->setToolTip(path);
        entry->setEnabled(exists);
        connect(entry, &QAction::triggered, this, [this, path] { openChosenFile(path); });
    }
    recentFilesMenu->addSeparator();
    recentFilesMenu->addAction(clearRecentFilesAction);
    clearRecentFilesAction->setEnabled(!recentFileList.isEmpty());
    recentFilesMenu->setToolTipsVisible(true);
}
