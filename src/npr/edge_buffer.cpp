#include "edge_buffer.h"

#include "bulk_memory.h"
#include "stop_request.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <thread>
#include <utility>

namespace {

// Marks, in build()'s scratch array, an edge that a second face has met.
constexpr std::uint32_t sharedBit = 0x80000000u;

} // namespace

EdgeBuffer::EdgeBuffer(const std::vector<std::vector<Edge>>& rows)
{
    std::size_t total = 0;
    for (const auto& r : rows)
        total += r.size();
    edges_.reserve(total);
    rowStart_.reserve(rows.size() + 1);
    rowStart_.push_back(0);
    for (const auto& r : rows) {
        edges_.insert(edges_.end(), r.begin(), r.end());
        rowStart_.push_back(std::uint32_t(edges_.size()));
    }
}

EdgeBuffer::EdgeBuffer(const EdgeBuffer& other)
{
    *this = other;
}

EdgeBuffer& EdgeBuffer::operator=(const EdgeBuffer& other)
{
    if (this != &other) {
        if (!copyBulkUnlessStopped(edges_, other.edges_) || !copyBulkUnlessStopped(rowStart_, other.rowStart_)) {
            clear();
            return *this;
        }
        columnEntries_ = other.columnEntries_;
        columnStart_ = other.columnStart_;
        columnsValid_ = other.columnsValid_;
    }
    return *this;
}

unsigned EdgeBuffer::defaultThreadCount()
{
    return std::clamp(std::thread::hardware_concurrency(), 1u, 2u);
}

std::span<Edge> EdgeBuffer::rowSpan(std::size_t i)
{
    return {edges_.data() + rowStart_[i], edges_.data() + rowStart_[i + 1]};
}

std::span<const Edge> EdgeBuffer::rowSpan(std::size_t i) const
{
    return {edges_.data() + rowStart_[i], edges_.data() + rowStart_[i + 1]};
}

std::span<Edge> EdgeBuffer::rowsSpan(std::size_t first, std::size_t end)
{
    if (first >= end)
        return {};
    return {edges_.data() + rowStart_[first], edges_.data() + rowStart_[end]};
}

std::span<const std::int32_t> EdgeBuffer::column(std::size_t j) const
{
    if (!columnsValid_ || j >= rowCount())
        return {};
    return {columnEntries_.data() + columnStart_[j], columnEntries_.data() + columnStart_[j + 1]};
}

void EdgeBuffer::invalidateColumns()
{
    releaseBulk(columnEntries_);
    releaseBulk(columnStart_);
    columnsValid_ = false;
}

void EdgeBuffer::clear()
{
    releaseBulk(edges_);
    releaseBulk(rowStart_);
    invalidateColumns();
}

bool EdgeBuffer::build(std::size_t vertexCount, std::span<const Face> faces)
{
    clear();
    if (vertexCount > std::size_t(std::numeric_limits<std::int32_t>::max())
        || faces.size() > std::numeric_limits<std::uint32_t>::max() / 3) {
        std::printf("EdgeBuffer::build - a mesh of %zu vertices and %zu faces is too large\n", vertexCount,
                    faces.size());
        return false;
    }
    for (std::size_t f = 0; f < faces.size(); ++f) {
        for (const std::uint32_t v : faces[f].v) {
            if (v >= vertexCount) {
                std::printf("EdgeBuffer::build - face %zu names vertex %u, but the mesh has %zu vertices\n", f, v,
                            vertexCount);
                return false;
            }
        }
    }

    // Every face's edges go to the row of their smaller vertex. First an
    // upper bound per row (each face that meets an edge counts it), then the
    // distinct edges in insertion order, then the exact rows.
    std::vector<std::uint32_t> slotStart;
    assignBulk(slotStart, vertexCount + 1, 0u);
    for (const Face& face : faces) {
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t a = face.v[k], b = face.v[(k + 1) % 3];
            if (a != b)
                ++slotStart[std::min(a, b) + 1];
        }
    }
    for (std::size_t i = 0; i < vertexCount; ++i)
        slotStart[i + 1] += slotStart[i];

    std::vector<std::uint32_t> others;
    if (!resizeBulkUnlessStopped(others, slotStart[vertexCount])) {
        clear();
        return false;
    }
    assignBulk(rowStart_, vertexCount + 1, 0u); // rowStart_[i + 1] counts row i for now
    for (std::size_t f = 0; f < faces.size(); ++f) {
        if (stopRequestedAt(f)) {
            clear(); // the stopped work drops the buffer
            return false;
        }
        const Face& face = faces[f];
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t a = face.v[k], b = face.v[(k + 1) % 3];
            if (a == b)
                continue;
            const std::uint32_t lo = std::min(a, b), hi = std::max(a, b);
            std::uint32_t* slots = others.data() + slotStart[lo];
            std::uint32_t& count = rowStart_[lo + 1];
            std::uint32_t n = 0;
            while (n < count && (slots[n] & ~sharedBit) != hi)
                ++n;
            if (n < count)
                slots[n] |= sharedBit;
            else
                slots[count++] = hi;
        }
    }

    std::size_t total = 0;
    for (std::size_t i = 0; i < vertexCount; ++i)
        total += rowStart_[i + 1];
    reserveBulk(edges_, total);
    for (std::size_t i = 0; i < vertexCount; ++i) {
        const std::uint32_t* slots = others.data() + slotStart[i];
        for (std::uint32_t n = 0; n < rowStart_[i + 1]; ++n) {
            Edge& e = edges_.emplace_back(std::int32_t(slots[n] & ~sharedBit));
            e.border = (slots[n] & sharedBit) == 0;
        }
        rowStart_[i + 1] = std::uint32_t(edges_.size());
    }
    return true;
}

Edge* EdgeBuffer::find(int i, int j)
{
    if (i > j)
        std::swap(i, j);
    if (!holds(i))
        return nullptr;
    for (Edge& e : rowSpan(std::size_t(i)))
        if (e.other == j)
            return &e;
    return nullptr;
}

int EdgeBuffer::findEdge(int i, int j) const
{
    if (i > j)
        std::swap(i, j);
    if (!holds(i))
        return -1;
    const auto r = rowSpan(std::size_t(i));
    for (std::size_t n = 0; n < r.size(); ++n)
        if (r[n].other == j)
            return int(n);
    return -1;
}

bool EdgeBuffer::getEdge(int i, int j, Edge& out) const
{
    const int n = findEdge(i, j);
    if (n < 0)
        return false;
    out = rowSpan(std::size_t(std::min(i, j)))[std::size_t(n)];
    return true;
}

void EdgeBuffer::addEdge(int i, int j)
{
    if (i > j)
        std::swap(i, j);
    if (!holds(i) || !holds(j)) {
        std::printf("EdgeBuffer::addEdge - edge (%i, %i) lies outside the buffer's %zu vertices\n", i, j,
                    rowCount());
        return;
    }
    if (i == j)
        return;
    if (Edge* e = find(i, j)) {
        e->border = false;
        return;
    }
    invalidateColumns();
    edges_.insert(edges_.begin() + rowStart_[std::size_t(i) + 1], Edge(j));
    for (std::size_t k = std::size_t(i) + 1; k < rowStart_.size(); ++k)
        ++rowStart_[k];
}

void EdgeBuffer::updateEdge(int i, int j, int side, float value, int power)
{
    if (i == j)
        return;
    if (i > j)
        std::swap(i, j);
    if (value < 0)
        value = -value;
    Edge* e = find(i, j);
    if (!e) {
        std::printf("Warning - reached bad place in update edge buffer (i=%i, j=%i) - Edge Not Found!\n", i, j);
        return;
    }
    e->toggle(side);
    if (power >= 1 && power <= 10) {
        if (e->s < 0) {
            e->s = value;
        } else {
            // 1 minus the power mean of (1 - s) and (1 - value).
            const double p = power;
            const double sum = std::pow(1.0 - e->s, p) + std::pow(1.0 - value, p);
            e->s = float(1.0 - std::pow(sum, 1.0 / p) / std::pow(2.0, 1.0 / p));
        }
    } else {
        e->keepSmallest(value);
    }
}

void EdgeBuffer::resetEdges()
{
    for (Edge& e : edges_) {
        e.front = e.back = e.used = false;
        e.s = 0.5f;
    }
}

void EdgeBuffer::buildColumns()
{
    const std::size_t n = rowCount();
    columnStart_.assign(n + 1, 0);
    for (const Edge& e : edges_)
        if (holds(e.other))
            ++columnStart_[std::size_t(e.other) + 1];
    for (std::size_t j = 0; j < n; ++j)
        columnStart_[j + 1] += columnStart_[j];
    columnEntries_.resize(columnStart_[n]);
    std::vector<std::uint32_t> next(columnStart_.begin(), columnStart_.end());
    for (std::size_t i = 0; i < n; ++i)
        for (const Edge& e : rowSpan(i))
            if (holds(e.other))
                columnEntries_[next[std::size_t(e.other)]++] = std::int32_t(i);
    columnsValid_ = true;
}

std::vector<int> EdgeBuffer::neighbours(int v)
{
    if (!columnsValid_)
        buildColumns();
    std::vector<int> result;
    if (!holds(v))
        return result;
    const auto r = rowSpan(std::size_t(v));
    const auto c = column(std::size_t(v));
    result.reserve(r.size() + c.size());
    for (const Edge& e : r)
        result.push_back(e.other);
    result.insert(result.end(), c.begin(), c.end());
    return result;
}

Edge EdgeBuffer::rgetv(int row, int column)
{
    if (!columnsValid_)
        buildColumns();
    if (holds(row)) {
        const auto c = this->column(std::size_t(row));
        if (column >= 0 && std::size_t(column) < c.size())
            for (const Edge& e : rowSpan(std::size_t(c[std::size_t(column)])))
                if (e.other == row)
                    return e;
    }
    std::printf("Error in rgetv . . . row %i, column %i not found\n", row, column);
    if (rowCount() == 0 || rowSpan(0).empty())
        return Edge();
    return rowSpan(0)[0];
}

template <typename Keep>
void EdgeBuffer::keepEdges(Keep keep)
{
    invalidateColumns();
    std::size_t out = 0;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < rowCount(); ++i) {
        const std::size_t end = rowStart_[i + 1];
        rowStart_[i] = std::uint32_t(out);
        for (std::size_t k = begin; k < end; ++k)
            if (keep(i, edges_[k]))
                edges_[out++] = edges_[k];
        begin = end;
    }
    if (!rowStart_.empty())
        rowStart_.back() = std::uint32_t(out);
    edges_.resize(out);
}

void EdgeBuffer::keepSilhouettesOrUsed()
{
    keepEdges([](std::size_t, const Edge& e) { return e.isSilhouette() || e.used; });
}

void EdgeBuffer::keepSilhouettes()
{
    keepEdges([](std::size_t, const Edge& e) { return e.isSilhouette(); });
}

void EdgeBuffer::dropStrongSilhouettes()
{
    keepEdges([](std::size_t, const Edge& e) { return !e.isSilhouette() || e.used; });
}

void EdgeBuffer::dropEdgesBelow(std::span<const int> values, int limit)
{
    // A vertex without a value is never below the limit.
    const auto below = [&](long long v) { return v >= 0 && std::size_t(v) < values.size() && values[v] < limit; };
    keepEdges([&](std::size_t i, const Edge& e) { return !(below(static_cast<long long>(i)) && below(e.other)); });
}

void EdgeBuffer::removeEdge(int i, int j)
{
    if (i > j)
        std::swap(i, j);
    const int n = findEdge(i, j);
    if (n < 0)
        return;
    edges_.erase(edges_.begin() + rowStart_[std::size_t(i)] + n);
    for (std::size_t k = std::size_t(i) + 1; k < rowStart_.size(); ++k)
        --rowStart_[k];
    if (!columnsValid_)
        return;
    const auto first = columnEntries_.begin() + columnStart_[std::size_t(j)];
    const auto last = columnEntries_.begin() + columnStart_[std::size_t(j) + 1];
    const auto at = std::find(first, last, i);
    if (at == last)
        return;
    columnEntries_.erase(at);
    for (std::size_t k = std::size_t(j) + 1; k < columnStart_.size(); ++k)
        --columnStart_[k];
}

void EdgeBuffer::print() const
{
    const auto flag = [](bool b) { return b ? "T" : "F"; };
    for (std::size_t i = 0; i < rowCount(); ++i)
        for (const Edge& e : rowSpan(i))
            std::printf("edge %i - %i\t F=%s B=%s U=%s s=%1.4f\n", int(i), e.other, flag(e.front), flag(e.back),
                        flag(e.used), double(e.s));
}
