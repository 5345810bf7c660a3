#include "grid_tokens.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <locale.h>

ParsedNumber parseNumberLikeStrtod(std::string_view token)
{
    // strtod needs a terminated string; tokens are never longer than this.
    char text[TokenReader::maxTokenLength + 1];
    const std::size_t length = std::min(token.size(), TokenReader::maxTokenLength);
    // An empty view may carry no pointer at all, which memcpy must not see.
    if (length > 0)
        std::memcpy(text, token.data(), length);
    text[length] = '\0';

    // The "C" locale keeps '.' the decimal point whatever the user's locale.
    static const locale_t classic = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const locale_t previous = uselocale(classic);
    char* stop = nullptr;
    const double value = std::strtod(text, &stop);
    uselocale(previous);
    return {value, stop != text, stop != text && stop == text + length};
}

ParsedInteger parseInteger(std::string_view token, int base)
{
    const char* p = token.data();
    const char* const last = p + token.size();
    bool negative = false;
    if (p != last && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    const auto isHexDigit = [](char c) { return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); };
    const bool hexPrefix = last - p >= 3 && p[0] == '0' && (p[1] | 0x20) == 'x' && isHexDigit(p[2]);
    if ((base == 0 || base == 16) && hexPrefix) {
        p += 2;
        base = 16;
    } else if (base == 0) {
        base = (p != last && *p == '0') ? 8 : 10;
    }
    unsigned long long magnitude = 0;
    const auto result = std::from_chars(p, last, magnitude, base);
    if (result.ec == std::errc::invalid_argument)
        return {0, false};
    const unsigned long long limit = negative ? static_cast<unsigned long long>(LLONG_MAX) + 1 : LLONG_MAX;
    if (result.ec == std::errc::result_out_of_range || magnitude > limit)
        magnitude = limit;
    if (!negative)
        return {static_cast<long long>(magnitude), true};
    return {magnitude == limit ? LLONG_MIN : -static_cast<long long>(magnitude), true};
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

TokenReader::TokenReader(std::FILE* file, std::size_t bufferSize)
    : file_(file), buffer_(std::max(bufferSize, 4 * maxTokenLength))
{
}

bool TokenReader::refill()
{
    pos_ = 0;
    end_ = 0;
    return readMore();
}

bool TokenReader::readMore()
{
    const std::size_t n = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
    end_ += n;
    if (n == 0)
        atEnd_ = true;
    return n != 0;
}

bool TokenReader::nextAcrossRefill(std::string_view& token)
{
    // The token runs to the end of the buffered data: move it to the front
    // and read on until a blank or the end of the file.
    const std::size_t length = end_ - pos_;
    std::memmove(buffer_.data(), buffer_.data() + pos_, length);
    end_ = length;
    std::size_t stop = length;
    while (true) {
        while (stop < end_ && !isBlank(buffer_[stop]))
            ++stop;
        if (stop < end_)
            break;
        if (end_ > maxTokenLength) {
            // Keep the prefix only; what follows is read over and dropped.
            end_ = maxTokenLength;
            stop = end_;
        }
        if (!readMore())
            break;
    }
    pos_ = stop;
    last_ = std::string_view(buffer_.data(), std::min(stop, maxTokenLength));
    token = last_;
    return true;
}

std::size_t TokenReader::readValues(float* values, std::size_t wanted)
{
    std::size_t count = 0;
    std::string_view token;
    while (count < wanted) {
        if (!replay_) {
            // Tokens that lie wholly inside the buffer, without touching
            // the reader's state per token.
            const char* p = buffer_.data() + pos_;
            const char* const end = buffer_.data() + end_;
            while (count < wanted) {
                while (p != end && isBlank(*p))
                    ++p;
                const char* const start = p;
                while (p != end && !isBlank(*p))
                    ++p;
                if (p == end) {
                    p = start;
                    break;
                }
                const std::size_t length = std::min(std::size_t(p - start), maxTokenLength);
                values[count++] = valueOf({start, length});
            }
            pos_ = std::size_t(p - buffer_.data());
        }
        // A token that reaches the end of the buffer, or the replayed one.
        if (count == wanted || !next(token))
            break;
        values[count++] = valueOf(token);
    }
    return count;
}

bool TokenReader::skipLine()
{
    replay_ = false;
    while (true) {
        while (pos_ < end_)
            if (buffer_[pos_++] == '\n')
                return true;
        if (!refill())
            return false;
    }
}
