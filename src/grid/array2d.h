// Rectangular array of rows stored in one contiguous block, row after row.
// a[r][c] reads like a vector of rows, but every row has the same length and
// the whole array is a single allocation, backed by huge pages when large
// (see bulk_memory.h), so that a grid-sized array is made in a fraction of
// the time.
#ifndef ARRAY2D_H
#define ARRAY2D_H

#include "bulk_memory.h"

#include <algorithm>
#include <cstddef>
#include <span>
#include <utility>
#include <vector>

template <typename T>
class Array2D {
public:
    Array2D() = default;
    Array2D(std::size_t rows, std::size_t cols, const T& fill = T()) : rows_(rows), cols_(cols)
    {
        assignBulk(data_, rows * cols, fill);
    }
    Array2D(const Array2D& other) : rows_(other.rows_), cols_(other.cols_) { copyBulk(data_, other.data_); }
    Array2D& operator=(const Array2D& other)
    {
        if (this != &other)
            *this = Array2D(other);
        return *this;
    }
    Array2D(Array2D&&) noexcept = default;
    Array2D& operator=(Array2D&&) noexcept = default;

    // An array whose entries are left unwritten, for a pass that writes
    // every one: its memory is then touched once, row by row as the pass
    // goes (and a stopped pass stops touching it), where a filled array
    // costs a pass of its own before any work is done.
    static Array2D forOverwrite(std::size_t rows, std::size_t cols)
    {
        Array2D a;
        reserveBulk(a.data_, rows * cols);
        a.data_.resize(rows * cols);
        a.rows_ = rows;
        a.cols_ = cols;
        return a;
    }

    std::size_t rows() const { return rows_; }
    std::size_t cols() const { return cols_; }
    std::size_t size() const { return data_.size(); }
    bool empty() const { return data_.empty(); }

    std::span<T> operator[](std::size_t r) { return {data_.data() + r * cols_, cols_}; }
    std::span<const T> operator[](std::size_t r) const { return {data_.data() + r * cols_, cols_}; }

    T* data() { return data_.data(); }
    const T* data() const { return data_.data(); }

    // Changes the shape; entries inside both the old and the new bounds keep
    // their values, new entries are `fill`.
    void resize(std::size_t rows, std::size_t cols, const T& fill = T())
    {
        if (cols == cols_) {
            data_.resize(rows * cols, fill);
        } else {
            std::vector<T, DefaultInitAllocator<T>> next;
            assignBulk(next, rows * cols, fill);
            const std::size_t keepRows = std::min(rows, rows_);
            const std::size_t keepCols = std::min(cols, cols_);
            for (std::size_t r = 0; r < keepRows; ++r)
                std::copy_n(data_.data() + r * cols_, keepCols, next.data() + r * cols);
            data_ = std::move(next);
        }
        rows_ = rows;
        cols_ = cols;
    }

    // Reverses the order of the rows, or of the entries within each row.
    void flipRows()
    {
        for (std::size_t top = 0, bottom = rows_; top + 1 < bottom; ++top, --bottom)
            std::swap_ranges(data_.data() + top * cols_, data_.data() + (top + 1) * cols_,
                             data_.data() + (bottom - 1) * cols_);
    }
    void flipColumns()
    {
        for (std::size_t r = 0; r < rows_; ++r)
            std::reverse(data_.data() + r * cols_, data_.data() + (r + 1) * cols_);
    }

    // Gives the memory back, not only the contents.
    void clear()
    {
        releaseBulk(data_);
        rows_ = 0;
        cols_ = 0;
    }

    bool operator==(const Array2D& o) const { return rows_ == o.rows_ && cols_ == o.cols_ && data_ == o.data_; }

private:
    std::size_t rows_ = 0;
    std::size_t cols_ = 0;
    std::vector<T, DefaultInitAllocator<T>> data_;
};

#endif
