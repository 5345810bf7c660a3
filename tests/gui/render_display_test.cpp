// hypsa-render draws the same files with a display and without one: the
// view's paint code runs in a window's context or in a surfaceless one.
#include "render_test_support.h"
#include "support/tool_run.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

// The file's bytes; a PDF's creation time is left out.
QByteArray contents(const QString& file)
{
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
    QByteArray bytes = f.readAll();
    static const QRegularExpression creationDate(R"(/CreationDate \(D:\d+Z?\))");
    return QString::fromLatin1(bytes).remove(creationDate).toLatin1();
}

} // namespace

TEST(RenderDisplay, DrawingWithoutADisplayIsIdentical)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under xvfb-run -a";
    QTemporaryDir dir;
    // The shaded surface is in the picture only; strokes and light
    // silhouettes are in every format.
    const std::pair<QStringList, QStringList> looks[] = {
        {{"--size", "400x300"}, {".png", ".svg", ".pdf"}},
        {{"--size", "320x400", "--strokes", "--light-silhouettes", "--rotate", "30", "0", "10", "--lock", "--fit"},
         {".png", ".svg"}},
        {{"--size", "300x200", "--polygons", "--no-silhouettes", "--light-silhouettes", "--exaggeration", "4"},
         {".png"}},
    };
    int look = 0;
    for (const auto& [options, extensions] : looks) {
        for (const QString& ext : extensions) {
            const QString stem = dir.filePath(QString("look%1").arg(look));
            const QString shown = stem + "-display" + ext, unshown = stem + "-none" + ext;
            SCOPED_TRACE((options.join(' ') + ext).toStdString());
            const ToolRun withDisplay = runTool("hypsa-render", QStringList{dataFile("jacksboro.grd"), shown} + options);
            ASSERT_EQ(withDisplay.exitCode, 0) << withDisplay.err;
            const ToolRun without =
                runTool("hypsa-render", QStringList{dataFile("jacksboro.grd"), unshown} + options, withoutDisplay());
            ASSERT_EQ(without.exitCode, 0) << without.err;
            EXPECT_GT(contents(shown).size(), 1000);
            EXPECT_EQ(contents(shown), contents(unshown));
        }
        ++look;
    }
    // --offscreen draws without the display that is there.
    const QString offscreen = dir.filePath("offscreen.png");
    const ToolRun run =
        runTool("hypsa-render", {dataFile("jacksboro.grd"), offscreen, "--size", "400x300", "--offscreen"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(contents(offscreen), contents(dir.filePath("look0-display.png")));
}
