// The 24-bit bitmap wrapper: sizes, strides, the overflow bounds, releasing what it holds, and the
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

const std::uint8_t* bytesOf(const cDIBSection& dib) {
    return reinterpret_cast<const std::uint8_t*>(dib.DIBSectionBitsPtr());
}

bool isEmpty(const cDIBSection& dib) {
    return dib.MemoryDC() == 0 && dib.DibSection() == 0 && dib.DIBSectionBitsPtr() == 0;
}

} // namespace

class DIBSectionTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { gdi::testing::ClearFaults(); }

    void newWrapperReportsZeros() {
        const Census before = gdi::testing::Count();
        cDIBSection dib;
        QCOMPARE(dib.Width(), 0);
        QCOMPARE(dib.Height(), 0);
        QCOMPARE(dib.BytesPerScanLine(), 0);
        QCOMPARE(dib.DIBSectionBitsPtr(), gdi::Address(0));
        dib.ClearUp();
        QVERIFY(isEmpty(dib));
        QCOMPARE(dib.Width(), 0);
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
        QTest::newRow("640") << 640 << 480 << 1920 << 921600;
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
        QCOMPARE(h.biXPelsPerMeter | h.biYPelsPerMeter | std::int32_t(h.biClrUsed | h.biClrImportant), 0);

        // The bitmap is selected in the wrapper's context, and its memory is what the wrapper reports.
        QCOMPARE(gdi::GetCurrentObject(dib.MemoryDC(), gdi::OBJ_BITMAP), dib.DibSection());
        gdi::BITMAP description;
        QVERIFY(gdi::GetObjectA(dib.DibSection(), sizeof description, &description) != 0);
        QCOMPARE(description.bmBits, dib.DIBSectionBitsPtr());
        QCOMPARE(description.bmWidthBytes, stride);
    }

    void secondCreateReleasesTheFirst() {
        const Census before = gdi::testing::Count();
        {
            cDIBSection dib;
            QVERIFY(dib.Create(10, 10));
            const gdi::Handle firstBitmap = dib.DibSection(), firstContext = dib.MemoryDC();
            QVERIFY(dib.Create(20, 5));
            QCOMPARE(gdi::testing::Count().memoryContexts, before.memoryContexts + 1);
            QCOMPARE(gdi::testing::Count().dibSections, before.dibSections + 1);
            QVERIFY(dib.DibSection() != firstBitmap && dib.MemoryDC() != firstContext);
            QCOMPARE(dib.Width(), 20);
            QCOMPARE(dib.Height(), 5);
            // The first ones are gone, not merely forgotten.
            gdi::BITMAP description;
            QCOMPARE(gdi::GetObjectA(firstBitmap, sizeof description, &description), 0);
            QCOMPARE(gdi::DeleteDC(firstContext), gdi::FALSE);
        }
        QVERIFY(gdi::testing::Count() == before); // the destructor releases as ClearUp does
    }

    void clearUpReleasesEverything() {
        const Census before = gdi::testing::Count();
        cDIBSection dib;
        QVERIFY(dib.Create(7, 3));
        dib.ClearUp();
        QVERIFY(isEmpty(dib));
        QVERIFY(gdi::testing::Count() == before);
        QCOMPARE(dib.Width(), 7); // the header stays
        QCOMPARE(dib.Height(), 3);
    }

    void failedCreateLeavesWrapperEmpty_data() {
        QTest::addColumn<int>("fault"); // -1: none
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("no memory context") << int(Fault::MemoryContext) << 8 << 8;
        QTest::newRow("no pixel memory") << int(Fault::PixelMemory) << 8 << 8;
        QTest::newRow("0 x 0") << -1 << 0 << 0;
        QTest::newRow("zero width") << -1 << 0 << 5;
        QTest::newRow("zero height") << -1 << 5 << 0;
    }
    void failedCreateLeavesWrapperEmpty() {
        QFETCH(int, fault);
        QFETCH(int, width);
        QFETCH(int, height);
        const Census before = gdi::testing::Count();
        cDIBSection dib;
        QVERIFY(dib.Create(3, 3));
        if (fault >= 0) gdi::testing::FailCall(Fault(fault));
        QVERIFY(!dib.Create(width, height));
        QVERIFY(isEmpty(dib));
        QVERIFY(gdi::testing::Count() == before);
        if (fault != int(Fault::MemoryContext)) { // the header was written before the bitmap was tried
            QCOMPARE(dib.Width(), width);
            QCOMPARE(dib.Height(), height);
        }
    }

    // Arithmetic beyond 32 bits is an error raised before any pixel memory is asked for. At the bounds
    // themselves the sizes are fine; the memory is refused so that nothing large is allocated.
    void sizeOverflow_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("overflows");
        QTest::addColumn<int>("stride"); // when it can be computed
        QTest::newRow("widest stride") << 715827881 << 1 << false << 2147483644;
        QTest::newRow("stride beyond 32 bits") << 715827882 << 1 << true << 0;
        QTest::newRow("largest image") << 1 << 536870911 << false << 4;
        QTest::newRow("image beyond 32 bits") << 1 << 536870912 << true << 4;
        QTest::newRow("wide image beyond 32 bits") << 65536 << 10923 << true << 196608;
        QTest::newRow("wide image within 32 bits") << 65536 << 10922 << false << 196608;
    }
    void sizeOverflow() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, overflows);
        QFETCH(int, stride);
        const Census before = gdi::testing::Count();
        cDIBSection dib;
        gdi::testing::FailCall(Fault::PixelMemory);
        if (overflows) {
            QVERIFY_THROWS_EXCEPTION(QuillonError, dib.Create(width, height));
            QCOMPARE(gdi::testing::PendingFaults(Fault::PixelMemory), 1); // never reached the allocation
            QCOMPARE(dib.Width(), width);
            QCOMPARE(dib.Height(), height);
            // The memory context stays the wrapper's until it is cleared up.
            QCOMPARE(gdi::testing::Count().memoryContexts, before.memoryContexts + 1);
            QCOMPARE(gdi::testing::Count().dibSections, before.dibSections);
            if (stride == 0) QVERIFY_THROWS_EXCEPTION(QuillonError, dib.BytesPerScanLine());
            dib.ClearUp();
        } else {
            QVERIFY(!dib.Create(width, height)); // refused memory, no error
            QCOMPARE(gdi::testing::PendingFaults(Fault::PixelMemory), 0);
            QCOMPARE(dib.BytesPerScanLine(), stride);
        }
        QVERIFY(gdi::testing::Count() == before);
    }

    void pictureLandsBottomRowFirst_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        for (int width : {1, 2, 3, 4, 5, 7, 640})
            QTest::addRow("%d x 5", width) << width << 5;
        QTest::newRow("300 x 257") << 300 << 257;
    }
    void pictureLandsBottomRowFirst() {
        QFETCH(int, width);
        QFETCH(int, height);
        const Census before = gdi::testing::Count();
        const QImage image = factory::coordinates(width, height);
        {
            cDIBSection dib;
            dib.CreateFromPicture(Picture::make(image));
            QCOMPARE(dib.Width(), width);
            QCOMPARE(dib.Height(), height);
            const int stride = dib.BytesPerScanLine();
            const std::uint8_t* memory = bytesOf(dib);
            QVERIFY(memory);
            // The last row in memory is the top row, blue, green, red; the padding follows each row.
            const std::uint8_t* last = memory + std::int64_t(height - 1) * stride;
            for (int x = 0; x < width; ++x) {
                const QRgb p = image.pixel(x, 0);
                QCOMPARE(int(last[3 * x]), qBlue(p));
                QCOMPARE(int(last[3 * x + 1]), qGreen(p));
                QCOMPARE(int(last[3 * x + 2]), qRed(p));
            }
            QCOMPARE(enc::imageFromBgr(memory, width, height, stride), image);
            for (int row = 0; row < height; ++row)
                for (int b = width * 3; b < stride; ++b)
                    QCOMPARE(int(memory[row * stride + b]), 0);
            // Only the wrapper's own context and bitmap remain; the picture's bitmap is free again.
            QCOMPARE(gdi::testing::Count().memoryContexts, before.memoryContexts + 1);
            QCOMPARE(gdi::testing::Count().windowContexts, before.windowContexts);
        }
        QVERIFY(gdi::testing::Count() == before);
    }

    void transparentPartsLandOnWindowBackground() {
        const QPalette saved = QApplication::palette();
        QPalette palette = saved;
        palette.setColor(QPalette::Base, QColor(30, 60, 240));
        QApplication::setPalette(palette);
        cDIBSection dib;
        dib.CreateFromPicture(Picture::make(factory::withTransparency(9, 9)));
        QApplication::setPalette(saved);

        const QImage result = enc::imageFromBgr(bytesOf(dib), 9, 9, dib.BytesPerScanLine());
        QCOMPARE(result.pixel(0, 0), qRgb(30, 60, 240)); // a corner, outside the disc
        QCOMPARE(result.pixel(8, 8), qRgb(30, 60, 240));
        QCOMPARE(result.pixel(4, 4), qRgb(255, 0, 0));
    }

    void unreadablePictureLeavesWrapperEmpty_data() {
        QTest::addColumn<bool>("null");
        QTest::newRow("empty picture") << false;
        QTest::newRow("no picture") << true;
    }
    void unreadablePictureLeavesWrapperEmpty() {
        QFETCH(bool, null);
        const Census before = gdi::testing::Count();
        cDIBSection dib;
        dib.CreateFromPicture(null ? PictureRef() : Picture::make(QImage()));
        QVERIFY(isEmpty(dib));
        QCOMPARE(dib.Width(), 0);
        QCOMPARE(dib.Height(), 0);
        QVERIFY(gdi::testing::Count() == before);
    }

    // Without a desktop context or a temporary context the copy is skipped: a bitmap of the right
    // size, never filled, and no context left behind.
    void contextFailureStopsSilently_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("nth");
        QTest::newRow("desktop context") << int(Fault::WindowContext) << 1;
        QTest::newRow("temporary context") << int(Fault::MemoryContext) << 2;
    }
    void contextFailureStopsSilently() {
        QFETCH(int, fault);
        QFETCH(int, nth);
        const Census before = gdi::testing::Count();
        const PictureRef picture = Picture::make(factory::coordinates(6, 4));
        cDIBSection dib;
        gdi::testing::FailCall(Fault(fault), nth);
        dib.CreateFromPicture(picture);
        QCOMPARE(gdi::testing::PendingFaults(Fault(fault)), 0);
        QCOMPARE(dib.Width(), 6);
        QCOMPARE(dib.Height(), 4);
        QVERIFY(dib.DIBSectionBitsPtr() != 0);
        QCOMPARE(std::count(bytesOf(dib), bytesOf(dib) + 4 * dib.BytesPerScanLine(), 0),
                 qsizetype(4 * dib.BytesPerScanLine()));
        const Census now = gdi::testing::Count();
        QCOMPARE(now.memoryContexts, before.memoryContexts + 1);
        QCOMPARE(now.windowContexts, before.windowContexts);
        QCOMPARE(now.dibSections, before.dibSections + 1);
    }

    void loadPictureBltSize_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QSize>("copied");
        QTest::newRow("-1 x -1: the whole wrapper") << -1 << -1 << QSize(6, 5);
        QTest::newRow("any negative stands for the wrapper's") << -7 << -2 << QSize(6, 5);
        QTest::newRow("2 x 3") << 2 << 3 << QSize(2, 3);
        QTest::newRow("-1 x 2") << -1 << 2 << QSize(6, 2);
        QTest::newRow("3 x -1") << 3 << -1 << QSize(3, 5);
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
        const gdi::Handle old = gdi::SelectObject(dc, picture->Handle());
        dib.LoadPictureBlt(dc, 1, 2, width, height);
        gdi::SelectObject(dc, old);
        gdi::DeleteDC(dc);

        const QImage result = enc::imageFromBgr(bytesOf(dib), 6, 5, dib.BytesPerScanLine());
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) {
                const QRgb expected =
                    x < copied.width() && y < copied.height() ? image.pixel(x + 1, y + 2) : 0xFF000000;
                QCOMPARE(result.pixel(x, y), expected);
            }
    }
};

QTEST_MAIN(DIBSectionTest)
#include "test_cdibsection.moc"
