// The picture box: its retained image and the nearest-neighbour stretch under it.
#include "engine/Resize.h"
#include "imaging/Error.h"
#include "platform/PictureBox.h"
#include "support/PictureFactory.h"

#include <QtTest>

static QImage surfaceOf(const PictureRef& picture, QSize size, PictureBox& box) {
    box.SetPicture(picture);
    box.SetWidth(size.width());
    box.SetHeight(size.height());
    box.PaintPicture(picture, 0, 0, size.width(), size.height());
    return box.Image()->image();
}

class TestPictureBox : public QObject {
    Q_OBJECT
private slots:
    // Every pixel takes the source pixel under its centre, as on screen; the shared resize gives the
    // same pixels, transparent ones laid over the background.
    void stretchTakesThePixelUnderEachCentre_data() {
        QTest::addColumn<QImage>("source");
        QTest::addColumn<QSize>("to");
        QTest::newRow("same size") << factory::coordinates(31, 17) << QSize(31, 17);
        QTest::newRow("odd up") << factory::coordinates(3, 5) << QSize(7, 11);
        QTest::newRow("odd down") << factory::coordinates(333, 333) << QSize(49, 49);
        QTest::newRow("big, drawn in bands") << factory::coordinates(500, 400) << QSize(1500, 1200);
        QTest::newRow("transparent, smaller") << factory::withTransparency(40, 30) << QSize(13, 9);
        QTest::newRow("transparent, own size") << factory::withTransparency(40, 30) << QSize(40, 30);
    }
    void stretchTakesThePixelUnderEachCentre() {
        QFETCH(QImage, source);
        QFETCH(QSize, to);
        const PictureRef picture = Picture::make(source);
        PictureBox box;
        const QImage result = surfaceOf(picture, to, box);
        QCOMPARE(ResizedPicture(picture, to, box.BackColor())->image(), result);
        if (source.hasAlphaChannel()) return;
        const QSize from = source.size();
        const auto under = [](qint64 i, qint64 n, qint64 m) { return int((2 * i + 1) * n / (2 * m)); };
        QImage expected(to, source.format());
        for (int y = 0; y < to.height(); ++y)
            for (int x = 0; x < to.width(); ++x)
                expected.setPixel(
                    x, y,
                    source.pixel(under(x, from.width(), to.width()), under(y, from.height(), to.height())));
        QCOMPARE(result, expected);
        if (from == to) QCOMPARE(result.constBits(), source.constBits()); // shared, not copied
    }

    void aSmallerDrawingLiesOverTheAssignedPicture() {
        PictureBox box;
        const auto flat = [](int s, QRgb c) { return Picture::make(factory::checkerboard(s, s, s, c, c)); };
        box.SetPicture(flat(20, qRgb(0, 0, 255)));
        box.PaintPicture(flat(5, qRgb(0, 255, 0)), 0, 0, 5, 5);
        const QImage drawn = box.Image()->image();
        QCOMPARE(drawn.pixel(2, 2), qRgb(0, 255, 0));
        QCOMPARE(drawn.pixel(10, 10), qRgb(0, 0, 255));
    }

    // A negative size is refused and changes nothing; memory refused for a huge one is an error too.
    void sizesOutOfBoundsAreErrorsNotCrashes() {
        PictureBox box;
        const PictureRef picture = Picture::make(factory::gradient(10, 10));
        box.SetPicture(picture);
        QVERIFY_THROWS_EXCEPTION(QuillonError, box.SetWidth(-1));
        QCOMPARE(box.Width(), 10);
        QVERIFY_THROWS_EXCEPTION(QuillonError, surfaceOf(picture, {60000, 60000}, box));
    }
};

QTEST_MAIN(TestPictureBox)
#include "test_picturebox.moc"
