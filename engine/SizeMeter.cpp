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
    mPool.start([this, generation, quality, app1 = std::move(app1), picture = std::move(resized)] {
        if (generation != mGeneration.load()) return; // superseded before it started
        qint64 bytes = -1;
        try {
            bytes = EncodeJPEG(picture, quality, app1).size();
        } catch (...) { // reported as -1: a figure that cannot be had is not an error to stop for
        }
        // Queued to the meter's thread; a meter gone by then takes the call with it.
        QMetaObject::invokeMethod(
            this, [this, generation, picture, bytes] { deliver(generation, picture, bytes); },
            Qt::QueuedConnection);
    });
}

void SizeMeter::deliver(quint64 generation, const PictureRef& picture, qint64 bytes) {
    if (generation == mGeneration.load()) emit Measured(picture, bytes);
}
