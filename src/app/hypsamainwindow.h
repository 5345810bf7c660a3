// The main window: the view above the control panel and the four view
// sliders, the File and Multiresolution menus, and the connections through
// which the controls drive the view.
#ifndef HYPSAMAINWINDOW_H
#define HYPSAMAINWINDOW_H

#include <QMainWindow>
#include <QPixmap>

class GLNPRGrid;
class QAction;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSlider;
class QDoubleSpinBox;
class QSpinBox;
class QVBoxLayout;

class HypsaMainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit HypsaMainWindow(QWidget* parent = nullptr, const char* name = nullptr,
                             Qt::WindowFlags fl = Qt::Window);
    ~HypsaMainWindow() override = default;

    // Hands a grid file to the view: a name ending in "d" or "D" goes to the
    // ASCII grid reader, any other to the float grid reader.
    void openGridFile(const QString& fileName);
    // Opens a file as if it had been chosen in the open dialog: it becomes
    // currentFileName and its folder the dialog's next start.
    void openChosenFile(const QString& fileName);

    // The files opened last, most recent first.
    static constexpr int maxRecentFiles = 8;
    const QStringList& recentFiles() const { return recentFileList; }
    // Rebuilds File > Open Recent from the list, checking which files exist.
    void updateRecentFilesMenu();
    // Writes the window's geometry and the panel's view options; also done
    // when the window closes.
    void saveSettings() const;
    // Has the view write its current drawing to fileName in the background,
    // in the format of its extension (.svg, .pdf or .png). The status bar
    // tells when it is written or stopped; a failure (nothing to draw, a name
    // of another extension included) is shown in a message box.
    void exportDrawingTo(const QString& fileName);

    GLNPRGrid* glgrid;
    QSlider* slider1;
    QSlider* slider2;
    QSlider* slider3;
    QSlider* slider4;
    QCheckBox* silhouettesCB;
    QCheckBox* lightsilCB;
    QCheckBox* lockCBox;
    QCheckBox* curvatureCB;
    QLabel* widthTextLabel;
    QSpinBox* grid1WidthSpinBox;
    QLabel* heightTextLabel;
    QSpinBox* grid1HeightSpinBox;
    QLabel* textLabel1;
    QSpinBox* grid1FrequencySB;
    QLabel* silthreshlabel;
    QSlider* slider6;
    QLabel* exaggerationLabel;
    QDoubleSpinBox* exaggerationSB;
    // Line families: a check box per family and its one value; ridges and
    // valleys share a threshold, as do suggestive contours and highlights.
    QGroupBox* linesGB;
    QCheckBox* contoursCB;
    QDoubleSpinBox* contourIntervalSB;
    QCheckBox* profilesCB;
    QSpinBox* profileCountSB;
    QCheckBox* hachuresCB;
    QDoubleSpinBox* hachureSpacingSB;
    QCheckBox* ridgesCB;
    QCheckBox* valleysCB;
    QSlider* ridgeThresholdSlider;
    QCheckBox* suggestiveCB;
    QCheckBox* highlightsCB;
    QSlider* suggestiveThresholdSlider;
    QPushButton* refineButton;
    QPushButton* coarsenButton;
    QPushButton* pushButton3;
    QGroupBox* LightGB;
    QLabel* textLabel1_2;
    QSpinBox* lightXSBox;
    QLabel* textLabel2;
    QSpinBox* lightYSBox;
    QLabel* textLabel3;
    QSpinBox* lightZSBox;
    QSlider* lightSilThreshSlider;

    QAction* fileLoadAction;
    QAction* fileExitAction;
    QAction* multiresolutionTraditionalAction;
    QAction* multiresolutionChaikinAction;
    QAction* multiresolutionDyn_LevinAction;
    QAction* clearRecentFilesAction;
    QAction* viewFitTerrainAction;
    QAction* viewFitOnLoadAction;
    QAction* viewStartAction;
    QAction* viewObliqueAction;
    QAction* viewMapAction;
    QAction* viewOrthographicAction;
    QAction* fileExportAction;
    QAction* fileSaveGridAction;
    QAction* viewCellSizeAction;
    QMenu* fileMenu;
    QMenu* recentFilesMenu;
    QMenu* multiresolutionMenu;
    // In the status bar while the view works: the step and its progress,
    // and the button that stops the work.
    QProgressBar* workProgress;
    QPushButton* cancelWorkButton;
    QMenu* viewMenu;

    QGridLayout* HypsaMainWindowLayout;
    QVBoxLayout* layout5;
    QHBoxLayout* layout15;
    QVBoxLayout* layout10;
    QHBoxLayout* layout10_2;
    QHBoxLayout* layout11;
    QHBoxLayout* layout13;
    QVBoxLayout* layout14;
    QHBoxLayout* layout10_3;
    QVBoxLayout* layout9;
    QHBoxLayout* layout6;
    QHBoxLayout* layout7;
    QHBoxLayout* layout8;

    // The last file chosen in the open dialog; also where the dialog opens.
    QString currentFileName;

public slots:
    virtual void openFileGrid();
    // File > Export Drawing...: asks for a file name and exports to it.
    void exportDrawing();
    // File > Save Grid As...: asks for a file name and has the view write the
    // terrain shown there as a GeoTIFF.
    void saveGridAs();
    // View > Cell Size...: asks for the spacing of the samples in metres and
    // gives it to the view.
    void askCellSize();
    virtual void toggleOnChaikin();
    virtual void toggleOnTraditional();
    virtual void toggleOnDynLevin();

    // What went wrong reaches the user, not only the console: a message box
    // for a failed load, the status bar for a refused command.
    void showLoadFailure(const QString& file, const QString& reason);
    // A warning box naming what failed and why, not waited for.
    void showFailureBox(const QString& objectName, const QString& title, const QString& text, const QString& reason);
    void showRefusal(const QString& reason);
    void addRecentFile(const QString& file);
    void clearRecentFiles();

protected slots:
    virtual void languageChange();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildViewSliders();
    void buildControlPanel();
    void buildLightBox();
    void buildLinesBox();
    void buildMenus();
    void buildWorkIndicator();
    void connectControls();
    void connectMessages();
    void connectRecentFiles();
    void connectGridCommands();
    void connectExport();
    void showExportFailure(const QString& file, const QString& reason);
    void restoreSettings();

    // The window title names the file shown.
    void updateTitle();

    QString shownFile;
    QStringList recentFileList;
    QString lastFolder; // where the open dialog starts when no file was chosen yet

    QPixmap windowImage;
    QPixmap refineImage;
    QPixmap coarsenImage;
};

#endif
