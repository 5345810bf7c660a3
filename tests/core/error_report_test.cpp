// Reported failures: printed as before, collected by the innermost collector
// of the thread, and bounded.
#include "error_report.h"

#include "support/console_capture.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <thread>

TEST(ErrorReport, PrintsTheLineAndTheInnermostCollectorKeepsIt)
{
    ConsoleCapture console;
    ErrorCollector outer;
    reportError("Error, %s was not found\n", "a.grd");
    {
        ErrorCollector inner;
        reportError("Cannot %s a %i X %i grid\n", "coarsen", 4, 4);
        EXPECT_EQ(inner.text(), "Cannot coarsen a 4 X 4 grid");
    }
    // Another thread's failures are its own.
    std::thread([] { reportError("elsewhere\n"); }).join();
    reportError("no line end");
    EXPECT_EQ(outer.text(), "Error, a.grd was not found\nno line end");
    EXPECT_EQ(console.text(), "Error, a.grd was not found\nCannot coarsen a 4 X 4 grid\nelsewhere\nno line end");
}

TEST(ErrorReport, KeepsOnlyTheFirstLines)
{
    ConsoleCapture console;
    ErrorCollector errors;
    EXPECT_TRUE(errors.empty());
    for (int i = 0; i < 100; ++i)
        reportError("line %d\n", i);
    const QStringList lines = errors.text().split('\n');
    ASSERT_EQ(lines.size(), qsizetype(ErrorCollector::maxLines));
    EXPECT_EQ(lines.first(), "line 0");
    EXPECT_EQ(lines.last(), QString("line %1").arg(ErrorCollector::maxLines - 1));
    EXPECT_EQ(console.text().size(), std::string("line 0\n").size() * 10 + std::string("line 10\n").size() * 90);
}
