// Measuring helpers shared by the benchmark programs. Include from exactly one
// source file per benchmark program: it replaces the global operator new.
#ifndef BENCH_SUPPORT_H
#define BENCH_SUPPORT_H

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <functional>
#include <new>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

inline std::atomic<std::size_t> heapNow{0};
inline std::atomic<std::size_t> heapPeak{0};

// Peak bytes held through operator new while fn runs, above what was held before.
inline std::size_t peakHeapDuring(const std::function<void()>& fn)
{
    const std::size_t before = heapNow.load();
    heapPeak.store(before);
    fn();
    return heapPeak.load() - before;
}

// Peak resident memory of a child process that runs fn, in bytes. The child
// starts as a copy of this process, so run it while the parent is small.
inline std::size_t peakRssOfChild(const std::function<void()>& fn)
{
    const pid_t pid = fork();
    if (pid == 0) {
        fn();
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
}

} // namespace bench

// Allocation sizes are kept in a header word so that delete can count them.
void* operator new(std::size_t n)
{
    auto* p = static_cast<std::size_t*>(std::malloc(n + sizeof(std::max_align_t)));
    if (!p)
        throw std::bad_alloc();
    *p = n;
    const std::size_t now = bench::heapNow.fetch_add(n) + n;
    std::size_t peak = bench::heapPeak.load();
    while (now > peak && !bench::heapPeak.compare_exchange_weak(peak, now)) {
    }
    return reinterpret_cast<char*>(p) + sizeof(std::max_align_t);
}
void operator delete(void* q) noexcept
{
    if (!q)
        return;
    auto* p = reinterpret_cast<std::size_t*>(static_cast<char*>(q) - sizeof(std::max_align_t));
    bench::heapNow.fetch_sub(*p);
    std::free(p);
}
void operator delete(void* q, std::size_t) noexcept { operator delete(q); }
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete[](void* q) noexcept { operator delete(q); }
void operator delete[](void* q, std::size_t) noexcept { operator delete(q); }

#endif
