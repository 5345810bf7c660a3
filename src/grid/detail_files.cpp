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

// Every value with the digits that give it back exactly, so that refining
// from files gives the grid that coarsening started from bit for bit.
void writeSection(std::FILE* file, const FloatArray2D& values)
{
    ValueRowWriter rows(ValueRowWriter::shortest);
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

// The arrays of a level of c x r; throws std::bad_alloc without the memory.
void allocateDetails(DetailLevel& level, const DetailHeader& header)
{
    const auto c = static_cast<std::size_t>(header.columns);
    const auto r = static_cast<std::size_t>(header.rows);
    level.widthDetails = FloatArray2D(r, c - 2);
    level.heightDetails = FloatArray2D(r - 2, 2 * c - 2);
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

// What a level keeps beyond its two detail arrays follows them, each in a
// section of its own, so that readers that stop after the height details
// read such a file as before:
//   "fine_voids R C": the finer grid's mask (R rows of C), as the lengths of
//       the alternating runs of valid and void samples, row after row, valid
//       first;
//   "kept_edges W H": the finer grid's size where a side is odd, then its
//       last column (H values, when W is odd) and its last row up to the
//       even width (when H is odd);
//   "coarse_fill N": the coarse grid's N heights at its voids, row by row.
constexpr std::string_view voidSection = "fine_voids";
constexpr std::string_view edgeSection = "kept_edges";
constexpr std::string_view fillSection = "coarse_fill";

void writeMask(std::FILE* out, const ValidMask& mask)
{
    std::fprintf(out, "%s\t%zu\t%zu\n", voidSection.data(), mask.rows(), mask.cols());
    const std::uint8_t* v = mask.data();
    std::uint8_t current = 1;
    std::size_t run = 0;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (v[i] != current) {
            std::fprintf(out, "%zu ", run);
            current = v[i];
            run = 0;
        }
        ++run;
    }
    std::fprintf(out, "%zu\n", run);
}

bool appendLevelSections(const QString& fileName, const DetailLevel& level)
{
    const bool oddSide = level.fineColumns() % 2 == 1 || level.fineRows() % 2 == 1;
    if (level.fineValid.empty() && !oddSide && level.coarseFill.empty())
        return true;
    FileHandle out = openFile(fileName, "a");
    if (!out)
        return false;
    ValueRowWriter values(ValueRowWriter::shortest);
    if (!level.fineValid.empty())
        writeMask(out.get(), level.fineValid);
    if (oddSide) {
        std::fprintf(out.get(), "%s\t%u\t%u\n", edgeSection.data(), level.fineColumns(), level.fineRows());
        values.write(out.get(), level.lastColumn);
        values.write(out.get(), level.lastRow);
    }
    if (!level.coarseFill.empty()) {
        std::fprintf(out.get(), "%s\t%zu\n", fillSection.data(), level.coarseFill.size());
        values.write(out.get(), level.coarseFill);
    }
    return closeWrittenFile(std::move(out));
}

bool readCount(TokenReader& tokens, long long& value)
{
    std::string_view token;
    if (!tokens.next(token))
        return false;
    const ParsedInteger n = parseInteger(token, 10);
    value = n.value;
    return n.numeric;
}

bool readFloats(TokenReader& tokens, std::vector<float>& values, std::size_t count)
{
    values.resize(count);
    return tokens.readValues(values.data(), count) == count;
}

// A mask section of rows x cols, each at most `maxRows` x `maxCols`.
bool readMask(TokenReader& tokens, std::size_t maxRows, std::size_t maxCols, ValidMask& mask)
{
    long long sides[2] = {0, 0};
    if (!readCount(tokens, sides[0]) || !readCount(tokens, sides[1]) || sides[0] < 1 || sides[1] < 1
        || std::size_t(sides[0]) > maxRows || std::size_t(sides[1]) > maxCols)
        return false;
    mask = ValidMask(std::size_t(sides[0]), std::size_t(sides[1]), 1);
    std::size_t at = 0;
    for (std::uint8_t current = 1; at < mask.size(); current ^= 1) {
        long long run = 0;
        if (!readCount(tokens, run) || run < 0 || std::size_t(run) > mask.size() - at)
            return false;
        std::fill_n(mask.data() + at, std::size_t(run), current);
        at += std::size_t(run);
    }
    return true;
}

// The odd sides of a level of c x r: a size of 2c-1 or 2c-2 by 2r-1 or
// 2r-2, and the edge values that size needs.
bool readKeptEdges(TokenReader& tokens, std::size_t c, std::size_t r, DetailLevel& level)
{
    long long fineWidth = 0;
    long long fineHeight = 0;
    if (!readCount(tokens, fineWidth) || !readCount(tokens, fineHeight))
        return false;
    const auto oneOf = [](long long v, std::size_t even) { return v == (long long)even || v == (long long)even + 1; };
    if (!oneOf(fineWidth, 2 * c - 2) || !oneOf(fineHeight, 2 * r - 2))
        return false;
    level.fineWidth = std::uint32_t(fineWidth);
    level.fineHeight = std::uint32_t(fineHeight);
    return readFloats(tokens, level.lastColumn, fineWidth % 2 ? std::size_t(fineHeight) : 0)
           && readFloats(tokens, level.lastRow, fineHeight % 2 ? 2 * c - 2 : 0);
}

// Reads the sections that follow the height details, as far as they go; a
// section that cannot be read is left out with a message, and so is a mask
// whose size is not the finer grid's.
void readLevelSections(TokenReader& tokens, std::size_t c, std::size_t r, DetailLevel& level, const char* file)
{
    std::string_view keyword;
    while (tokens.next(keyword)) {
        const std::string section(keyword.substr(0, 32));
        bool read = false;
        if (section == voidSection) {
            read = readMask(tokens, 2 * r - 1, 2 * c - 1, level.fineValid);
        } else if (section == edgeSection) {
            read = readKeptEdges(tokens, c, r, level);
        } else if (section == fillSection) {
            long long count = 0;
            read = readCount(tokens, count) && count >= 0 && std::uint64_t(count) <= std::uint64_t(c) * r
                   && readFloats(tokens, level.coarseFill, std::size_t(count));
        } else {
            return;
        }
        if (!read) {
            std::printf("JGrid:: the %s section of %s cannot be read; it is left out\n", section.c_str(), file);
            level.lastColumn.clear();
            level.lastRow.clear();
            level.fineWidth = level.fineHeight = 0;
            level.coarseFill.clear();
            return;
        }
    }
    const ValidMask& mask = level.fineValid;
    if (!mask.empty() && (mask.rows() != level.fineRows() || mask.cols() != level.fineColumns())) {
        std::printf("JGrid:: the %s section of %s does not fit its level; it is left out\n", voidSection.data(), file);
        level.fineValid.clear();
    }
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
    float levelCellSize = cellSize.value_or(-1.0f) / 2.0f;
    // From the top of the stack down.
    for (std::size_t top = details.size(); top > 0; --top) {
        const DetailLevel& level = details[top - 1];
        const QString fileName = name + QString::asprintf("_w%i_h%i.dtl", int(level.widthDetails.cols() + 2),
                                                          int(level.widthDetails.rows()));
        if (!writeDetail(level.widthDetails, level.heightDetails, fileName, levelCellSize, QStringLiteral("null"))
            || !appendLevelSections(fileName, level)) {
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
    DetailLevel level;
    try {
        allocateDetails(level, header);
        if (!readSection(tokens, level.widthDetails) || !readSection(tokens, level.heightDetails)) {
            reportError("JGrid:: *Error* - Premature end of details file.\n");
            reportError("JGRrid::Error in details file, incomplete number of details values were provided.\n");
            return false;
        }
        readLevelSections(tokens, std::size_t(header.columns), std::size_t(header.rows), level, file.constData());
    } catch (const std::bad_alloc&) {
        reportError("JGrid:: *Error* - not enough memory for the details in %s.\n", file.constData());
        return false;
    }
    clearDetails();
    details.push_back(std::move(level));
    return true;
}
