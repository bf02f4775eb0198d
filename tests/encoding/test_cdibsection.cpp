// The 24-bit bitmap wrapper on the in-memory graphics layer.
#include "encoding/cDIBSection.h"
#include "imaging/Error.h"
#include "support/PictureFactory.h"

#include <QGuiApplication>
#include <QPalette>
#include <QTest>

using namespace gdi::testing;

class DIBSectionTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ClearFaults(); }

    // Transparent parts land on white whatever the palette says.
    void pictureLandsBottomRowFirst_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QImage>("want");
        QTest::addColumn<int>("stride");
        const int strides[] = {4, 8, 12, 12};
        for (const int w : {1, 2, 3, 4})
            QTest::addRow("%d x 4", w) << factory::coordinates(w, 4) << QImage() << strides[w - 1];
        const auto line = [](QList<QRgb> pixels, QImage::Format format = QImage::Format_RGB32) {
            return QImage(reinterpret_cast<const uchar*>(pixels.constData()), 3, 1, format).copy();
        };
        const QImage clear = line({0, qRgb(255, 0, 0), qRgba(0, 0, 255, 128)}, QImage::Format_ARGB32);
        const QImage over = line({qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(127, 127, 255)});
        QTest::newRow("transparent") << clear << over << 12;
    }
    void pictureLandsBottomRowFirst() {
        QFETCH(QImage, image);
        QFETCH(QImage, want);
        QGuiApplication::setPalette(
            QPalette({}, {}, {}, {}, {}, {}, {}, QColor(12, 200, 90), {})); // not the base
        cDIBSection dib;
        dib.CreateFromPicture(Picture::make(image));
        QTEST(dib.BytesPerScanLine(), "stride");
        const auto* bits = reinterpret_cast<const uchar*>(dib.DIBSectionBitsPtr());
        const QImage rows(bits, dib.Width(), dib.Height(), dib.BytesPerScanLine(), QImage::Format_BGR888);
        // The bottom row comes first in memory; one level off is 57 dB.
        QVERIFY(factory::psnr(want.isNull() ? image : want, rows.mirrored()) > 50);
    }

    // Sizes beyond 32 bits throw before pixel memory is asked for (refused here on purpose).
    void sizeOverflow_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("overflows");
        QTest::newRow("widest stride") << QSize(715827881, 1) << false;
        QTest::newRow("stride beyond 32 bits") << QSize(715827882, 1) << true;
        QTest::newRow("largest image") << QSize(1, 536870911) << false;
        QTest::newRow("image beyond 32 bits") << QSize(1, 536870912) << true;
    }
    void sizeOverflow() {
        QFETCH(QSize, size);
        QFETCH(bool, overflows);
        cDIBSection dib;
        FailCall(Fault::PixelMemory);
        if (overflows)
            QVERIFY_THROWS_EXCEPTION(QuillonError, dib.Create(size.width(), size.height()));
        else
            QVERIFY(!dib.Create(size.width(), size.height()));
        QCOMPARE(PendingFaults(Fault::PixelMemory), overflows ? 1 : 0);
    }

    // Whatever fails, a wrapper keeps only its own context and bitmap.
    void nothingLeaks_data() {
        QTest::addColumn<PictureRef>("picture");
        QTest::addColumn<QList<int>>("fault"); // which, and its call
        QTest::addColumn<bool>("created");
        const PictureRef picture = Picture::make(factory::coordinates(6, 4));
        QTest::newRow("a picture") << picture << QList<int>() << true;
        QTest::newRow("empty picture") << Picture::make(QImage()) << QList<int>() << false;
        QTest::newRow("no desktop context") << picture << QList<int>{int(Fault::WindowContext), 1} << true;
        QTest::newRow("no temporary context") << picture << QList<int>{int(Fault::MemoryContext), 2} << true;
        QTest::newRow("no pixel memory") << picture << QList<int>{int(Fault::PixelMemory), 1} << false;
    }
    void nothingLeaks() {
        QFETCH(PictureRef, picture);
        QFETCH(QList<int>, fault);
        QFETCH(bool, created);
        const Census before = Count();
        cDIBSection dib;
        QVERIFY(dib.Create(10, 10));
        if (!fault.isEmpty()) FailCall(Fault(fault[0]), fault[1]);
        dib.CreateFromPicture(picture);
        QCOMPARE(dib.DIBSectionBitsPtr() != 0, created);
        Census after = before;
        after.memoryContexts += created;
        after.dibSections += created;
        QVERIFY(Count() == after);
        dib.ClearUp();
        QVERIFY(Count() == before);
    }
};

QTEST_MAIN(DIBSectionTest)
#include "test_cdibsection.moc"
