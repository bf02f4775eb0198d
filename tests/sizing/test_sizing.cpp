// The size search on the real encoder, and the measuring worker beside the save.
#include "encoding/mIntelJPEGLibrary.h"
#include "platform/Resize.h"
#include "sizing/FitUnderSize.h"
#include "sizing/SizeMeter.h"
#include "support/PictureFactory.h"

#include <QSignalSpy>
#include <QTest>
#include <thread>

class SizingTest : public QObject {
    Q_OBJECT
    const PictureRef photo = Picture::make(factory::gradient(3000, 2000));
    const ResizeFunction nearest = [](const PictureRef& picture, QSize size) {
        return ResizedPicture(picture, size, Qt::white);
    };

private slots:
    void fitsUnderTheLimitOrNothingDoes() {
        const qint64 limit = 600 * 1024;
        const FitResult fit = FitUnderSize(photo, limit, nearest);
        QCOMPARE(EncodeJPEG(nearest(photo, fit.size), 90).size(), fit.bytes);
        QVERIFY2(fit.bytes <= limit && fit.bytes >= limit * 97 / 100, qPrintable(QString::number(fit.bytes)));
        QCOMPARE(FitUnderSize(photo, 100, nearest).outcome, FitOutcome::NothingFits);
    }
    void onlyTheLatestMeasurementArrives() {
        std::make_unique<SizeMeter>()->Measure(photo); // destroyed while measuring: delivered nothing
        SizeMeter meter;
        QSignalSpy measured(&meter, &SizeMeter::Measured);
        const PictureRef second = Picture::make(factory::gradient(300, 200, 2));
        meter.Measure(photo), meter.Measure(second);
        QVERIFY(measured.wait());
        QTest::qWait(50); // a stale result would be queued by now
        QCOMPARE(measured.size(), 1);
        QCOMPARE(measured[0][0].value<PictureRef>(), second);
        QCOMPARE(measured[0][1].toLongLong(), qint64(EncodeJPEG(second, 90).size()));
    }

    // The save and the live size figure copy one picture at once: neither may copy nothing.
    void onePictureEncodedOnTwoThreadsAtOnce() {
        const PictureRef picture = Picture::make(factory::gradient(300, 200));
        const QByteArray expected = EncodeJPEG(picture, 90);
        std::jthread meter([&](std::stop_token stop) {
            while (!stop.stop_requested())
                EncodeJPEG(picture, 90);
        });
        for (int i = 0; i < 300; ++i)
            QCOMPARE(EncodeJPEG(picture, 90), expected);
    }
};

QTEST_MAIN(SizingTest)
#include "test_sizing.moc"
