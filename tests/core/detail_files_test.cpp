#include "jgrid.h"

#include "support/console_capture.h"
#include "support/temp_files.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <string>

namespace {

FloatArray2D array(std::size_t rows, std::size_t cols, std::initializer_list<float> values)
{
    FloatArray2D a(rows, cols);
    std::copy(values.begin(), values.end(), a.data());
    return a;
}

// An array whose entries all differ, with more decimals than a file keeps.
FloatArray2D ramp(std::size_t rows, std::size_t cols, float offset)
{
    FloatArray2D a(rows, cols);
    for (std::size_t i = 0; i < a.size(); ++i)
        a.data()[i] = offset + static_cast<float>(i) * 0.0123457f - 3.0f;
    return a;
}

// Pushes one level as reverse subdivision would for a coarse grid of c x r.
void pushLevel(JGrid& g, std::size_t c, std::size_t r, float offset)
{
    g.details.push_back(DetailLevel{ramp(r - 2, 2 * c - 2, offset), ramp(r, c - 2, offset + 1.0f)});
}

std::string loadDetails(JGrid& g, const QString& path)
{
    ConsoleCapture console;
    g.loadDetails(path);
    return console.text();
}

const std::string header43 = "src\tsource\n4\tnum_cols\n3\tnum_rows\n6\tresulting_num_cols\n4\tresulting_num_rows\n"
                             "-1\tcellsize(m)\nnull\tnext_file\n\n\n";
const std::string values43 = "width_details\n1 2 \n3 4 \n5 6 \n\nheight_details\n1 2 3 4 5 6 \n\n";

} // namespace

TEST(DetailFileWrite, LayoutByteForByteAndConsoleFigures)
{
    TempFiles files;
    JGrid g;
    g.name = "hills with blanks";
    const QString path = files.path("level.dtl");
    ConsoleCapture console;
    EXPECT_TRUE(g.writeDetail(array(3, 2, {0.5f, -1.25f, 2.0f, 0.0f, 0.123456f, -3.0f}),
                              array(1, 6, {1, 2, 3, 4, 5, 6}), path, 45.0f, "null"));
    EXPECT_EQ(console.text(), "max = 2.000\tmin=-3.000\tave=-0.271\n"
                              "max = 6.000\tmin=1.000\tave=3.500\tstd deviation=1.708\n"
                              "Details file " + path.toStdString() + " has been written successfully\n");
    EXPECT_EQ(TempFiles::read(path), "hills with blanks\tsource\n4\tnum_cols\n3\tnum_rows\n6\tresulting_num_cols\n"
                                     "4\tresulting_num_rows\n45.000000\tcellsize(m)\nnull\tnext_file\n\n\n"
                                     "width_details\n0.5 -1.25 \n2 0 \n0.123456 -3 \n"
                                     "\nheight_details\n1 2 3 4 5 6 \n\n");
}

TEST(DetailFileWrite, FailuresAreReported)
{
    TempFiles files;
    JGrid g;
    ConsoleCapture console;
    EXPECT_FALSE(g.writeDetail(FloatArray2D(), array(1, 1, {1}), files.path("a.dtl"), 1.0f, "null"));
    EXPECT_FALSE(g.writeDetail(array(1, 1, {1}), array(1, 1, {1}), files.path("none/b.dtl"), 1.0f, "null"));
    // A full disk: every value is written into the buffer but the file is not.
    EXPECT_FALSE(g.writeDetail(array(1, 1, {1}), array(1, 1, {1}), "/dev/full", 1.0f, "null"));
    const std::string text = console.text();
    EXPECT_EQ(text.substr(0, text.find("max")),
              "*** Error *** details passed to writeDetail have 0 size for file " + files.path("a.dtl").toStdString() +
                  ".\n*** Error *** fopen returned NULL when writing detail for file " +
                  files.path("none/b.dtl").toStdString() + ".\n");
    EXPECT_TRUE(text.ends_with("*** Error *** could not write all of file /dev/full.\n"));
    EXPECT_FALSE(QFile::exists(files.path("a.dtl")));
}

TEST(DetailFileWrite, OneFilePerLevelFromTheTopOfTheStack)
{
    TempFiles files;
    JGrid g;
    g.name = files.path("hillsgrd");
    g.cellSize = 180.0f;
    pushLevel(g, 100, 80, 0.0f); // 198 x 158 -> 100 x 80
    pushLevel(g, 51, 41, 5.0f);  // 100 x 80 -> 51 x 41
    QString message;
    int count = 0;
    {
        ConsoleCapture quiet;
        g.writeDetailFiles(message, count);
    }
    EXPECT_EQ(count, 2);
    EXPECT_EQ(g.cellSize, 180.0f);
    const QString top = files.path("hillsgrd_w51_h41.dtl");
    const QString lower = files.path("hillsgrd_w100_h80.dtl");
    EXPECT_EQ(message, lower);
    const std::string topText = TempFiles::read(top);
    EXPECT_TRUE(topText.starts_with(g.name.toStdString() + "\tsource\n51\tnum_cols\n41\tnum_rows\n"
                                    "100\tresulting_num_cols\n80\tresulting_num_rows\n90.000000\tcellsize(m)\n"));
    EXPECT_NE(TempFiles::read(lower).find("\n45.000000\tcellsize(m)\n"), std::string::npos);

    // Reading a file back restores its level exactly, in place of the
    // levels the grid had.
    JGrid coarse;
    pushLevel(coarse, 5, 4, 0.0f);
    const std::string text = loadDetails(coarse, top);
    EXPECT_EQ(text, "Loading details file " + top.toStdString() + "\nfile " + top.toStdString() + " has been opened\n");
    ASSERT_EQ(coarse.details.size(), 1u);
    EXPECT_EQ(coarse.details[0].widthDetails.rows(), 41u);
    EXPECT_EQ(coarse.details[0].widthDetails.cols(), 49u);
    EXPECT_TRUE(coarse.details[0] == g.details[1]);
}

TEST(DetailFileWrite, NothingOrAFailureIsCounted)
{
    TempFiles files;
    JGrid g;
    g.name = files.path("g");
    QString message = "old";
    int count = 7;
    g.writeDetailFiles(message, count);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(message.isEmpty());

    EXPECT_TRUE(QDir(files.path("")).entryList(QDir::Files).isEmpty());

    pushLevel(g, 5, 4, 0.0f);
    g.name = files.path("none/g");
    ConsoleCapture quiet;
    g.writeDetailFiles(message, count);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(message, "Failed to write file " + files.path("none/g_w5_h4.dtl"));
}

TEST(DetailFileRead, SourceNamesWithBlanksOrSouPrefixes)
{
    TempFiles files;
    for (const char* source : {"sources/hills", "my terrain sou rce", ""}) {
        const QString path = files.write("s.dtl", std::string(source) + header43.substr(3) + values43);
        JGrid g;
        loadDetails(g, path);
        ASSERT_EQ(g.details.size(), 1u) << source;
        EXPECT_TRUE(g.details[0].widthDetails == array(3, 2, {1, 2, 3, 4, 5, 6}));
        EXPECT_TRUE(g.details[0].heightDetails == array(1, 6, {1, 2, 3, 4, 5, 6}));
    }
    // The last value needs no line break after it.
    JGrid g;
    loadDetails(g, files.write("nobreak.dtl", header43 + values43.substr(0, values43.size() - 3)));
    ASSERT_EQ(g.details.size(), 1u);
    EXPECT_EQ(g.details[0].heightDetails.data()[5], 6.0f);
}

TEST(DetailFileRead, RefusalsKeepTheStackTheGridHad)
{
    TempFiles files;
    const auto refused = [&](const QString& path, const std::string& lastMessage, unsigned gridWidth = 0) {
        JGrid g;
        g.width = gridWidth;
        pushLevel(g, 5, 4, 0.0f);
        const std::vector<DetailLevel> before = g.details;
        ConsoleCapture console;
        EXPECT_FALSE(g.loadDetails(path));
        const std::string text = console.text();
        EXPECT_TRUE(text.ends_with(lastMessage)) << text;
        EXPECT_EQ(g.details.size(), 1u);
        EXPECT_TRUE(g.details == before);
    };
    const auto file = [&](const char* name) { return files.path(name).toStdString(); };

    refused(files.path("absent.dtl"), "Error, " + file("absent.dtl") + " was not found\n");
    refused(files.write("empty.dtl", ""),
            "JGrid:: *Error* - details file " + file("empty.dtl") + " ends before its header is complete.\n");
    refused(files.write("cut.dtl", header43.substr(0, 30)),
            "JGrid:: *Error* - details file " + file("cut.dtl") + " ends before its header is complete.\n");
    std::string small = header43;
    small.replace(small.find("3\tnum_rows"), 1, "2");
    refused(files.write("small.dtl", small + values43),
            "JGrid:: *Error* - details file " + file("small.dtl") + " gives 4 columns and 2 rows; at least 3 of each "
                                                                    "are needed.\n");
    std::string huge = header43;
    huge.replace(huge.find("4\tnum_cols"), 1, "999999");
    huge.replace(huge.find("3\tnum_rows"), 1, "999999");
    refused(files.write("huge.dtl", huge + values43),
            "JGrid:: *Error* - details file " + file("huge.dtl") + " gives 999999 columns and 999999 rows, more than the "
                                                                   "limit of 268435456 samples.\n");
    refused(files.write("wide.dtl", header43 + values43),
            "Error, these details in " + file("wide.dtl") + " can only be applied to a 4 by 3 (or smaller) grid.", 5);
    refused(files.write("short.dtl", header43 + values43.substr(0, 40)),
            "JGrid:: *Error* - Premature end of details file.\n"
            "JGRrid::Error in details file, incomplete number of details values were provided.\n");
}
