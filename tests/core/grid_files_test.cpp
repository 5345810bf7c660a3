#include "grid_file_io.h"
#include "grid_tokens.h"
#include "jgrid.h"

#include <ogr_srs_api.h>
#include <cpl_conv.h>

#include "support/console_capture.h"
#include "support/temp_files.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString dataDir = QStringLiteral(HYPSA_SOURCE_DIR "/data/");

// Loads by the file's last character, as the viewer does, and returns what
// the load printed.
std::string load(JGrid& g, const QString& path, bool* started = nullptr)
{
    ConsoleCapture console;
    const bool ok = path.endsWith('d', Qt::CaseInsensitive) ? g.loadGRD(path) : g.loadFLT(path);
    if (started)
        *started = ok;
    return console.text();
}

std::string lastLine(const std::string& text)
{
    const std::size_t end = text.size() - (text.ends_with('\n') ? 1 : 0);
    const std::size_t start = text.rfind('\n', end - 1);
    return text.substr(start == std::string::npos ? 0 : start + 1);
}

std::vector<float> row(const JGrid& g, unsigned r)
{
    return std::vector<float>(g.heights[r].begin(), g.heights[r].end());
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

TEST(GridTokens, NumbersParseAsAtofDoes)
{
    for (const char* token : {"483", "483.0", "-9999", "12abc", "abc", "", "1e3", "1E-2", "+5", ".5", "-.5", "5.",
                              "inf", "-inf", "INFINITY", "nan", "-nan", "0x1A", "-0x10", "0x", "0xg", "+-5", "--5",
                              "-", "1e", "1e+", "1,5", "1e999", "-1e999", "1e-999", "4.9e-324", "0.000833333333333"}) {
        const ParsedNumber parsed = parseNumber(token);
        const double expected = std::atof(token);
        EXPECT_TRUE(sameBits(parsed.value, expected) || (std::isnan(parsed.value) && std::isnan(expected)))
            << token << " gave " << parsed.value << ", atof " << expected;
    }
    EXPECT_TRUE(parseNumber("-9999").numeric);
    EXPECT_TRUE(parseNumber("nan").numeric);
    EXPECT_FALSE(parseNumber("ncols").numeric);
    EXPECT_FALSE(parseNumber("+x").numeric);
}

TEST(GridTokens, IntegersParseAsStrtolDoes)
{
    for (const char* token : {"403", "0x1F", "017", "09", "-5", "+7", "12abc", "0x", "403.9"}) {
        EXPECT_EQ(parseInteger(token, 0).value, std::strtol(token, nullptr, 0)) << token;
        EXPECT_EQ(parseInteger(token, 10).value, std::atoi(token)) << token;
    }
    EXPECT_EQ(parseInteger("99999999999999999999999", 0).value, LLONG_MAX);
    EXPECT_EQ(parseInteger("-99999999999999999999999", 0).value, LLONG_MIN);
    EXPECT_FALSE(parseInteger("abc", 0).numeric);
    EXPECT_FALSE(parseInteger("-", 10).numeric);
}

TEST(GridTokens, TokensCrossBufferRefillsAndOverlongOnesAreCut)
{
    TempFiles files;
    std::string text = "  first\tsecond\r\n";
    for (int i = 0; i < 20000; ++i)
        text += std::to_string(i) + (i % 7 ? " " : "\n");
    const QString path = files.writeWithRun("tokens.txt", text, '7', 10 << 20, "\n-2.5");
    std::FILE* f = std::fopen(path.toLocal8Bit().constData(), "r");
    ASSERT_NE(f, nullptr);
    TokenReader tokens(f, 0); // the smallest buffer: many refills
    std::string_view t;
    ASSERT_TRUE(tokens.next(t));
    EXPECT_EQ(t, "first");
    ASSERT_TRUE(tokens.next(t));
    EXPECT_EQ(t, "second");
    tokens.unread();
    ASSERT_TRUE(tokens.next(t));
    EXPECT_EQ(t, "second");
    for (int i = 0; i < 20000; ++i) {
        ASSERT_TRUE(tokens.next(t));
        ASSERT_EQ(t, std::to_string(i));
    }
    ASSERT_TRUE(tokens.next(t)); // the 10 MB token keeps its first characters
    EXPECT_EQ(t, std::string(TokenReader::maxTokenLength, '7'));
    EXPECT_EQ(parseNumber(t).value, HUGE_VAL);
    ASSERT_TRUE(tokens.next(t)); // the last token, no line break after it
    EXPECT_EQ(t, "-2.5");
    EXPECT_FALSE(tokens.next(t));
    std::fclose(f);
}

TEST(GridTokens, RowsAreWrittenAsPrintfWouldWriteThem)
{
    std::mt19937 random(7);
    std::vector<float> values = {0.0f, -0.0f, 0.125f, 0.375f, -2.675f, 1e-7f, 3.4e38f, -3.4e38f, 483.0f, 0.005f};
    for (int i = 0; i < 2000; ++i) {
        const std::uint32_t bits = random();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v))
            values.push_back(v);
        values.push_back(std::uniform_real_distribution<float>(-2000.0f, 2000.0f)(random));
    }
    for (const int precision : {2, 5}) {
        std::string expected;
        char one[128];
        for (const float v : values) {
            std::snprintf(one, sizeof one, precision == 2 ? "%1.2f " : "%1.5f ", v);
            expected += one;
        }
        expected += '\n';
        TempFiles files;
        const QString path = files.path("row.txt");
        {
            FileHandle f = openFile(path, "w");
            ValueRowWriter(precision).write(f.get(), values);
        }
        EXPECT_EQ(TempFiles::read(path), expected);
    }
}

TEST(GridFileLoad, EveryDataFileGivesTheSameTerrain)
{
    JGrid reference;
    ASSERT_TRUE(reference.loadFLT(dataDir + "jacksboro.flt"));
    for (const char* file : {"jacksboro.grd", "jacksboro_xdim.grd", "jacksboro.flt", "jacksboro_gridfloat.flt"}) {
        SCOPED_TRACE(file);
        JGrid g;
        bool started = false;
        load(g, dataDir + file, &started);
        EXPECT_TRUE(started);
        EXPECT_TRUE(g.loaded);
        EXPECT_EQ(g.width, 403u);
        EXPECT_EQ(g.height, 344u);
        EXPECT_EQ(g.cellSize, 90.0f);
        const std::vector<float> first = row(g, 0);
        EXPECT_EQ(std::vector<float>(first.begin(), first.begin() + 8),
                  (std::vector<float>{483, 487, 491, 493, 488, 485, 483, 478}));
        EXPECT_EQ(g.minHeight, 236.0f);
        EXPECT_EQ(g.maxHeight, 1076.0f);
        EXPECT_TRUE(g.heights == reference.heights);
        // Nothing draws yet: a load costs no normals.
        EXPECT_FALSE(g.normalsValid);
        EXPECT_TRUE(g.normals.empty());
        EXPECT_EQ(g.name, QString(dataDir + file).remove(QLatin1Char('.')));
    }
}

TEST(GridFileLoad, AsciiConsoleLinesAndStatistics)
{
    TempFiles files;
    const QString path = files.write("small.grd", "ncols\t3\nnrows\t2\nxllcorner\t0\nyllcorner\t0\n"
                                                  "xdim\t0.000833333333333\nydim\t0.000833333333333\n"
                                                  "NODATA_value\t-9999\n0 -9999 12.5\n7.25 3 -50\n");
    JGrid g;
    g.details.push_back(DetailLevel{});
    bool started = false;
    const std::string text = load(g, path, &started);
    EXPECT_TRUE(started);
    const std::string file = path.toStdString();
    EXPECT_EQ(text, "Loading file\nLoading ASCII Grid File\nfrequency sampled is 90.000\nJGrid:: " + file +
                        " names no coordinate system: its spacing 0.000833333 is taken as degrees, 90 m (--cellsize M, "
                        "or View > Cell Size... in the viewer, sets the spacing in metres)\nLoaded File: " + file +
                        "\nGrid is 3 X 2 .\nThere are a total of 6 height values\nVoids: 1\nAverage height: -5.450\n"
                        "Min = -50.000\nMax = 12.500\n------------------------\n");
    // -9999 (the no-data value) is a void; 0 and -50 are heights like any
    // other and count in the minimum and the mean (5 values).
    EXPECT_EQ(g.minHeight, -50.0f);
    EXPECT_EQ(g.averageHeight, static_cast<float>(-27.25 / 5.0));
    EXPECT_EQ(row(g, 1), (std::vector<float>{7.25f, 3.0f, -50.0f}));
    EXPECT_FALSE(g.isValid(0, 1));
    EXPECT_EQ(g.voidCount, 1u);
    EXPECT_EQ(g.noDataValue, -9999.0f);
    EXPECT_TRUE(g.details.empty());
    EXPECT_EQ(g.stdDev, -1.0f);
}

TEST(GridFileLoad, SpacingFromTheGeoreferencing)
{
    TempFiles files;
    std::string console;
    const auto loaded = [&](const std::string& header, const QString& name = "c.grd",
                            std::optional<float> cellSize = std::nullopt) {
        auto g = std::make_unique<JGrid>();
        ConsoleCapture capture;
        g->loadGRD(files.write(name, header + "\n1 2 3 4\n"), cellSize);
        console = capture.text();
        return g;
    };
    const auto cellSizeOf = [&](const std::string& value) {
        return loaded("ncols 2\nnrows 2\ncellsize " + value)->cellSize.value_or(-1.0f);
    };
    // Degrees: floor(degrees x 108000) where that changes the spacing by
    // less than 1%, the unrounded metres otherwise (3.33 m cells of 1/9
    // arc-second are not 3 m; 0.00083333 is not 89 m).
    EXPECT_EQ(cellSizeOf("0.000833333333333"), 90.0f);
    EXPECT_NEAR(cellSizeOf("0.0000308641975"), 3.33333f, 1e-5);
    EXPECT_NEAR(cellSizeOf("0.00083333"), 89.9996f, 1e-4);
    EXPECT_EQ(cellSizeOf("0.000837962963"), 90.0f); // 90.5 m: the floor changes it by less than 1%
    EXPECT_NEAR(cellSizeOf("0.000001"), 0.108f, 1e-6);
    // Cells of 1 or more are projected metres, unrounded.
    EXPECT_EQ(cellSizeOf("1.0"), 1.0f);
    EXPECT_EQ(cellSizeOf("2.5"), 2.5f);
    EXPECT_EQ(cellSizeOf("10.7"), 10.7f);
    // Corner coordinates beyond longitude 360 or latitude 90: projected.
    EXPECT_EQ(loaded("ncols 2\nnrows 2\nxllcorner 500000\nyllcorner 4000000\ncellsize 0.5")->cellSize, 0.5f);
    EXPECT_EQ(loaded("ncols 2\nnrows 2\nxllcorner 400\nyllcorner 0\ncellsize 0.5")->cellSize, 0.5f);
    // A lidar tile in local coordinates, its corner at 0,0: metres, and the
    // console says what was assumed and how to override it.
    EXPECT_EQ(loaded("ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 0.5", "lidar.asc")->cellSize, 0.5f);
    EXPECT_NE(console.find("JGrid:: " + files.path("lidar.asc").toStdString() + " names no coordinate system: its "
                           "spacing 0.5 is taken as metres (--cellsize M, or View > Cell Size... in the viewer, sets "
                           "it)\n"),
              std::string::npos)
        << console;
    // Longitudes 0 to 360 are degrees: 234 E is 126 W, at 40 N.
    const auto pacific = loaded("ncols 2\nnrows 2\nxllcorner 234\nyllcorner 39.999\ncellsize 0.000833333333333");
    EXPECT_EQ(pacific->cellSize, 90.0f);
    EXPECT_NEAR(pacific->eastWestRatio, std::cos(40.0 * M_PI / 180.0), 1e-5);
    EXPECT_EQ(loaded("ncols 2\nnrows 2\ncellsize 0.001\n")->eastWestRatio, 1.0f);
    // No cell size: none (never -1), drawn at one height unit per sample.
    EXPECT_FALSE(loaded("ncols 2\nnrows 2", "none.grd")->cellSize.has_value());
    EXPECT_NE(console.find("JGrid:: " + files.path("none.grd").toStdString() + " gives no cell size: the terrain is "
                           "drawn at one height unit per sample"),
              std::string::npos)
        << console;

    // East-west spacing shrinks with the cosine of the mid latitude: 60 N,
    // and the real terrain at 36.59 N, through both header kinds.
    const auto north = loaded("ncols 2\nnrows 2\nxllcorner 10\nyllcorner 59.999\ncellsize 0.001");
    EXPECT_NEAR(north->eastWestRatio, 0.5, 1e-6);
    for (const char* file : {"jacksboro.grd", "jacksboro.flt", "jacksboro_gridfloat.flt"}) {
        JGrid g;
        load(g, dataDir + file);
        EXPECT_NEAR(g.eastWestRatio, std::cos(36.5895833 * M_PI / 180.0), 1e-6) << file;
        EXPECT_EQ(g.cellSize, 90.0f) << file;
    }
    // xdim and ydim apart: the ratio carries their proportion, also when the
    // user gives the cell size.
    const std::string apart = "ncols 2\nnrows 2\nxllcorner 1000\nyllcorner 0\nxdim 30\nydim 10";
    EXPECT_NEAR(loaded(apart)->eastWestRatio, 3.0, 1e-6);
    const auto asked = loaded(apart, "asked.grd", 2.5f);
    EXPECT_EQ(asked->cellSize, 2.5f);
    EXPECT_NEAR(asked->eastWestRatio, 3.0, 1e-6);
    EXPECT_NE(console.find("frequency sampled is 2.500\nJGrid:: the cell size of " +
                           files.path("asked.grd").toStdString() + " is taken as 2.5 m, as asked\n"),
              std::string::npos)
        << console;
    EXPECT_EQ(loaded("ncols 2\nnrows 2", "none.grd", 7.0f)->cellSize, 7.0f);

    // A coordinate system beside the grid decides over the coordinates: a
    // projected system in US feet keeps 0.5 ft cells as 0.1524 m. The .prj
    // starts with a blank line, as gdalsrsinfo -o wkt_esri writes it.
    OGRSpatialReferenceH feet = OSRNewSpatialReference(nullptr);
    ASSERT_EQ(OSRImportFromEPSG(feet, 2274), OGRERR_NONE); // Tennessee State Plane, US feet
    OSRMorphToESRI(feet);
    char* wkt = nullptr;
    OSRExportToWkt(feet, &wkt);
    files.write("feet.prj", std::string("\n") + wkt + "\n");
    CPLFree(wkt);
    OSRDestroySpatialReference(feet);
    EXPECT_NEAR(loaded("ncols 2\nnrows 2\ncellsize 0.5", "feet.grd")->cellSize.value_or(0), 0.5 * 1200.0 / 3937.0,
                1e-6);
    EXPECT_EQ(console.find("names no coordinate system"), std::string::npos) << console;
    JGrid utm;
    {
        ConsoleCapture quiet;
        ASSERT_TRUE(utm.loadGRD(dataDir + "jacksboro_utm.asc"));
    }
    EXPECT_EQ(utm.cellSize, 90.0f);
    EXPECT_EQ(utm.eastWestRatio, 1.0f);

    // A cell size that comes out as 0 or below is refused.
    for (const char* bad : {"0", "-2", "nan"}) {
        JGrid g;
        bool started = true;
        const std::string text = load(g, files.write("bad.grd", std::string("ncols 2\nnrows 2\ncellsize ") + bad +
                                                                     "\n1 2 3 4\n"), &started);
        EXPECT_FALSE(started) << bad;
        EXPECT_NE(text.find("JGrid:: *Error* - the cell size of " + files.path("bad.grd").toStdString()),
                  std::string::npos) << text;
    }
}

TEST(GridFileLoad, HeadersAreReadByKeywordInAnyOrderAndCase)
{
    TempFiles files;
    JGrid g;
    bool started = false;
    load(g, files.write("gdal.grd", "NROWS 2\nxllcenter 5\nNcols 3\nDX 0.000833333333333\nDY 0.000833333333333\nnodata -1\n"
                                    "1 2 3\n4 5 6\n"), &started);
    EXPECT_TRUE(started);
    EXPECT_EQ(g.width, 3u);
    EXPECT_EQ(g.height, 2u);
    EXPECT_EQ(g.cellSize, 90.0f);
    EXPECT_EQ(row(g, 0), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(row(g, 1), (std::vector<float>{4, 5, 6}));
}

TEST(GridFileLoad, HeaderWithoutDimensionKeywordsIsReadByPosition)
{
    TempFiles files;
    JGrid g;
    load(g, files.write("pos.grd", "a 3 b 2 c 0 d 0 e 0.000833333333333 f 0 g -9999 1 2 3 4 5 6\n"));
    EXPECT_EQ(g.width, 3u);
    EXPECT_EQ(g.height, 2u);
    EXPECT_EQ(g.cellSize, 90.0f);
    EXPECT_EQ(row(g, 1), (std::vector<float>{4, 5, 6}));
}

TEST(GridFileLoad, LastValueWithoutLineBreakIsKept)
{
    TempFiles files;
    JGrid g;
    const std::string text = load(g, files.write("nobreak.grd", "ncols 2\nnrows 2\n1 2\n3 4"));
    EXPECT_EQ(g.heights[1][1], 4.0f);
    EXPECT_EQ(text.find("Premature"), std::string::npos);
}

// A file with fewer values than its header declares is refused, naming both
// counts, before anything is allocated where its size tells; values that are
// not numbers are read as the specified 0.0 (or their leading number) and
// counted on the console.
TEST(GridFileLoad, ShortFilesAreRefusedAndNonNumericValuesCounted)
{
    TempFiles files;
    JGrid g;
    load(g, dataDir + "jacksboro.flt");
    bool started = true;
    const auto refused = [&](const QString& path, const std::string& message) {
        const std::string text = load(g, path, &started);
        EXPECT_FALSE(started) << text;
        EXPECT_EQ(lastLine(text), "JGrid:: *Error* - Premature end of data file: " + message + "\n");
        EXPECT_EQ(g.width, 403u); // the terrain loaded before stays
    };
    refused(files.write("short.grd", "ncols 3\nnrows 2\n1 x7 12abc\n4\n"),
            files.path("short.grd").toStdString() + " holds 4 of the 6 height values (3 x 2) its header declares");
    refused(files.write("vast.grd", "ncols 16384\nnrows 16384\n1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20\n"),
            files.path("vast.grd").toStdString() +
                " holds at most 38 of the 268435456 height values (16384 x 16384) its header declares");
    files.write("short.hdr", "ncols 2\nnrows 2\n");
    const float three[3] = {5.0f, 6.0f, 7.0f};
    refused(files.write("short.flt", std::string(reinterpret_cast<const char*>(three), sizeof three) + "\x01\x02"),
            files.path("short.flt").toStdString() + " holds 3 of the 4 height values (2 x 2) its header declares");

    std::string text = load(g, files.write("words.grd", "ncols 3\nnrows 2\n1 x7 12abc\n4 1,5 6\n"), &started);
    EXPECT_TRUE(started);
    EXPECT_EQ(row(g, 0), (std::vector<float>{1, 0, 12}));
    EXPECT_EQ(row(g, 1), (std::vector<float>{4, 1, 6}));
    EXPECT_NE(text.find("JGrid:: 3 values in " + files.path("words.grd").toStdString() +
                        " are not numbers (the first is \"x7\"); each is read as its leading number, or 0.0 without "
                        "one\nLoaded File: "),
              std::string::npos)
        << text;

    // A 10 MB token among the heights is one value, and the ones after it
    // still land in their places.
    text = load(g, files.writeWithRun("huge.grd", "ncols 2\nnrows 2\n1 ", '9', 10 << 20, "\n3 4\n"), &started);
    EXPECT_TRUE(started);
    EXPECT_FALSE(g.isValid(0, 1)); // infinite: a void, never a height
    EXPECT_TRUE(std::isfinite(g.heights[0][1]));
    EXPECT_EQ(row(g, 1), (std::vector<float>{3, 4}));
    load(g, files.writeWithRun("letters.grd", "ncols 2\nnrows 2\n1 ", 'z', 10 << 20, "\n3 4\n"), &started);
    EXPECT_TRUE(started);
    EXPECT_EQ(row(g, 0), (std::vector<float>{1, 0}));
}

TEST(GridFileLoad, FloatGridsHonourTheHeaderByteOrder)
{
    TempFiles files;
    const float values[4] = {1.5f, -2.0f, 300.25f, 4.0f};
    std::string big;
    for (const float v : values) {
        unsigned char b[4];
        std::memcpy(b, &v, 4);
        big += std::string{char(b[3]), char(b[2]), char(b[1]), char(b[0])};
    }
    files.write("big.hdr", "NCOLS 2\nNROWS 2\nBYTEORDER M\nNBITS 32\nPIXELTYPE FLOAT\nXDIM 0.000833333333333\n");
    JGrid g;
    bool started = false;
    const std::string text = load(g, files.write("big.flt", big), &started);
    EXPECT_TRUE(started);
    EXPECT_EQ(row(g, 0), (std::vector<float>{1.5f, -2.0f}));
    EXPECT_EQ(row(g, 1), (std::vector<float>{300.25f, 4.0f}));
    const std::string header = files.path("big.hdr").toStdString();
    EXPECT_EQ(text.substr(0, text.find("Loaded")),
              "Loading file\nLoading Binary Grid File\nfrequency sampled is 90.000\nJGrid:: " + header +
                  " names no coordinate system: its spacing 0.000833333 is taken as degrees, 90 m (--cellsize M, or "
                  "View > Cell Size... in the viewer, sets the spacing in metres)\nHeader file " + header + "\n");
}

TEST(GridFileLoad, FloatGridNamesInEitherCaseFindTheirPartner)
{
    TempFiles files;
    JGrid g;
    std::string text = load(g, files.path("hills.flt"));
    EXPECT_EQ(lastLine(text), "Error - " + files.path("hills.hdr").toStdString() + " was not found\n");
    files.write("hills.hdr", "ncols 2\nnrows 2\n");
    text = load(g, files.path("hills.flt"));
    EXPECT_EQ(lastLine(text), "Error, " + files.path("hills.flt").toStdString() + " was not found\n");
    EXPECT_FALSE(g.loaded);

    // Upper-case names on a case-sensitive file system, and a chosen header.
    const float values[4] = {1, 2, 3, 4};
    const std::string bytes(reinterpret_cast<const char*>(values), sizeof values);
    files.write("UP.FLT", bytes);
    files.write("UP.HDR", "ncols 2\nnrows 2\n");
    files.write("mixed.FLT", bytes);
    files.write("mixed.hdr", "ncols 2\nnrows 2\n");
    files.write("chosen.flt", bytes);
    files.write("chosen.hdr", "ncols 2\nnrows 2\n");
    for (const char* name : {"UP.FLT", "mixed.FLT", "chosen.hdr", "UP.HDR"}) {
        JGrid one;
        bool started = false;
        load(one, files.path(name), &started);
        EXPECT_TRUE(started) << name;
        EXPECT_EQ(row(one, 1), (std::vector<float>{3, 4})) << name;
    }
}

// Headers as real programs write them.
TEST(GridFileLoad, HeaderFaultsFromRealFiles)
{
    TempFiles files;
    const float values[6] = {1, 2, 3, 4, 5, 6};
    const std::string bytes(reinterpret_cast<const char*>(values), sizeof values);

    // Keywords the float reader does not use are reported and ignored.
    files.write("extra.hdr", "ncols 3\nnrows 2\nunits METERS\nBANDGAPBYTES 0\nxdim 0.000833333333333\n");
    JGrid g;
    bool started = false;
    std::string text = load(g, files.write("extra.flt", bytes), &started);
    EXPECT_TRUE(started);
    EXPECT_EQ(row(g, 1), (std::vector<float>{4, 5, 6}));
    const std::string header = files.path("extra.hdr").toStdString();
    EXPECT_NE(text.find("JGrid:: the keyword \"units\" in " + header + " is not used; it is ignored\n"
                        "JGrid:: the keyword \"BANDGAPBYTES\" in " + header + " is not used; it is ignored\n"),
              std::string::npos) << text;

    // A UTF-8 byte-order mark is skipped, in an ASCII grid and in a header.
    load(g, files.write("bom.grd", "\xEF\xBB\xBFncols 3\nnrows 2\n1 2 3\n4 5 6\n"), &started);
    EXPECT_TRUE(started);
    EXPECT_EQ(g.width, 3u);
    files.write("bom.hdr", "\xEF\xBB\xBFncols 3\nnrows 2\n");
    load(g, files.write("bom.flt", bytes), &started);
    EXPECT_TRUE(started);
    EXPECT_EQ(row(g, 0), (std::vector<float>{1, 2, 3}));

    // Header numbers are decimal: 010 is ten, not eight.
    std::string ten = "ncols 010\nnrows 2\n";
    for (int i = 0; i < 20; ++i)
        ten += std::to_string(i) + " ";
    load(g, files.write("ten.grd", ten + "\n"), &started);
    EXPECT_EQ(g.width, 10u);
    EXPECT_EQ(g.heights[1][0], 10.0f);
}

// Band 1 of padded and multi-band float grids: every layout gives rows 1 2 3
// and 4 5 6; band 2 holds 10 times the values, padding is -7.
TEST(GridFileLoad, BandLayoutsReadBandOne)
{
    TempFiles files;
    const auto floats = [](std::initializer_list<float> v) {
        return std::string(reinterpret_cast<const char*>(std::data(v)), v.size() * sizeof(float));
    };
    const auto loads = [&](const std::string& name, const std::string& header, const std::string& data) {
        files.write(QString::fromStdString(name + ".hdr"), "ncols 3\nnrows 2\n" + header);
        JGrid g;
        bool started = false;
        load(g, files.write(QString::fromStdString(name + ".flt"), data), &started);
        EXPECT_TRUE(started) << name;
        EXPECT_EQ(row(g, 0), (std::vector<float>{1, 2, 3})) << name;
        EXPECT_EQ(row(g, 1), (std::vector<float>{4, 5, 6})) << name;
    };
    loads("skip", "SKIPBYTES 4\n", floats({-7, 1, 2, 3, 4, 5, 6}));
    loads("padded", "BANDROWBYTES 12\nTOTALROWBYTES 16\n", floats({1, 2, 3, -7, 4, 5, 6, -7}));
    loads("bil", "LAYOUT BIL\nNBANDS 2\nBANDROWBYTES 12\nTOTALROWBYTES 24\n",
          floats({1, 2, 3, 10, 20, 30, 4, 5, 6, 40, 50, 60}));
    loads("bilpad", "LAYOUT BIL\nNBANDS 2\nBANDROWBYTES 16\nTOTALROWBYTES 32\nSKIPBYTES 8\n",
          floats({-7, -7, 1, 2, 3, -7, 10, 20, 30, -7, 4, 5, 6, -7, 40, 50, 60, -7}));
    loads("bip", "LAYOUT BIP\nNBANDS 2\n", floats({1, 10, 2, 20, 3, 30, 4, 40, 5, 50, 6, 60}));
    loads("bsq", "LAYOUT BSQ\nNBANDS 2\n", floats({1, 2, 3, 4, 5, 6, 10, 20, 30, 40, 50, 60}));

    // Layouts that cannot hold the samples are refused, never misread.
    const auto refused = [&](const std::string& name, const std::string& header, const std::string& message) {
        files.write(QString::fromStdString(name + ".hdr"), "ncols 3\nnrows 2\n" + header);
        JGrid g;
        bool started = true;
        const std::string text = load(g, files.write(QString::fromStdString(name + ".flt"), floats({1, 2, 3, 4, 5, 6})),
                                      &started);
        EXPECT_FALSE(started) << name;
        EXPECT_EQ(lastLine(text), "JGrid:: *Error* - " + std::string(message).replace(message.find('@'), 1,
                                      files.path(QString::fromStdString(name + ".hdr")).toStdString()) + "\n");
    };
    refused("narrow", "BANDROWBYTES 8\n",
            "the rows of @ (1 bands, band rows of 8 bytes, rows of 12 bytes) cannot hold 3 float samples each");
    refused("short", "NBANDS 2\nBANDROWBYTES 12\nTOTALROWBYTES 20\n",
            "the rows of @ (2 bands, band rows of 12 bytes, rows of 20 bytes) cannot hold 3 float samples each");
    refused("nobands", "NBANDS 0\n", "@ gives NBANDS 0; 1 to 65536 bands can be read");
    refused("negative", "SKIPBYTES -4\n", "@ gives SKIPBYTES -4; a byte count of 0 or more is needed");
    refused("layout", "LAYOUT XYZ\n", "unknown layout \"XYZ\" in @; BIL, BIP or BSQ can be read");

    // A pixel-interleaved row of 10 GB is read sample by sample, not into a
    // buffer of its size (a sparse file of that size holds the samples), and
    // a file too short for it is refused before anything is read.
    files.write("vast.hdr", "ncols 40000\nnrows 2\nLAYOUT BIP\nNBANDS 65536\n");
    const QString vast = files.write("vast.flt", floats({1, 2, 3, 4, 5, 6}));
    JGrid g;
    bool started = true;
    std::string text = load(g, vast, &started);
    EXPECT_FALSE(started);
    EXPECT_NE(text.find(" holds 1 of the 80000 height values (40000 x 2) its header declares"), std::string::npos);
    const std::uint64_t bandRow = 40000ull * 4 * 65536;
    std::filesystem::resize_file(vast.toStdString(), bandRow + 39999ull * 4 * 65536 + 4);
    text = load(g, vast, &started);
    EXPECT_TRUE(started);
    EXPECT_EQ(g.heights[0][0], 1.0f);
    EXPECT_EQ(g.heights[1][39999], 0.0f);
    EXPECT_NE(text.find("There are a total of 80000 height values\n"), std::string::npos);
}

// A refused load prints why and keeps the terrain and details of the grid
// that was loaded before.
class RefusedLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        load(grid, files.write("before.grd", "ncols 3\nnrows 2\ncellsize 30\n1 2 3\n4 5 6\n"));
        grid.details.push_back(DetailLevel{FloatArray2D(1, 2, 0.5f), FloatArray2D(2, 1, 0.25f)});
        ASSERT_TRUE(grid.loaded);
    }

    void expectRefused(const QString& path, const std::string& message)
    {
        bool started = true;
        const std::string text = load(grid, path, &started);
        EXPECT_FALSE(started);
        EXPECT_EQ(lastLine(text), message);
        EXPECT_TRUE(grid.loaded);
        EXPECT_EQ(grid.width, 3u);
        EXPECT_EQ(grid.height, 2u);
        EXPECT_EQ(grid.cellSize, 30.0f);
        EXPECT_EQ(row(grid, 1), (std::vector<float>{4, 5, 6}));
        EXPECT_EQ(grid.details.size(), 1u);
        EXPECT_EQ(grid.name, files.path("beforegrd"));
    }

    std::string refusal(const std::string& text, const char* file)
    {
        return "JGrid:: *Error* - " + std::string(text).replace(text.find('@'), 1, files.path(file).toStdString()) + "\n";
    }

    TempFiles files;
    JGrid grid;
};

TEST_F(RefusedLoad, MissingEmptyOrHeaderOnlyFiles)
{
    expectRefused(files.path("absent.grd"), "Error, " + files.path("absent.grd").toStdString() + " was not found\n");
    expectRefused(files.write("empty.grd", ""), refusal("the header of @ gives no usable number of columns and rows", "empty.grd"));
    expectRefused(files.write("header.grd", "ncols 3\nnrows 2\ncellsize 30\n"), refusal("@ holds no height values", "header.grd"));
    expectRefused(files.write("novalue.grd", "ncols 3\nnrows"), refusal("the keyword \"nrows\" has no value in @", "novalue.grd"));
}

TEST_F(RefusedLoad, WrongKeywordsOrUnusableDimensions)
{
    expectRefused(files.write("kw.grd", "ncols 3\nnrows 2\nresolution 30\n1 2 3 4 5 6\n"),
                  refusal("unknown keyword \"resolution\" in the header of @", "kw.grd"));
    expectRefused(files.write("flt.grd", "ncols 3\nnrows 2\nbyteorder I\n1 2 3 4 5 6\n"),
                  refusal("unknown keyword \"byteorder\" in the header of @", "flt.grd"));
    expectRefused(files.writeWithRun("long.grd", "ncols 3\nnrows 2\n", 'k', 10 << 20, " 5\n1 2 3 4 5 6\n"),
                  refusal("unknown keyword \"" + std::string(64, 'k') + "...\" in the header of @", "long.grd"));
    expectRefused(files.write("word.grd", "ncols three\nnrows 2\n1 2 3 4 5 6\n"),
                  refusal("the header of @ gives no usable number of columns and rows", "word.grd"));
    std::string pairs;
    for (int i = 0; i < 70; ++i)
        pairs += "key 1\n";
    expectRefused(files.write("pairs.grd", pairs), refusal("the header of @ has more than 64 keywords", "pairs.grd"));
    expectRefused(files.write("eight.grd", "a 3 b 2 c 0 d 0 e 1 f 0 g 0 h 0 1 2 3 4 5 6\n"),
                  refusal("the header of @ gives no usable number of columns and rows", "eight.grd"));
}

TEST_F(RefusedLoad, SizesOutsideTheLimits)
{
    expectRefused(files.write("neg.grd", "ncols -5\nnrows 2\n1 2\n"),
                  refusal("@ gives -5 columns and 2 rows; a grid needs at least 2 of each", "neg.grd"));
    expectRefused(files.write("one.grd", "ncols 3\nnrows 1\n1 2 3\n"),
                  refusal("@ gives 3 columns and 1 rows; a grid needs at least 2 of each", "one.grd"));
    expectRefused(files.write("huge.grd", "ncols 100000\nnrows 100000\n1 2\n"),
                  refusal("@ gives 100000 columns and 100000 rows, more than the limit of 268435456 samples", "huge.grd"));
    expectRefused(files.write("vast.grd", "ncols 99999999999999999999999\nnrows 2\n1 2\n"),
                  refusal("@ gives 9223372036854775807 columns and 2 rows, more than the limit of 268435456 samples",
                          "vast.grd"));
}

TEST_F(RefusedLoad, FloatGridsWithUnreadableHeadersOrNoData)
{
    const float values[6] = {1, 2, 3, 4, 5, 6};
    const std::string bytes(reinterpret_cast<const char*>(values), sizeof values);
    files.write("bits.hdr", "ncols 3\nnrows 2\nnbits 16\n");
    expectRefused(files.write("bits.flt", bytes), refusal("@ gives nbits 16; only 32-bit float samples can be read", "bits.hdr"));
    files.write("type.hdr", "ncols 3\nnrows 2\npixeltype SIGNEDINT\n");
    expectRefused(files.write("type.flt", bytes),
                  refusal("@ gives pixeltype SIGNEDINT; only 32-bit float samples can be read", "type.hdr"));
    files.write("order.hdr", "ncols 3\nnrows 2\nbyteorder VMS\n");
    expectRefused(files.write("order.flt", bytes), refusal("unknown byte order \"VMS\" in @", "order.hdr"));
    files.write("nodata.hdr", "ncols 3\nnrows 2\n");
    expectRefused(files.write("nodata.flt", "\x01\x02"),
                  refusal("Premature end of data file: @ holds 0 of the 6 height values (3 x 2) its header declares",
                          "nodata.flt"));
    files.write("missing.hdr", "ncols 3\nnrows 2\n");
    expectRefused(files.path("missing.flt"), "Error, " + files.path("missing.flt").toStdString() + " was not found\n");
}

// Runs a load in a child process whose address space is capped at what it
// holds now plus `headroom`, and exits 0 when the load was refused for want
// of memory with the previous grid intact.
void loadUnderMemoryCap(JGrid& grid, const QString& path, std::size_t headroom, const std::string& size)
{
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + headroom;
    const rlimit cap{limit, limit};
    if (setrlimit(RLIMIT_AS, &cap) != 0)
        std::_Exit(2);
    bool started = true;
    const std::string text = load(grid, path, &started);
    const bool kept = grid.loaded && grid.width == 3 && grid.heights[1][2] == 6.0f && grid.details.size() == 1;
    const bool told = text.find("JGrid:: *Error* - not enough memory to load the " + size + " grid of ") != std::string::npos;
    std::_Exit(!started && kept && told ? 0 : 1);
}

TEST_F(RefusedLoad, NotEnoughMemory)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the cap allows";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // a child with a fresh heap
    // The largest grid accepted needs 1 GB for its heights, the smaller one
    // 128 MB: neither fits in the room left. Sparse files long enough for
    // their values get past the size check without taking the disk space.
    const QString largest = files.write("largest.grd", "ncols 16384\nnrows 16384\n1 2 3\n");
    std::filesystem::resize_file(largest.toStdString(), 2ull * 16384 * 16384);
    EXPECT_EXIT(loadUnderMemoryCap(grid, largest, 256 << 20, "16384 x 16384"), testing::ExitedWithCode(0), "");
    files.write("large.hdr", "ncols 4096\nnrows 8192\n");
    const QString large = files.write("large.flt", "");
    std::filesystem::resize_file(large.toStdString(), 4ull * 4096 * 8192);
    EXPECT_EXIT(loadUnderMemoryCap(grid, large, 96 << 20, "4096 x 8192"), testing::ExitedWithCode(0), "");
}

TEST(GridFileWrite, WriteGrdLayoutByteForByte)
{
    TempFiles files;
    JGrid g;
    g.resize(3, 2);
    const float values[6] = {1.0f, 2.5f, -3.255f, 1000.0f, -9999.0f, 0.004f};
    std::copy(values, values + 6, g.heights.data());
    g.loaded = true;
    g.cellSize = 90.0f;
    g.name = files.path("hillsgrd");
    QString message;
    ConsoleCapture console;
    EXPECT_TRUE(g.writeGRD(message));
    const QString expectedName = files.path("hillsgrd_w3_h2.grd");
    EXPECT_EQ(console.text(), "Details file " + expectedName.toStdString() + " has been written successfully\n");
    EXPECT_EQ(message, expectedName);
    EXPECT_EQ(TempFiles::read(expectedName), "ncols\t3\nnrows\t2\nxllcorner\t0\nyllcorner\t0\n"
                                             "xdim\t0.000833333353511989\nydim\t0.000833333353511989\n"
                                             "NODATA_value\t-9999\n1.00 2.50 -3.26 \n1000.00 -9999.00 0.00 \n\n");
}

TEST(GridFileWrite, WrittenGridReadsBack)
{
    TempFiles files;
    JGrid g;
    load(g, dataDir + "jacksboro.grd");
    g.name = files.path("copy");
    QString message;
    ConsoleCapture console;
    ASSERT_TRUE(g.writeGRD(message));
    console.text();
    JGrid back;
    load(back, message);
    EXPECT_EQ(back.width, 403u);
    EXPECT_EQ(back.height, 344u);
    EXPECT_EQ(back.cellSize, 90.0f);
    EXPECT_TRUE(back.heights == g.heights);
    EXPECT_EQ(TempFiles::read(message), TempFiles::read(dataDir + "jacksboro_xdim.grd"));

    // Every spacing comes back as it was written, not rounded down to whole
    // metres (31 m became 30 m, a projected grid's 2.5 m became 2 m); a grid
    // without one comes back without one.
    for (const std::optional<float> cellSize : {std::optional<float>(31.0f), std::optional<float>(2.5f),
                                                std::optional<float>(7.3f), std::optional<float>()}) {
        back.cellSize = cellSize;
        back.name = files.path("odd");
        {
            ConsoleCapture quiet;
            ASSERT_TRUE(back.writeGRD(message));
        }
        EXPECT_EQ(TempFiles::read(message).find("dim\t-"), std::string::npos); // never a negative spacing
        load(back, message);
        EXPECT_EQ(back.cellSize, cellSize);
    }
}

TEST(GridFileWrite, NamesLongerThanAnyFixedBuffer)
{
    TempFiles files;
    const QString directory = files.path(QString(100, 'd') + "/" + QString(100, 'e') + "/" + QString(100, 'f'));
    ASSERT_TRUE(QDir().mkpath(directory));
    JGrid g;
    g.resize(2, 2);
    g.name = directory + "/hills";
    g.details = {DetailLevel{FloatArray2D(1, 4, 0.5f), FloatArray2D(3, 1, 0.25f)}};
    QString message;
    int count = 0;
    ConsoleCapture quiet;
    ASSERT_TRUE(g.writeGRD(message));
    EXPECT_EQ(message, directory + "/hills_w2_h2.grd");
    EXPECT_EQ(TempFiles::read(message).substr(0, 8), "ncols\t2\n");
    g.writeDetailFiles(message, count);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(message, directory + "/hills_w3_h3.dtl");
    EXPECT_TRUE(QFile::exists(message));
}

TEST(GridFileWrite, UnwritableNameIsReported)
{
    TempFiles files;
    JGrid g;
    g.resize(2, 2);
    g.name = files.path("no/such/dir/x");
    QString message;
    ConsoleCapture console;
    EXPECT_FALSE(g.writeGRD(message));
    const std::string file = files.path("no/such/dir/x_w2_h2.grd").toStdString();
    EXPECT_EQ(console.text(), "*** Error *** fopen returned NULL when writing to file " + file + ".\n");
    EXPECT_EQ(message.toStdString(), "*** Error *** fopen return NULL when writing to file " + file);
}

TEST(GridFileWrite, HalvesDropAnOddLastColumn)
{
    TempFiles files;
    JGrid g;
    g.resize(5, 2);
    const float values[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    std::copy(values, values + 10, g.heights.data());
    g.loaded = true;
    g.cellSize = 30.0f;
    g.name = files.path("hillsgrd");
    g.details.push_back(DetailLevel{});
    QString left;
    QString right;
    ConsoleCapture console;
    EXPECT_TRUE(g.writeLeftRight(left, right));
    EXPECT_EQ(left, files.path("hillsgrd_w2_h2LEFT.grd"));
    EXPECT_EQ(right, files.path("hillsgrd_w2_h2RIGHT.grd"));
    EXPECT_TRUE(console.text().ends_with("Details file " + left.toStdString() + " has been written successfully\n" +
                                         "Details file " + right.toStdString() + " has been written successfully\n"));
    EXPECT_EQ(g.width, 4u);
    EXPECT_TRUE(g.details.empty());
    const std::string header = "ncols\t2\nnrows\t2\nxllcorner\t0\nyllcorner\t0\nxdim\t0.000277777784503996\n"
                               "ydim\t0.000277777784503996\nNODATA_value\t-9999\n";
    EXPECT_EQ(TempFiles::read(left), header + "1.00 2.00 \n6.00 7.00 \n\n");
    EXPECT_EQ(TempFiles::read(right), header + "3.00 4.00 \n8.00 9.00 \n\n");

    g.name = files.path("none/x");
    EXPECT_FALSE(g.writeLeftRight(left, right));
    EXPECT_EQ(left.toStdString(), "*** Error *** fopen return NULL when writing to file " +
                                      files.path("none/x_w2_h2LEFT.grd").toStdString());
}
