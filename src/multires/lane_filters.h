// The one-dimensional filters of Chaikin refinement and reverse subdivision,
// written once for a set of parallel sequences ("lanes").
//
// Sample i of lane l lives at base[i * stride + l]. A single row or column is
// one lane; a column pass over a row-major grid takes every column as a lane,
// so each step reads and writes whole rows in memory order instead of jumping
// a row length per sample. Every value is a sum of float inputs times exact
// weights, added in double precision in the order of its formula and rounded
// to float once, so a column filtered as a lane is bit-identical to the same
// column filtered alone.
#ifndef LANE_FILTERS_H
#define LANE_FILTERS_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <type_traits>

namespace lanes {

template <class T>
struct LaneSet {
    T* base;
    std::size_t stride;
    T* operator[](std::size_t i) const { return base + i * stride; }
};
using Source = LaneSet<const float>;
using Target = LaneSet<float>;

// Lane count of a single sequence, known at compile time.
using One = std::integral_constant<std::size_t, 1>;

struct Term {
    const float* p;
    double w;
};

template <class Terms>
inline double weighted(const Terms& terms, std::size_t lane)
{
    auto t = std::begin(terms);
    double sum = t->w * static_cast<double>(t->p[lane]);
    for (++t; t != std::end(terms); ++t)
        sum += t->w * static_cast<double>(t->p[lane]);
    return sum;
}

template <class Count, class Terms>
inline void store(float* out, Count count, const Terms& terms)
{
    for (std::size_t l = 0; l < count; ++l)
        out[l] = static_cast<float>(weighted(terms, l));
}

template <class Count, std::size_t N>
inline void store(float* out, Count count, const Term (&terms)[N])
{
    store<Count, Term[N]>(out, count, terms);
}

template <class Count>
inline void copyLanes(float* out, const float* in, Count count)
{
    std::copy_n(in, std::size_t(count), out);
}

// Plain Chaikin refinement: fine samples are the weighted coarse samples.
struct NoOffsets {
    struct None {};
    struct Pair {
        None even, odd;
    };
    None end(std::size_t) const { return {}; }
    Pair pair(std::size_t) const { return {}; }

    template <class Count, std::size_t N>
    void put(float* out, Count count, const Term (&coarse)[N], None) const
    {
        store(out, count, coarse);
    }
};

// Refinement with details: every fine sample except the two ends gets an
// offset spread from the details d[0..m-3]; the offset is a float of its own,
// added to the weighted coarse samples before the final rounding.
struct DetailOffsets {
    Source d;

    struct Pair {
        std::array<Term, 2> even, odd;
    };

    // Offset of fine sample 1 (j = 0) or 2m-4 (j = m-3).
    std::array<Term, 1> end(std::size_t j) const { return {{{d[j], 0.5}}}; }

    // Offsets of fine samples 2i and 2i+1, 1 <= i <= m-3, from d[i-1] and
    // d[i]. The interior pattern (from i = 3 on) spreads each detail as
    // -1/4, -3/4, +3/4, +1/4; d[0] enters with a minus sign at i = 1 after its
    // +1/2 at fine sample 1, and d[1] carries the opposite signs of the
    // interior.
    Pair pair(std::size_t i) const
    {
        const double early = i <= 2 ? -1.0 : 1.0;
        const double late = i == 1 ? 1.0 : -1.0;
        return {{{{d[i - 1], 0.75 * early}, {d[i], 0.25 * late}}}, {{{d[i - 1], 0.25 * early}, {d[i], 0.75 * late}}}};
    }

    template <class Count, std::size_t N, class Offset>
    void put(float* out, Count count, const Term (&coarse)[N], const Offset& offset) const
    {
        for (std::size_t l = 0; l < count; ++l) {
            const float e = static_cast<float>(weighted(offset, l));
            out[l] = static_cast<float>(weighted(coarse, l) + static_cast<double>(e));
        }
    }
};

// Chaikin corner cutting with end-point interpolation: m >= 3 coarse samples
// (m >= 5 with details) give 2m-2 fine samples. Interior edges are cut at
// their quarter points, the first and last edge at their midpoint, and the
// two end samples survive unchanged.
template <class Count, class Offsets>
void chaikinLanes(Source c, std::size_t m, Target f, Count count, const Offsets& offsets)
{
    copyLanes(f[0], c[0], count);
    offsets.put(f[1], count, {{c[0], 0.5}, {c[1], 0.5}}, offsets.end(0));
    for (std::size_t i = 1; i + 3 <= m; ++i) {
        const auto pair = offsets.pair(i);
        offsets.put(f[2 * i], count, {{c[i], 0.75}, {c[i + 1], 0.25}}, pair.even);
        offsets.put(f[2 * i + 1], count, {{c[i], 0.25}, {c[i + 1], 0.75}}, pair.odd);
    }
    offsets.put(f[2 * m - 4], count, {{c[m - 2], 0.5}, {c[m - 1], 0.5}}, offsets.end(m - 3));
    copyLanes(f[2 * m - 3], c[m - 1], count);
}

// The offsets alone: m-2 details spread over 2m-2 fine positions, m >= 5.
template <class Count>
void offsetLanes(Source d, std::size_t m, Target e, Count count)
{
    const DetailOffsets offsets{d};
    std::fill_n(e[0], std::size_t(count), 0.0f);
    store(e[1], count, offsets.end(0));
    for (std::size_t i = 1; i + 3 <= m; ++i) {
        const auto pair = offsets.pair(i);
        store(e[2 * i], count, pair.even);
        store(e[2 * i + 1], count, pair.odd);
    }
    store(e[2 * m - 4], count, offsets.end(m - 3));
    std::fill_n(e[2 * m - 3], std::size_t(count), 0.0f);
}

// Reverse Chaikin, coarse part: n fine samples (n even, n >= 10) give n/2+1
// coarse samples; the end samples survive.
template <class Count>
void coarsenLanes(Source f, std::size_t n, Target c, Count count)
{
    const std::size_t half = n / 2;
    copyLanes(c[0], f[0], count);
    store(c[1], count, {{f[0], -0.5}, {f[1], 1.0}, {f[2], 0.75}, {f[3], -0.25}});
    for (std::size_t i = 2; i + 2 <= half; ++i)
        store(c[i], count, {{f[2 * i - 2], -0.25}, {f[2 * i - 1], 0.75}, {f[2 * i], 0.75}, {f[2 * i + 1], -0.25}});
    store(c[half - 1], count, {{f[n - 4], -0.25}, {f[n - 3], 0.75}, {f[n - 2], 1.0}, {f[n - 1], -0.5}});
    copyLanes(c[half], f[n - 1], count);
}

// Reverse Chaikin, detail part: the same n samples give n/2-1 details, what
// the coarse samples alone cannot restore. d[1] carries the opposite signs of
// the interior pattern; the synthesis in DetailOffsets matches it.
template <class Count>
void detailLanes(Source f, std::size_t n, Target d, Count count)
{
    const std::size_t half = n / 2;
    store(d[0], count, {{f[0], -0.5}, {f[1], 1.0}, {f[2], -0.75}, {f[3], 0.25}});
    store(d[1], count, {{f[2], -0.25}, {f[3], 0.75}, {f[4], -0.75}, {f[5], 0.25}});
    for (std::size_t j = 2; j + 3 <= half; ++j)
        store(d[j], count, {{f[2 * j], 0.25}, {f[2 * j + 1], -0.75}, {f[2 * j + 2], 0.75}, {f[2 * j + 3], -0.25}});
    store(d[half - 2], count, {{f[n - 4], 0.25}, {f[n - 3], -0.75}, {f[n - 2], 1.0}, {f[n - 1], -0.5}});
}

} // namespace lanes

#endif
