#include "hypsamainwindow.h"

#include "action_shortcuts.h"
#include "glnprgrid.h"
#include "spacing_box.h"

#include <QDoubleSpinBox>
#include "images/coarsen.xpm"
#include "images/refine.xpm"
#include "images/window_icon.xpm"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>

HypsaMainWindow::HypsaMainWindow(QWidget* parent, const char* name, Qt::WindowFlags fl)
    : QMainWindow(parent, fl), windowImage(window_icon_xpm), refineImage(refine_xpm), coarsenImage(coarsen_xpm)
{
    statusBar();
    setObjectName(name ? QString::fromLatin1(name) : QStringLiteral("HypsaMainWindow"));
    setWindowIcon(windowImage);

    auto* central = new QWidget(this);
    central->setObjectName("qt_central_widget");
    setCentralWidget(central);

    HypsaMainWindowLayout = new QGridLayout(central);
    HypsaMainWindowLayout->setObjectName("HypsaMainWindowLayout");
    HypsaMainWindowLayout->setContentsMargins(11, 11, 11, 11);
    HypsaMainWindowLayout->setSpacing(6);

    glgrid = new GLNPRGrid(central, "glgrid");
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    policy.setHorizontalStretch(1);
    policy.setVerticalStretch(1);
    policy.setHeightForWidth(glgrid->sizePolicy().hasHeightForWidth());
    glgrid->setSizePolicy(policy);
    glgrid->setMinimumSize(300, 200);
    HypsaMainWindowLayout->addWidget(glgrid, 0, 0);

    buildViewSliders();
    buildControlPanel();
    buildMenus();
    buildWorkIndicator();

    languageChange();
    resize(QSize(699, 734).expandedTo(minimumSizeHint()));
    connectControls();
    connectMessages();
    connectRecentFiles();
    connectGridCommands();
    connectExport();
    // After the connections, so that restored panel options reach the view.
    restoreSettings();
    setAcceptDrops(true);
    new ActionShortcutsFirst(this);
}

void HypsaMainWindow::buildMenus()
{
    fileLoadAction = new QAction(this);
    fileLoadAction->setObjectName("fileLoadAction");
    fileLoadAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    fileExportAction = new QAction(this);
    fileExportAction->setObjectName("fileExportAction");
    fileExportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    fileSaveGridAction = new QAction(this);
    fileSaveGridAction->setObjectName("fileSaveGridAction");
    viewCellSizeAction = new QAction(this);
    viewCellSizeAction->setObjectName("viewCellSizeAction");
    fileExitAction = new QAction(this);
    fileExitAction->setObjectName("fileExitAction");
    fileExitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    multiresolutionTraditionalAction = new QAction(this);
    multiresolutionTraditionalAction->setObjectName("multiresolutionTraditionalAction");
    multiresolutionTraditionalAction->setCheckable(true);
    multiresolutionChaikinAction = new QAction(this);
    multiresolutionChaikinAction->setObjectName("multiresolutionChaikinAction");
    multiresolutionChaikinAction->setCheckable(true);
    multiresolutionChaikinAction->setChecked(true);
    multiresolutionDyn_LevinAction = new QAction(this);
    multiresolutionDyn_LevinAction->setObjectName("multiresolutionDyn_LevinAction");
    multiresolutionDyn_LevinAction->setCheckable(true);
    multiresolutionDyn_LevinAction->setEnabled(false);
    viewFitTerrainAction = new QAction(this);
    viewFitTerrainAction->setObjectName("viewFitTerrainAction");
    viewFitTerrainAction->setShortcut(QKeySequence(Qt::Key_F));
    viewFitOnLoadAction = new QAction(this);
    viewFitOnLoadAction->setObjectName("viewFitOnLoadAction");
    viewFitOnLoadAction->setCheckable(true);
    viewFitOnLoadAction->setChecked(glgrid->fitOnLoad);
    viewStartAction = new QAction(this);
    viewStartAction->setObjectName("viewStartAction");
    viewObliqueAction = new QAction(this);
    viewObliqueAction->setObjectName("viewObliqueAction");
    viewMapAction = new QAction(this);
    viewMapAction->setObjectName("viewMapAction");
    viewOrthographicAction = new QAction(this);
    viewOrthographicAction->setObjectName("viewOrthographicAction");
    viewOrthographicAction->setCheckable(true);
    viewOrthographicAction->setChecked(glgrid->orthographic);

    auto* bar = new QMenuBar(this);
    bar->setObjectName("MenuBarEditor");
    setMenuBar(bar);
    fileMenu = new QMenu(this);
    fileMenu->addAction(fileLoadAction);
    recentFilesMenu = new QMenu(fileMenu);
    recentFilesMenu->setObjectName("recentFilesMenu");
    fileMenu->addMenu(recentFilesMenu);
    fileMenu->addAction(fileExportAction);
    fileMenu->addAction(fileSaveGridAction);
    clearRecentFilesAction = new QAction(this);
    clearRecentFilesAction->setObjectName("clearRecentFilesAction");
    fileMenu->addSeparator();
    fileMenu->addAction(fileExitAction);
    bar->addMenu(fileMenu);
    multiresolutionMenu = new QMenu(this);
    multiresolutionMenu->addAction(multiresolutionTraditionalAction);
    multiresolutionMenu->addAction(multiresolutionChaikinAction);
    multiresolutionMenu->addAction(multiresolutionDyn_LevinAction);
    bar->addMenu(multiresolutionMenu);
    viewMenu = new QMenu(this);
    viewMenu->addAction(viewFitTerrainAction);
    viewMenu->addAction(viewFitOnLoadAction);
    viewMenu->addAction(viewCellSizeAction);
    viewMenu->addSeparator();
    viewMenu->addAction(viewStartAction);
    viewMenu->addAction(viewObliqueAction);
    viewMenu->addAction(viewMapAction);
    viewMenu->addSeparator();
    viewMenu->addAction(viewOrthographicAction);
    bar->addMenu(viewMenu);
}

void HypsaMainWindow::buildWorkIndicator()
{
    workProgress = new QProgressBar(statusBar());
    workProgress->setObjectName("workProgress");
    workProgress->setRange(0, 100);
    workProgress->setMaximumWidth(260);
    cancelWorkButton = new QPushButton(statusBar());
    cancelWorkButton->setObjectName("cancelWorkButton");
    // No taller than a line of text, so that the status bar (and with it the
    // view) keeps its height whether work runs or not.
    const int lineHeight = statusBar()->fontMetrics().height() + 2;
    workProgress->setMaximumHeight(lineHeight);
    cancelWorkButton->setMaximumHeight(lineHeight);
    statusBar()->addPermanentWidget(workProgress);
    statusBar()->addPermanentWidget(cancelWorkButton);
    workProgress->hide();
    cancelWorkButton->hide();
    connect(glgrid, &GLNPRGrid::workProgress, this, [this](const QString& step, int percent) {
        workProgress->setFormat(step + " %p%");
        workProgress->setValue(percent);
        workProgress->show();
        cancelWorkButton->show();
    });
    connect(glgrid, &GLNPRGrid::workIdle, workProgress, &QWidget::hide);
    connect(glgrid, &GLNPRGrid::workIdle, cancelWorkButton, &QWidget::hide);
    connect(cancelWorkButton, &QPushButton::clicked, glgrid, &GLNPRGrid::cancelWork);
    // At the full grid the level's message goes, but no other message.
    connect(glgrid, &GLNPRGrid::levelShown, this, [this](const QString& text) {
        if (!text.isEmpty())
            statusBar()->showMessage(text);
        else if (statusBar()->currentMessage().startsWith("showing level "))
            statusBar()->clearMessage();
    });
}

// The controls have their start values before this runs, so building the
// window calls no slot of the view.
void HypsaMainWindow::connectControls()
{
    connect(fileExitAction, &QAction::triggered, this, &QWidget::close);
    connect(multiresolutionChaikinAction, &QAction::triggered, this, &HypsaMainWindow::toggleOnChaikin);
    connect(multiresolutionDyn_LevinAction, &QAction::triggered, this, &HypsaMainWindow::toggleOnDynLevin);
    connect(multiresolutionTraditionalAction, &QAction::triggered, this, &HypsaMainWindow::toggleOnTraditional);
    connect(fileLoadAction, &QAction::triggered, this, &HypsaMainWindow::openFileGrid);
    connect(slider1, &QSlider::valueChanged, glgrid, &GLNPRGrid::setXRotation);
    connect(slider2, &QSlider::valueChanged, glgrid, &GLNPRGrid::setYRotation);
    connect(slider3, &QSlider::valueChanged, glgrid, &GLNPRGrid::setZRotation);
    connect(slider4, &QSlider::valueChanged, glgrid, &GLNPRGrid::setScale);
    connect(glgrid, &GLNPRGrid::scaleChanged, slider4, &QSlider::setValue);
    connect(glgrid, &GLNPRGrid::xRotationChanged, slider1, &QSlider::setValue);
    connect(glgrid, &GLNPRGrid::yRotationChanged, slider2, &QSlider::setValue);
    connect(glgrid, &GLNPRGrid::zRotationChanged, slider3, &QSlider::setValue);
    connect(viewFitTerrainAction, &QAction::triggered, glgrid, &GLNPRGrid::fitTerrain);
    connect(viewFitOnLoadAction, &QAction::toggled, glgrid, [this](bool on) { glgrid->fitOnLoad = on; });
    connect(viewStartAction, &QAction::triggered, glgrid, &GLNPRGrid::showStartView);
    connect(viewObliqueAction, &QAction::triggered, glgrid, &GLNPRGrid::showObliqueView);
    connect(viewMapAction, &QAction::triggered, glgrid, &GLNPRGrid::showMapView);
    connect(viewOrthographicAction, &QAction::toggled, glgrid, &GLNPRGrid::setOrthographic);
    connect(glgrid, &GLNPRGrid::orthographicChanged, viewOrthographicAction, &QAction::setChecked);
    connect(glgrid, qOverload<int>(&GLNPRGrid::widthChanged), grid1WidthSpinBox, &QSpinBox::setValue);
    connect(glgrid, qOverload<int>(&GLNPRGrid::heightChanged), grid1HeightSpinBox, &QSpinBox::setValue);
    connect(glgrid, &GLNPRGrid::freqChanged, grid1FrequencySB, &QSpinBox::setValue);
    connect(glgrid, &GLNPRGrid::freqChanged, this, [this] {
        const JGrid& grid = glgrid->grid;
        // No cell size shows as 0, the value the box gets for it.
        const double cellSize = grid.cellSize.value_or(0.0f);
        static_cast<SpacingBox*>(grid1FrequencySB)->showSpacing(cellSize * grid.eastWestRatio, cellSize);
    });
    connect(glgrid, &GLNPRGrid::gridLoaded, this, [this](const QString& file) {
        shownFile = file;
        updateTitle();
    });
    connect(lightsilCB, &QCheckBox::toggled, glgrid, &GLNPRGrid::setLightSilhouettes);
    connect(silhouettesCB, &QCheckBox::toggled, glgrid, &GLNPRGrid::setSilhouettes);
    connect(lightsilCB, &QCheckBox::toggled, LightGB, &QWidget::setEnabled);
    connect(silhouettesCB, &QCheckBox::toggled, slider6, &QWidget::setEnabled);
    connect(silhouettesCB, &QCheckBox::toggled, silthreshlabel, &QWidget::setEnabled);
    connect(slider6, &QSlider::valueChanged, glgrid, &GLNPRGrid::setSilThresh);
    connect(lightSilThreshSlider, &QSlider::valueChanged, glgrid, &GLNPRGrid::setLightSilThresh);
    connect(lockCBox, &QCheckBox::toggled, glgrid, &GLNPRGrid::lockSil);
    connect(lightXSBox, &QSpinBox::valueChanged, glgrid, &GLNPRGrid::setLightX);
    connect(lightYSBox, &QSpinBox::valueChanged, glgrid, &GLNPRGrid::setLightY);
    connect(lightZSBox, &QSpinBox::valueChanged, glgrid, &GLNPRGrid::setLightZ);
    connect(curvatureCB, &QCheckBox::toggled, glgrid, &GLNPRGrid::setCurvatureStrokes);
    connect(refineButton, &QPushButton::pressed, glgrid, qOverload<>(&GLNPRGrid::subdivide));
    connect(coarsenButton, &QPushButton::pressed, glgrid, qOverload<>(&GLNPRGrid::unsubdivide));
    connect(pushButton3, &QPushButton::pressed, glgrid, &GLNPRGrid::toggleDrawF1Curvature);
    connect(exaggerationSB, &QDoubleSpinBox::valueChanged, glgrid, &GLNPRGrid::setVerticalExaggeration);
    connect(contoursCB, &QCheckBox::toggled, glgrid, &GLNPRGrid::setContours);
    connect(contourIntervalSB, &QDoubleSpinBox::valueChanged, glgrid, &GLNPRGrid::setContourInterval);
    connect(profilesCB, &QCheckBox::toggled, glgrid, &GLNPRGrid::setProfiles);
    connect(profileCountSB, &QSpinBox::valueChanged, glgrid, &GLNPRGrid::setProfileCount);
    connect(hachuresCB, &QCheckBox::toggled, glgrid, &GLNPRGrid::setHachures);
    connect(hachureSpacingSB, &QDoubleSpinBox::valueChanged, glgrid, &GLNPRGrid::setHachureSpacing);
    connect(ridgesCB, &QCheckBox::toggled, glgrid, &GLNPRGrid::setRidges);
    connect(valleysCB, &QCheckBox::toggled, glgrid, &GLNPRGrid::setValleys);
    connect(ridgeThresholdSlider, &QSlider::valueChanged, glgrid, &GLNPRGrid::setRidgeThreshold);
    connect(suggestiveCB, &QCheckBox::toggled, glgrid, &GLNPRGrid::setSuggestiveContours);
    connect(highlightsCB, &QCheckBox::toggled, glgrid, &GLNPRGrid::setSuggestiveHighlights);
    connect(suggestiveThresholdSlider, &QSlider::valueChanged, glgrid, &GLNPRGrid::setSuggestiveThreshold);
}

void HypsaMainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        languageChange();
    QMainWindow::changeEvent(event);
}
