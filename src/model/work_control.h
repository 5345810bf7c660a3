// What a piece of work running on another thread shares with the thread that
// started it: a request to stop, and where the work has come to.
#ifndef WORK_CONTROL_H
#define WORK_CONTROL_H

#include <atomic>
#include <functional>

class WorkControl {
public:
    // Reports a step to onCheckpoint: its name, and the parts of the whole
    // job done before it out of `total` (0: a step the user is not shown).
    using Report = std::function<void(const char* step, int done, int total)>;

    // Asks the work to stop at its next checkpoint; any thread may call it.
    void cancel() { cancelled_.store(true, std::memory_order_release); }
    bool cancelled() const { return cancelled_.load(std::memory_order_acquire); }
    // The flag that cancel() sets, for the long loops of the work to watch
    // between checkpoints (StopScope).
    const std::atomic<bool>* stopFlag() const { return &cancelled_; }

    // Called by the work between its parts, on the working thread: reports
    // the step, then says whether the work may go on.
    bool checkpoint(const char* step, int done, int total)
    {
        if (onCheckpoint)
            onCheckpoint(step, done, total);
        return !cancelled();
    }

    // Set before the work starts and left alone while it runs.
    Report onCheckpoint;

private:
    std::atomic<bool> cancelled_{false};
};

#endif
