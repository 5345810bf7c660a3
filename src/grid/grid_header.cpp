#include "grid_header.h"

#include "error_report.h"
#include "grid_file_io.h"
#include "grid_spacing.h"
#include "jgrid.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

enum class Key {
    columns,
    rows,
    cellSize,
    cellSizeY,
    noData,
    xCorner,
    xCentre,
    yCorner,
    yCentre,
    upperLeftX,
    upperLeftY,
    byteOrder,
    bits,
    pixelType,
    layout,
    bands,
    skipBytes,
    bandRowBytes,
    totalRowBytes,
    unknown
};

struct Keyword {
    std::string_view name;
    Key key;
    bool floatGridOnly;
};

constexpr Keyword keywords[] = {
    {"ncols", Key::columns, false},          {"nrows", Key::rows, false},
    {"cellsize", Key::cellSize, false},      {"xdim", Key::cellSize, false},
    {"dx", Key::cellSize, false},            {"ydim", Key::cellSizeY, false},
    {"dy", Key::cellSizeY, false},           {"nodata_value", Key::noData, false},
    {"nodata", Key::noData, false},          {"xllcorner", Key::xCorner, false},
    {"xllcenter", Key::xCentre, false},      {"yllcorner", Key::yCorner, false},
    {"yllcenter", Key::yCentre, false},      {"byteorder", Key::byteOrder, true},
    {"nbits", Key::bits, true},              {"pixeltype", Key::pixelType, true},
    {"layout", Key::layout, true},           {"nbands", Key::bands, true},
    {"bandrowbytes", Key::bandRowBytes, true}, {"totalrowbytes", Key::totalRowBytes, true},
    {"ulxmap", Key::upperLeftX, true},       {"ulymap", Key::upperLeftY, true},
    {"skipbytes", Key::skipBytes, true},
};

// More keyword/value pairs than any real header has: the file is not a grid.
constexpr int maxHeaderPairs = 64;

// Where the heights of an ASCII grid start when its header is read by position.
constexpr int positionalAsciiHeaderTokens = 14;

// More bands than any elevation file has; keeps the byte arithmetic small.
constexpr std::uint64_t maxBands = 1 << 16;

Key lookUp(std::string_view word, GridFileKind kind)
{
    for (const Keyword& k : keywords)
        if (equalsIgnoringCase(word, k.name))
            return (k.floatGridOnly && kind == GridFileKind::asciiGrid) ? Key::unknown : k.key;
    return Key::unknown;
}

// Tokens quoted in messages are cut to a readable length.
std::string shortened(std::string_view token)
{
    constexpr std::size_t shown = 64;
    return token.size() <= shown ? std::string(token) : std::string(token.substr(0, shown)) + "...";
}

// Header numbers are decimal: "010" is ten.
std::optional<long long> integerValue(std::string_view token)
{
    const ParsedInteger n = parseInteger(token, 10);
    return n.numeric ? std::optional<long long>(n.value) : std::nullopt;
}

std::optional<double> numberValue(std::string_view token)
{
    const ParsedNumber n = parseNumber(token);
    return n.numeric ? std::optional<double>(n.value) : std::nullopt;
}

// What a header says, by keyword and by position.
struct HeaderValues {
    std::optional<long long> columns;
    std::optional<long long> rows;
    std::optional<double> cellX;
    std::optional<double> cellY;
    std::optional<float> noData;
    std::optional<double> west, south;           // lower-left corner
    std::optional<double> westCentre, southCentre; // centre of the lower-left cell
    std::optional<double> upperLeftX, upperLeftY;  // centre of the upper-left cell
    bool bigEndian = false;
    Interleave interleave = Interleave::bil;
    std::uint64_t bands = 1;
    std::uint64_t skipBytes = 0;
    std::optional<std::uint64_t> bandRowBytes;
    std::optional<std::uint64_t> totalRowBytes;
    bool dimensionKeywordSeen = false;
    bool degreeKeywordSeen = false; // xdim or ydim, as this system writes them

    // Tokens by position, for headers without dimension keywords.
    std::vector<std::string> firstTokens;
    int tokensRead = 0;

    void notePosition(std::string_view token)
    {
        ++tokensRead;
        if (tokensRead <= positionalAsciiHeaderTokens)
            firstTokens.emplace_back(token.substr(0, 256));
    }
    std::string_view positional(int n) const
    {
        return n <= int(firstTokens.size()) ? std::string_view(firstTokens[n - 1]) : std::string_view();
    }
};

// A byte count of a float-grid header: a whole number, 0 or more.
bool byteCount(std::string_view keyword, std::string_view value, const char* file, std::uint64_t& out)
{
    const std::optional<long long> n = integerValue(value);
    if (!n || *n < 0 || std::uint64_t(*n) > (std::uint64_t(1) << 48)) {
        reportError("JGrid:: *Error* - %s gives %s %s; a byte count of 0 or more is needed\n", file,
                    shortened(keyword).c_str(), shortened(value).c_str());
        return false;
    }
    out = std::uint64_t(*n);
    return true;
}

// Applies one keyword/value pair; false (after a message) when the pair
// makes the file unreadable.
bool applyPair(Key key, std::string_view keyword, std::string_view value, const char* file, HeaderValues& v)
{
    std::uint64_t count = 0;
    switch (key) {
    case Key::columns:
        v.columns = integerValue(value);
        v.dimensionKeywordSeen = true;
        return true;
    case Key::rows:
        v.rows = integerValue(value);
        v.dimensionKeywordSeen = true;
        return true;
    case Key::cellSize:
        v.cellX = parseNumber(value).value;
        v.degreeKeywordSeen |= equalsIgnoringCase(keyword, "xdim");
        return true;
    case Key::cellSizeY:
        v.cellY = parseNumber(value).value;
        v.degreeKeywordSeen |= equalsIgnoringCase(keyword, "ydim");
        return true;
    case Key::noData:
        if (const auto n = numberValue(value))
            v.noData = static_cast<float>(*n);
        return true;
    case Key::xCorner:
        v.west = numberValue(value);
        return true;
    case Key::xCentre:
        v.westCentre = numberValue(value);
        return true;
    case Key::yCorner:
        v.south = numberValue(value);
        return true;
    case Key::yCentre:
        v.southCentre = numberValue(value);
        return true;
    case Key::upperLeftX:
        v.upperLeftX = numberValue(value);
        return true;
    case Key::upperLeftY:
        v.upperLeftY = numberValue(value);
        return true;
    case Key::byteOrder:
        if (equalsIgnoringCase(value, "lsbfirst") || equalsIgnoringCase(value, "i")) {
            v.bigEndian = false;
        } else if (equalsIgnoringCase(value, "msbfirst") || equalsIgnoringCase(value, "m")) {
            v.bigEndian = true;
        } else {
            reportError("JGrid:: *Error* - unknown byte order \"%s\" in %s\n", shortened(value).c_str(), file);
            return false;
        }
        return true;
    case Key::bits:
    case Key::pixelType:
        if ((key == Key::bits && integerValue(value) == 32) || (key == Key::pixelType && equalsIgnoringCase(value, "float")))
            return true;
        reportError("JGrid:: *Error* - %s gives %s %s; only 32-bit float samples can be read\n", file,
                    shortened(keyword).c_str(), shortened(value).c_str());
        return false;
    case Key::layout:
        if (equalsIgnoringCase(value, "bil"))
            v.interleave = Interleave::bil;
        else if (equalsIgnoringCase(value, "bip"))
            v.interleave = Interleave::bip;
        else if (equalsIgnoringCase(value, "bsq"))
            v.interleave = Interleave::bsq;
        else {
            reportError("JGrid:: *Error* - unknown layout \"%s\" in %s; BIL, BIP or BSQ can be read\n",
                        shortened(value).c_str(), file);
            return false;
        }
        return true;
    case Key::bands:
        if (!byteCount(keyword, value, file, count))
            return false;
        if (count < 1 || count > maxBands) {
            reportError("JGrid:: *Error* - %s gives %s %s; 1 to %llu bands can be read\n", file,
                        shortened(keyword).c_str(), shortened(value).c_str(), static_cast<unsigned long long>(maxBands));
            return false;
        }
        v.bands = count;
        return true;
    case Key::skipBytes:
        return byteCount(keyword, value, file, v.skipBytes);
    case Key::bandRowBytes:
        if (!byteCount(keyword, value, file, count))
            return false;
        v.bandRowBytes = count;
        return true;
    case Key::totalRowBytes:
        if (!byteCount(keyword, value, file, count))
            return false;
        v.totalRowBytes = count;
        return true;
    case Key::unknown:
        break;
    }
    return true;
}

// Reads keyword/value pairs up to the first number in a keyword's place or
// the end of the file, noting every token's position on the way.
bool scanPairs(TokenReader& tokens, GridFileKind kind, const char* file, HeaderValues& v)
{
    // Unknown keywords only matter once the header turns out to be read by
    // keyword: an ASCII grid is refused for the first, a float-grid header
    // reports each and goes on.
    std::vector<std::string> unknownKeywords;
    std::string_view keyword;
    for (int pairs = 0; tokens.next(keyword); ++pairs) {
        if (parseNumber(keyword).numeric) {
            tokens.unread();
            break;
        }
        if (pairs == maxHeaderPairs) {
            reportError("JGrid:: *Error* - the header of %s has more than %i keywords\n", file, maxHeaderPairs);
            return false;
        }
        v.notePosition(keyword);
        const Key key = lookUp(keyword, kind);
        const std::string keywordText(keyword.substr(0, 256));
        std::string_view value;
        if (!tokens.next(value)) {
            reportError("JGrid:: *Error* - the keyword \"%s\" has no value in %s\n", shortened(keywordText).c_str(), file);
            return false;
        }
        v.notePosition(value);
        if (key == Key::unknown)
            unknownKeywords.push_back(keywordText);
        if (!applyPair(key, keywordText, value, file, v))
            return false;
    }
    if (!v.dimensionKeywordSeen || unknownKeywords.empty())
        return true;
    if (kind == GridFileKind::asciiGrid) {
        reportError("JGrid:: *Error* - unknown keyword \"%s\" in the header of %s\n",
                    shortened(unknownKeywords.front()).c_str(), file);
        return false;
    }
    for (const std::string& k : unknownKeywords)
        std::printf("JGrid:: the keyword \"%s\" in %s is not used; it is ignored\n", shortened(k).c_str(), file);
    return true;
}

// A header without ncols/nrows keywords: the values stand at fixed places
// (columns, rows and the cell size at tokens 2, 4 and 10, the corner at 6
// and 8, and in an ASCII grid a "ydim" and a no-data pair at 11 to 14).
void readByPosition(TokenReader& tokens, GridFileKind kind, HeaderValues& v)
{
    std::string_view token;
    if (kind == GridFileKind::asciiGrid)
        while (v.tokensRead < positionalAsciiHeaderTokens && tokens.next(token))
            v.notePosition(token);
    v.columns = integerValue(v.positional(2));
    v.rows = integerValue(v.positional(4));
    v.west = numberValue(v.positional(6));
    v.south = numberValue(v.positional(8));
    v.cellX = v.tokensRead >= 10 ? std::optional<double>(parseNumber(v.positional(10)).value) : std::nullopt;
    v.cellY.reset();
    v.noData.reset();
    if (kind != GridFileKind::asciiGrid)
        return;
    if (lookUp(v.positional(11), kind) == Key::cellSizeY)
        v.cellY = numberValue(v.positional(12));
    if (lookUp(v.positional(13), kind) == Key::noData)
        if (const auto n = numberValue(v.positional(14)))
            v.noData = static_cast<float>(*n);
}

bool checkDimensions(const HeaderValues& v, const char* file)
{
    if (!v.columns || !v.rows) {
        reportError("JGrid:: *Error* - the header of %s gives no usable number of columns and rows\n", file);
        return false;
    }
    return checkGridSize(*v.columns, *v.rows, file);
}

// Band 1's row in the data file must hold its samples: rows of at least
// `columns` samples and, between rows, room for every band's row.
bool checkBandLayout(const HeaderValues& v, std::uint64_t columns, const char* file)
{
    const std::uint64_t sampleRow = columns * 4;
    const std::uint64_t bandRow = v.bandRowBytes.value_or(sampleRow);
    std::uint64_t needed = sampleRow;
    if (v.interleave == Interleave::bil)
        needed = bandRow * (v.bands - 1) + sampleRow;
    else if (v.interleave == Interleave::bip)
        needed = sampleRow * v.bands;
    const bool bandRowFits = v.interleave == Interleave::bip || bandRow >= sampleRow;
    if (bandRowFits && (!v.totalRowBytes || *v.totalRowBytes >= needed))
        return true;
    reportError("JGrid:: *Error* - the rows of %s (%llu bands, band rows of %llu bytes, rows of %llu bytes) cannot "
                "hold %llu float samples each\n",
                file, static_cast<unsigned long long>(v.bands), static_cast<unsigned long long>(bandRow),
                static_cast<unsigned long long>(v.totalRowBytes.value_or(needed)),
                static_cast<unsigned long long>(columns));
    return false;
}

// The header's cell sizes, when given, above 0; otherwise a message.
bool checkCellSizes(const HeaderValues& v, const char* file)
{
    const auto positive = [](const std::optional<double>& cell) { return !cell || *cell > 0.0; };
    if (positive(v.cellX) && positive(v.cellY))
        return true;
    const double cellX = v.cellX.value_or(*v.cellY);
    reportError("JGrid:: *Error* - the cell size of %s (%g by %g) must be above 0\n", file, cellX,
                v.cellY.value_or(cellX));
    return false;
}

// The header's corner and cell sizes as a geotransform (rows north to south).
GroundReference groundReference(const HeaderValues& v, unsigned rows, bool positional)
{
    GroundReference ref;
    ref.ownDegreeLayout = positional || v.degreeKeywordSeen;
    if (!v.cellX && !v.cellY)
        return ref;
    const double cellX = v.cellX.value_or(v.cellY.value_or(0.0));
    const double cellY = v.cellY.value_or(cellX);
    double west = 0.0;
    double south = 0.0;
    if (v.west)
        west = *v.west;
    else if (v.westCentre)
        west = *v.westCentre - cellX / 2.0;
    else if (v.upperLeftX)
        west = *v.upperLeftX - cellX / 2.0;
    if (v.south)
        south = *v.south;
    else if (v.southCentre)
        south = *v.southCentre - cellY / 2.0;
    else if (v.upperLeftY)
        south = *v.upperLeftY + cellY / 2.0 - cellY * rows;
    ref.transform = std::array<double, 6>{west, cellX, 0.0, south + cellY * rows, 0.0, -cellY};
    return ref;
}

} // namespace

bool checkGridSize(long long columns, long long rows, const char* file)
{
    if (columns < 2 || rows < 2) {
        reportError("JGrid:: *Error* - %s gives %lld columns and %lld rows; a grid needs at least 2 of each\n", file,
                    columns, rows);
        return false;
    }
    if (static_cast<unsigned long long>(columns) > JGrid::maxSamples / static_cast<unsigned long long>(rows)) {
        reportError("JGrid:: *Error* - %s gives %lld columns and %lld rows, more than the limit of %llu samples\n",
                    file, columns, rows, static_cast<unsigned long long>(JGrid::maxSamples));
        return false;
    }
    return true;
}

bool readGridHeader(TokenReader& tokens, GridFileKind kind, const QString& fileName, const QString& dataFile,
                    GridHeader& header)
{
    const QByteArray file = localName(fileName);
    HeaderValues v;
    if (!scanPairs(tokens, kind, file.constData(), v))
        return false;
    // A header read by position has room for seven pairs before the heights.
    const bool positional = !v.dimensionKeywordSeen;
    if (positional && (kind == GridFileKind::floatGridHeader || v.tokensRead <= positionalAsciiHeaderTokens))
        readByPosition(tokens, kind, v);
    if (!checkDimensions(v, file.constData()))
        return false;
    header.width = static_cast<unsigned>(*v.columns);
    header.height = static_cast<unsigned>(*v.rows);
    if (kind == GridFileKind::floatGridHeader && !checkBandLayout(v, header.width, file.constData()))
        return false;

    if (!checkCellSizes(v, file.constData()))
        return false;
    GroundReference ref = groundReference(v, header.height, positional);
    readProjectionFile(dataFile, ref);
    if (!applyGroundReference(ref, fileName, header))
        return false;
    header.noData = v.noData;
    header.bigEndian = v.bigEndian;
    header.skipBytes = v.skipBytes;
    header.bands = v.bands;
    header.interleave = v.interleave;
    header.bandRowBytes = v.bandRowBytes;
    header.totalRowBytes = v.totalRowBytes;
    return true;
}

bool applyGroundReference(const GroundReference& ref, const QString& fileName, GridHeader& header)
{
    GridSpacing spacing;
    if (!groundSpacing(ref, header.width, header.height, fileName, header.requestedCellSize, spacing))
        return false;
    std::printf("frequency sampled is %1.3f\n", spacing.cellSize.value_or(-1.0f));
    std::printf("%s", spacing.note.c_str());
    header.cellSize = spacing.cellSize;
    header.eastWestRatio = spacing.eastWestRatio;
    header.heightMetresPerUnit = ref.heightMetresPerUnit;
    header.heightUnit = ref.heightUnit;
    header.georeference.reset();
    if (ref.transform) {
        Georeference g{reoriented(*ref.transform, header.orientation, int(header.width), int(header.height)), ref.wkt};
        g.guessedDegrees = spacing.geographic && ref.wkt.empty();
        header.georeference = g;
    }
    return true;
}
