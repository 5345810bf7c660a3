// hypsa-grid run as a process: exit statuses, usage, the stats line, and
// grid operations checked from outside through the raw samples they save.
#include "jgrid.h"

#include "support/console_capture.h"
#include "support/temp_files.h"
#include "support/tool_run.h"

#include <QFile>

#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const QString dataDir = QStringLiteral(HYPSA_SOURCE_DIR "/data/");

ToolRun hypsaGrid(const QStringList& arguments)
{
    return runTool("hypsa-grid", arguments);
}

std::vector<float> rawSamples(const QString& path)
{
    const std::string bytes = TempFiles::read(path);
    std::vector<float> values(bytes.size() / sizeof(float));
    std::memcpy(values.data(), bytes.data(), values.size() * sizeof(float));
    return values;
}

void expectSameSamples(const std::vector<float>& actual, const std::vector<float>& expected, float tolerance)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_NEAR(actual[i], expected[i], tolerance) << "sample " << i;
}

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        if (line.starts_with(prefix))
            lines.push_back(line);
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

} // namespace

TEST(HypsaGrid, HelpVersionAndUsageErrors)
{
    const ToolRun help = hypsaGrid({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: hypsa-grid [options] FILE [STEP ...]\n\n")) << help.out;
    EXPECT_NE(help.out.find("  save-raw OUT "), std::string::npos);
    EXPECT_NE(help.out.find("  --version "), std::string::npos);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(hypsaGrid({"-h"}).out, help.out);

    // --help and --version answer even when the rest of the line is wrong.
    for (const QStringList& arguments : {QStringList{"--version"}, QStringList{"--bogus", "--version"}}) {
        const ToolRun version = hypsaGrid(arguments);
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_EQ(version.out, "hypsa-grid " HYPSA_VERSION "\n");
        EXPECT_EQ(version.err, "");
    }

    const std::string grd = (dataDir + "jacksboro.grd").toStdString();
    const std::pair<QStringList, std::string> cases[] = {
        {{}, "no FILE given"},
        {{"--verbose"}, "unknown option \"--verbose\""},
        {{dataDir + "jacksboro.grd", "stats", "-x"}, "unknown option \"-x\""},
        {{dataDir + "jacksboro.grd", "--level=3", "stats"}, "unknown option \"--level\""},
        {{dataDir + "jacksboro.grd", "sharpen"}, "unknown step \"sharpen\""},
        {{dataDir + "jacksboro.grd", "stats", "resize", "4"}, "resize needs 2 arguments"},
        {{dataDir + "jacksboro.grd", "resize", "4", "4.5"}, "resize needs two whole numbers, not \"4\" and \"4.5\""},
        {{dataDir + "jacksboro.grd", "--", "resize", "4", "-4.5"}, "resize needs two whole numbers, not \"4\" and \"-4.5\""},
        {{dataDir + "jacksboro.grd", "save-raw"}, "save-raw needs 1 argument"},
    };
    for (const auto& [arguments, reason] : cases) {
        const ToolRun run = hypsaGrid(arguments);
        EXPECT_EQ(run.exitCode, 2) << reason;
        EXPECT_EQ(run.err, "hypsa-grid: " + reason + "\n" + help.out);
        EXPECT_EQ(run.out, ""); // nothing was loaded
    }
}

TEST(HypsaGrid, LoadAndStepFailuresExitWithOne)
{
    TempFiles files;
    const QString missing = files.path("missing.grd");
    ToolRun run = hypsaGrid({missing, "stats"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "hypsa-grid: cannot load " + missing.toStdString() + "\n");
    EXPECT_TRUE(run.out.ends_with("Error, " + missing.toStdString() + " was not found\n"));

    const QString tiny = files.write("tiny.grd", "ncols 4\nnrows 4\n1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n");
    run = hypsaGrid({tiny, "stats", "coarsen", "stats"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "hypsa-grid: coarsen: the 4 x 4 grid was left unchanged\n");
    EXPECT_EQ(linesStartingWith(run.out, "stats ").size(), 1u); // the steps after the failure do not run

    // A resize beyond the sample limit is refused, not reported as done.
    run = hypsaGrid({tiny, "resize", "20000", "20000", "stats"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "hypsa-grid: resize: the 4 x 4 grid was left unchanged\n");
    EXPECT_TRUE(linesStartingWith(run.out, "stats ").empty());

    run = hypsaGrid({tiny, "load-details", files.path("none.dtl")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "hypsa-grid: load-details: no details were loaded from " + files.path("none.dtl").toStdString() + "\n");

    run = hypsaGrid({tiny, "save-raw", files.path("no/dir/out.raw")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "hypsa-grid: save-raw: cannot write " + files.path("no/dir/out.raw").toStdString() + "\n");
}

TEST(HypsaGrid, StatsLineAndRawSamplesOfALoadedGrid)
{
    TempFiles files;
    const QString raw = files.path("jacksboro.raw");
    const ToolRun run = hypsaGrid({dataDir + "jacksboro.grd", "stats", "save-raw", raw});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> stats = linesStartingWith(run.out, "stats ");
    ASSERT_EQ(stats.size(), 1u);

    JGrid g;
    {
        ConsoleCapture quiet;
        ASSERT_TRUE(g.loadGRD(dataDir + "jacksboro.grd"));
    }
    const std::string prefix = "stats width=403 height=344 cellsize=90 min=236 max=1076 mean=";
    ASSERT_TRUE(stats[0].starts_with(prefix)) << stats[0];
    ASSERT_TRUE(stats[0].ends_with(" levels=0 voids=0")) << stats[0];
    const std::string mean = stats[0].substr(prefix.size(), stats[0].size() - prefix.size() - 17);
    float parsed = 0.0f;
    std::from_chars(mean.data(), mean.data() + mean.size(), parsed);
    EXPECT_EQ(parsed, g.averageHeight); // enough digits to read back the same float
    EXPECT_GT(mean.size(), 6u);

    // The float grid in data/ holds the same samples in the same layout.
    EXPECT_EQ(TempFiles::read(raw), TempFiles::read(dataDir + "jacksboro.flt"));
}

TEST(HypsaGrid, CoarsenTwiceAndRefineTwiceGivesTheTerrainBack)
{
    TempFiles files;
    const QString resized = files.path("resized.raw");
    const QString roundTrip = files.path("roundtrip.raw");
    ASSERT_EQ(hypsaGrid({dataDir + "jacksboro.grd", "resize", "402", "342", "save-raw", resized}).exitCode, 0);
    const ToolRun run = hypsaGrid({dataDir + "jacksboro.grd", "resize", "402", "342", "coarsen", "coarsen", "stats",
                               "refine", "refine", "stats", "save-raw", roundTrip});
    EXPECT_EQ(run.exitCode, 0);
    const std::vector<std::string> stats = linesStartingWith(run.out, "stats ");
    ASSERT_EQ(stats.size(), 2u);
    EXPECT_TRUE(stats[0].starts_with("stats width=102 height=87 cellsize=360 ")) << stats[0];
    EXPECT_TRUE(stats[0].ends_with(" levels=2 voids=0")) << stats[0];
    EXPECT_TRUE(stats[1].starts_with("stats width=402 height=342 cellsize=90 ")) << stats[1];
    EXPECT_TRUE(stats[1].ends_with(" levels=0 voids=0")) << stats[1];
    expectSameSamples(rawSamples(roundTrip), rawSamples(resized), 1e-3f);
}

TEST(HypsaGrid, CoarseGridAndDetailFilesRebuildTheFinerGrid)
{
    // Outputs are named after the loaded file, so work on a copy.
    TempFiles files;
    const QString source = files.path("jacksboro.grd");
    ASSERT_TRUE(QFile::copy(dataDir + "jacksboro.grd", source));
    const QString fine = files.path("fine.raw");
    ToolRun run = hypsaGrid({source, "resize", "402", "342", "save-raw", fine, "coarsen", "write-grd", "write-details",
                         "write-halves"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QString base = QString(source).remove('.');
    const QString coarseGrid = base + "_w202_h172.grd";
    const QString details = base + "_w202_h172.dtl";
    EXPECT_TRUE(QFile::exists(base + "_w101_h172LEFT.grd"));
    EXPECT_TRUE(QFile::exists(base + "_w101_h172RIGHT.grd"));

    const QString rebuilt = files.path("rebuilt.raw");
    run = hypsaGrid({coarseGrid, "load-details", details, "stats", "refine", "save-raw", rebuilt});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(linesStartingWith(run.out, "stats ").at(0).ends_with(" levels=1 voids=0"));
    // Heights come back to two decimals, details to five.
    expectSameSamples(rawSamples(rebuilt), rawSamples(fine), 0.02f);
}

TEST(HypsaGrid, DecimatingABrownianRefinementKeepsTheOriginalSamples)
{
    TempFiles files;
    const QString decimated = files.path("decimated.raw");
    const ToolRun run = hypsaGrid({dataDir + "jacksboro.grd", "brownian", "stats", "decimate", "stats", "save-raw",
                                   decimated});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> stats = linesStartingWith(run.out, "stats ");
    ASSERT_EQ(stats.size(), 2u);
    EXPECT_NE(stats[0].find(" cellsize=45 "), std::string::npos) << stats[0];
    unsigned width = 0;
    unsigned height = 0;
    ASSERT_EQ(std::sscanf(stats[1].c_str(), "stats width=%u height=%u ", &width, &height), 2) << stats[1];
    EXPECT_NE(stats[1].find(" cellsize=90 "), std::string::npos) << stats[1];

    // Brownian refinement keeps every original sample in place and decimation
    // picks them out again: the result is the original grid cut to that size.
    const QString cropped = files.path("cropped.raw");
    ASSERT_EQ(hypsaGrid({dataDir + "jacksboro.grd", "resize", QString::number(width), QString::number(height),
                         "save-raw", cropped}).exitCode, 0);
    EXPECT_EQ(TempFiles::read(decimated), TempFiles::read(cropped));
    EXPECT_GE(width, 400u);
    EXPECT_GE(height, 340u);
}
