// Reserving large arrays (grids, the mesh). Writing to fresh memory page by
// page costs from 0.5 s per GB (a quiet machine) to 3.5 s per GB (a loaded
// one) on the virtual machines this runs on, and about 0.2 s per GB when the
// kernel backs it with 2 MB pages; so large arrays ask for those before
// anything is written to them.
#ifndef BULK_MEMORY_H
#define BULK_MEMORY_H

#include "stop_request.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

// Asks the kernel to back the whole 2 MB pages inside [p, p + bytes) with
// huge pages. Does nothing for small blocks or where the kernel cannot.
void adviseHugePages(const void* p, std::size_t bytes);

// Reserves room for n elements (keeping the contents) and advises huge pages
// for it; the elements are written afterwards.
template <typename T, typename A>
void reserveBulk(std::vector<T, A>& v, std::size_t n)
{
    v.reserve(n);
    adviseHugePages(v.data(), v.capacity() * sizeof(T));
}

// Empties v and gives its memory back.
template <typename T, typename A>
void releaseBulk(std::vector<T, A>& v)
{
    std::vector<T, A>().swap(v);
}

// Makes v a copy of source, in memory reserved as above.
template <typename T, typename A>
void copyBulk(std::vector<T, A>& v, const std::vector<T, A>& source)
{
    v.clear();
    reserveBulk(v, source.size());
    v.assign(source.begin(), source.end());
}

// Makes v hold n copies of value, in memory reserved as above.
template <typename T, typename A>
void assignBulk(std::vector<T, A>& v, std::size_t n, const T& value)
{
    v.clear();
    reserveBulk(v, n);
    v.assign(n, value);
}

// Grows the emptied v to n elements in blocks of about 16 MB with
// add(from, to), giving up at a stop request between blocks: v is then
// released and the result is false. Writing a large array for the first
// time takes a good part of a second.
template <typename T, typename A, typename Add>
bool growInBlocks(std::vector<T, A>& v, std::size_t n, Add add)
{
    constexpr std::size_t block = (std::size_t(16) << 20) / sizeof(T) + 1;
    v.clear();
    reserveBulk(v, n);
    for (std::size_t at = 0; at < n; at += block) {
        if (stopRequested()) {
            releaseBulk(v);
            return false;
        }
        add(at, std::min(at + block, n));
    }
    return true;
}

// n value-initialised elements, or false at a stop request (growInBlocks).
template <typename T, typename A>
bool resizeBulkUnlessStopped(std::vector<T, A>& v, std::size_t n)
{
    return growInBlocks(v, n, [&v](std::size_t, std::size_t to) { v.resize(to); });
}

// A copy of source (not v itself), or false at a stop request (growInBlocks).
template <typename T, typename A>
bool copyBulkUnlessStopped(std::vector<T, A>& v, const std::vector<T, A>& source)
{
    return growInBlocks(v, source.size(), [&](std::size_t from, std::size_t to) {
        v.insert(v.end(), source.begin() + std::ptrdiff_t(from), source.begin() + std::ptrdiff_t(to));
    });
}

// An allocator that default-initialises: a vector of floats resized with it
// leaves them unwritten, for arrays that a pass then writes whole.
template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
    using std::allocator<T>::allocator;

    template <typename U>
    void construct(U* p) noexcept(noexcept(U()))
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

#endif
