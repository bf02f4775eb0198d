#pragma once
// Makes the smooth picture for the resized view away from the user-interface thread, which goes on
// painting the window and taking input while the quick nearest-pixel picture stands in.
#include "imaging/Picture.h"

#include <QColor>
#include <QObject>
#include <QThreadPool>
#include <exception>
#include <memory>

// One picture is made at a time, on a thread of the work's own. A newer Start supersedes older work:
// that work is stopped and its result dropped, never emitted, and work not yet started never runs.
// Stop, and destroying the work, end the work under way at once.
class SmoothWork : public QObject {
    Q_OBJECT
public:
    explicit SmoothWork(QObject* parent = nullptr);
    ~SmoothWork() override;

    // Starts making `original` smooth at the size of `standIn`, the quick picture shown meanwhile;
    // transparent parts lie over `background`.
    void Start(PictureRef original, PictureRef standIn, QColor background);
    void Stop();
    // The quick picture whose smooth picture is being made; null when none is.
    PictureRef StandIn() const;
    // Waits for the smooth picture being made for `standIn` and takes it, so that nothing is emitted for
    // it; rethrows the error its work met. Null when no work for `standIn` is under way.
    PictureRef Take(const PictureRef& standIn);

signals:
    // On the work's thread, for the latest Start only.
    void Made(PictureRef smooth);
    void Failed(std::exception_ptr error);

private:
    struct Job;
    void deliver(const std::shared_ptr<Job>& job);

    std::shared_ptr<Job> mJob; // the latest work, while it is wanted
    QThreadPool mPool;         // last member: destroyed, and so waited for, first
};
