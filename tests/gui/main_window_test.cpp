#include "glnprgrid.h"
#include "hypsamainwindow.h"
#include "support/tool_run.h"
#include "window_test_support.h"

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>

#include <gtest/gtest.h>

TEST(MainWindow, TitleSizeAndViewPlacement)
{
    HypsaMainWindow w;
    EXPECT_EQ(w.objectName(), QString("HypsaMainWindow"));
    EXPECT_EQ(w.windowTitle(), QString("NPR Hypsa Viewer"));
    EXPECT_EQ(w.size(), QSize(699, 734).expandedTo(w.minimumSizeHint()));
    EXPECT_NE(w.statusBar(), nullptr);
    ASSERT_NE(w.centralWidget(), nullptr);
    EXPECT_EQ(w.centralWidget()->objectName(), QString("qt_central_widget"));
    EXPECT_EQ(w.HypsaMainWindowLayout->objectName(), QString("HypsaMainWindowLayout"));
    EXPECT_EQ(w.HypsaMainWindowLayout->spacing(), 6);
    EXPECT_EQ(w.HypsaMainWindowLayout->contentsMargins(), QMargins(11, 11, 11, 11));
    EXPECT_EQ(w.glgrid->objectName(), QString("glgrid"));
    EXPECT_EQ(w.glgrid->parentWidget(), w.centralWidget());
    EXPECT_EQ(w.glgrid->minimumSize(), QSize(300, 200));
    const QSizePolicy p = w.glgrid->sizePolicy();
    EXPECT_EQ(p.horizontalPolicy(), QSizePolicy::Expanding);
    EXPECT_EQ(p.verticalPolicy(), QSizePolicy::Expanding);
    EXPECT_EQ(p.horizontalStretch(), 1);
    EXPECT_EQ(p.verticalStretch(), 1);
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
    w.HypsaMainWindowLayout->getItemPosition(w.HypsaMainWindowLayout->indexOf(w.glgrid), &row, &column, &rowSpan,
                                            &columnSpan);
    EXPECT_EQ(row, 0);
    EXPECT_EQ(column, 0);
}

TEST(MainWindow, MenusAndActions)
{
    HypsaMainWindow w;
    EXPECT_EQ(w.menuBar()->objectName(), QString("MenuBarEditor"));
    const QList<QAction*> top = w.menuBar()->actions();
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[0]->text(), QString("&File"));
    EXPECT_EQ(top[1]->text(), QString("&Multiresolution"));
    EXPECT_EQ(top[2]->text(), QString("&View"));
    const QList<QAction*> view = w.viewMenu->actions();
    ASSERT_EQ(view.size(), 9);
    EXPECT_EQ(view[0], w.viewFitTerrainAction);
    EXPECT_EQ(w.viewFitTerrainAction->text(), QString("&Fit Terrain"));
    EXPECT_EQ(w.viewFitTerrainAction->shortcut(), QKeySequence(Qt::Key_F));
    EXPECT_EQ(view[1], w.viewFitOnLoadAction);
    EXPECT_EQ(w.viewFitOnLoadAction->text(), QString("Fit on Load"));
    EXPECT_TRUE(w.viewFitOnLoadAction->isCheckable());
    EXPECT_TRUE(w.viewFitOnLoadAction->isChecked());
    EXPECT_EQ(view[2], w.viewCellSizeAction);
    EXPECT_EQ(w.viewCellSizeAction->text(), QString("Cell Size..."));
    EXPECT_TRUE(view[3]->isSeparator());
    EXPECT_EQ(view[4]->text(), QString("Start View"));
    EXPECT_EQ(view[5]->text(), QString("Oblique"));
    EXPECT_EQ(view[6]->text(), QString("Map"));
    EXPECT_TRUE(view[7]->isSeparator());
    EXPECT_EQ(view[8], w.viewOrthographicAction);
    EXPECT_EQ(w.viewOrthographicAction->text(), QString("Orthographic"));
    EXPECT_TRUE(w.viewOrthographicAction->isCheckable());
    EXPECT_FALSE(w.viewOrthographicAction->isChecked());

    const QList<QAction*> file = w.fileMenu->actions();
    ASSERT_EQ(file.size(), 6);
    EXPECT_EQ(file[0], w.fileLoadAction);
    EXPECT_EQ(file[1]->menu(), w.recentFilesMenu);
    EXPECT_EQ(file[1]->text(), QString("Open &Recent"));
    EXPECT_EQ(file[2], w.fileExportAction);
    EXPECT_EQ(w.fileExportAction->text(), QString("Export &Drawing..."));
    EXPECT_EQ(w.fileExportAction->shortcut().toString(QKeySequence::NativeText), QString("Ctrl+E"));
    EXPECT_EQ(file[3], w.fileSaveGridAction);
    EXPECT_EQ(w.fileSaveGridAction->text(), QString("Save Grid As..."));
    EXPECT_TRUE(file[4]->isSeparator());
    EXPECT_EQ(file[5], w.fileExitAction);
    EXPECT_EQ(w.fileLoadAction->text(), QString("&Load"));
    EXPECT_EQ(w.fileExitAction->text(), QString("E&xit"));

    const QList<QAction*> schemes = w.multiresolutionMenu->actions();
    ASSERT_EQ(schemes.size(), 3);
    EXPECT_EQ(schemes[0]->text(), QString("&Traditional"));
    EXPECT_EQ(schemes[1]->text(), QString("&Chaikin"));
    EXPECT_EQ(schemes[2]->text(), QString("&Dyn-Levin"));
    for (QAction* a : schemes)
        EXPECT_TRUE(a->isCheckable());
    EXPECT_FALSE(w.multiresolutionTraditionalAction->isChecked());
    EXPECT_TRUE(w.multiresolutionChaikinAction->isChecked());
    EXPECT_FALSE(w.multiresolutionDyn_LevinAction->isChecked());
    EXPECT_FALSE(w.multiresolutionDyn_LevinAction->isEnabled());
    EXPECT_TRUE(w.multiresolutionTraditionalAction->isEnabled());
}

// The title names the file shown: a failed load keeps it, a language change
// restores it.
TEST(MainWindow, TitleNamesTheFileShown)
{
    HypsaMainWindow w;
    w.setWindowTitle("something else");
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(&w, &change);
    EXPECT_EQ(w.windowTitle(), QString("NPR Hypsa Viewer"));
    w.openGridFile(HYPSA_SOURCE_DIR "/data/jacksboro.tif");
    w.glgrid->waitForWork();
    EXPECT_EQ(w.windowTitle(), QString("jacksboro.tif - NPR Hypsa Viewer"));
    w.openGridFile(HYPSA_SOURCE_DIR "/data/missing.grd");
    w.glgrid->waitForWork();
    EXPECT_EQ(w.windowTitle(), QString("jacksboro.tif - NPR Hypsa Viewer"));
    w.setWindowTitle("something else");
    QApplication::sendEvent(&w, &change);
    EXPECT_EQ(w.windowTitle(), QString("jacksboro.tif - NPR Hypsa Viewer"));
}

TEST(MainWindow, ExitEndsTheEventLoopWithStatusZero)
{
    HypsaMainWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTimer::singleShot(0, w.fileExitAction, &QAction::trigger);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(w.isVisible());

    // Ctrl+Q anywhere in the window does the same; the menu shows the keys.
    HypsaMainWindow second;
    second.show();
    second.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&second));
    EXPECT_EQ(second.fileExitAction->shortcut().toString(QKeySequence::NativeText), QString("Ctrl+Q"));
    EXPECT_EQ(second.fileLoadAction->shortcut().toString(QKeySequence::NativeText), QString("Ctrl+O"));
    QTest::keyClick(second.slider1, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(second.isVisible());
}

// Ctrl+O and Ctrl+E also work while a spin box has the focus (its text field
// took them before); a plain key stays an editable box's.
TEST(MainWindow, ShortcutsWorkWhileASpinBoxHasTheFocus)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.fileLoadAction->disconnect();
    w.fileExportAction->disconnect();
    w.viewFitTerrainAction->disconnect();
    QSignalSpy load(w.fileLoadAction, &QAction::triggered);
    QSignalSpy exportDrawing(w.fileExportAction, &QAction::triggered);
    QSignalSpy fit(w.viewFitTerrainAction, &QAction::triggered);
    w.LightGB->setEnabled(true);
    int expected = 0;
    for (QAbstractSpinBox* box : std::initializer_list<QAbstractSpinBox*>{w.exaggerationSB, w.lightXSBox,
                                                                         w.grid1WidthSpinBox}) {
        box->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), box);
        QTest::keyClick(box, Qt::Key_O, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_E, Qt::ControlModifier);
        if (!box->isReadOnly())
            QTest::keyClick(box, Qt::Key_F);
        ++expected;
        EXPECT_EQ(load.count(), expected) << box->objectName().toStdString();
        EXPECT_EQ(exportDrawing.count(), expected) << box->objectName().toStdString();
    }
    EXPECT_EQ(fit.count(), 0);
}

TEST(MainWindow, CommandLineOfTheViewer)
{
    // --help and --version answer on a console without a display.
    const ToolRun help = runTool("hypsa", {"--help"}, withoutDisplay());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: hypsa [options] [FILE]\n")) << help.out;
    EXPECT_EQ(help.err, "");
    const ToolRun version = runTool("hypsa", {"--version"}, withoutDisplay());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "hypsa " HYPSA_VERSION "\n");

    // Usage errors end the program before its window opens, with a display
    // or without one.
    const std::pair<QStringList, std::string> cases[] = {
        {{"--bogus"}, "unknown option \"--bogus\""},
        {{"-x", "data.grd"}, "unknown option \"-x\""},
        {{"one.grd", "two.grd"}, "give at most one grid file"},
        {{"--max-samples", "-1"}, "--max-samples needs a whole number from 0 to 268435456"},
        {{"--max-samples", "268435457"}, "--max-samples needs a whole number from 0 to 268435456"},
        {{"--cellsize", "x"}, "--cellsize needs a number of metres above 0"},
    };
    for (const auto& [arguments, reason] : cases)
        for (const auto& environment : {QProcessEnvironment::systemEnvironment(), withoutDisplay()}) {
            const ToolRun run = runTool("hypsa", arguments, environment);
            EXPECT_EQ(run.exitCode, 2) << reason;
            // Qt may print its own warnings first.
            EXPECT_TRUE(run.err.ends_with("hypsa: " + reason + "\n" + help.out)) << run.err;
        }

    // Without a display the viewer says so in one line and ends, also with
    // a file to open.
    for (const QStringList& arguments : {QStringList{}, QStringList{HYPSA_SOURCE_DIR "/data/jacksboro.grd"}}) {
        const ToolRun run = runTool("hypsa", arguments, withoutDisplay());
        EXPECT_EQ(run.exitCode, 1);
        // Qt may print its own warnings first.
        const QStringList own = QString::fromStdString(run.err).split('\n').filter(QRegularExpression("^hypsa"));
        EXPECT_EQ(own, QStringList{"hypsa: no display to show the window on (DISPLAY is not set); "
                                   "hypsa-render draws without one"})
            << run.err;
        EXPECT_TRUE(run.err.ends_with("draws without one\n"));
        EXPECT_EQ(run.out, "");
    }
}

TEST(MainWindow, KeyFFitsTheTerrainAndTheWheelStepsTheScaleSlider)
{
    HypsaMainWindow w;
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.glgrid->loadGRDFile(QStringLiteral(HYPSA_SOURCE_DIR "/data/jacksboro.grd"));
    w.glgrid->waitForWork();
    w.glgrid->xTrans = 40.0f;
    QTest::keyClick(w.glgrid, Qt::Key_F);
    EXPECT_LT(std::abs(w.glgrid->xTrans), 10.0f);
    EXPECT_NE(w.glgrid->zTrans, 0.0f);

    // One notch up is one step of the scale slider, which follows.
    const QPoint centre = w.glgrid->rect().center();
    QWheelEvent up(centre, w.glgrid->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.glgrid, &up);
    EXPECT_EQ(w.slider4->value(), 11);
    EXPECT_FLOAT_EQ(w.glgrid->viewScale, 2.1f);
    QWheelEvent down(centre, w.glgrid->mapToGlobal(centre), QPoint(), QPoint(0, -360), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.glgrid, &down);
    EXPECT_EQ(w.slider4->value(), 8);
    EXPECT_FLOAT_EQ(w.glgrid->viewScale, 1.8f);
    // The slider's ends hold.
    w.slider4->setValue(100);
    QApplication::sendEvent(w.glgrid, &up);
    EXPECT_EQ(w.slider4->value(), 100);
    EXPECT_FLOAT_EQ(w.glgrid->viewScale, 11.0f);
}

// The View menu's presets set the sliders and the projection; the middle
// button (or Ctrl + left) orbits, and the sliders follow; Fit on Load fits a
// new terrain, or leaves the view as it is when unchecked.
TEST(MainWindow, ViewPresetsOrbitAndFitOnLoad)
{
    HypsaMainWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    GLNPRGrid* v = w.glgrid;
    v->loadGRDFile(QStringLiteral(HYPSA_SOURCE_DIR "/data/jacksboro.grd"));
    v->waitForWork();
    EXPECT_NE(v->zTrans, 0.0f); // fitted on load

    w.slider4->setValue(30);
    w.viewMapAction->trigger();
    EXPECT_EQ(w.slider1->value(), 75);
    EXPECT_EQ(w.slider2->value(), 0);
    EXPECT_EQ(w.slider3->value(), 0);
    EXPECT_TRUE(v->orthographic);
    EXPECT_TRUE(w.viewOrthographicAction->isChecked());
    EXPECT_EQ(w.slider4->value(), 30); // the scale stays
    w.viewObliqueAction->trigger();
    EXPECT_EQ(w.slider1->value(), 30);
    EXPECT_FALSE(w.viewOrthographicAction->isChecked());
    w.viewOrthographicAction->trigger();
    EXPECT_TRUE(v->orthographic);
    w.viewStartAction->trigger();
    EXPECT_EQ(w.slider1->value(), 0);
    EXPECT_EQ(w.slider4->value(), 10);
    EXPECT_FALSE(v->orthographic);
    EXPECT_EQ(v->xTrans, 0.0f);
    EXPECT_EQ(v->zTrans, 0.0f);

    // Orbiting changes the rotation sliders and nothing else.
    const float x = v->xTrans, y = v->yTrans, z = v->zTrans, scale = v->viewScale;
    QTest::mousePress(v, Qt::MiddleButton, {}, QPoint(100, 100));
    QTest::mouseMove(v, QPoint(140, 90));
    QTest::mouseRelease(v, Qt::MiddleButton, {}, QPoint(140, 90));
    EXPECT_EQ(w.slider3->value(), 20);
    EXPECT_EQ(w.slider1->value(), 355);
    EXPECT_EQ(w.slider2->value(), 0);
    QTest::mousePress(v, Qt::LeftButton, Qt::ControlModifier, QPoint(100, 100));
    QTest::mouseMove(v, QPoint(100, 130));
    QTest::mouseRelease(v, Qt::LeftButton, Qt::ControlModifier, QPoint(100, 130));
    EXPECT_EQ(w.slider1->value(), 10);
    EXPECT_EQ(v->xRot, 10.0f);
    EXPECT_EQ(v->zRot, 20.0f);
    EXPECT_EQ(v->xTrans, x);
    EXPECT_EQ(v->yTrans, y);
    EXPECT_EQ(v->zTrans, z);
    EXPECT_EQ(v->viewScale, scale);

    w.viewFitOnLoadAction->trigger();
    EXPECT_FALSE(v->fitOnLoad);
    v->loadGRDFile(QStringLiteral(HYPSA_SOURCE_DIR "/data/jacksboro.grd"));
    v->waitForWork();
    EXPECT_EQ(v->xTrans, x);
    EXPECT_EQ(v->zTrans, z);
}
