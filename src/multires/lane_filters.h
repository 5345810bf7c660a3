// The one-dimensional filters of Chaikin refinement and reverse subdivision,
// written once for a set of parallel sequences ("lanes").
//
// Every filter walks positions i of a coarse sequence; position i of the fine
// sequence holds the fine samples 2i and 2i+1. How positions meet lanes is the
// caller's choice:
// - ByPosition: a column pass over a row-major grid. Each position is a row
//   whose lanes are the columns, so every step reads and writes whole rows in
//   memory order.
// - AsLanes: a single row. Consecutive positions are the lanes of one step;
//   the fine row is split into its even and odd samples first (RowSplit), so
//   every step again reads and writes contiguous memory.
// - ByPositionThen and ByPositionMakingRows: column passes that hand each
//   finished position to a row pass, or make the rows a position reads just
//   before it needs them. A grid level then runs its column and row passes
//   together through a buffer of one or two rows instead of a whole
//   intermediate grid.
// The column passes give up at a stop request (stop_request.h), leaving
// the rest of their output as it was.
// Each value is a sum of float inputs times weights in quarters, added in
// double precision in the order of its formula, scaled by 1/4 and rounded to
// float once. Scaling by a power of two is exact for float inputs, so this is
// bit for bit the formula with the weights 1/4, 1/2, 3/4 and 1 themselves,
// and a column filtered as a lane equals the same column filtered alone.
#ifndef LANE_FILTERS_H
#define LANE_FILTERS_H

#include "stop_request.h"

#include <algorithm>
#include <cstddef>
#include <vector>

// The passes that run these filters over whole grids are compiled for
// several instruction sets, and the widest the processor has is chosen when
// the program loads. Every variant computes the same bits: each product of a
// float and a quarter weight is exact in double, and the additions keep their
// order, so neither wider vectors nor fused multiply-adds change a result.
// ThreadSanitizer builds keep one variant: the choosing code runs before
// the sanitizer's runtime is ready.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_THREAD__)
#define LANES_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define LANES_VECTOR_CLONES
#endif

// The filters are inlined into every variant so that each is compiled for
// its instruction set.
#if defined(__GNUC__)
#define LANES_INLINE [[gnu::always_inline]] inline
#define LANES_LAMBDA_INLINE __attribute__((always_inline))
#else
#define LANES_INLINE inline
#define LANES_LAMBDA_INLINE
#endif

namespace lanes {

// Sample k of a set of sequences starts at base + k * stride; its lanes
// follow one another.
template <class T>
struct View {
    T* base;
    std::size_t stride;
    T* at(std::size_t k) const { return base + k * stride; }
};
using In = View<const float>;
using Out = View<float>;

// A fine sequence as its even and odd samples: position k holds 2k and 2k+1.
template <class T>
struct Halves {
    View<T> even;
    View<T> odd;
};

struct ByPosition {
    std::size_t lanes;
    template <class Step>
    LANES_INLINE void over(std::size_t first, std::size_t last, Step step) const
    {
        for (std::size_t i = first; i < last && !stopRequested(); ++i)
            step(i, lanes);
    }
};

// Position i uses the finished output of position i at once: use(i).
template <class Use>
struct ByPositionThen {
    std::size_t lanes;
    Use& use;
    template <class Step>
    LANES_INLINE void over(std::size_t first, std::size_t last, Step step) const
    {
        for (std::size_t i = first; i < last && !stopRequested(); ++i) {
            step(i, lanes);
            use(i);
        }
    }
};

// Position i reads input rows i and i+1; make(r) makes row r, in order.
template <class Make>
struct ByPositionMakingRows {
    std::size_t lanes;
    Make& make;
    std::size_t& made;
    template <class Step>
    LANES_INLINE void over(std::size_t first, std::size_t last, Step step) const
    {
        for (std::size_t i = first; i < last && !stopRequested(); ++i) {
            for (; made < i + 2; ++made)
                make(made);
            step(i, lanes);
        }
    }
};

// Two rows used in turn: row k lives in slot k mod 2.
struct RowPair {
    float* base;
    std::size_t stride;
    float* at(std::size_t k) const { return base + (k & 1) * stride; }
};

struct AsLanes {
    template <class Step>
    LANES_INLINE void over(std::size_t first, std::size_t last, Step step) const
    {
        if (first < last)
            step(first, last - first);
    }
};

LANES_INLINE double quarters(int a, float x)
{
    return 0.25 * (a * static_cast<double>(x));
}

LANES_INLINE double quarters(int a, float x, int b, float y)
{
    return 0.25 * (a * static_cast<double>(x) + b * static_cast<double>(y));
}

struct Quarters4 {
    int a, b, c, d;
};

LANES_INLINE double quarters(Quarters4 q, float w, float x, float y, float z)
{
    return 0.25 * (((q.a * static_cast<double>(w) + q.b * static_cast<double>(x)) + q.c * static_cast<double>(y))
                   + q.d * static_cast<double>(z));
}

// Plain Chaikin refinement: no offsets. Adding -0.0 leaves every value as
// it is, so the compiler drops it.
struct NoDetail {
    struct Pair {};
    LANES_INLINE Pair pair(std::size_t, std::size_t) const { return {}; }
    LANES_INLINE Pair one(std::size_t, std::size_t) const { return {}; }

    template <class Spread>
    LANES_INLINE double offset(Pair, Spread&&) const
    {
        return -0.0;
    }
};

// Refinement with details: each fine sample except the two ends gets an
// offset spread from the details, a float of its own that is added to the
// weighted coarse samples before the final rounding. In AsLanes passes the
// details are a single row too.
struct WithDetail {
    In d;

    struct Pair {
        float first, second;
    };
    // d[j] and d[j+1] of a lane.
    LANES_INLINE Pair pair(std::size_t j, std::size_t l) const { return {d.at(j)[l], d.at(j + 1)[l]}; }
    // d[j] alone.
    LANES_INLINE Pair one(std::size_t j, std::size_t l) const { return {d.at(j)[l], 0.0f}; }

    template <class Spread>
    LANES_INLINE double offset(Pair p, Spread&& spread) const
    {
        return static_cast<double>(static_cast<float>(spread(p.first, p.second)));
    }
};

// Positions [first, last) of the interior: fine 2i = 3/4 c[i] + 1/4 c[i+1],
// fine 2i+1 = 1/4 c[i] + 3/4 c[i+1], offsets from d[i-1] and d[i] with the
// signs early and late. Every input is read once for both outputs.
template <class Iteration, class Coarse, class Detail>
LANES_INLINE void refineInterior(Iteration it, std::size_t first, std::size_t last, Coarse c, Halves<float> f,
                                 const Detail& detail, int early, int late)
{
    it.over(first, last, [&](std::size_t i, std::size_t count) LANES_LAMBDA_INLINE {
        const float* c0 = c.at(i);
        const float* c1 = c.at(i + 1);
        float* even = f.even.at(i);
        float* odd = f.odd.at(i);
        for (std::size_t l = 0; l < count; ++l) {
            const float a = c0[l];
            const float b = c1[l];
            const auto d = detail.pair(i - 1, l);
            const auto evenOffset = [&](float d0, float d1)
                                        LANES_LAMBDA_INLINE { return quarters(3 * early, d0, late, d1); };
            const auto oddOffset = [&](float d0, float d1)
                                       LANES_LAMBDA_INLINE { return quarters(early, d0, 3 * late, d1); };
            even[l] = static_cast<float>(quarters(3, a, 1, b) + detail.offset(d, evenOffset));
            odd[l] = static_cast<float>(quarters(1, a, 3, b) + detail.offset(d, oddOffset));
        }
    });
}

// Chaikin corner cutting with end-point interpolation: m >= 3 coarse samples
// (m >= 5 with details, m-2 of them) give 2m-2 fine samples; c.at(k), an In
// or a RowPair, holds coarse sample k. Interior edges are cut at their
// quarter points, the first and last edge at their midpoint, and the two end
// samples survive unchanged. The details spread
// as +1/2, -3/4, -1/4 (d[0]), +1/4, +3/4, -3/4, -1/4 (d[1], the opposite
// signs of the interior), -1/4, -3/4, +3/4, +1/4 (interior) and -1/4, -3/4,
// +1/2 (the last).
template <class Iteration, class Coarse, class Detail>
LANES_INLINE void chaikinLanes(Iteration it, Coarse c, std::size_t m, Halves<float> f, const Detail& detail)
{
    const auto halfOf = [](float d, float) LANES_LAMBDA_INLINE { return quarters(2, d); };
    it.over(0, 1, [&](std::size_t i, std::size_t count) LANES_LAMBDA_INLINE {
        const float* c0 = c.at(i);
        const float* c1 = c.at(i + 1);
        float* first = f.even.at(i);
        float* second = f.odd.at(i);
        for (std::size_t l = 0; l < count; ++l) {
            first[l] = c0[l];
            second[l] = static_cast<float>(quarters(2, c0[l], 2, c1[l]) + detail.offset(detail.one(i, l), halfOf));
        }
    });
    refineInterior(it, 1, std::min<std::size_t>(2, m - 2), c, f, detail, -1, 1);
    refineInterior(it, 2, std::min<std::size_t>(3, m - 2), c, f, detail, -1, -1);
    refineInterior(it, 3, m - 2, c, f, detail, 1, -1);
    it.over(m - 2, m - 1, [&](std::size_t i, std::size_t count) LANES_LAMBDA_INLINE {
        const float* c0 = c.at(i);
        const float* c1 = c.at(i + 1);
        float* beforeLast = f.even.at(i);
        float* last = f.odd.at(i);
        for (std::size_t l = 0; l < count; ++l) {
            beforeLast[l] =
                static_cast<float>(quarters(2, c0[l], 2, c1[l]) + detail.offset(detail.one(i - 1, l), halfOf));
            last[l] = c1[l];
        }
    });
}

// Positions [first, last) of reverse subdivision: coarse c[i] and detail
// d[i-1] from the fine samples 2i-2 .. 2i+1.
template <class Iteration>
LANES_INLINE void reversePairs(Iteration it, std::size_t first, std::size_t last, Halves<const float> f, Out coarse,
                               Out detail, Quarters4 toCoarse, Quarters4 toDetail)
{
    it.over(first, last, [&](std::size_t i, std::size_t count) LANES_LAMBDA_INLINE {
        const float* a = f.even.at(i - 1);
        const float* b = f.odd.at(i - 1);
        const float* c = f.even.at(i);
        const float* d = f.odd.at(i);
        float* co = coarse.at(i);
        float* de = detail.at(i - 1);
        for (std::size_t l = 0; l < count; ++l) {
            co[l] = static_cast<float>(quarters(toCoarse, a[l], b[l], c[l], d[l]));
            de[l] = static_cast<float>(quarters(toDetail, a[l], b[l], c[l], d[l]));
        }
    });
}

// Reverse Chaikin: n = 2 half fine samples (n >= 10) give half+1 coarse
// samples, whose ends are the fine ends, and half-1 details, what the coarse
// samples alone cannot restore. d[1] carries the opposite signs of the
// interior pattern; chaikinLanes spreads it back the same way.
template <class Iteration>
LANES_INLINE void reverseLanes(Iteration it, Halves<const float> f, std::size_t half, Out coarse, Out detail)
{
    it.over(0, 1, [&](std::size_t i, std::size_t count) LANES_LAMBDA_INLINE {
        std::copy_n(f.even.at(i), count, coarse.at(i));
    });
    reversePairs(it, 1, 2, f, coarse, detail, {-2, 4, 3, -1}, {-2, 4, -3, 1});
    reversePairs(it, 2, 3, f, coarse, detail, {-1, 3, 3, -1}, {-1, 3, -3, 1});
    reversePairs(it, 3, half - 1, f, coarse, detail, {-1, 3, 3, -1}, {1, -3, 3, -1});
    reversePairs(it, half - 1, half, f, coarse, detail, {-1, 3, 4, -2}, {1, -3, 4, -2});
    it.over(half, half + 1, [&](std::size_t i, std::size_t count) LANES_LAMBDA_INLINE {
        std::copy_n(f.odd.at(i - 1), count, coarse.at(i));
    });
}

// The halves of one fine row, reused from row to row.
class RowSplit {
public:
    explicit RowSplit(std::size_t half) : even_(half), odd_(half) {}

    Halves<float> halves() { return {{even_.data(), 1}, {odd_.data(), 1}}; }

    // Splits the first 2 half samples of row.
    LANES_INLINE Halves<const float> split(const float* row)
    {
        for (std::size_t k = 0; k < even_.size(); ++k) {
            even_[k] = row[2 * k];
            odd_[k] = row[2 * k + 1];
        }
        return {{even_.data(), 1}, {odd_.data(), 1}};
    }

    LANES_INLINE void join(float* row) const
    {
        for (std::size_t k = 0; k < even_.size(); ++k) {
            row[2 * k] = even_[k];
            row[2 * k + 1] = odd_[k];
        }
    }

private:
    std::vector<float> even_;
    std::vector<float> odd_;
};

// A fine grid of row-major rows as the halves of its column pass.
inline Halves<const float> columnHalves(const float* data, std::size_t rowStride)
{
    return {{data, 2 * rowStride}, {data + rowStride, 2 * rowStride}};
}

inline Halves<float> columnHalves(float* data, std::size_t rowStride)
{
    return {{data, 2 * rowStride}, {data + rowStride, 2 * rowStride}};
}

// One row refined: m coarse samples into 2m-2 at out.
template <class Detail>
LANES_INLINE void refineRow(const float* coarse, std::size_t m, float* out, const Detail& detail, RowSplit& split)
{
    chaikinLanes(AsLanes{}, In{coarse, 1}, m, split.halves(), detail);
    split.join(out);
}

// One row coarsened: the first 2 half samples into half+1 coarse samples and
// half-1 details.
LANES_INLINE void reverseRow(const float* fine, std::size_t half, float* coarse, float* detail, RowSplit& split)
{
    reverseLanes(AsLanes{}, split.split(fine), half, Out{coarse, 1}, Out{detail, 1});
}

} // namespace lanes

#endif
