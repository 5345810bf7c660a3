#include "grid_header.h"

#include "grid_file_io.h"
#include "jgrid.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

namespace {

enum class Key { columns, rows, cellSize, byteOrder, bits, pixelType, ignored, unknown };

struct Keyword {
    std::string_view name;
    Key key;
    bool floatGridOnly;
};

constexpr Keyword keywords[] = {
    {"ncols", Key::columns, false},       {"nrows", Key::rows, false},          {"cellsize", Key::cellSize, false},
    {"xdim", Key::cellSize, false},       {"dx", Key::cellSize, false},         {"nodata_value", Key::ignored, false},
    {"nodata", Key::ignored, false},      {"xllcorner", Key::ignored, false},   {"xllcenter", Key::ignored, false},
    {"yllcorner", Key::ignored, false},   {"yllcenter", Key::ignored, false},   {"ydim", Key::ignored, false},
    {"dy", Key::ignored, false},          {"byteorder", Key::byteOrder, true},  {"nbits", Key::bits, true},
    {"pixeltype", Key::pixelType, true},  {"layout", Key::ignored, true},       {"nbands", Key::ignored, true},
    {"bandrowbytes", Key::ignored, true}, {"totalrowbytes", Key::ignored, true}, {"ulxmap", Key::ignored, true},
    {"ulymap", Key::ignored, true},       {"skipbytes", Key::ignored, true},
};

// More keyword/value pairs than any real header has: the file is not a grid.
constexpr int maxHeaderPairs = 64;

// Where the heights of an ASCII grid start when its header is read by position.
constexpr int positionalAsciiHeaderTokens = 14;

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

std::optional<long long> integerValue(std::string_view token)
{
    const ParsedInteger n = parseInteger(token, 0);
    return n.numeric ? std::optional<long long>(n.value) : std::nullopt;
}

// What a header says, by keyword and by position.
struct HeaderValues {
    std::optional<long long> columns;
    std::optional<long long> rows;
    std::optional<float> cellSize;
    bool bigEndian = false;
    bool dimensionKeywordSeen = false;

    std::optional<long long> positionalColumns;
    std::optional<long long> positionalRows;
    std::optional<float> positionalCellSize;
    int tokensRead = 0;

    void notePosition(std::string_view token)
    {
        ++tokensRead;
        if (tokensRead == 2 || tokensRead == 4)
            (tokensRead == 2 ? positionalColumns : positionalRows) = integerValue(token);
        else if (tokensRead == 10)
            positionalCellSize = static_cast<float>(parseNumber(token).value);
    }
};

// Applies one keyword/value pair; false (after a message) when the pair
// makes the file unreadable.
bool applyPair(Key key, std::string_view keyword, std::string_view value, const char* file, HeaderValues& v)
{
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
        v.cellSize = static_cast<float>(parseNumber(value).value);
        return true;
    case Key::byteOrder:
        if (equalsIgnoringCase(value, "lsbfirst") || equalsIgnoringCase(value, "i")) {
            v.bigEndian = false;
        } else if (equalsIgnoringCase(value, "msbfirst") || equalsIgnoringCase(value, "m")) {
            v.bigEndian = true;
        } else {
            std::printf("JGrid:: *Error* - unknown byte order \"%s\" in %s\n", shortened(value).c_str(), file);
            return false;
        }
        return true;
    case Key::bits:
    case Key::pixelType:
        if ((key == Key::bits && integerValue(value) == 32) || (key == Key::pixelType && equalsIgnoringCase(value, "float")))
            return true;
        std::printf("JGrid:: *Error* - %s gives %s %s; only 32-bit float samples can be read\n", file,
                    shortened(keyword).c_str(), shortened(value).c_str());
        return false;
    case Key::ignored:
    case Key::unknown:
        break;
    }
    return true;
}

// Reads keyword/value pairs up to the first number in a keyword's place or
// the end of the file, noting every token's position on the way.
bool scanPairs(TokenReader& tokens, GridFileKind kind, const char* file, HeaderValues& v)
{
    // An unknown keyword only matters once the header turns out to be read
    // by keyword; the first one is reported then.
    std::optional<std::string> unknownKeyword;
    std::string_view keyword;
    for (int pairs = 0; tokens.next(keyword); ++pairs) {
        if (parseNumber(keyword).numeric) {
            tokens.unread();
            break;
        }
        if (pairs == maxHeaderPairs) {
            std::printf("JGrid:: *Error* - the header of %s has more than %i keywords\n", file, maxHeaderPairs);
            return false;
        }
        v.notePosition(keyword);
        const Key key = lookUp(keyword, kind);
        const std::string keywordText(keyword.substr(0, 256));
        std::string_view value;
        if (!tokens.next(value)) {
            std::printf("JGrid:: *Error* - the keyword \"%s\" has no value in %s\n", shortened(keywordText).c_str(), file);
            return false;
        }
        v.notePosition(value);
        if (key == Key::unknown && !unknownKeyword)
            unknownKeyword = keywordText;
        if (!applyPair(key, keywordText, value, file, v))
            return false;
    }
    if (v.dimensionKeywordSeen && unknownKeyword) {
        std::printf("JGrid:: *Error* - unknown keyword \"%s\" in the header of %s\n", shortened(*unknownKeyword).c_str(),
                    file);
        return false;
    }
    return true;
}

// A header without ncols/nrows keywords: the values stand at fixed places.
void readByPosition(TokenReader& tokens, GridFileKind kind, HeaderValues& v)
{
    std::string_view token;
    if (kind == GridFileKind::asciiGrid)
        while (v.tokensRead < positionalAsciiHeaderTokens && tokens.next(token))
            v.notePosition(token);
    v.columns = v.positionalColumns;
    v.rows = v.positionalRows;
    v.cellSize = v.positionalCellSize;
}

bool checkDimensions(const HeaderValues& v, const char* file)
{
    if (!v.columns || !v.rows) {
        std::printf("JGrid:: *Error* - the header of %s gives no usable number of columns and rows\n", file);
        return false;
    }
    const long long columns = *v.columns;
    const long long rows = *v.rows;
    if (columns < 2 || rows < 2) {
        std::printf("JGrid:: *Error* - %s gives %lld columns and %lld rows; a grid needs at least 2 of each\n", file,
                    columns, rows);
        return false;
    }
    if (static_cast<unsigned long long>(columns) > JGrid::maxSamples / static_cast<unsigned long long>(rows)) {
        std::printf("JGrid:: *Error* - %s gives %lld columns and %lld rows, more than the limit of %llu samples\n",
                    file, columns, rows, static_cast<unsigned long long>(JGrid::maxSamples));
        return false;
    }
    return true;
}

} // namespace

float cellSizeInMetres(float headerValue)
{
    if (headerValue > 1.0f)
        return std::floor(headerValue);
    const float metres = headerValue * 108000.0f;
    return std::floor(metres);
}

bool readGridHeader(TokenReader& tokens, GridFileKind kind, const QString& fileName, GridHeader& header)
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
    header.cellSize = v.cellSize ? cellSizeInMetres(*v.cellSize) : -1.0f;
    header.bigEndian = v.bigEndian;
    std::printf("frequency sampled is %1.3f\n", header.cellSize);
    return true;
}
