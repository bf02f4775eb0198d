// The smooth resampler: faithful where detail can be kept, flat where it cannot, clean edges.
#include "platform/Error.h"
#include "platform/Resample.h"
#include "support/PictureFactory.h"

#include <QtTest>
#include <numbers>

namespace {

// A zone plate of `side` pixels resampled to `out` pixels a side, against the plate itself: the PSNR
// where its rings are coarse for both grids, and the RMS departure from flat grey where they are far
// too fine for the result (there, rings are moiré).
struct Zone {
    double keptPsnr = 0, moire = 0;
};
Zone zoneResampled(int side, int out) {
    const double k = std::numbers::pi / side, s = double(out) / side;
    const QImage result = ResampleSmooth(factory::zonePlate(side, k), {out, out});
    double kept = 0, flat = 0;
    int keptCount = 0, flatCount = 0;
    for (int y = 0; y < out; ++y)
        for (int x = 0; x < out; ++x) {
            const double r = std::hypot((x + 0.5) / s - side / 2.0, (y + 0.5) / s - side / 2.0);
            const double cycles = k * r / std::numbers::pi, limit = 0.5 * std::min(1.0, s);
            const double value = qGreen(result.pixel(x, y));
            if (cycles < 0.5 * limit) {
                kept += std::pow(value - 127.5 - 127.5 * std::cos(k * r * r), 2);
                ++keptCount;
            } else if (cycles > 1.4 * limit && r < side / 2.0) {
                flat += std::pow(value - 127.5, 2);
                ++flatCount;
            }
        }
    return {10 * std::log10(255.0 * 255.0 * keptCount / kept), flatCount ? std::sqrt(flat / flatCount) : 0};
}

} // namespace

class TestResample : public QObject {
    Q_OBJECT

private slots:
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
        const Zone zone = zoneResampled(side, out);
        QVERIFY2(zone.keptPsnr > keptPsnr, qPrintable(QString::number(zone.keptPsnr)));
        QVERIFY2(zone.moire < 6, qPrintable(QString::number(zone.moire))); // nearest neighbour: about 90
    }

    void transparentEdgesKeepTheirColour_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("shrunk") << QSize(37, 41);
        QTest::newRow("enlarged") << QSize(333, 290);
    }
    void transparentEdgesKeepTheirColour() {
        QFETCH(QSize, size);
        const QImage disc = ResampleSmooth(factory::withTransparency(120, 100), size);
        QCOMPARE(disc.format(), QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const QRgb p = qUnpremultiply(disc.pixel(x, y));
                if (qAlpha(p) > 0 && (qRed(p) < 253 || qGreen(p) > 2 || qBlue(p) > 2))
                    QFAIL(qPrintable(QStringLiteral("%1 at %2, %3").arg(p, 8, 16).arg(x).arg(y)));
            }
    }

    // Down to a line or a dot, windows cut by the edges still average the whole picture.
    void thinResultsStayOpaqueAndTrue_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("one pixel") << QSize(1, 1);
        QTest::newRow("one column") << QSize(1, 57);
        QTest::newRow("one row") << QSize(64, 1);
    }
    void thinResultsStayOpaqueAndTrue() {
        QFETCH(QSize, size);
        const QImage source = factory::checkerboard(301, 199, 1, qRgb(40, 100, 0), qRgb(200, 100, 255));
        const QImage result = ResampleSmooth(source, size);
        QCOMPARE(result.format(), QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const QRgb p = result.pixel(x, y);
                QVERIFY(qAlpha(p) == 255 && std::abs(qRed(p) - 120) <= 3 && std::abs(qBlue(p) - 128) <= 3);
            }
    }

    void enlargedCheckerboardIsARamp() {
        const QImage result = ResampleSmooth(factory::checkerboard(2, 2, 1), {64, 64});
        int steepest = 0;
        for (int x = 1; x < 64; ++x)
            steepest = std::max(steepest, std::abs(qRed(result.pixel(x, 0)) - qRed(result.pixel(x - 1, 0))));
        QVERIFY2(steepest < 24, qPrintable(QString::number(steepest)));
        QVERIFY(qRed(result.pixel(0, 0)) < 40 && qRed(result.pixel(63, 0)) > 215);
    }

    void refusesSizesItCannotMake_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("empty") << QSize(0, 10);
        QTest::newRow("negative") << QSize(10, -1);
        QTest::newRow("too wide") << QSize(MaxPictureSide + 1, 1);
        QTest::newRow("too many pixels") << QSize(20000, 20000);
    }
    void refusesSizesItCannotMake() {
        QFETCH(QSize, size);
        QVERIFY_THROWS_EXCEPTION(QuillonError, ResampleSmooth(factory::gradient(8, 8), size));
    }
};

QTEST_MAIN(TestResample)
#include "test_resample.moc"
