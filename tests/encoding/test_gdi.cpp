// The in-memory graphics layer: handle lifetimes, refused allocations, and the clipped picture copy.
#include "EncodingTestSupport.h"
#include "platform/Gdi.h"
#include "platform/Picture.h"
#include "support/PictureFactory.h"

#include <QTest>

using namespace gdi;

namespace {

BITMAPINFOHEADER header(std::int32_t width, std::int32_t height) {
    BITMAPINFOHEADER h;
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    return h;
}

} // namespace

class GdiTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { testing::ClearFaults(); }

    // The leak checks of the wrapper's tests rest on these counts, and its ClearUp on a selected
    // bitmap being undeletable.
    void handlesAreCountedUntilReleased() {
        const auto before = testing::Count();
        const Handle dc = CreateCompatibleDC(0), other = CreateCompatibleDC(dc);
        const Handle window = GetDC(GetDesktopWindow());
        const BITMAPINFOHEADER h = header(2, 2);
        Address bits = 0;
        const Handle dib = CreateDIBSection(dc, &h, DIB_RGB_COLORS, &bits, 0, 0);
        Handle pictureBitmap = 0;
        {
            const PictureRef picture = Picture::make(factory::coordinates(3, 2));
            pictureBitmap = picture->Handle();
            const auto alive = testing::Count();
            QCOMPARE(alive.memoryContexts, before.memoryContexts + 2);
            QCOMPARE(alive.windowContexts, before.windowContexts + 1);
            QCOMPARE(alive.dibSections, before.dibSections + 1);
            QCOMPARE(alive.pictureBitmaps, before.pictureBitmaps + 1);
            QCOMPARE(DeleteObject(pictureBitmap), FALSE); // it belongs to the picture
        }
        const Handle placeholder = SelectObject(dc, dib);
        QVERIFY(placeholder != 0);
        QCOMPARE(SelectObject(other, dib), Handle(0)); // one context at a time
        QCOMPARE(DeleteObject(dib), FALSE);            // still selected
        QCOMPARE(SelectObject(dc, placeholder), dib);
        QCOMPARE(DeleteObject(dib), TRUE);
        QCOMPARE(ReleaseDC(GetDesktopWindow(), window), 1);
        QCOMPARE(DeleteDC(other), TRUE);
        QCOMPARE(DeleteDC(dc), TRUE);
        QVERIFY(testing::Count() == before);

        // Stale handles are refused, and new objects never take their numbers.
        const Handle fresh = CreateCompatibleDC(0);
        QVERIFY(fresh != dc && fresh != other && fresh != window);
        QCOMPARE(SelectObject(fresh, dib), Handle(0));
        QCOMPARE(SelectObject(fresh, pictureBitmap), Handle(0));
        QCOMPARE(DeleteObject(dib), FALSE);
        QCOMPARE(DeleteDC(dc), FALSE);
        QCOMPARE(CreateCompatibleDC(dc), Handle(0));
        QCOMPARE(ReleaseDC(GetDesktopWindow(), window), 0);
        BITMAP description;
        QCOMPARE(GetObjectA(dib, sizeof description, &description), 0);
        QCOMPARE(DeleteDC(fresh), TRUE);
    }

    void refusedAllocationGivesZeroHandle_data() {
        QTest::addColumn<testing::Fault>("fault");
        QTest::newRow("memory context") << testing::Fault::MemoryContext;
        QTest::newRow("window context") << testing::Fault::WindowContext;
        QTest::newRow("pixel memory") << testing::Fault::PixelMemory;
    }
    void refusedAllocationGivesZeroHandle() {
        QFETCH(testing::Fault, fault);
        const auto before = testing::Count();
        const BITMAPINFOHEADER h = header(100, 100);
        Address bits = 0xDEAD;
        testing::FailCall(fault);
        Handle handle = 0xDEAD;
        if (fault == testing::Fault::MemoryContext) handle = CreateCompatibleDC(0);
        if (fault == testing::Fault::WindowContext) handle = GetDC(GetDesktopWindow());
        if (fault == testing::Fault::PixelMemory)
            handle = CreateDIBSection(0, &h, DIB_RGB_COLORS, &bits, 0, 0);
        QCOMPARE(handle, Handle(0));
        if (fault == testing::Fault::PixelMemory) QCOMPARE(bits, Address(0));
        QVERIFY(testing::Count() == before);
    }

    void blitCopiesClippedRectangle_data() {
        QTest::addColumn<QSize>("pictureSize");
        QTest::addColumn<QSize>("dibSize"); // a negative height: rows top-down
        QTest::addColumn<QRect>("target");
        QTest::addColumn<QPoint>("source");
        QTest::newRow("source offset, clipped by the bitmap")
            << QSize(8, 8) << QSize(4, 3) << QRect(0, 0, 8, 8) << QPoint(2, 2);
        QTest::newRow("target offset, clipped by the picture")
            << QSize(3, 2) << QSize(5, 5) << QRect(1, 2, 5, 5) << QPoint(0, 0);
        QTest::newRow("origins before the bitmap and the picture")
            << QSize(4, 4) << QSize(4, 4) << QRect(-1, 0, 4, 4) << QPoint(0, -2);
        QTest::newRow("part of a row, top-down bitmap")
            << QSize(7, 3) << QSize(7, -3) << QRect(2, 1, 3, 1) << QPoint(1, 0);
    }
    void blitCopiesClippedRectangle() {
        QFETCH(QSize, pictureSize);
        QFETCH(QSize, dibSize);
        QFETCH(QRect, target);
        QFETCH(QPoint, source);
        const QImage image = factory::coordinates(pictureSize.width(), pictureSize.height());
        const PictureRef picture = Picture::make(image);
        const BITMAPINFOHEADER h = header(dibSize.width(), dibSize.height());
        Address bits = 0;
        const Handle dib = CreateDIBSection(0, &h, DIB_RGB_COLORS, &bits, 0, 0);
        const Handle to = CreateCompatibleDC(0), from = CreateCompatibleDC(0);
        SelectObject(to, dib);
        SelectObject(from, picture->Handle());
        QCOMPARE(BitBlt(to, target.x(), target.y(), target.width(), target.height(), from, source.x(),
                        source.y(), SRCCOPY),
                 TRUE);

        const int width = dibSize.width(), rows = std::abs(dibSize.height()), stride = (width * 3 + 3) & ~3;
        const QImage result = enc::imageFromBgr(bits, width, rows, stride, dibSize.height() > 0);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < width; ++x) {
                const QPoint at = QPoint(x, y) - target.topLeft() + source;
                const bool copied = target.contains(x, y) && image.rect().contains(at);
                QVERIFY2(result.pixel(x, y) == (copied ? image.pixel(at) : qRgb(0, 0, 0)),
                         qPrintable(QStringLiteral("at %1, %2").arg(x).arg(y)));
            }
        QVERIFY(enc::paddingIsZero(bits, width, rows, stride));
        DeleteDC(to);
        DeleteDC(from);
        DeleteObject(dib);
    }
};

QTEST_MAIN(GdiTest)
#include "test_gdi.moc"
