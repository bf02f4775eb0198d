// The size search on the real encoder, and the size meter.
#include "encoding/mIntelJPEGLibrary.h"
#include "engine/FitUnderSize.h"
#include "engine/Resize.h"
#include "engine/SizeMeter.h"
#include "imaging/Resample.h"
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
    void sizesWithinABox_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QSize>("within");
        QTest::newRow("portrait, the height binds")
            << QSize(2000, 3000) << QSize(2048, 2048) << QSize(1365, 2048);
        QTest::newRow("never enlarged") << QSize(300, 200) << QSize(2048, 2048) << QSize(300, 200);
        QTest::newRow("a width alone") << QSize(3000, 2000) << QSize(1000, 0) << QSize(1000, 667);
        QTest::newRow("a sliver taller than the box") << QSize(10, 30000) << QSize(100, 100) << QSize(1, 100);
    }
    void sizesWithinABox() {
        QFETCH(QSize, picture);
        QFETCH(QSize, box);
        QTEST(SizeWithin(picture, box), "within");
    }
    void fitsWithinABoxAndUnderTheLimit() {
        const qint64 limit = 600 * 1024;
        const FitResult boxBinds = FitUnderSize(photo, limit, nearest, QSize(800, 800));
        QCOMPARE(boxBinds.size, QSize(800, 533));
        QCOMPARE(boxBinds.outcome, FitOutcome::FitsTheBox);
        const FitResult limitBinds = FitUnderSize(photo, limit, nearest, QSize(2900, 1950));
        QCOMPARE(limitBinds.outcome, FitOutcome::Fitted);
        QCOMPARE(EncodeJPEG(nearest(photo, limitBinds.size), 90).size(), limitBinds.bytes);
        QVERIFY2(limitBinds.bytes <= limit && limitBinds.bytes >= limit * 97 / 100,
                 qPrintable(QString::number(limitBinds.bytes)));
        QCOMPARE(FitUnderSize(photo, 100, nearest).outcome, FitOutcome::NothingFits);
    }
    void theHighestQualityThatFits() {
        const PictureRef fixed = Picture::make(factory::gradient(600, 600));
        const qint64 limit = EncodeJPEG(fixed, 70).size();
        const QualityFit fit = FitQualityUnderSize(fixed, limit);
        QCOMPARE(fit.quality, 70);
        QCOMPARE(fit.bytes, limit);
        QVERIFY(fit.fits);
        const QualityFit none = FitQualityUnderSize(fixed, EncodeJPEG(fixed, 30).size() - 1);
        QCOMPARE(none.quality, 30);
        QVERIFY(!none.fits);
    }
    void onlyTheLatestMeasurementArrives() {
        std::make_unique<SizeMeter>()->Measure(photo, 90); // destroyed while measuring: delivered nothing
        SizeMeter meter;
        QSignalSpy measured(&meter, &SizeMeter::Measured);
        const PictureRef second = Picture::make(factory::gradient(300, 200, 2));
        meter.Measure(photo, 90);
        meter.Measure(second, 90);
        QVERIFY(measured.wait());
        QTest::qWait(50); // a stale result would be queued by now
        QCOMPARE(measured.size(), 1);
        QCOMPARE(measured[0][0].value<PictureRef>(), second);
        QCOMPARE(measured[0][1].toLongLong(), qint64(EncodeJPEG(second, 90).size()));
    }

    // The JPEG stretched row by row as the encoder takes them is the resized picture's.
    void aStretchedJpegIsTheResizedPictures_data() {
        QTest::addColumn<PictureRef>("original");
        QTest::addColumn<QSize>("size");
        const PictureRef small = Picture::make(factory::coordinates(41, 30));
        QTest::newRow("shrunk, the rows no multiple of 16") << photo << QSize(1001, 667);
        QTest::newRow("enlarged") << small << QSize(130, 97);
        QTest::newRow("one pixel") << small << QSize(1, 1);
        QTest::newRow("transparency") << Picture::make(factory::withTransparency(41, 30)) << QSize(60, 45);
    }
    void aStretchedJpegIsTheResizedPictures() {
        QFETCH(PictureRef, original);
        QFETCH(QSize, size);
        const QByteArray app1 = QByteArray("Exif\0\0", 6) + "block";
        const QByteArray expected = EncodeJPEG(ResizedPicture(original, size, Qt::white), 90, app1);
        QCOMPARE(ResizedJPEG(original, size, Qt::white, 90, app1), expected);
    }

    // The meter hands out its JPEG only for the picture, quality and metadata it measured.
    void measuredBytesMatchWhatIsSaved_data() {
        QTest::addColumn<bool>("otherPicture");
        QTest::addColumn<int>("quality");
        QTest::addColumn<QByteArray>("app1");
        QTest::addColumn<bool>("given");
        QTest::newRow("the measured picture") << false << 90 << QByteArray() << true;
        QTest::newRow("another picture") << true << 90 << QByteArray() << false;
        QTest::newRow("another quality") << false << 80 << QByteArray() << false;
        QTest::newRow("other metadata") << false << 90 << QByteArray("Exif\0\0", 6) << false;
    }
    void measuredBytesMatchWhatIsSaved() {
        QFETCH(bool, otherPicture);
        QFETCH(int, quality);
        QFETCH(QByteArray, app1);
        QFETCH(bool, given);
        SizeMeter meter;
        QSignalSpy measured(&meter, &SizeMeter::Measured);
        meter.Measure(photo, 90);
        QVERIFY(measured.wait());
        const PictureRef asked = otherPicture ? Picture::make(photo->image().copy()) : photo;
        QCOMPARE(meter.Bytes(asked, quality, app1), given ? EncodeJPEG(photo, 90) : QByteArray());
    }

    // The save and the size meter copy one picture at once.
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
