// The window as a desktop program: what went wrong is shown in the window,
// settings and recent files persist, files dropped on the window open.
#include "glnprgrid.h"
#include "hypsamainwindow.h"
#include "window_test_support.h"

#include "support/console_capture.h"
#include "support/temp_files.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

TEST(WindowMessages, AFailedLoadShowsTheFileAndTheReasonAndKeepsTheTerrain)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    TempFiles files;
    ConsoleCapture console;
    w.openGridFile(terrain);
    w.glgrid->waitForWork();
    const std::pair<QString, QString> failures[] = {
        {files.path("missing.grd"), files.path("missing.grd") + " was not found"},
        {files.path("lonely.flt"), files.path("lonely.hdr") + " was not found"},
        {files.write("empty.grd", "ncols 3\nnrows 3\ncellsize 30\n"), files.path("empty.grd") + " holds no height values"},
        {files.write("short.grd", "ncols 3\nnrows 3\ncellsize 30\n1 2 3 4\n"),
         "Premature end of data file: " + files.path("short.grd") +
             " holds 4 of the 9 height values (3 x 3) its header declares"},
    };
    for (const auto& [file, reason] : failures) {
        w.openGridFile(file);
        w.glgrid->waitForWork();
        auto* box = w.findChild<QMessageBox*>("loadFailureBox");
        ASSERT_NE(box, nullptr) << file.toStdString();
        EXPECT_TRUE(box->isVisible());
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->text(), QFileInfo(file).fileName() + " could not be opened.");
        EXPECT_EQ(box->informativeText(), reason);
        box->button(QMessageBox::Ok)->click();
        QTest::qWait(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(w.findChild<QMessageBox*>("loadFailureBox"), nullptr);
        // The terrain shown before stays, with its size in the panel.
        EXPECT_TRUE(w.glgrid->grid.loaded);
        EXPECT_EQ(w.glgrid->grid.width, 403u);
        EXPECT_EQ(w.glgrid->vertices.size(), 403u * 344u);
    }
    // The console keeps its lines.
    EXPECT_NE(console.text().find("Error, " + files.path("missing.grd").toStdString() + " was not found\n"),
              std::string::npos);
}

// File > Save Grid As... and View > Cell Size...: the view writes the
// terrain shown and takes a new spacing; the window reports how it went.
TEST(WindowMessages, SavedGridsAndNewCellSizes)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    TempFiles files;
    w.openGridFile(terrain);
    w.glgrid->waitForWork();
    w.glgrid->saveGrid(files.path("saved.tif"));
    EXPECT_EQ(w.statusBar()->currentMessage(), "The 403 x 344 grid was saved to " + files.path("saved.tif"));
    JGrid back;
    ASSERT_TRUE(back.loadFile(files.path("saved.tif")));
    EXPECT_TRUE(back.heights == w.glgrid->grid.heights);
    w.glgrid->saveGrid(files.path("no/such/folder/saved.tif"));
    auto* box = w.findChild<QMessageBox*>("saveFailureBox");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "saved.tif could not be written.");
    EXPECT_TRUE(box->informativeText().startsWith("Cannot write " + files.path("no/such/folder/saved.tif")));
    box->button(QMessageBox::Ok)->click();

    // A spacing of 30 m instead of 90 m draws the relief three times as high.
    const double top = w.glgrid->vertices[0][2];
    w.glgrid->setCellSize(30.0);
    w.glgrid->waitForWork();
    EXPECT_EQ(w.glgrid->grid.cellSize, 30.0f);
    EXPECT_EQ(w.grid1FrequencySB->value(), 30);
    EXPECT_NEAR(w.glgrid->vertices[0][2], 3.0 * top, 1e-6);
}

TEST(WindowMessages, RefusalsShowInTheStatusBar)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    ConsoleCapture console;
    w.coarsenButton->click();
    w.glgrid->waitForWork();
    EXPECT_EQ(w.statusBar()->currentMessage(), "There is no terrain to change: open a grid first.");

    TempFiles files;
    w.openGridFile(files.write("small.grd", "ncols 4\nnrows 4\ncellsize 30\n1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n"));
    w.glgrid->waitForWork();
    w.statusBar()->clearMessage();
    w.refineButton->click(); // 4 x 4 refines to 6 x 6
    w.glgrid->waitForWork();
    EXPECT_EQ(w.glgrid->grid.width, 6u);
    EXPECT_EQ(w.statusBar()->currentMessage(), "");
    w.coarsenButton->click();
    w.glgrid->waitForWork();
    EXPECT_EQ(w.statusBar()->currentMessage(), "The 6 x 6 grid was left unchanged.");
    EXPECT_EQ(w.glgrid->grid.width, 6u);

    // A refinement beyond the sample limit: pretend the terrain is 20000 x
    // 20000. The refusal names the limit, not memory.
    w.glgrid->grid.width = w.glgrid->grid.height = 20000;
    w.refineButton->click();
    w.glgrid->waitForWork();
    w.glgrid->grid.width = w.glgrid->grid.height = 6;
    EXPECT_EQ(w.statusBar()->currentMessage(),
              "The refined grid of 39998 x 39998 samples would exceed the limit of 268435456 samples");
}

namespace {

// A small ASCII grid of its own, so that loads are quick and files can go.
QString smallGrid(const TempFiles& files, const QString& name)
{
    return files.write(name, "ncols 4\nnrows 4\ncellsize 30\n1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n");
}

QStringList entryTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* a : menu->actions())
        texts << (a->isSeparator() ? QString("--") : a->text() + (a->isEnabled() ? "" : " [grey]"));
    return texts;
}

// Where the open dialog starts; the dialog is cancelled.
QString dialogStartFolder(HypsaMainWindow& w)
{
    QString folder;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            folder = dialog->directory().absolutePath();
            dialog->reject();
        }
    });
    w.openFileGrid();
    return folder;
}

} // namespace

TEST(RecentFiles, ListLoadsInOrderGreyMissingOnesAndClear)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    TempFiles files;
    ConsoleCapture console;
    const QString a = smallGrid(files, "a.grd");
    const QString b = smallGrid(files, "b&c.grd");
    const QString c = smallGrid(files, "c.grd");
    // Each load runs to its end: a new file would stop the one still loading.
    for (const QString& f : {a, b, c, a}) {
        w.openChosenFile(f);
        w.glgrid->waitForWork();
    }
    w.openChosenFile(files.path("missing.grd")); // a failed load is not listed
    w.glgrid->waitForWork();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w.recentFiles(), QStringList({a, c, b}));
    QFile::remove(b);
    w.updateRecentFilesMenu();
    EXPECT_EQ(entryTexts(w.recentFilesMenu),
              QStringList({"&1 a.grd", "&2 c.grd", "&3 b&&c.grd (no longer exists) [grey]", "--", "&Clear"}));

    // Choosing an entry opens it as the dialog would.
    w.recentFilesMenu->actions().at(1)->trigger();
    w.glgrid->waitForWork();
    EXPECT_EQ(w.currentFileName, c);
    EXPECT_EQ(w.recentFiles().first(), c);

    // Eight at most, the oldest dropped.
    for (int i = 0; i < 9; ++i) {
        w.openChosenFile(smallGrid(files, QString("g%1.grd").arg(i)));
        w.glgrid->waitForWork();
    }
    ASSERT_EQ(w.recentFiles().size(), HypsaMainWindow::maxRecentFiles);
    EXPECT_EQ(w.recentFiles().first(), files.path("g8.grd"));
    EXPECT_EQ(w.recentFiles().last(), files.path("g1.grd"));

    w.clearRecentFilesAction->trigger();
    EXPECT_TRUE(w.recentFiles().isEmpty());
    EXPECT_EQ(entryTexts(w.recentFilesMenu), QStringList({"--", "&Clear [grey]"}));
    HypsaMainWindow next;
    EXPECT_TRUE(next.recentFiles().isEmpty());
}

TEST(Settings, WhatOneWindowWritesComesBackInTheNext)
{
    TempFiles files;
    const QString grid = smallGrid(files, "remembered.grd");
    {
        ShownWindow shown;
        HypsaMainWindow& w = shown.w;
        ConsoleCapture console;
        w.openChosenFile(grid);
        w.glgrid->waitForWork();
        w.slider1->setValue(30);
        w.slider4->setValue(55);
        w.silhouettesCB->setChecked(false);
        w.lightsilCB->setChecked(true);
        w.curvatureCB->setChecked(true);
        w.lightSilThreshSlider->setValue(70);
        w.lightXSBox->setValue(-500);
        w.exaggerationSB->setValue(2.5);
        w.contoursCB->setChecked(true);
        w.contourIntervalSB->setValue(12.5);
        w.hachuresCB->setChecked(true);
        w.hachureSpacingSB->setValue(75);
        w.profileCountSB->setValue(33);
        w.valleysCB->setChecked(true);
        w.ridgeThresholdSlider->setValue(25);
        w.highlightsCB->setChecked(true);
        w.suggestiveThresholdSlider->setValue(65);
        w.viewFitOnLoadAction->setChecked(false);
        w.viewMapAction->trigger();
        w.resize(820, 790);
        w.close();
    }
    HypsaMainWindow w;
    EXPECT_EQ(w.size(), QSize(820, 790));
    EXPECT_EQ(w.recentFiles(), QStringList{grid});
    EXPECT_TRUE(w.currentFileName.isEmpty());
    EXPECT_EQ(dialogStartFolder(w), QFileInfo(grid).absolutePath());
    EXPECT_EQ(w.slider1->value(), 75); // the map view's
    EXPECT_EQ(w.slider4->value(), 55);
    EXPECT_FALSE(w.viewFitOnLoadAction->isChecked());
    EXPECT_FALSE(w.glgrid->fitOnLoad);
    EXPECT_TRUE(w.viewOrthographicAction->isChecked());
    EXPECT_TRUE(w.glgrid->orthographic);
    EXPECT_FALSE(w.silhouettesCB->isChecked());
    EXPECT_FALSE(w.slider6->isEnabled());
    EXPECT_TRUE(w.lightsilCB->isChecked());
    EXPECT_TRUE(w.LightGB->isEnabled());
    EXPECT_TRUE(w.curvatureCB->isChecked());
    EXPECT_EQ(w.lightSilThreshSlider->value(), 70);
    EXPECT_EQ(w.lightXSBox->value(), -500);
    // The restored options reach the view.
    EXPECT_EQ(w.glgrid->xRot, 75.0f);
    EXPECT_FLOAT_EQ(w.glgrid->viewScale, 6.5f);
    EXPECT_FALSE(w.glgrid->showSilhouettes);
    EXPECT_TRUE(w.glgrid->showLightSilhouettes);
    EXPECT_TRUE(w.glgrid->curvatureStrokes);
    EXPECT_FLOAT_EQ(w.glgrid->lightSilThreshold, 0.7f);
    EXPECT_EQ(w.glgrid->lightPosition[0], -500.0);
    EXPECT_EQ(w.exaggerationSB->value(), 2.5);
    EXPECT_EQ(w.glgrid->grid.verticalExaggeration, 2.5f);
    EXPECT_TRUE(w.contoursCB->isChecked());
    EXPECT_FALSE(w.profilesCB->isChecked());
    EXPECT_TRUE(w.hachuresCB->isChecked());
    EXPECT_EQ(w.profileCountSB->value(), 33);
    const MapLineSettings& lines = w.glgrid->lineSettings;
    EXPECT_TRUE(lines.contours && lines.hachures && !lines.profiles);
    EXPECT_EQ(lines.contourInterval, 12.5);
    EXPECT_EQ(lines.hachureSpacing, 75.0);
    EXPECT_EQ(lines.profileCount, 33);
    EXPECT_TRUE(w.valleysCB->isChecked() && w.highlightsCB->isChecked());
    EXPECT_FALSE(w.ridgesCB->isChecked() || w.suggestiveCB->isChecked());
    EXPECT_TRUE(lines.valleys && lines.highlights && !lines.ridges && !lines.suggestive);
    EXPECT_EQ(lines.ridgeThreshold, 25);
    EXPECT_EQ(lines.suggestiveThreshold, 65);

    // Values from a damaged settings file are clamped by the controls.
    QSettings().setValue("panel/scale", 5000);
    QSettings().setValue("panel/lightY", "many");
    QSettings().setValue("panel/verticalExaggeration", -3);
    QSettings().setValue("panel/profileCount", 1e9);
    QSettings().setValue("panel/contourInterval", -1);
    QSettings().setValue("panel/ridgeThreshold", 250);
    HypsaMainWindow damaged;
    EXPECT_EQ(damaged.slider4->value(), 100);
    EXPECT_EQ(damaged.lightYSBox->value(), 0);
    EXPECT_EQ(damaged.exaggerationSB->value(), 0.1);
    EXPECT_EQ(damaged.profileCountSB->value(), maxProfileCount);
    EXPECT_EQ(damaged.contourIntervalSB->value(), 0.0);
    EXPECT_EQ(damaged.glgrid->lineSettings.contourInterval, 0.0);
    EXPECT_EQ(damaged.glgrid->lineSettings.ridgeThreshold, 100);
}

TEST(DropFiles, ADroppedFileOpensAsIfChosen)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    TempFiles files;
    const QString grid = smallGrid(files, "dropped.grd");
    const auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = w.glgrid->geometry().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &dropped);
        w.glgrid->waitForWork();
        return dropped.isAccepted();
    };
    ConsoleCapture console;
    EXPECT_FALSE(drop({QUrl("https://example.org/terrain.grd")}));
    EXPECT_FALSE(drop({QUrl::fromLocalFile(grid), QUrl::fromLocalFile(terrain)}));
    EXPECT_FALSE(drop({QUrl::fromLocalFile(files.path(""))}));
    EXPECT_FALSE(w.glgrid->grid.loaded);

    ASSERT_TRUE(drop({QUrl::fromLocalFile(grid)}));
    EXPECT_TRUE(w.glgrid->grid.loaded);
    EXPECT_EQ(w.glgrid->grid.width, 4u);
    EXPECT_EQ(w.currentFileName, grid);
    EXPECT_EQ(w.recentFiles(), QStringList{grid});

    // A file that is not a grid is refused in the window; the terrain stays.
    ASSERT_TRUE(drop({QUrl::fromLocalFile(files.write("notes.txt", "not a grid\n"))}));
    auto* box = w.findChild<QMessageBox*>("loadFailureBox");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "notes.txt could not be opened.");
    EXPECT_TRUE(box->informativeText().startsWith(files.path("notes.txt") + " cannot be read as a raster"))
        << box->informativeText().toStdString();
    box->close();
    EXPECT_EQ(w.glgrid->grid.width, 4u);
}

TEST(Settings, ResetSettingsForgetsThemAtStart)
{
    QTemporaryDir config;
    const QString file = config.filePath("npr-hypsa/hypsa.conf");
    {
        QSettings written(file, QSettings::NativeFormat);
        written.setValue("recentFiles", QStringList{"/data/a.grd"});
        written.setValue("panel/scale", 40);
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", config.path());
    QProcess viewer;
    viewer.setProcessEnvironment(environment);
    viewer.start(QStringLiteral(HYPSA_BIN_DIR "/hypsa"), {"--reset-settings"});
    ASSERT_TRUE(viewer.waitForStarted());
    bool forgotten = false;
    for (int i = 0; i < 100 && !forgotten; ++i) {
        QTest::qWait(100);
        forgotten = QSettings(file, QSettings::NativeFormat).allKeys().isEmpty();
    }
    viewer.kill();
    viewer.waitForFinished();
    EXPECT_TRUE(forgotten);
}
