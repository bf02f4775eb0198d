// The picture box's retained image and the nearest-neighbour stretch under it.
#include "platform/Error.h"
#include "platform/PictureBox.h"
#include "support/PictureFactory.h"

#include <QtTest>

namespace {

PictureRef surfaceOf(const PictureRef& picture, QSize size, PictureBox& box) {
    box.SetPicture(picture);
    box.SetWidth(size.width());
    box.SetHeight(size.height());
    box.PaintPicture(picture, 0, 0, size.width(), size.height());
    return box.Image();
}

} // namespace

class TestPictureBox : public QObject {
    Q_OBJECT
private slots:
    // Every pixel takes the source pixel under its centre, whole or in part, as on screen.
    void stretchTakesThePixelUnderEachCentre_data() {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::newRow("same size") << QSize(31, 17) << QSize(31, 17);
        QTest::newRow("half") << QSize(640, 480) << QSize(320, 240);
        QTest::newRow("three times") << QSize(20, 10) << QSize(60, 30);
        QTest::newRow("odd up") << QSize(3, 5) << QSize(7, 11);
        QTest::newRow("odd down") << QSize(333, 333) << QSize(49, 49);
        QTest::newRow("only wider") << QSize(64, 48) << QSize(160, 48);
        QTest::newRow("to one pixel") << QSize(30, 30) << QSize(1, 1);
        QTest::newRow("big, drawn in bands") << QSize(500, 400) << QSize(1500, 1200);
    }
    void stretchTakesThePixelUnderEachCentre() {
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        const QImage source = factory::coordinates(from.width(), from.height());
        PictureBox box;
        const QImage result = surfaceOf(Picture::make(source), to, box)->image();
        QCOMPARE(result.size(), to);
        for (int y = 0; y < to.height(); ++y)
            for (int x = 0; x < to.width(); ++x) {
                const int sx = int((2 * qint64(x) + 1) * from.width() / (2 * qint64(to.width())));
                const int sy = int((2 * qint64(y) + 1) * from.height() / (2 * qint64(to.height())));
                if (result.pixel(x, y) != source.pixel(sx, sy))
                    QFAIL(qPrintable(QStringLiteral("at %1, %2").arg(x).arg(y)));
            }
        const QRect part(to.width() / 3, to.height() / 3, to.width() / 2 + 1, to.height() / 2 + 1);
        QCOMPARE(box.Render(part), result.copy(part));
        if (from == to) QCOMPARE(result.constBits(), source.constBits()); // shared, not copied
    }

    void transparentPartsShowThePlainBackground() {
        PictureBox box;
        box.SetBackColor(QColor(10, 20, 30));
        const QImage out =
            surfaceOf(Picture::make(factory::withTransparency(40, 40)), {80, 80}, box)->image();
        QCOMPARE(out.pixel(0, 0), qRgb(10, 20, 30));
        QCOMPARE(out.pixel(40, 40), qRgb(255, 0, 0));
        QVERIFY(!out.hasAlphaChannel());
    }

    void assignedPictureLiesUnderASmallerDrawing() {
        PictureBox box;
        box.SetPicture(Picture::make(factory::checkerboard(20, 20, 20, qRgb(0, 0, 255), qRgb(0, 0, 255))));
        box.PaintPicture(Picture::make(factory::checkerboard(10, 10, 10, qRgb(0, 255, 0), qRgb(0, 255, 0))),
                         0, 0, 5, 5);
        const QImage out = box.Image()->image();
        QCOMPARE(out.pixel(2, 2), qRgb(0, 255, 0));
        QCOMPARE(out.pixel(10, 10), qRgb(0, 0, 255));
    }

    void sizesOutOfBoundsAreErrorsNotCrashes() {
        PictureBox box;
        const PictureRef picture = Picture::make(factory::gradient(10, 10));
        box.SetPicture(picture);
        QVERIFY_THROWS_EXCEPTION(QuillonError, box.SetWidth(-1));
        QCOMPARE(box.Width(), 10);
        box.SetWidth(60000);
        box.SetHeight(60000);
        box.PaintPicture(picture, 0, 0, 60000, 60000);
        QVERIFY_THROWS_EXCEPTION(QuillonError, box.Image());
    }
};

QTEST_MAIN(TestPictureBox)
#include "test_picturebox.moc"
