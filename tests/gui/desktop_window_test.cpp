// The window as a desktop program: what went wrong is shown in the window,
// settings and recent files persist, files dropped on the window open.
#include "glnprgrid.h"
#include "hypsamainwindow.h"
#include "window_test_support.h"

#include "support/console_capture.h"
#include "support/temp_files.h"

#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

TEST(WindowMessages, AFailedLoadShowsTheFileAndTheReasonAndKeepsTheTerrain)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    TempFiles files;
    ConsoleCapture console;
    w.openGridFile(terrain);
    const std::pair<QString, QString> failures[] = {
        {files.path("missing.grd"), files.path("missing.grd") + " was not found"},
        {files.path("lonely.flt"), files.path("lonely.hdr") + " was not found"},
        {files.write("empty.grd", "ncols 3\nnrows 3\ncellsize 30\n"), files.path("empty.grd") + " holds no height values"},
    };
    for (const auto& [file, reason] : failures) {
        w.openGridFile(file);
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

TEST(WindowMessages, RefusalsShowInTheStatusBar)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    ConsoleCapture console;
    w.coarsenButton->click();
    EXPECT_EQ(w.statusBar()->currentMessage(), "There is no terrain to change: open a grid first.");

    TempFiles files;
    w.openGridFile(files.write("small.grd", "ncols 4\nnrows 4\ncellsize 30\n1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n"));
    w.statusBar()->clearMessage();
    w.refineButton->click(); // 4 x 4 refines to 6 x 6
    EXPECT_EQ(w.glgrid->grid.width, 6u);
    EXPECT_EQ(w.statusBar()->currentMessage(), "");
    w.coarsenButton->click();
    EXPECT_EQ(w.statusBar()->currentMessage(), "The 6 x 6 grid was left unchanged.");
    EXPECT_EQ(w.glgrid->grid.width, 6u);

    // A refinement beyond memory: pretend the terrain is 20000 x 20000.
    w.glgrid->grid.width = w.glgrid->grid.height = 20000;
    w.refineButton->click();
    w.glgrid->grid.width = w.glgrid->grid.height = 6;
    EXPECT_EQ(w.statusBar()->currentMessage(),
              "The refined grid of 39998 x 39998 samples would not fit in memory");
}
