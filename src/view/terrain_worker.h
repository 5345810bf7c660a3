// Runs one piece of terrain work at a time on a thread of its own, and hands
// its result back on the GUI thread. The work only reads the model; the
// model takes the result in the callback, on the GUI thread, so drawing and
// input go on while the work runs. No GL here: the work is display-free.
#ifndef TERRAIN_WORKER_H
#define TERRAIN_WORKER_H

#include "terrain_work.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QThread;

class TerrainWorker : public QObject {
    Q_OBJECT

public:
    using Job = std::function<WorkOutcome(WorkControl&, TerrainUpdate&)>;
    using Finish = std::function<void(WorkOutcome, TerrainUpdate&)>;

    explicit TerrainWorker(QObject* parent = nullptr);
    // Stops the running work and waits for it.
    ~TerrainWorker() override;

    // Starts job on its own thread; finish gets the outcome on this object's
    // thread. Refuses (false) while another job runs.
    bool start(Job job, Finish finish);
    bool busy() const { return thread_ != nullptr; }
    // Asks the running job to stop at its next checkpoint; it still finishes
    // (with WorkOutcome::Cancelled) through its callback.
    void cancel();
    // Waits for the running job and runs its callback, and so on for any job
    // that callback starts, until none runs.
    void waitUntilIdle();

    // Called on the working thread at every checkpoint, after its progress
    // report and before the stop request is read: lets tests hold the work
    // at a known step.
    std::function<void(const char* step)> checkpointHook;

signals:
    // The running job reached a step; percent of the whole job done before it.
    void progress(const QString& step, int percent);

private:
    void deliver(quint64 job);

    QThread* thread_ = nullptr;
    quint64 jobNumber_ = 0;
    std::unique_ptr<WorkControl> control_;
    std::unique_ptr<TerrainUpdate> update_;
    WorkOutcome outcome_ = WorkOutcome::Failed;
    Finish finish_;
};

#endif
