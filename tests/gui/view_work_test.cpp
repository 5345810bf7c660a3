// The window while the terrain work runs: the display budget, the progress
// bar and Cancel, and a view that keeps drawing and answering the controls;
// Export Drawing as such work.
#include "glnprgrid.h"
#include "hypsamainwindow.h"

#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QDir>
#include <QFile>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

namespace {

const QString terrain = QStringLiteral(HYPSA_SOURCE_DIR "/data/jacksboro.grd");
const QString floatTerrain = QStringLiteral(HYPSA_SOURCE_DIR "/data/jacksboro.flt");

struct ShownWindow {
    HypsaMainWindow w;
    explicit ShownWindow(std::uint64_t budget)
    {
        w.glgrid->displayBudget = budget;
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    }
};

// Holds the view's work at the first checkpoint of one step until released
// (at the latest when it goes out of scope, before the window it serves).
class WorkGate {
public:
    WorkGate(GLNPRGrid& view, const char* step) : view_(view), step_(step)
    {
        view.setWorkCheckpointHook([this](const char* reached) {
            if (step_ != reached || held_.exchange(true))
                return;
            while (!released_.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    }
    ~WorkGate()
    {
        release();
        view_.waitForWork();
        view_.setWorkCheckpointHook(nullptr);
    }
    bool waitUntilHeld() { return QTest::qWaitFor([this] { return held_.load(); }, 20000); }
    void release() { released_.store(true); }

private:
    GLNPRGrid& view_;
    std::string step_;
    std::atomic<bool> held_{false};
    std::atomic<bool> released_{false};
};

// What Cancel must leave as it was.
struct WindowState {
    std::uint32_t width, height;
    FloatArray2D heights;
    std::vector<DetailLevel> details;
    std::size_t vertices;
    int widthBox, heightBox, cellBox;
    QString status;

    explicit WindowState(HypsaMainWindow& w)
        : width(w.glgrid->grid.width), height(w.glgrid->grid.height), heights(w.glgrid->grid.heights),
          details(w.glgrid->grid.details), vertices(w.glgrid->vertices.size()), widthBox(w.grid1WidthSpinBox->value()),
          heightBox(w.grid1HeightSpinBox->value()), cellBox(w.grid1FrequencySB->value()),
          status(w.statusBar()->currentMessage())
    {
    }
    bool operator==(const WindowState&) const = default;
};

} // namespace

TEST(ViewWork, ALoadAboveTheBudgetShowsTheCoarsenedLevelAndRefineRestoresIt)
{
    ShownWindow shown(40000);
    HypsaMainWindow& w = shown.w;
    w.openGridFile(terrain);
    w.glgrid->waitForWork();
    EXPECT_EQ(w.statusBar()->currentMessage(), "showing level 1 of 403 x 344: 202 x 173; Refine restores detail");
    EXPECT_EQ(w.grid1WidthSpinBox->value(), 202);
    EXPECT_EQ(w.grid1HeightSpinBox->value(), 173);
    EXPECT_EQ(w.glgrid->vertices.size(), 202u * 173u);

    QTest::mouseClick(w.refineButton, Qt::LeftButton);
    w.glgrid->waitForWork();
    EXPECT_EQ(w.statusBar()->currentMessage(), "");
    EXPECT_EQ(w.grid1WidthSpinBox->value(), 403);
    EXPECT_EQ(w.grid1HeightSpinBox->value(), 344);
    JGrid full;
    ASSERT_TRUE(full.loadGRD(terrain));
    ASSERT_EQ(w.glgrid->grid.width, 403u);
    ASSERT_EQ(w.glgrid->grid.height, 344u);
    for (unsigned r = 0; r < 344; ++r)
        for (unsigned c = 0; c < 403; ++c)
            ASSERT_NEAR(w.glgrid->grid.heights[r][c], full.heights[r][c], 1e-3) << r << "," << c;
    EXPECT_TRUE(w.glgrid->grid.details.empty());
}

TEST(ViewWork, CancelDuringALoadOrARefineLeavesTerrainDetailsAndPanelAsTheyWere)
{
    ShownWindow shown(40000);
    HypsaMainWindow& w = shown.w;
    w.openGridFile(terrain);
    w.glgrid->waitForWork();
    const WindowState before(w);
    ASSERT_EQ(before.details.size(), 1u);
    EXPECT_FALSE(w.workProgress->isVisible());

    for (const char* step : {"Loading", "Coarsening", "Finding curvature"}) {
        SCOPED_TRACE(step);
        WorkGate gate(*w.glgrid, step);
        w.openGridFile(floatTerrain);
        ASSERT_TRUE(gate.waitUntilHeld());
        // The step shows once its report arrives.
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.workProgress->format().startsWith(step); }, 5000))
            << w.workProgress->format().toStdString();
        EXPECT_TRUE(w.cancelWorkButton->isVisible());
        EXPECT_EQ(w.cancelWorkButton->text(), "Cancel");
        QTest::mouseClick(w.cancelWorkButton, Qt::LeftButton);
        gate.release();
        w.glgrid->waitForWork();
        EXPECT_TRUE(WindowState(w) == before);
        EXPECT_FALSE(w.workProgress->isVisible());
        EXPECT_FALSE(w.cancelWorkButton->isVisible());
    }
    for (const char* step : {"Refining", "Finding curvature"}) {
        SCOPED_TRACE(step);
        WorkGate gate(*w.glgrid, step);
        QTest::mouseClick(w.refineButton, Qt::LeftButton);
        ASSERT_TRUE(gate.waitUntilHeld());
        QTest::mouseClick(w.coarsenButton, Qt::LeftButton); // waits its turn; Cancel drops it
        QTest::mouseClick(w.cancelWorkButton, Qt::LeftButton);
        gate.release();
        w.glgrid->waitForWork();
        EXPECT_TRUE(WindowState(w) == before);
    }
    // A new request after the cancelled ones runs as usual.
    QTest::mouseClick(w.refineButton, Qt::LeftButton);
    w.glgrid->waitForWork();
    EXPECT_EQ(w.glgrid->grid.width, 403u);
    EXPECT_EQ(w.grid1WidthSpinBox->value(), 403);
}

TEST(ViewWork, TheWindowRepaintsAndAnswersASliderWhileALoadRuns)
{
    ShownWindow shown(0);
    HypsaMainWindow& w = shown.w;
    w.openGridFile(terrain);
    w.glgrid->waitForWork();
    const std::size_t shownVertices = w.glgrid->vertices.size();

    WorkGate gate(*w.glgrid, "Finding curvature");
    w.openGridFile(floatTerrain);
    ASSERT_TRUE(gate.waitUntilHeld());
    QSignalSpy frames(w.glgrid, &QOpenGLWidget::frameSwapped);
    w.slider1->setValue(40);
    EXPECT_TRUE(frames.wait(5000));
    EXPECT_EQ(w.glgrid->xRot, 40.0f);
    EXPECT_TRUE(w.glgrid->workRunning());
    EXPECT_EQ(w.glgrid->vertices.size(), shownVertices); // still the terrain shown before
    const QImage during = w.glgrid->grabFramebuffer();
    int dark = 0;
    for (int y = 0; y < during.height(); ++y)
        for (int x = 0; x < during.width(); ++x)
            dark += qGray(during.pixel(x, y)) < 128;
    EXPECT_GT(dark, 500); // the lines of the terrain shown, not a blank frame

    gate.release();
    w.glgrid->waitForWork();
    EXPECT_FALSE(w.glgrid->workRunning());
    EXPECT_EQ(w.glgrid->grid.width, 403u);
    EXPECT_EQ(w.glgrid->xRot, 40.0f);
}

TEST(ViewWork, ExportRunsOnTheWorkerAndCancelLeavesNoFile)
{
    ShownWindow shown(0);
    HypsaMainWindow& w = shown.w;
    w.openGridFile(terrain);
    w.glgrid->waitForWork();
    QTemporaryDir dir;
    for (const char* name : {"stopped.svg", "stopped.pdf", "stopped.png"}) {
        SCOPED_TRACE(name);
        WorkGate gate(*w.glgrid, "Exporting");
        w.exportDrawingTo(dir.filePath(name));
        ASSERT_TRUE(gate.waitUntilHeld());
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return w.workProgress->isVisible() && w.workProgress->format().startsWith("Exporting"); }, 5000))
            << w.workProgress->format().toStdString();
        EXPECT_TRUE(w.cancelWorkButton->isVisible());
        // The window goes on drawing and answering while the drawing is made.
        QSignalSpy frames(w.glgrid, &QOpenGLWidget::frameSwapped);
        w.slider3->setValue(w.slider3->value() + 10);
        EXPECT_TRUE(frames.wait(5000));
        QTest::mouseClick(w.cancelWorkButton, Qt::LeftButton);
        gate.release();
        w.glgrid->waitForWork();
        EXPECT_EQ(w.statusBar()->currentMessage(), QString("Export stopped: %1 was not written").arg(name));
        EXPECT_FALSE(w.workProgress->isVisible());
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty()) << "no file, whole or partial";

    // Asked for while other work runs, an export waits its turn and draws
    // the view as it is shown then.
    w.glgrid->subdivide();
    w.exportDrawingTo(dir.filePath("after.svg"));
    w.glgrid->waitForWork();
    EXPECT_EQ(w.glgrid->grid.width, 804u);
    EXPECT_TRUE(w.statusBar()->currentMessage().startsWith("Drawing written to after.svg:"));
    EXPECT_TRUE(QFile::exists(dir.filePath("after.svg")));
}
