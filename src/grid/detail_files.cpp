// Detail files: one level of the detail stack as text, so that a coarse grid
// saved as an ASCII grid can later be refined back to its finer resolution.
// For a level whose coarse grid has c columns and r rows the file holds the
// width details (r rows of c-2) and the height details (r-2 rows of 2c-2).
#include "error_report.h"
#include "grid_file_io.h"
#include "grid_tokens.h"
#include "jgrid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <utility>

namespace {

// Running figures printed after each section of a detail file: maximum and
// minimum start at -100 and 100, the sum is kept in float.
struct DetailStatistics {
    float maximum = -100.0f;
    float minimum = 100.0f;
    float sum = 0.0f;

    explicit DetailStatistics(const FloatArray2D& values)
    {
        for (std::size_t i = 0; i < values.size(); ++i) {
            const float v = values.data()[i];
            if (v > maximum)
                maximum = v;
            if (v < minimum)
                minimum = v;
            sum += v;
        }
    }
    float average(const FloatArray2D& values) const { return sum / static_cast<float>(values.size()); }
};

float standardDeviationAround(const FloatArray2D& values, float average)
{
    float squares = 0.0f;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const float d = values.data()[i] - average;
        squares += d * d;
    }
    return std::sqrt(squares / static_cast<float>(values.size()));
}

void writeSection(std::FILE* file, const FloatArray2D& values)
{
    ValueRowWriter rows(5);
    for (std::size_t r = 0; r < values.rows(); ++r)
        rows.write(file, values[r]);
}

// The twelve header tokens after the source line: c, r and the values the
// reader does not use, each followed by its keyword.
constexpr int detailHeaderTokens = 12;

struct DetailHeader {
    long long columns = 0; // c, the coarse grid's columns
    long long rows = 0;    // r, the coarse grid's rows
};

bool readDetailHeader(TokenReader& tokens, DetailHeader& header)
{
    if (!tokens.skipLine())
        return false;
    std::string_view token;
    for (int i = 0; i < detailHeaderTokens; ++i) {
        if (!tokens.next(token))
            return false;
        if (i == 0)
            header.columns = parseInteger(token, 10).value;
        else if (i == 2)
            header.rows = parseInteger(token, 10).value;
    }
    return true;
}

// Skips the section keyword, then fills `values` row after row; false when
// the file ends first.
bool readSection(TokenReader& tokens, FloatArray2D& values)
{
    std::string_view keyword;
    return tokens.next(keyword) && tokens.readValues(values.data(), values.size()) == values.size();
}

bool allocateDetails(FloatArray2D& widthDetails, FloatArray2D& heightDetails, const DetailHeader& header)
{
    const auto c = static_cast<std::size_t>(header.columns);
    const auto r = static_cast<std::size_t>(header.rows);
    try {
        widthDetails = FloatArray2D(r, c - 2);
        heightDetails = FloatArray2D(r - 2, 2 * c - 2);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// c and r of at least 3, and a finer grid (2c-2 by 2r-2) within the grid
// size limit, so that no header can ask for unbounded memory.
bool checkDetailHeader(const DetailHeader& header, const char* file)
{
    const long long c = header.columns;
    const long long r = header.rows;
    if (c < 3 || r < 3) {
        reportError("JGrid:: *Error* - details file %s gives %lld columns and %lld rows; at least 3 of each are "
                    "needed.\n",
                    file, c, r);
        return false;
    }
    // In unsigned arithmetic: c and r may be as large as a long long holds.
    const unsigned long long fineColumns = 2 * static_cast<unsigned long long>(c) - 2;
    const unsigned long long fineRows = 2 * static_cast<unsigned long long>(r) - 2;
    if (fineColumns > JGrid::maxSamples / fineRows) {
        reportError("JGrid:: *Error* - details file %s gives %lld columns and %lld rows, more than the limit of %llu "
                    "samples.\n",
                    file, c, r, static_cast<unsigned long long>(JGrid::maxSamples));
        return false;
    }
    return true;
}

// The voids of a level's finer grid follow its two sections, where it had
// any: "fine_voids", the mask's rows and columns, then the lengths of the
// alternating runs of valid and void samples, row after row, valid first.
// Readers that stop after the height details read such a file as before.
constexpr std::string_view voidSection = "fine_voids";

bool appendVoids(const QString& fileName, const ValidMask& mask)
{
    FileHandle out = openFile(fileName, "a");
    if (!out)
        return false;
    std::fprintf(out.get(), "%s\t%zu\t%zu\n", voidSection.data(), mask.rows(), mask.cols());
    const std::uint8_t* v = mask.data();
    std::uint8_t current = 1;
    std::size_t run = 0;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (v[i] != current) {
            std::fprintf(out.get(), "%zu ", run);
            current = v[i];
            run = 0;
        }
        ++run;
    }
    std::fprintf(out.get(), "%zu\n", run);
    return closeWrittenFile(std::move(out));
}

// Reads the void section after the height details, if the file has one; an
// empty mask when it has none or it does not describe a rows x cols grid.
ValidMask readVoids(TokenReader& tokens, std::size_t rows, std::size_t cols)
{
    std::string_view token;
    if (!tokens.next(token) || token != voidSection)
        return {};
    long long sides[2] = {0, 0};
    for (long long& side : sides) {
        if (!tokens.next(token))
            return {};
        side = parseInteger(token, 10).value;
    }
    if (sides[0] != static_cast<long long>(rows) || sides[1] != static_cast<long long>(cols))
        return {};
    ValidMask mask;
    try {
        mask = ValidMask(rows, cols, 1);
    } catch (const std::bad_alloc&) {
        return {};
    }
    std::size_t at = 0;
    for (std::uint8_t current = 1; at < mask.size(); current ^= 1) {
        if (!tokens.next(token))
            return {};
        const long long run = parseInteger(token, 10).value;
        if (run < 0 || std::size_t(run) > mask.size() - at)
            return {};
        std::fill_n(mask.data() + at, std::size_t(run), current);
        at += std::size_t(run);
    }
    return mask;
}

} // namespace

bool JGrid::writeDetail(FloatArray2D widthDetails, FloatArray2D heightDetails, QString fileName, float cellSize,
                        QString nextFile)
{
    const QByteArray file = localName(fileName);
    if (widthDetails.rows() == 0 || widthDetails.cols() == 0 || heightDetails.rows() == 0
        || heightDetails.cols() == 0) {
        reportError("*** Error *** details passed to writeDetail have 0 size for file %s.\n", file.constData());
        return false;
    }
    FileHandle out = openFile(fileName, "w");
    if (!out) {
        reportError("*** Error *** fopen returned NULL when writing detail for file %s.\n", file.constData());
        return false;
    }
    std::FILE* f = out.get();
    std::fprintf(f, "%s\tsource\n", localName(name).constData());
    std::fprintf(f, "%i\tnum_cols\n", int(widthDetails.cols() + 2));
    std::fprintf(f, "%i\tnum_rows\n", int(widthDetails.rows()));
    std::fprintf(f, "%i\tresulting_num_cols\n", int(heightDetails.cols()));
    std::fprintf(f, "%i\tresulting_num_rows\n", int(2 * heightDetails.rows() + 2));
    if (cellSize > 0.0f)
        std::fprintf(f, "%f\tcellsize(m)\n", cellSize);
    else
        std::fprintf(f, "-1\tcellsize(m)\n");
    std::fprintf(f, "%s\tnext_file\n\n\n", localName(nextFile).constData());

    std::fprintf(f, "width_details\n");
    writeSection(f, widthDetails);
    const DetailStatistics across(widthDetails);
    std::printf("max = %1.3f\tmin=%1.3f\tave=%1.3f\n", across.maximum, across.minimum, across.average(widthDetails));

    std::fprintf(f, "\nheight_details\n");
    writeSection(f, heightDetails);
    const DetailStatistics down(heightDetails);
    const float average = down.average(heightDetails);
    std::printf("max = %1.3f\tmin=%1.3f\tave=%1.3f\tstd deviation=%1.3f\n", down.maximum, down.minimum, average,
                standardDeviationAround(heightDetails, average));

    std::fprintf(f, "\n");
    return finishWriting(std::move(out), fileName);
}

void JGrid::writeDetailFiles(QString& message, int& count)
{
    count = 0;
    message.clear();
    float levelCellSize = cellSize / 2.0f;
    // Pairs from the top of the stack down; an unpaired bottom array (which
    // the system never makes) is left alone rather than read below the stack.
    for (std::size_t top = details.size(); top >= 2; top -= 2) {
        const FloatArray2D& widthDetails = details[top - 1];
        const FloatArray2D& heightDetails = details[top - 2];
        const QString fileName =
            name + QString::asprintf("_w%i_h%i.dtl", int(widthDetails.cols() + 2), int(widthDetails.rows()));
        const std::size_t level = top / 2 - 1;
        const bool voids = level < detailMasks.size() && !detailMasks[level].empty();
        if (!writeDetail(widthDetails, heightDetails, fileName, levelCellSize, QStringLiteral("null"))
            || (voids && !appendVoids(fileName, detailMasks[level]))) {
            message = QStringLiteral("Failed to write file ") + fileName;
            count = -1;
            return;
        }
        message = fileName;
        levelCellSize /= 2.0f;
        ++count;
    }
}

bool JGrid::loadDetails(QString fileName)
{
    const QByteArray file = localName(fileName);
    std::printf("Loading details file %s\n", file.constData());
    // The stack is replaced only once the file has been read whole: a
    // refused or failed load keeps the levels the grid had.
    const FileHandle in = openFile(fileName, "r");
    if (!in) {
        reportError("Error, %s was not found\n", file.constData());
        return false;
    }
    std::printf("file %s has been opened\n", file.constData());

    TokenReader tokens(in.get());
    DetailHeader header;
    if (!readDetailHeader(tokens, header)) {
        reportError("JGrid:: *Error* - details file %s ends before its header is complete.\n", file.constData());
        return false;
    }
    if (!checkDetailHeader(header, file.constData()))
        return false;
    if (width > header.columns || height > header.rows) {
        reportError("Error, these details in %s can only be applied to a %i by %i (or smaller) grid.",
                    file.constData(), int(header.columns), int(header.rows));
        return false;
    }
    FloatArray2D widthDetails;
    FloatArray2D heightDetails;
    if (!allocateDetails(widthDetails, heightDetails, header)) {
        reportError("JGrid:: *Error* - not enough memory for the details in %s.\n", file.constData());
        return false;
    }
    if (!readSection(tokens, widthDetails) || !readSection(tokens, heightDetails)) {
        reportError("JGrid:: *Error* - Premature end of details file.\n");
        reportError("JGRrid::Error in details file, incomplete number of details values were provided.\n");
        return false;
    }
    ValidMask fineVoids = readVoids(tokens, 2 * heightDetails.rows() + 2, heightDetails.cols());
    clearDetails();
    details.push_back(std::move(heightDetails));
    details.push_back(std::move(widthDetails));
    detailMasks.push_back(std::move(fineVoids));
    return true;
}
