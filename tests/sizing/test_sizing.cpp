// The size search on the real encoder, and the measuring worker.
#include "encoding/mIntelJPEGLibrary.h"
#include "platform/Resize.h"
#include "sizing/FitUnderSize.h"
#include "sizing/SizeMeter.h"
#include "support/PictureFactory.h"

#include <QSignalSpy>
#include <QTest>

class SizingTest : public QObject {
    Q_OBJECT
    const PictureRef photo = Picture::make(factory::gradient(3000, 2000));

private slots:
    void fitsUnderTheLimit_data() {
        QTest::addColumn<qint64>("limit");
        for (const qint64 limit : {200 * 1024, 600 * 1024, 100}) // at 100 bytes nothing fits
            QTest::addRow("%lld bytes", limit) << limit;
    }
    void fitsUnderTheLimit() {
        QFETCH(qint64, limit);
        const FitResult fit = FitUnderSize(photo, limit);
        QCOMPARE(fit.outcome, limit > 100 ? FitOutcome::Fitted : FitOutcome::NothingFits);
        if (limit == 100) return;
        QCOMPARE(EncodeJPEG(ResizedPicture(photo, fit.size), 90).size(), fit.bytes);
        QVERIFY2(fit.bytes <= limit && fit.bytes >= limit * 97 / 100, qPrintable(QString::number(fit.bytes)));
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
};

QTEST_MAIN(SizingTest)
#include "test_sizing.moc"
