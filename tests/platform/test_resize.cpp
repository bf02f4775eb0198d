// The shared resize gives the work surface's pixels; scaled sizes round down in whole numbers.
#include "platform/PictureBox.h"
#include "platform/Resize.h"
#include "support/PictureFactory.h"

#include <QTest>

class ResizeTest : public QObject {
    Q_OBJECT

private slots:
    void sameAsTheWorkSurface_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QSize>("size");
        QTest::newRow("opaque, larger") << factory::coordinates(37, 23) << QSize(80, 50);
        QTest::newRow("transparent, smaller") << factory::withTransparency(40, 30) << QSize(13, 9);
        QTest::newRow("transparent, own size") << factory::withTransparency(40, 30) << QSize(40, 30);
    }
    void sameAsTheWorkSurface() {
        QFETCH(QImage, image);
        QFETCH(QSize, size);
        const PictureRef original = Picture::make(image);
        PictureBox surface;
        surface.SetPicture(original);
        surface.SetWidth(size.width());
        surface.SetHeight(size.height());
        surface.PaintPicture(original, 0, 0, size.width(), size.height());
        QCOMPARE(ResizedPicture(original, size)->image(), surface.Image()->image());
    }

    void scaledSize_data() {
        QTest::addColumn<QSize>("original");
        QTest::addColumn<int>("percentX");
        QTest::addColumn<int>("percentY");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("exact product kept") << QSize(20, 20) << 15 << 15 << QSize(3, 3);
        QTest::newRow("never below one") << QSize(19, 3) << 5 << 20 << QSize(1, 1);
    }
    void scaledSize() {
        QFETCH(QSize, original);
        QFETCH(int, percentX);
        QFETCH(int, percentY);
        QFETCH(QSize, expected);
        QCOMPARE(ScaledSize(original, percentX, percentY), expected);
    }
};

QTEST_MAIN(ResizeTest)
#include "test_resize.moc"
