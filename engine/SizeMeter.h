#pragma once
// Measures the saved JPEG's length of a resized picture away from the user-interface thread.
#include "imaging/Picture.h"

#include <QObject>
#include <QThreadPool>
#include <atomic>

// One measurement runs at a time, on a thread of the meter's own. A newer Measure supersedes every
// older one: their results are dropped, never emitted, and one not yet started never runs.
// Destroying the meter waits for a measurement under way, then drops its result.
class SizeMeter : public QObject {
    Q_OBJECT
public:
    explicit SizeMeter(QObject* parent = nullptr);
    ~SizeMeter() override;

    // Starts measuring `resized` as the save command would write it (EncodeJPEG at `quality`, with
    // `app1` after the header).
    void Measure(PictureRef resized, int quality, QByteArray app1 = {});

    // The JPEG the latest measurement delivered, when it was of `picture` at `quality` with `app1`:
    // the very bytes Save would write. Empty otherwise.
    QByteArray Bytes(const PictureRef& picture, int quality, const QByteArray& app1) const;

signals:
    // On the meter's thread, for the latest request only. `bytes` is -1 when the JPEG could not be
    // made (not enough memory).
    void Measured(PictureRef picture, qint64 bytes);

private:
    struct Measurement {
        PictureRef picture;
        int quality = 0;
        QByteArray app1;
        QByteArray jpeg;
    };
    void deliver(quint64 generation, Measurement measurement);

    Measurement mLatest; // on the meter's thread only
    std::atomic<quint64> mGeneration{0};
    QThreadPool mPool; // last member: destroyed, and so waited for, first
};
