// Reading text files as whitespace-separated tokens, and converting tokens
// to numbers the way the C library's atof and strtol do.
//
// The reader works over one large buffer refilled with fread, so parsing a
// grid of millions of values costs no allocation per token. Tokens of any
// length are accepted: a token longer than maxTokenLength keeps its first
// maxTokenLength characters and the rest is skipped, which gives the same
// number as the whole token for anything a grid file holds.
#ifndef GRID_TOKENS_H
#define GRID_TOKENS_H

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// atof's value of a token: the longest numeric prefix ("12abc" gives 12),
// 0.0 when the token does not start with a number. Also tells whether any
// character was taken as part of a number, and whether all were.
struct ParsedNumber {
    double value;
    bool numeric;
    bool whole;
};

// Slow path of parseNumber: whatever from_chars does not parse the way atof
// does (a leading '+', hexadecimal, out-of-range and non-numeric tokens).
ParsedNumber parseNumberLikeStrtod(std::string_view token);

inline ParsedNumber parseNumber(std::string_view token)
{
    const char* first = token.data();
    const char* last = first + token.size();
    const std::size_t digits = (first != last && (*first == '-' || *first == '+')) ? 1 : 0;
    const bool hexadecimal = token.size() >= digits + 2 && first[digits] == '0' && (first[digits + 1] | 0x20) == 'x';
    if (!hexadecimal) {
        double value = 0.0;
        const auto result = std::from_chars(first, last, value);
        if (result.ec == std::errc())
            return {value, true, result.ptr == last};
    }
    return parseNumberLikeStrtod(token);
}

// strtol's value of a token's leading integer with the given base (0: the
// prefix picks it, as "%i" does: "0x" hexadecimal, "0" octal), saturated to
// the range of long long. `numeric` is false when no digit was taken.
struct ParsedInteger {
    long long value;
    bool numeric;
};
ParsedInteger parseInteger(std::string_view token, int base);

// ASCII case-insensitive comparison, for header keywords.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

class TokenReader {
public:
    static constexpr std::size_t maxTokenLength = 4096;

    explicit TokenReader(std::FILE* file, std::size_t bufferSize = std::size_t(1) << 20);

    // The next token; false at the end of the file. The view stays valid
    // until the next call.
    bool next(std::string_view& token)
    {
        if (replay_) {
            replay_ = false;
            token = last_;
            return true;
        }
        while (true) {
            while (pos_ < end_ && isBlank(buffer_[pos_]))
                ++pos_;
            if (pos_ < end_)
                break;
            if (!refill())
                return false;
        }
        const std::size_t start = pos_;
        std::size_t stop = pos_;
        while (stop < end_ && !isBlank(buffer_[stop]))
            ++stop;
        if (stop == end_ && !atEnd_)
            return nextAcrossRefill(token);
        pos_ = stop;
        last_ = std::string_view(buffer_.data() + start, std::min(stop - start, maxTokenLength));
        token = last_;
        return true;
    }

    // Reads up to `wanted` tokens as numbers (atof's value, stored as float)
    // into `values`; returns how many were read before the end of the file.
    // Tokens that are not wholly a number are counted.
    std::size_t readValues(float* values, std::size_t wanted);

    // The tokens readValues read that were not wholly a number, and the
    // first of them (cut to 64 characters).
    std::size_t nonNumericCount() const { return nonNumeric_; }
    const std::string& firstNonNumeric() const { return firstNonNumeric_; }

    // Makes the next call of next() return the last token again.
    void unread() { replay_ = true; }

    // Skips the rest of the current line, its line break included; false
    // when the file ended before a line break.
    bool skipLine();

    static bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

private:
    bool refill();
    bool readMore();
    bool nextAcrossRefill(std::string_view& token);
    float valueOf(std::string_view token)
    {
        const ParsedNumber n = parseNumber(token);
        if (!n.whole && nonNumeric_++ == 0)
            firstNonNumeric_ = token.substr(0, 64);
        return static_cast<float>(n.value);
    }

    std::FILE* file_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool atEnd_ = false;
    bool replay_ = false;
    std::string_view last_;
    std::size_t nonNumeric_ = 0;
    std::string firstNonNumeric_;
};

#endif
