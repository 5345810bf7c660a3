#include "terrain_worker.h"

#include <QThread>

#include <utility>

TerrainWorker::TerrainWorker(QObject* parent) : QObject(parent) {}

TerrainWorker::~TerrainWorker()
{
    if (!thread_)
        return;
    control_->cancel();
    thread_->wait();
    delete thread_;
}

bool TerrainWorker::start(Job job, Finish finish)
{
    if (thread_)
        return false;
    const quint64 number = ++jobNumber_;
    control_ = std::make_unique<WorkControl>();
    control_->onCheckpoint = [this, number, hook = checkpointHook](const char* step, int done, int total) {
        // A step of no total is silent: the work the user did not ask for.
        if (total > 0)
            QMetaObject::invokeMethod(
                this,
                [this, number, name = QString::fromLatin1(step), percent = 100 * done / total] {
                    if (thread_ && number == jobNumber_)
                        emit progress(name, percent);
                },
                Qt::QueuedConnection);
        if (hook)
            hook(step);
    };
    update_ = std::make_unique<TerrainUpdate>();
    finish_ = std::move(finish);
    thread_ = QThread::create([this, job = std::move(job)] { outcome_ = job(*control_, *update_); });
    connect(thread_, &QThread::finished, this, [this, number] { deliver(number); }, Qt::QueuedConnection);
    thread_->start();
    return true;
}

void TerrainWorker::cancel()
{
    if (thread_)
        control_->cancel();
}

void TerrainWorker::waitUntilIdle()
{
    while (thread_)
        deliver(jobNumber_);
}

void TerrainWorker::deliver(quint64 job)
{
    // A job already delivered by waitUntilIdle still sends its finished signal.
    if (!thread_ || job != jobNumber_)
        return;
    thread_->wait();
    thread_->deleteLater();
    thread_ = nullptr;
    const std::unique_ptr<TerrainUpdate> update = std::move(update_);
    const Finish finish = std::move(finish_);
    finish_ = nullptr;
    finish(outcome_, *update);
}
