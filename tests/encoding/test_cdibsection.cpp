// The 24-bit bitmap wrapper on the in-memory graphics layer: stride and overflow bounds, the picture
// landing bottom row first, transparent parts, and releasing what it holds.
#include "encoding/cDIBSection.h"
#include "platform/Error.h"
#include "support/PictureFactory.h"

#include <QApplication>
#include <QPalette>
#include <QTest>

using gdi::testing::Census;
using gdi::testing::Fault;

namespace {

// Reads the wrapper's rows of blue, green, red pixels back as an image, bottom row first in memory.
QImage pixelsOf(const cDIBSection& dib) {
    QImage image(dib.Width(), dib.Height(), QImage::Format_RGB32);
    const auto* bits = reinterpret_cast<const std::uint8_t*>(dib.DIBSectionBitsPtr());
    for (int y = 0; y < dib.Height(); ++y) {
        const std::uint8_t* row = bits + std::int64_t(dib.Height() - 1 - y) * dib.BytesPerScanLine();
        for (int x = 0; x < dib.Width(); ++x)
            image.setPixel(x, y, qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
        for (int b = dib.Width() * 3; b < dib.BytesPerScanLine(); ++b)
            if (row[b] != 0) return {}; // padding must stay zero
    }
    return image;
}

// What is alive while `wrappers` wrappers hold their context and bitmap.
Census plus(Census census, int wrappers) {
    census.memoryContexts += wrappers;
    census.dibSections += wrappers;
    return census;
}

} // namespace

class DIBSectionTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { gdi::testing::ClearFaults(); }

    void pictureLandsBottomRowFirst_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("stride");
        const int strides[] = {4, 8, 12, 12, 16};
        for (int width = 1; width <= 5; ++width)
            QTest::addRow("%d x 4", width) << width << strides[width - 1];
        QTest::newRow("100 x 4") << 100 << 300;
    }
    void pictureLandsBottomRowFirst() {
        QFETCH(int, width);
        QFETCH(int, stride);
        const Census before = gdi::testing::Count();
        const QImage image = factory::coordinates(width, 4);
        cDIBSection dib;
        dib.CreateFromPicture(Picture::make(image));
        QCOMPARE(dib.BytesPerScanLine(), stride);
        QCOMPARE(dib.BitmapInfo().biSizeImage, std::uint32_t(stride * 4));
        QCOMPARE(pixelsOf(dib), image);
        QVERIFY(gdi::testing::Count() == plus(before, 1)); // no temporary or desktop context left
    }

    // Sizes beyond 32 bits throw before pixel memory is asked for. Within the bounds the memory is
    // refused on purpose, so that nothing large is allocated.
    void sizeOverflow_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("overflows");
        QTest::addColumn<int>("stride"); // 0: BytesPerScanLine overflows too
        QTest::newRow("widest stride") << 715827881 << 1 << false << 2147483644;
        QTest::newRow("stride beyond 32 bits") << 715827882 << 1 << true << 0;
        QTest::newRow("largest image") << 1 << 536870911 << false << 4;
        QTest::newRow("image beyond 32 bits") << 1 << 536870912 << true << 4;
    }
    void sizeOverflow() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, overflows);
        QFETCH(int, stride);
        const Census before = gdi::testing::Count();
        cDIBSection dib;
        gdi::testing::FailCall(Fault::PixelMemory);
        if (overflows)
            QVERIFY_THROWS_EXCEPTION(QuillonError, dib.Create(width, height));
        else
            QVERIFY(!dib.Create(width, height));
        QCOMPARE(gdi::testing::PendingFaults(Fault::PixelMemory), overflows ? 1 : 0);
        if (stride == 0)
            QVERIFY_THROWS_EXCEPTION(QuillonError, dib.BytesPerScanLine());
        else
            QCOMPARE(dib.BytesPerScanLine(), stride);
        dib.ClearUp();
        QVERIFY(gdi::testing::Count() == before);
    }

    void transparentPartsLandOnWindowBackground() {
        const QPalette saved = QApplication::palette();
        QPalette palette = saved;
        palette.setColor(QPalette::Base, QColor(12, 200, 90)); // a colour no default would give
        QApplication::setPalette(palette);
        QImage image(3, 1, QImage::Format_ARGB32);
        image.setPixel(0, 0, qRgba(0, 0, 0, 0));
        image.setPixel(1, 0, qRgba(255, 0, 0, 255));
        image.setPixel(2, 0, qRgba(0, 0, 255, 128));
        cDIBSection dib;
        dib.CreateFromPicture(Picture::make(image));
        QApplication::setPalette(saved);

        const QImage result = pixelsOf(dib);
        QCOMPARE(result.pixel(0, 0), qRgb(12, 200, 90));
        QCOMPARE(result.pixel(1, 0), qRgb(255, 0, 0));
        // Half-transparent blue: half of it over half of the background, within rounding.
        const QRgb half = result.pixel(2, 0);
        QVERIFY(std::abs(qRed(half) - 6) <= 1);
        QVERIFY(std::abs(qGreen(half) - 100) <= 1);
        QVERIFY(std::abs(qBlue(half) - (128 + 45)) <= 1);
    }

    // A wrapper keeps only its own context and bitmap, whatever fails; a second Create, ClearUp and
    // the destructor give them back.
    void nothingLeaks_data() {
        QTest::addColumn<PictureRef>("picture");
        QTest::addColumn<int>("fault"); // -1: none
        QTest::addColumn<int>("nth");
        QTest::addColumn<bool>("created");
        const PictureRef picture = Picture::make(factory::coordinates(6, 4));
        QTest::newRow("a picture") << picture << -1 << 0 << true;
        QTest::newRow("no picture") << PictureRef() << -1 << 0 << false;
        QTest::newRow("empty picture") << Picture::make(QImage()) << -1 << 0 << false;
        QTest::newRow("no desktop context") << picture << int(Fault::WindowContext) << 1 << true;
        QTest::newRow("no temporary context") << picture << int(Fault::MemoryContext) << 2 << true;
        QTest::newRow("no pixel memory") << picture << int(Fault::PixelMemory) << 1 << false;
    }
    void nothingLeaks() {
        QFETCH(PictureRef, picture);
        QFETCH(int, fault);
        QFETCH(int, nth);
        QFETCH(bool, created);
        const Census before = gdi::testing::Count();
        {
            cDIBSection dib;
            QVERIFY(dib.Create(10, 10));
            if (fault >= 0) gdi::testing::FailCall(Fault(fault), nth);
            dib.CreateFromPicture(picture);
            QCOMPARE(dib.DIBSectionBitsPtr() != 0, created);
            QVERIFY(gdi::testing::Count() == plus(before, created));
            dib.ClearUp();
            QVERIFY(dib.MemoryDC() == 0 && dib.DibSection() == 0 && dib.DIBSectionBitsPtr() == 0);
            QVERIFY(gdi::testing::Count() == before);
            QVERIFY(dib.Create(7, 3));
        }
        QVERIFY(gdi::testing::Count() == before);
    }
};

QTEST_MAIN(DIBSectionTest)
#include "test_cdibsection.moc"
