#include "glnprgrid.h"
#include "hypsamainwindow.h"
#include "spacing_box.h"
#include "window_test_support.h"

#include "support/console_capture.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QGridLayout>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>

namespace {

// Picks `file` in the open dialog as soon as it shows; records where it opened.
QString chooseInDialog(HypsaMainWindow& w, const QString& file)
{
    QString openedAt;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->objectName(), QString("Open File"));
        ASSERT_EQ(dialog->nameFilters().size(), 3);
        EXPECT_TRUE(dialog->nameFilters()[0].contains("*.tif"));
        EXPECT_EQ(dialog->nameFilters()[2], QString("All files (*)"));
        openedAt = dialog->directory().absolutePath();
        dialog->selectFile(file);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    w.openFileGrid();
    w.glgrid->waitForWork();
    return openedAt;
}

} // namespace

TEST(ControlPanel, RangesStartValuesAndTexts)
{
    HypsaMainWindow w;
    for (QSlider* s : {w.slider1, w.slider2, w.slider3}) {
        EXPECT_EQ(s->minimum(), 0);
        EXPECT_EQ(s->maximum(), 359);
        EXPECT_EQ(s->value(), 0);
        EXPECT_EQ(s->orientation(), Qt::Horizontal);
    }
    EXPECT_EQ(w.slider4->maximum(), 100);
    EXPECT_EQ(w.slider4->value(), 10);
    EXPECT_EQ(w.slider4->pageStep(), 0);
    EXPECT_EQ(w.slider6->maximum(), 100);
    EXPECT_EQ(w.slider6->value(), 20);
    EXPECT_EQ(w.lightSilThreshSlider->orientation(), Qt::Vertical);
    EXPECT_EQ(w.lightSilThreshSlider->value(), 20);
    // The size boxes reach the sample limit; the three grid boxes only show.
    for (QSpinBox* b : {w.grid1WidthSpinBox, w.grid1HeightSpinBox}) {
        EXPECT_EQ(b->maximum(), 268435456);
        EXPECT_EQ(b->value(), 0);
    }
    EXPECT_EQ(w.grid1FrequencySB->maximum(), 2000);
    EXPECT_EQ(w.grid1FrequencySB->text(), QString("0 m"));
    for (QSpinBox* b : {w.grid1WidthSpinBox, w.grid1HeightSpinBox, w.grid1FrequencySB}) {
        EXPECT_TRUE(b->isReadOnly());
        EXPECT_EQ(b->buttonSymbols(), QAbstractSpinBox::NoButtons);
    }
    for (QSpinBox* b : {w.lightXSBox, w.lightYSBox, w.lightZSBox}) {
        EXPECT_EQ(b->minimum(), -10000);
        EXPECT_EQ(b->maximum(), 10000);
        EXPECT_EQ(b->value(), 1000);
        EXPECT_EQ(b->parentWidget(), w.LightGB);
    }
    EXPECT_TRUE(w.silhouettesCB->isChecked());
    EXPECT_FALSE(w.lightsilCB->isChecked());
    EXPECT_FALSE(w.lockCBox->isChecked());
    EXPECT_FALSE(w.curvatureCB->isChecked());
    EXPECT_FALSE(w.LightGB->isEnabled());
    EXPECT_TRUE(w.slider6->isEnabled());
    EXPECT_TRUE(w.silthreshlabel->isEnabled());
    EXPECT_EQ(w.LightGB->maximumSize(), QSize(200, 125));
    EXPECT_EQ(w.refineButton->maximumSize(), QSize(50, 32767));
    EXPECT_TRUE(w.refineButton->text().isEmpty());
    EXPECT_EQ(w.refineButton->toolTip(), QString("Refine"));
    EXPECT_EQ(w.coarsenButton->toolTip(), QString("Coarsen"));
    EXPECT_FALSE(w.refineButton->icon().isNull());
    EXPECT_EQ(w.pushButton3->text(), QString("Curve"));
    EXPECT_EQ(w.silhouettesCB->text(), QString("Draw silhouettes"));
    EXPECT_EQ(w.lightsilCB->text(), QString("Draw light silhouettes"));
    EXPECT_EQ(w.lockCBox->text(), QString("Lock Silhouettes"));
    EXPECT_EQ(w.curvatureCB->text(), QString("Curvature Strokes"));
    EXPECT_EQ(w.textLabel1->text(), QString("Resolution"));
    EXPECT_EQ(w.silthreshlabel->text(), QString("Sil. Threshold"));
    EXPECT_EQ(w.exaggerationLabel->text(), QString("Vertical Exaggeration"));
    EXPECT_EQ(w.exaggerationSB->minimum(), 0.1);
    EXPECT_EQ(w.exaggerationSB->maximum(), 50.0);
    EXPECT_EQ(w.exaggerationSB->singleStep(), 0.1);
    EXPECT_EQ(w.exaggerationSB->value(), 1.0);
    EXPECT_EQ(w.LightGB->title(), QString("Light Position"));
    EXPECT_EQ(w.textLabel1_2->text(), QString("X:"));
    EXPECT_EQ(w.textLabel3->text(), QString("Z:"));
    EXPECT_EQ(w.widthTextLabel->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_FALSE(w.windowIcon().isNull());
    // Building the window called no slot: the view keeps its own start state.
    EXPECT_EQ(w.glgrid->viewScale, 2.0f);
    EXPECT_EQ(w.glgrid->silThreshold, 0.2f);
}

TEST(ControlPanel, LayoutRowsFromTopToBottom)
{
    HypsaMainWindow w;
    int row = -1, column, span, columnSpan;
    w.HypsaMainWindowLayout->getItemPosition(w.HypsaMainWindowLayout->indexOf(w.layout15), &row, &column, &span,
                                            &columnSpan);
    EXPECT_EQ(row, 1);
    w.HypsaMainWindowLayout->getItemPosition(w.HypsaMainWindowLayout->indexOf(w.layout5), &row, &column, &span,
                                            &columnSpan);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(w.layout5->count(), 4);
    EXPECT_EQ(w.layout5->itemAt(3)->widget(), w.slider4);
    EXPECT_EQ(w.layout15->count(), 3);
    EXPECT_EQ(w.layout15->itemAt(2)->widget(), w.LightGB);
    EXPECT_EQ(w.layout14->itemAt(0)->widget(), w.refineButton);
    EXPECT_EQ(w.layout14->itemAt(2)->widget(), w.pushButton3);
    EXPECT_EQ(w.layout11->itemAt(5)->widget(), w.grid1FrequencySB);
    EXPECT_EQ(w.layout10_3->itemAt(1)->widget(), w.lightSilThreshSlider);
    EXPECT_EQ(w.layout15->spacing(), 6);
    EXPECT_EQ(w.layout15->contentsMargins(), QMargins(0, 0, 0, 0));
}

TEST(ControlPanel, SlidersAndSpinBoxesReachTheirSlots)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    GLNPRGrid* v = w.glgrid;
    w.slider1->setValue(359);
    w.slider2->setValue(90);
    w.slider3->setValue(1);
    EXPECT_EQ(v->xRot, 359.0f);
    EXPECT_EQ(v->yRot, 90.0f);
    EXPECT_EQ(v->zRot, 1.0f);
    w.slider4->setValue(0);
    EXPECT_EQ(v->viewScale, 1.0f);
    w.slider4->setValue(100);
    EXPECT_EQ(v->viewScale, 11.0f);
    w.slider6->setValue(100);
    EXPECT_EQ(v->silThreshold, 1.0f);
    w.lightSilThreshSlider->setValue(5);
    EXPECT_EQ(v->lightSilThreshold, 0.05f);
    w.lightXSBox->setValue(-10000);
    w.lightYSBox->setValue(20);
    w.lightZSBox->setValue(10000);
    EXPECT_EQ(v->lightPosition, gmVec3(-10000, 20, 10000));
}

TEST(ControlPanel, CheckBoxesSwitchTheViewAndEnableTheirControls)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    w.silhouettesCB->setChecked(false);
    EXPECT_FALSE(w.glgrid->showSilhouettes);
    EXPECT_FALSE(w.slider6->isEnabled());
    EXPECT_FALSE(w.silthreshlabel->isEnabled());
    w.silhouettesCB->setChecked(true);
    EXPECT_TRUE(w.slider6->isEnabled());
    EXPECT_TRUE(w.silthreshlabel->isEnabled());
    w.lightsilCB->setChecked(true);
    EXPECT_TRUE(w.glgrid->showLightSilhouettes);
    EXPECT_TRUE(w.LightGB->isEnabled());
    EXPECT_TRUE(w.lightXSBox->isEnabled());
    w.lockCBox->setChecked(true);
    EXPECT_TRUE(w.glgrid->silLocked);
    w.curvatureCB->setChecked(true);
    EXPECT_TRUE(w.glgrid->curvatureStrokes);
    QTest::mousePress(w.pushButton3, Qt::LeftButton);
    EXPECT_FALSE(w.glgrid->drawF1Curvature);
    QTest::mouseRelease(w.pushButton3, Qt::LeftButton);
}

TEST(ControlPanel, LoadingShowsSizeAndCellSizeAndButtonsRunOnPress)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    w.openGridFile(terrain);
    w.glgrid->waitForWork();
    EXPECT_EQ(w.grid1WidthSpinBox->value(), 403);
    EXPECT_EQ(w.grid1HeightSpinBox->value(), 344);
    EXPECT_EQ(w.grid1FrequencySB->value(), 90);
    QTest::mousePress(w.coarsenButton, Qt::LeftButton);
    w.glgrid->waitForWork();
    EXPECT_EQ(w.glgrid->grid.width, 202u);
    EXPECT_EQ(w.grid1WidthSpinBox->value(), 202);
    EXPECT_EQ(w.grid1FrequencySB->value(), 180);
    QTest::mouseRelease(w.coarsenButton, Qt::LeftButton);
    QTest::mousePress(w.refineButton, Qt::LeftButton);
    w.glgrid->waitForWork();
    EXPECT_EQ(w.glgrid->grid.width, 403u); // the odd column left out by Coarsen comes back
    EXPECT_EQ(w.grid1HeightSpinBox->value(), 344);
    QTest::mouseRelease(w.refineButton, Qt::LeftButton);
}

// The boxes show the grid as it is: a size beyond 10000, the spacing with
// its unit, decimals below 10 m, and both spacings where they differ.
// Typing changes nothing.
TEST(ControlPanel, GridBoxesShowTheTrueSizeAndSpacing)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    QTemporaryDir dir;
    const auto load = [&](const char* name, const std::string& header, int columns, int rows) {
        const QString file = dir.filePath(name);
        std::ofstream out(file.toStdString());
        out << "ncols " << columns << "\nnrows " << rows << "\n" << header;
        for (int i = 0; i < columns * rows; ++i)
            out << (i % 97) << ' ';
        out << '\n';
        out.close();
        w.openGridFile(file);
        w.glgrid->waitForWork();
    };
    // 0.025 degrees at the equator: 2700 m both ways (the value clamps).
    load("wide.asc", "xllcorner -180\nyllcorner 0\ncellsize 0.025\n", 12000, 3);
    EXPECT_EQ(w.glgrid->grid.width, 12000u);
    EXPECT_EQ(w.grid1WidthSpinBox->value(), 12000);
    EXPECT_EQ(w.grid1FrequencySB->value(), 2000);
    EXPECT_EQ(w.grid1FrequencySB->text(), QString("2700 m"));
    // Lidar in metres: half a metre.
    load("lidar.asc", "xllcorner 500000\nyllcorner 4000000\ncellsize 0.5\n", 20, 20);
    EXPECT_EQ(w.grid1FrequencySB->value(), 0);
    EXPECT_EQ(w.grid1FrequencySB->text(), QString("0.5 m"));
    // 0.0125 degrees at 60 degrees north: 1350 m north-south, half of it
    // (cosine of 60 degrees) east-west.
    load("north.asc", "xllcorner 10\nyllcorner 59.9875\ncellsize 0.0125\n", 20, 3);
    EXPECT_EQ(w.grid1FrequencySB->text(), QString("675 x 1350 m"));

    for (QSpinBox* box : {w.grid1WidthSpinBox, w.grid1FrequencySB}) {
        const QString before = box->text();
        box->setFocus();
        QTest::keyClicks(box, "57");
        QTest::keyClick(box, Qt::Key_Up);
        QTest::keyClick(box, Qt::Key_Enter);
        EXPECT_EQ(box->text(), before);
    }
    EXPECT_EQ(w.glgrid->grid.width, 20u);
}

TEST(ControlPanel, SpacingTextBoundaries)
{
    const std::pair<std::pair<double, double>, const char*> cases[] = {
        {{0, 0}, "0"},           {{90, 90}, "90"},          {{10.4, 10.4}, "10"},     {{9.996, 9.996}, "10"},
        {{9.994, 9.994}, "9.99"}, {{0.5, 0.5}, "0.5"},       {{0.3048, 0.3048}, "0.3"}, {{0.0523, 0.0523}, "0.0523"},
        {{580.4, 900}, "580 x 900"}, {{899.7, 900}, "900"}, {{0.25, 0.5}, "0.25 x 0.5"},
    };
    for (const auto& [spacing, text] : cases)
        EXPECT_EQ(spacingText(spacing.first, spacing.second), QString(text)) << text;
}

TEST(MainWindowActions, SchemeEntriesBehaveAsARadioGroup)
{
    HypsaMainWindow w;
    w.multiresolutionTraditionalAction->trigger();
    EXPECT_TRUE(w.multiresolutionTraditionalAction->isChecked());
    EXPECT_FALSE(w.multiresolutionChaikinAction->isChecked());
    EXPECT_FALSE(w.multiresolutionDyn_LevinAction->isChecked());
    w.multiresolutionTraditionalAction->trigger();
    EXPECT_TRUE(w.multiresolutionTraditionalAction->isChecked());
    w.multiresolutionChaikinAction->trigger();
    EXPECT_TRUE(w.multiresolutionChaikinAction->isChecked());
    EXPECT_FALSE(w.multiresolutionTraditionalAction->isChecked());
    w.multiresolutionDyn_LevinAction->trigger(); // disabled: nothing happens
    EXPECT_FALSE(w.multiresolutionDyn_LevinAction->isChecked());
    EXPECT_TRUE(w.multiresolutionChaikinAction->isChecked());
}

TEST(MainWindowActions, DialogRoutesByTheNameWithTheFullPath)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    QTemporaryDir dir;
    const QString upper = dir.filePath("terrain.GRD");
    QFile::copy(terrain, upper);

    ConsoleCapture ascii;
    chooseInDialog(w, upper);
    const std::string asciiLog = ascii.text();
    EXPECT_NE(asciiLog.find("Loading ASCII Grid File\n"), std::string::npos);
    EXPECT_EQ(w.currentFileName, QFileInfo(upper).absoluteFilePath());
    EXPECT_EQ(w.glgrid->grid.width, 403u);

    // The second use opens where the first ended.
    ConsoleCapture binary;
    const QString openedAt = chooseInDialog(w, QStringLiteral(HYPSA_SOURCE_DIR "/data/jacksboro.flt"));
    EXPECT_NE(binary.text().find("Loading Binary Grid File\n"), std::string::npos);
    EXPECT_EQ(openedAt, QFileInfo(upper).absolutePath());
    EXPECT_EQ(w.glgrid->grid.width, 403u);

    ConsoleCapture header;
    chooseInDialog(w, QStringLiteral(HYPSA_SOURCE_DIR "/data/jacksboro.hdr"));
    EXPECT_NE(header.text().find("Loading Binary Grid File\n"), std::string::npos);
    EXPECT_TRUE(w.glgrid->grid.loaded);

    // Any other name goes through GDAL.
    ConsoleCapture raster;
    chooseInDialog(w, QStringLiteral(HYPSA_SOURCE_DIR "/data/jacksboro_voids.tif"));
    EXPECT_NE(raster.text().find("Loading Raster File\n"), std::string::npos);
    EXPECT_EQ(w.glgrid->grid.voidCount, 17587u);
}

TEST(MainWindowActions, CancellingTheDialogChangesNothing)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    w.openFileGrid();
    EXPECT_TRUE(w.currentFileName.isEmpty());
    EXPECT_FALSE(w.glgrid->grid.loaded);
}

// The spin box multiplies the drawing heights: the mesh is rebuilt with every
// vertex's height scaled, and a grid loaded later keeps the factor.
TEST(ControlPanel, VerticalExaggerationScalesTheDrawnHeights)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    w.openGridFile(terrain);
    w.glgrid->waitForWork();
    const std::vector<gmVec3> before = w.glgrid->vertices;
    ASSERT_FALSE(before.empty());
    w.exaggerationSB->setValue(12.5);
    w.glgrid->waitForWork();
    const std::vector<gmVec3>& after = w.glgrid->vertices;
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); i += 997) {
        EXPECT_EQ(after[i][0], before[i][0]);
        EXPECT_FLOAT_EQ(float(after[i][2]), float(before[i][2] * 12.5)) << i;
    }
    w.openGridFile(terrain);
    w.glgrid->waitForWork();
    EXPECT_EQ(w.glgrid->grid.verticalExaggeration, 12.5f);
}

TEST(ControlPanel, LinesBoxBuildsTheFamiliesForEveryLevel)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    GLNPRGrid* v = w.glgrid;
    EXPECT_EQ(w.linesGB->title(), QString("Lines"));
    EXPECT_EQ(w.contoursCB->text(), QString("Contours"));
    EXPECT_EQ(w.profilesCB->text(), QString("Profiles"));
    EXPECT_EQ(w.hachuresCB->text(), QString("Hachures"));
    EXPECT_EQ(w.contourIntervalSB->text(), QString("auto"));
    EXPECT_EQ(w.hachureSpacingSB->text(), QString("auto"));
    EXPECT_EQ(w.profileCountSB->value(), 80);
    EXPECT_EQ(w.profileCountSB->maximum(), 1000);
    const auto names = [&] {
        QStringList list;
        for (const LineFamily& f : v->families())
            list << QString::fromStdString(f.name);
        return list;
    };
    // Chosen before a load: the load builds them.
    w.profilesCB->setChecked(true);
    w.profileCountSB->setValue(25);
    w.openGridFile(terrain);
    v->waitForWork();
    ASSERT_EQ(names(), QStringList{"profiles"});
    EXPECT_EQ(v->families()[0].polylineCount(), 25u);
    const std::size_t fine = v->families()[0].pointCount();
    const float fineZ = v->families()[0].points[2];

    w.contoursCB->setChecked(true);
    w.contourIntervalSB->setValue(100);
    v->waitForWork();
    EXPECT_EQ(names(), (QStringList{"contours", "index contours", "profiles"}));
    EXPECT_EQ(v->lineSettings.contourInterval, 100.0);

    // Coarsen: the lines of the coarser level, as many profiles.
    QTest::mousePress(w.coarsenButton, Qt::LeftButton);
    QTest::mouseRelease(w.coarsenButton, Qt::LeftButton);
    v->waitForWork();
    ASSERT_EQ(v->grid.width, 202u);
    ASSERT_EQ(names(), (QStringList{"contours", "index contours", "profiles"}));
    EXPECT_EQ(v->families()[2].polylineCount(), 25u);
    EXPECT_LT(v->families()[2].pointCount(), fine * 3 / 4);
    // The exaggeration raises them with the surface.
    QTest::mousePress(w.refineButton, Qt::LeftButton);
    QTest::mouseRelease(w.refineButton, Qt::LeftButton);
    w.exaggerationSB->setValue(3.0);
    v->waitForWork();
    EXPECT_FLOAT_EQ(v->families()[2].points[2], fineZ * 3.0f);

    w.contoursCB->setChecked(false);
    w.hachuresCB->setChecked(true);
    w.hachureSpacingSB->setValue(200.0);
    v->waitForWork();
    ASSERT_EQ(names(), (QStringList{"profiles", "hachures"}));
    EXPECT_GT(v->families()[1].polylineCount(), 100u);
    EXPECT_EQ(v->lineSettings.hachureSpacing, 200.0);

    // The lines of the surface's curvature: ridges and valleys built with the
    // level, fewer at a stronger threshold; suggestive contours and
    // highlights drawn by the view from the curvature the mesh keeps.
    EXPECT_EQ(w.ridgesCB->text(), QString("Ridges"));
    EXPECT_EQ(w.valleysCB->text(), QString("Valleys"));
    EXPECT_EQ(w.suggestiveCB->text(), QString("Suggestive"));
    EXPECT_EQ(w.highlightsCB->text(), QString("Highlights"));
    for (const QSlider* slider : {w.ridgeThresholdSlider, w.suggestiveThresholdSlider}) {
        EXPECT_EQ(slider->value(), 40);
        EXPECT_EQ(slider->maximum(), 100);
    }
    w.ridgesCB->setChecked(true);
    w.valleysCB->setChecked(true);
    v->waitForWork();
    ASSERT_EQ(names(), (QStringList{"profiles", "hachures", "ridges", "valleys"}));
    const std::size_t ridges = v->families()[2].polylineCount();
    EXPECT_GT(ridges, 10u);
    w.ridgeThresholdSlider->setValue(80);
    v->waitForWork();
    EXPECT_EQ(v->lineSettings.ridgeThreshold, 80);
    ASSERT_EQ(names(), (QStringList{"profiles", "hachures", "ridges", "valleys"}));
    EXPECT_LT(v->families()[2].polylineCount(), ridges);
    const auto viewLines = [&] {
        v->grabFramebuffer();
        QStringList list;
        for (const LineFamily* f : v->viewFamilies())
            list << QString::fromStdString(f->name) + " " + QString::number(f->polylineCount() > 10);
        return list;
    };
    EXPECT_TRUE(viewLines().isEmpty());
    w.suggestiveCB->setChecked(true);
    w.highlightsCB->setChecked(true);
    EXPECT_FALSE(v->workRunning()) << "the curvature kept for the ridges serves";
    EXPECT_EQ(viewLines(), (QStringList{"suggestive contours 1", "suggestive highlights 1"}));
    const std::size_t suggestive = v->viewFamilies()[0]->polylineCount();
    w.suggestiveThresholdSlider->setValue(90);
    EXPECT_EQ(viewLines(), (QStringList{"suggestive contours 1", "suggestive highlights 1"}));
    EXPECT_LT(v->viewFamilies()[0]->polylineCount(), suggestive);
    // Without ridges and valleys the curvature stays for the suggestive
    // lines; without those too it is given back.
    w.ridgesCB->setChecked(false);
    w.valleysCB->setChecked(false);
    v->waitForWork();
    EXPECT_EQ(v->model.mesh.curvature.width, v->grid.width);
    w.highlightsCB->setChecked(false);
    EXPECT_EQ(viewLines(), QStringList{"suggestive contours 1"});
    w.suggestiveCB->setChecked(false);
    v->waitForWork();
    EXPECT_TRUE(viewLines().isEmpty());
    EXPECT_TRUE(v->model.mesh.curvature.samples.empty());
}
