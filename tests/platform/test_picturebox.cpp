// The picture box's retained image and the nearest-neighbour stretch under it.
#include "platform/Error.h"
#include "platform/PictureBox.h"
#include "platform/Stretch.h"
#include "support/PictureFactory.h"

#include <QtTest>

namespace {

// The reference: every destination pixel takes the source pixel under its centre.
QImage referenceStretch(const QImage& source, QSize size) {
    QImage out(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const int sx = int((2 * qint64(x) + 1) * source.width() / (2 * qint64(size.width())));
            const int sy = int((2 * qint64(y) + 1) * source.height() / (2 * qint64(size.height())));
            out.setPixel(x, y, source.pixel(sx, sy));
        }
    return out;
}

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
        const PictureRef result = surfaceOf(Picture::make(source), to, box);
        QCOMPARE(result->size(), to);
        QCOMPARE(result->image(), referenceStretch(source, to));
    }

    void enlargingRepeatsWholeBlocks() {
        PictureBox box;
        const QImage source = factory::checkerboard(2, 2, 1);
        const QImage out = surfaceOf(Picture::make(source), {6, 6}, box)->image();
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                QCOMPARE(out.pixel(x, y), source.pixel(x / 3, y / 3));
    }

    void anyPartRendersAsTheWhole_data() {
        QTest::addColumn<QRect>("part");
        QTest::newRow("top-left") << QRect(0, 0, 10, 10);
        QTest::newRow("middle") << QRect(37, 23, 51, 19);
        QTest::newRow("one pixel") << QRect(99, 77, 1, 1);
        QTest::newRow("bottom-right edge") << QRect(120, 90, 30, 20);
    }
    void anyPartRendersAsTheWhole() {
        QFETCH(QRect, part);
        PictureBox box;
        const PictureRef whole = surfaceOf(Picture::make(factory::coordinates(61, 43)), {150, 110}, box);
        QCOMPARE(box.Render(part), whole->image().copy(part));
    }

    void aPictureAtItsOwnSizeSharesItsPixels() {
        PictureBox box;
        const PictureRef picture = Picture::make(factory::gradient(300, 200));
        const PictureRef image = surfaceOf(picture, picture->size(), box);
        QVERIFY(image != picture);                                          // a new picture object...
        QCOMPARE(image->image().constBits(), picture->image().constBits()); // ...on the same pixels
    }

    void transparentPartsShowThePlainBackground() {
        PictureBox box;
        box.SetBackColor(QColor(10, 20, 30));
        const PictureRef picture = Picture::make(factory::withTransparency(40, 40));
        const QImage out = surfaceOf(picture, {80, 80}, box)->image();
        QCOMPARE(out.pixel(0, 0), qRgb(10, 20, 30));
        QCOMPARE(out.pixel(79, 79), qRgb(10, 20, 30));
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

    void assigningAPictureTakesItsSize() {
        PictureBox box;
        box.SetPicture(Picture::make(factory::gradient(123, 45)));
        QCOMPARE(box.Width(), 123);
        QCOMPARE(box.Height(), 45);
        QCOMPARE(box.size(), QSize(123, 45));
        QVERIFY_THROWS_EXCEPTION(QuillonError, box.SetWidth(-1));
        QCOMPARE(box.Width(), 123);
    }

    void tooLargeASurfaceIsAnErrorNotACrash() {
        PictureBox box;
        const PictureRef picture = Picture::make(factory::gradient(10, 10));
        box.SetPicture(picture);
        box.SetWidth(60000);
        box.SetHeight(60000);
        box.PaintPicture(picture, 0, 0, 60000, 60000);
        try {
            box.Image();
            QFAIL("made");
        } catch (const QuillonError& error) {
            QVERIFY2(error.message().contains("60000 × 60000"), qPrintable(error.message()));
        }
    }

    void realPositionIsKept() {
        PictureBox box;
        box.Move(-180.5, -125.5);
        QCOMPARE(box.Left(), -180.5);
        QCOMPARE(box.Top(), -125.5);
        QCOMPARE(box.pos(), QPoint(-181, -126));
    }
};

QTEST_MAIN(TestPictureBox)
#include "test_picturebox.moc"
