#include "engine/SizeMeter.h"

#include "encoding/mIntelJPEGLibrary.h"
#include "engine/FitUnderSize.h"

SizeMeter::SizeMeter(QObject* parent) : QObject(parent) {
    mPool.setMaxThreadCount(1);
}

SizeMeter::~SizeMeter() {
    mGeneration.fetch_add(1); // whatever is still queued never starts
    mPool.waitForDone();
}

void SizeMeter::Measure(PictureRef resized, int quality, QByteArray app1) {
    const quint64 generation = mGeneration.fetch_add(1) + 1;
    mLatest = {}; // its bytes are of an older picture, and the picture need not stay alive for them
    mPool.start([this, generation, quality, app1 = std::move(app1), picture = std::move(resized)] {
        if (generation != mGeneration.load()) return; // superseded before it started
        Measurement measurement{picture, quality, app1, {}};
        try {
            measurement.jpeg = EncodeJPEG(picture, quality, app1);
        } catch (...) { // reported as -1: a figure that cannot be had is not an error to stop for
        }
        // Queued to the meter's thread; a meter gone by then takes the call with it.
        QMetaObject::invokeMethod(
            this, [this, generation, measurement = std::move(measurement)] { deliver(generation, measurement); },
            Qt::QueuedConnection);
    });
}

QByteArray SizeMeter::Bytes(const PictureRef& picture, int quality, const QByteArray& app1) const {
    const bool same = picture && picture == mLatest.picture && quality == mLatest.quality && app1 == mLatest.app1;
    return same ? mLatest.jpeg : QByteArray();
}

void SizeMeter::deliver(quint64 generation, Measurement measurement) {
    if (generation != mGeneration.load()) return;
    mLatest = std::move(measurement);
    emit Measured(mLatest.picture, mLatest.jpeg.isEmpty() ? -1 : mLatest.jpeg.size());
}
