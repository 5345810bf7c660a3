// Runs the parts of a job on their own threads.
#ifndef PARALLEL_PARTS_H
#define PARALLEL_PARTS_H

#include "stop_request.h"

#include <cstddef>
#include <thread>
#include <vector>

// Calls fn(part) for every part in [0, parts), part 0 on the calling thread
// and each other one on a thread of its own; returns when all are done.
// Every thread sees the caller's stop request.
template <typename Fn>
void runParts(std::size_t parts, Fn fn)
{
    const std::atomic<bool>* stop = installedStopFlag();
    std::vector<std::thread> workers;
    workers.reserve(parts > 0 ? parts - 1 : 0);
    for (std::size_t p = 1; p < parts; ++p)
        workers.emplace_back([fn, stop, p]() mutable {
            const StopScope scope(stop);
            fn(p);
        });
    if (parts > 0)
        fn(std::size_t(0));
    for (std::thread& w : workers)
        w.join();
}

#endif
