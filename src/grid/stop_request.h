// A request to stop, as the long loops of the core see it. Work that runs a
// job on a thread installs the job's stop flag there for the job's duration
// (StopScope); the loops ask stopRequested() every few rows and give up at
// once when it is true. What they leave is then incomplete, and the job that
// installed the flag discards it. Where nothing is installed (the tools, the
// tests, the GUI thread) the loops never give up.
#ifndef STOP_REQUEST_H
#define STOP_REQUEST_H

#include <atomic>
#include <cstddef>

namespace stop_request_detail {
inline constinit thread_local const std::atomic<bool>* installed = nullptr;
}

inline bool stopRequested()
{
    const std::atomic<bool>* flag = stop_request_detail::installed;
    return flag != nullptr && flag->load(std::memory_order_relaxed);
}

// stopRequested() at every 65536th index only: for loops that take a sample,
// face or edge at a time.
inline bool stopRequestedAt(std::size_t i)
{
    return (i & 0xFFFF) == 0 && stopRequested();
}

// The flag installed on this thread (none: nullptr), for helper threads.
inline const std::atomic<bool>* installedStopFlag()
{
    return stop_request_detail::installed;
}

// Installs a flag on this thread until the scope ends.
class StopScope {
public:
    explicit StopScope(const std::atomic<bool>* flag) : previous_(stop_request_detail::installed)
    {
        stop_request_detail::installed = flag;
    }
    ~StopScope() { stop_request_detail::installed = previous_; }
    StopScope(const StopScope&) = delete;
    StopScope& operator=(const StopScope&) = delete;

private:
    const std::atomic<bool>* previous_;
};

#endif
