// The smooth resampler: faithful where detail can be kept, flat where it cannot, clean edges.
#include "platform/Error.h"
#include "platform/Resample.h"
#include "support/PictureFactory.h"

#include <QtTest>
#include <numbers>

class TestResample : public QObject {
    Q_OBJECT

private slots:
    // A zone plate resampled, against the plate itself: the PSNR where its rings are coarse for both
    // grids, and the RMS departure from flat grey where they are far too fine for the result (moiré).
    void zonePlate_data() {
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("out");
        QTest::addColumn<double>("keptPsnr"); // the kept rings cover fewer pixels as the factor grows
        QTest::newRow("50 %") << 1024 << 512 << 42.0;
        QTest::newRow("25 %") << 1024 << 256 << 42.0;
        QTest::newRow("29.3 %") << 1024 << 300 << 42.0;
        QTest::newRow("8.1 %") << 2048 << 166 << 35.0;
        QTest::newRow("250 %") << 256 << 640 << 42.0;
    }
    void zonePlate() {
        QFETCH(int, side);
        QFETCH(int, out);
        QFETCH(double, keptPsnr);
        const double k = std::numbers::pi / side, s = double(out) / side, limit = 0.5 * std::min(1.0, s);
        const QImage result = ResampleSmooth(factory::zonePlate(side, k), {out, out});
        double kept = 0, flat = 0, keptCount = 0, flatCount = 0;
        for (int y = 0; y < out; ++y)
            for (int x = 0; x < out; ++x) {
                const double r = std::hypot((x + 0.5) / s - side / 2.0, (y + 0.5) / s - side / 2.0);
                const double cycles = k * r / std::numbers::pi, value = qGreen(result.pixel(x, y));
                if (cycles < 0.5 * limit) {
                    kept += std::pow(value - 127.5 - 127.5 * std::cos(k * r * r), 2);
                    ++keptCount;
                } else if (cycles > 1.4 * limit && r < side / 2.0) {
                    flat += std::pow(value - 127.5, 2);
                    ++flatCount;
                }
            }
        QVERIFY2(10 * std::log10(255.0 * 255.0 * keptCount / kept) > keptPsnr, "rings lost or moved");
        QVERIFY2(flatCount == 0 || std::sqrt(flat / flatCount) < 6, "moiré"); // nearest neighbour: about 90
    }

    // Transparent pixels lend no colour (a red disc's edge stays red); opaque pictures stay opaque, and
    // down to a line or a dot the windows cut by the edges still average the whole picture.
    void keepsColourAndAlpha_data() {
        QTest::addColumn<QImage>("source");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRgb>("colour"); // every pixel with alpha, unpremultiplied, within 3 levels
        const QImage disc = factory::withTransparency(120, 100);
        const QImage fine = factory::checkerboard(301, 199, 1, qRgb(40, 100, 0), qRgb(200, 100, 250));
        QTest::newRow("disc shrunk") << disc << QSize(37, 41) << qRgb(255, 0, 0);
        QTest::newRow("disc enlarged") << disc << QSize(333, 290) << qRgb(255, 0, 0);
        QTest::newRow("one pixel") << fine << QSize(1, 1) << qRgb(120, 100, 125);
        QTest::newRow("one column") << fine << QSize(1, 57) << qRgb(120, 100, 125);
        QTest::newRow("one row") << fine << QSize(64, 1) << qRgb(120, 100, 125);
    }
    void keepsColourAndAlpha() {
        QFETCH(QImage, source);
        QFETCH(QSize, size);
        QFETCH(QRgb, colour);
        const QImage result = ResampleSmooth(source, size);
        QCOMPARE(result.format(), Picture(source).image().format());
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const QRgb p = qUnpremultiply(result.pixel(x, y));
                if (qAlpha(p) > 0 &&
                    (std::abs(qRed(p) - qRed(colour)) > 3 || std::abs(qGreen(p) - qGreen(colour)) > 3 ||
                     std::abs(qBlue(p) - qBlue(colour)) > 3))
                    QFAIL(qPrintable(QStringLiteral("%1 at %2, %3").arg(p, 8, 16).arg(x).arg(y)));
            }
    }

    void enlargedCheckerboardIsARamp() {
        const QImage result = ResampleSmooth(factory::checkerboard(2, 2, 1), {64, 64});
        int steepest = 0;
        for (int x = 1; x < 64; ++x)
            steepest = std::max(steepest, std::abs(qRed(result.pixel(x, 0)) - qRed(result.pixel(x - 1, 0))));
        QVERIFY2(steepest < 24, "blocks"); // nearest neighbour: 255
        QVERIFY(qRed(result.pixel(0, 0)) < 40 && qRed(result.pixel(63, 0)) > 215);
    }

    void refusesSizesItCannotMake() {
        for (const QSize size :
             {QSize(0, 10), QSize(10, -1), QSize(MaxPictureSide + 1, 1), QSize(20000, 20000)})
            QVERIFY_THROWS_EXCEPTION(QuillonError, ResampleSmooth(factory::gradient(8, 8), size));
    }
};

QTEST_MAIN(TestResample)
#include "test_resample.moc"
