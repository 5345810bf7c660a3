// hypsa-grid run as a process: exit statuses, usage, the stats line, and
// grid operations checked from outside through the raw samples they save.
#include "jgrid.h"

#include "support/console_capture.h"
#include "support/temp_files.h"
#include "support/tool_run.h"

#include <QDir>
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

    // Sizes below 2 x 2 are refused, not rounded up or ignored.
    for (const QStringList& size : {QStringList{"0", "0"}, QStringList{"1", "1"}, QStringList{"5", "1"}}) {
        run = hypsaGrid(QStringList{tiny, "resize"} + size + QStringList{"stats"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "hypsa-grid: resize: a grid needs at least 2 x 2 samples; the 4 x 4 grid was left "
                           "unchanged\n");
    }

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

// Any number of coarsenings and as many refinements give the grid back bit
// for bit, odd sizes included: 403 x 343 -> 202 x 172 -> 102 x 87 and back.
TEST(HypsaGrid, CoarseningsAndAsManyRefinementsGiveTheGridBack)
{
    TempFiles files;
    const QString odd = files.path("odd.raw");
    const QString roundTrip = files.path("roundtrip.raw");
    ASSERT_EQ(hypsaGrid({dataDir + "jacksboro.grd", "resize", "403", "343", "save-raw", odd}).exitCode, 0);
    const ToolRun run = hypsaGrid({dataDir + "jacksboro.grd", "resize", "403", "343", "coarsen", "coarsen", "stats",
                                   "refine", "refine", "stats", "save-raw", roundTrip});
    EXPECT_EQ(run.exitCode, 0);
    const std::vector<std::string> stats = linesStartingWith(run.out, "stats ");
    ASSERT_EQ(stats.size(), 2u);
    EXPECT_TRUE(stats[0].starts_with("stats width=102 height=87 cellsize=360 ")) << stats[0];
    EXPECT_TRUE(stats[0].ends_with(" levels=2 voids=0")) << stats[0];
    EXPECT_TRUE(stats[1].starts_with("stats width=403 height=343 cellsize=90 ")) << stats[1];
    EXPECT_TRUE(stats[1].ends_with(" levels=0 voids=0")) << stats[1];
    EXPECT_EQ(TempFiles::read(roundTrip), TempFiles::read(odd));
}

// Outputs are named after the loaded file, in its folder, whatever dots the
// path holds; a coarse grid and its detail files rebuild the finer grid bit
// for bit from a GeoTIFF, to the two decimals of an ASCII grid.
TEST(HypsaGrid, CoarseGridAndDetailFilesRebuildTheFinerGrid)
{
    TempFiles files;
    ASSERT_TRUE(QDir().mkpath(files.path("data.v2")));
    const QString source = files.path("data.v2/jacksboro.grd");
    ASSERT_TRUE(QFile::copy(dataDir + "jacksboro.grd", source));
    const QString coarseTif = files.path("coarse.tif");
    ToolRun run = hypsaGrid({source, "coarsen", "write-grd", "write-tif", coarseTif, "write-details", "write-halves"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const QString base = files.path("data.v2/jacksborogrd");
    const QString coarseGrid = base + "_w202_h173.grd";
    const QString details = base + "_w202_h173.dtl";
    EXPECT_TRUE(QFile::exists(base + "_w101_h173LEFT.grd"));
    EXPECT_TRUE(QFile::exists(base + "_w101_h173RIGHT.grd"));

    const QString rebuilt = files.path("rebuilt.raw");
    run = hypsaGrid({coarseTif, "load-details", details, "stats", "refine", "stats", "save-raw", rebuilt});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(linesStartingWith(run.out, "stats ").at(0).ends_with(" levels=1 voids=0"));
    EXPECT_TRUE(linesStartingWith(run.out, "stats ").at(1).starts_with("stats width=403 height=344 cellsize=90 "));
    EXPECT_EQ(TempFiles::read(rebuilt), TempFiles::read(dataDir + "jacksboro.flt"));
    run = hypsaGrid({coarseGrid, "load-details", details, "refine", "save-raw", rebuilt});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    expectSameSamples(rawSamples(rebuilt), rawSamples(dataDir + "jacksboro.flt"), 0.02f);

    // A name relative to the working folder stays there.
    files.write("x.asc", "ncols 2\nnrows 2\ncellsize 30\n1 2 3 4\n");
    ASSERT_EQ(runTool("hypsa-grid", {"./x.asc", "write-grd"}, QProcessEnvironment::systemEnvironment(),
                      files.path("")).exitCode,
              0);
    EXPECT_TRUE(QFile::exists(files.path("xasc_w2_h2.grd")));
}

// The statistics are those of the grid after the last step, also when no
// valid sample is left; a grid without a cell size says so.
TEST(HypsaGrid, StatisticsFollowEveryStep)
{
    TempFiles files;
    const QString voids = files.write("voids.asc", "ncols 3\nnrows 3\nNODATA_value -9999\n-9999 -9999 5\n"
                                                   "-9999 -9999 6\n7 8 9\n");
    const ToolRun run = hypsaGrid({voids, "stats", "resize", "2", "2", "stats"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> stats = linesStartingWith(run.out, "stats ");
    ASSERT_EQ(stats.size(), 2u);
    EXPECT_EQ(stats[0], "stats width=3 height=3 cellsize=none min=5 max=9 mean=7 levels=0 voids=4");
    EXPECT_EQ(stats[1], "stats width=2 height=2 cellsize=none min=none max=none mean=none levels=0 voids=4");
    // --cellsize gives the grid its spacing.
    EXPECT_EQ(linesStartingWith(hypsaGrid({"--cellsize", "2.5", voids, "stats"}).out, "stats ").at(0),
              "stats width=3 height=3 cellsize=2.5 min=5 max=9 mean=7 levels=0 voids=4");
    EXPECT_EQ(hypsaGrid({"--cellsize", "0", voids, "stats"}).exitCode, 2);
}

TEST(HypsaGrid, DecimatingABrownianRefinementGivesTheOriginalGridBack)
{
    TempFiles files;
    const QString decimated = files.path("decimated.raw");
    const ToolRun run = hypsaGrid({dataDir + "jacksboro.grd", "brownian", "stats", "decimate", "stats", "save-raw",
                                   decimated});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> stats = linesStartingWith(run.out, "stats ");
    ASSERT_EQ(stats.size(), 2u);
    EXPECT_TRUE(stats[0].starts_with("stats width=805 height=687 cellsize=45 ")) << stats[0];
    EXPECT_TRUE(stats[1].starts_with("stats width=403 height=344 cellsize=90 min=236 max=1076 ")) << stats[1];
    // Brownian refinement keeps every original sample in place and decimation
    // picks them out again, the last row and column included.
    EXPECT_EQ(TempFiles::read(decimated), TempFiles::read(dataDir + "jacksboro.flt"));
}
