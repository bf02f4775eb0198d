// The smooth resampler: faithful where detail can be kept, flat where it cannot, clean edges.
#include "imaging/Error.h"
#include "imaging/Resample.h"
#include "support/PictureFactory.h"

#include <QtTest>
#include <numbers>

class TestResample : public QObject {
    Q_OBJECT

private slots:
    // The rings kept where both grids can hold them, flat grey (no moiré) where they are too fine.
    void zonePlate_data() {
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("out");
        QTest::addColumn<double>("keptPsnr");
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
        double sum[2] = {}, count[2] = {}; // kept, flat
        for (int i = 0; i < out * out; ++i) {
            const int x = i % out, y = i / out;
            const double r = std::hypot((x + 0.5) / s - side / 2.0, (y + 0.5) / s - side / 2.0);
            const double cycles = r / side, plate = 127.5 + 127.5 * std::cos(k * r * r);
            const bool flat = cycles > 1.4 * limit && r < side / 2.0;
            if (!flat && cycles >= 0.5 * limit) continue;
            sum[flat] += std::pow(qGreen(result.pixel(x, y)) - (flat ? 127.5 : plate), 2);
            ++count[flat];
        }
        QVERIFY2(10 * std::log10(255.0 * 255.0 * count[0] / sum[0]) > keptPsnr, "rings lost or moved");
        QVERIFY2(count[1] == 0 || std::sqrt(sum[1] / count[1]) < 6, "moiré"); // nearest neighbour: about 90
    }

    // Transparent pixels lend no colour (a red disc's edge stays red); a dot averages the whole picture.
    void keepsColourAndAlpha_data() {
        QTest::addColumn<QImage>("source");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRgb>("colour"); // every pixel with alpha, unpremultiplied, within 3 levels
        const QImage disc = factory::withTransparency(120, 100);
        const QImage fine = factory::checkerboard(301, 199, 1, qRgb(40, 100, 0), qRgb(200, 100, 250));
        QTest::newRow("disc shrunk") << disc << QSize(37, 41) << qRgb(255, 0, 0);
        QTest::newRow("disc enlarged") << disc << QSize(333, 290) << qRgb(255, 0, 0);
        QTest::newRow("one pixel") << fine << QSize(1, 1) << qRgb(120, 100, 125);
    }
    void keepsColourAndAlpha() {
        QFETCH(QImage, source);
        QFETCH(QSize, size);
        QFETCH(QRgb, colour);
        const QImage result = ResampleSmooth(source, size);
        int worst = 0;
        for (int i = 0; i < size.width() * size.height(); ++i)
            for (const QRgb p = qUnpremultiply(result.pixel(i % size.width(), i / size.width()));
                 const int b : {16, 8, 0})
                worst = std::max(worst, qAlpha(p) ? std::abs(int(p >> b & 255) - int(colour >> b & 255)) : 0);
        QVERIFY(worst <= 3);
    }

    void refusesSizesItCannotMake() {
        for (const QSize size : QList<QSize>{{0, 10}, {10, -1}, {MaxPictureSide + 1, 1}, {20000, 20000}})
            QVERIFY_THROWS_EXCEPTION(QuillonError, ResampleSmooth(factory::gradient(8, 8), size));
    }
};

QTEST_MAIN(TestResample)
#include "test_resample.moc"
