#include "main_window/SmoothWork.h"

#include "imaging/Resample.h"

#include <atomic>
#include <future>

struct SmoothWork::Job {
    PictureRef original, standIn;
    QColor background;
    std::atomic<bool> stop = false;
    std::promise<PictureRef> promise;
    std::shared_future<PictureRef> made = promise.get_future().share();
};

SmoothWork::SmoothWork(QObject* parent) : QObject(parent) {
    mPool.setMaxThreadCount(1);
}

SmoothWork::~SmoothWork() {
    Stop();
    mPool.waitForDone();
}

void SmoothWork::Start(PictureRef original, PictureRef standIn, QColor background) {
    Stop();
    mJob = std::make_shared<Job>(std::move(original), std::move(standIn), background);
    mPool.start([this, job = mJob] {
        try {
            job->promise.set_value(job->stop ? nullptr
                                             : SmoothResizedPicture(job->original, job->standIn->size(),
                                                                    job->background, &job->stop));
        } catch (...) {
            job->promise.set_exception(std::current_exception());
        }
        // Queued to the work's thread; work destroyed by then takes the call with it.
        QMetaObject::invokeMethod(
            this, [this, job] { deliver(job); }, Qt::QueuedConnection);
    });
}

void SmoothWork::Stop() {
    if (mJob) mJob->stop = true;
    mJob.reset();
}

PictureRef SmoothWork::StandIn() const {
    return mJob ? mJob->standIn : nullptr;
}

PictureRef SmoothWork::Take(const PictureRef& standIn) {
    if (!mJob || mJob->standIn != standIn) return nullptr;
    return std::exchange(mJob, nullptr)->made.get();
}

void SmoothWork::deliver(const std::shared_ptr<Job>& job) {
    if (job != mJob) return; // superseded, stopped or taken meanwhile
    mJob.reset();
    PictureRef smooth;
    std::exception_ptr error;
    try {
        smooth = job->made.get();
    } catch (...) {
        error = std::current_exception();
    }
    if (error)
        emit Failed(error);
    else
        emit Made(smooth);
}
