// Runs a function on contiguous parts of an index range in parallel.
#ifndef PARALLEL_RANGES_H
#define PARALLEL_RANGES_H

#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

// Splits [0, count) into `threads` contiguous parts (fewer when count is
// smaller) and calls fn(part, begin, end) for each, part 0 on the calling
// thread. Returns when every part is done.
template <typename Fn>
void forEachRange(std::size_t count, unsigned threads, Fn fn)
{
    const std::size_t parts = std::max<std::size_t>(1, std::min<std::size_t>(threads, count));
    std::vector<std::thread> workers;
    workers.reserve(parts - 1);
    for (std::size_t p = 1; p < parts; ++p)
        workers.emplace_back(fn, p, count * p / parts, count * (p + 1) / parts);
    fn(std::size_t(0), std::size_t(0), count / parts);
    for (std::thread& w : workers)
        w.join();
}

#endif
