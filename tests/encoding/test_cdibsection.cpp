// The 24-bit bitmap wrapper: header and stride, releasing what it holds, the overflow bounds, and the
// picture landing in memory bottom row first.
#include "EncodingTestSupport.h"
#include "encoding/cDIBSection.h"
#include "platform/Error.h"
#include "support/PictureFactory.h"

#include <QApplication>
#include <QPalette>
#include <QTest>

using gdi::testing::Census;
using gdi::testing::Fault;

namespace {

bool isEmpty(const cDIBSection& dib) {
    return dib.MemoryDC() == 0 && dib.DibSection() == 0 && dib.DIBSectionBitsPtr() == 0;
}

// What is alive while one wrapper holds its context and bitmap.
Census withWrapper(Census census) {
    ++census.memoryContexts;
    ++census.dibSections;
    return census;
}

} // namespace

class DIBSectionTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { gdi::testing::ClearFaults(); }

    void newWrapperIsZeroAndClearUpKeepsItSo() {
        const Census before = gdi::testing::Count();
        cDIBSection dib;
        for (int pass = 0; pass < 2; ++pass) {
            QCOMPARE(dib.Width(), 0);
            QCOMPARE(dib.Height(), 0);
            QCOMPARE(dib.BytesPerScanLine(), 0);
            QCOMPARE(dib.DIBSectionBitsPtr(), gdi::Address(0));
            dib.ClearUp();
        }
        QVERIFY(isEmpty(dib));
        QVERIFY(gdi::testing::Count() == before);
    }

    void headerAndStride_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("stride");
        QTest::addColumn<int>("imageSize");
        QTest::newRow("1") << 1 << 2 << 4 << 8;
        QTest::newRow("2") << 2 << 2 << 8 << 16;
        QTest::newRow("3") << 3 << 2 << 12 << 24;
        QTest::newRow("4") << 4 << 2 << 12 << 24;
        QTest::newRow("5") << 5 << 2 << 16 << 32;
        QTest::newRow("640") << 640 << 1 << 1920 << 1920;
        QTest::newRow("100 x 100") << 100 << 100 << 300 << 30000;
    }
    void headerAndStride() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, stride);
        QFETCH(int, imageSize);
        cDIBSection dib;
        QVERIFY(dib.Create(width, height));
        QCOMPARE(dib.Width(), width);
        QCOMPARE(dib.Height(), height);
        QCOMPARE(dib.BytesPerScanLine(), stride);
        QVERIFY(dib.DIBSectionBitsPtr() != 0);
        const gdi::BITMAPINFOHEADER& h = dib.BitmapInfo();
        QCOMPARE(h.biSize, 40u);
        QCOMPARE(h.biPlanes, std::uint16_t(1));
        QCOMPARE(h.biBitCount, std::uint16_t(24));
        QCOMPARE(h.biCompression, 0u);
        QCOMPARE(h.biSizeImage, std::uint32_t(imageSize));
    }

    // A second Create, ClearUp and the destructor each give back the bitmap and the context.
    void releasesWhatItHolds() {
        const Census before = gdi::testing::Count();
        {
            cDIBSection dib;
            QVERIFY(dib.Create(10, 10));
            QVERIFY(dib.Create(20, 5));
            QVERIFY(gdi::testing::Count() == withWrapper(before));
            QCOMPARE(dib.Width(), 20);
            dib.ClearUp();
            QVERIFY(isEmpty(dib));
            QVERIFY(gdi::testing::Count() == before);
            QVERIFY(dib.Create(7, 3));
        }
        QVERIFY(gdi::testing::Count() == before);
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

    void pictureLandsBottomRowFirst_data() {
        QTest::addColumn<int>("width");
        for (int width = 1; width <= 5; ++width)
            QTest::addRow("%d x 4", width) << width;
    }
    void pictureLandsBottomRowFirst() {
        QFETCH(int, width);
        const Census before = gdi::testing::Count();
        const QImage image = factory::coordinates(width, 4);
        cDIBSection dib;
        dib.CreateFromPicture(Picture::make(image));
        QCOMPARE(dib.Width(), width);
        QCOMPARE(dib.Height(), 4);
        // Read back bottom-up, blue first: the last row in memory must be the picture's top row.
        const int stride = dib.BytesPerScanLine();
        QCOMPARE(enc::imageFromBgr(dib.DIBSectionBitsPtr(), width, 4, stride), image);
        QVERIFY(enc::paddingIsZero(dib.DIBSectionBitsPtr(), width, 4, stride));
        QVERIFY(gdi::testing::Count() == withWrapper(before)); // no temporary or desktop context left
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

        const QImage result = enc::imageFromBgr(dib.DIBSectionBitsPtr(), 3, 1, dib.BytesPerScanLine());
        QCOMPARE(result.pixel(0, 0), qRgb(12, 200, 90));
        QCOMPARE(result.pixel(1, 0), qRgb(255, 0, 0));
        // Half-transparent blue: half of it over half of the background, within rounding.
        const QRgb half = result.pixel(2, 0);
        QVERIFY(std::abs(qRed(half) - 6) <= 1);
        QVERIFY(std::abs(qGreen(half) - 100) <= 1);
        QVERIFY(std::abs(qBlue(half) - (128 + 45)) <= 1);
    }

    void unreadablePictureLeavesWrapperEmpty_data() {
        QTest::addColumn<PictureRef>("picture");
        QTest::newRow("no picture") << PictureRef();
        QTest::newRow("empty picture") << Picture::make(QImage());
    }
    void unreadablePictureLeavesWrapperEmpty() {
        QFETCH(PictureRef, picture);
        const Census before = gdi::testing::Count();
        cDIBSection dib;
        dib.CreateFromPicture(picture);
        QVERIFY(isEmpty(dib));
        QVERIFY(gdi::testing::Count() == before);
    }

    // Without a desktop context or a temporary one the copy is skipped; only the wrapper's own remain.
    void contextFailureStopsSilently_data() {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("nth");
        QTest::newRow("desktop context") << Fault::WindowContext << 1;
        QTest::newRow("temporary context") << Fault::MemoryContext << 2; // the first is the wrapper's
    }
    void contextFailureStopsSilently() {
        QFETCH(Fault, fault);
        QFETCH(int, nth);
        const Census before = gdi::testing::Count();
        cDIBSection dib;
        gdi::testing::FailCall(fault, nth);
        dib.CreateFromPicture(Picture::make(factory::coordinates(6, 4)));
        QCOMPARE(gdi::testing::PendingFaults(fault), 0);
        QVERIFY(gdi::testing::Count() == withWrapper(before));
    }

    void loadPictureBltSize_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QSize>("copied");
        QTest::newRow("-1 x -1: the whole wrapper") << -1 << -1 << QSize(6, 5);
        QTest::newRow("2 x 3") << 2 << 3 << QSize(2, 3);
    }
    void loadPictureBltSize() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QSize, copied);
        const QImage image = factory::coordinates(8, 8);
        const PictureRef picture = Picture::make(image);
        cDIBSection dib;
        QVERIFY(dib.Create(6, 5));
        const gdi::Handle dc = gdi::CreateCompatibleDC(0);
        gdi::SelectObject(dc, picture->Handle());
        dib.LoadPictureBlt(dc, 1, 2, width, height);
        gdi::DeleteDC(dc);

        const QImage result = enc::imageFromBgr(dib.DIBSectionBitsPtr(), 6, 5, dib.BytesPerScanLine());
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) {
                const bool inside = x < copied.width() && y < copied.height();
                QCOMPARE(result.pixel(x, y), inside ? image.pixel(x + 1, y + 2) : qRgb(0, 0, 0));
            }
    }
};

QTEST_MAIN(DIBSectionTest)
#include "test_cdibsection.moc"
