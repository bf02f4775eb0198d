// The picture box's retained image and the nearest-neighbour stretch under it.
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
    // Every pixel takes the source pixel under its centre, whole or in part, as on screen.
    void stretchTakesThePixelUnderEachCentre_data() {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::newRow("same size") << QSize(31, 17) << QSize(31, 17);
        QTest::newRow("odd up") << QSize(3, 5) << QSize(7, 11);
        QTest::newRow("odd down") << QSize(333, 333) << QSize(49, 49);
        QTest::newRow("big, drawn in bands") << QSize(500, 400) << QSize(1500, 1200);
    }
    void stretchTakesThePixelUnderEachCentre() {
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        const QImage source = factory::coordinates(from.width(), from.height());
        PictureBox box;
        const QImage result = surfaceOf(Picture::make(source), to, box);
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
