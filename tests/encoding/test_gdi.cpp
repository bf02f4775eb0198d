// The in-memory graphics layer: handles, their lifetimes, and the copy of a picture into a 24-bit bitmap.
#include "platform/Gdi.h"
#include "EncodingTestSupport.h"
#include "platform/Picture.h"
#include "support/PictureFactory.h"

#include <QApplication>
#include <QPalette>
#include <QTest>

Q_DECLARE_METATYPE(gdi::BITMAPINFOHEADER)

using namespace gdi;

namespace {

BITMAPINFOHEADER header(std::int32_t width, std::int32_t height) {
    BITMAPINFOHEADER h;
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = BI_RGB;
    return h;
}

// A memory context holding a new DIB section, released on scope exit.
struct DibContext {
    Handle dc = CreateCompatibleDC(0);
    Address bits = 0;
    Handle dib = 0;
    Handle placeholder = 0;
    DibContext(std::int32_t width, std::int32_t height) {
        const BITMAPINFOHEADER h = header(width, height);
        dib = CreateDIBSection(dc, &h, DIB_RGB_COLORS, &bits, 0, 0);
        placeholder = SelectObject(dc, dib);
    }
    ~DibContext() {
        SelectObject(dc, placeholder);
        DeleteObject(dib);
        DeleteDC(dc);
    }
    const std::uint8_t* memory() const { return reinterpret_cast<const std::uint8_t*>(bits); }
};

// A memory context holding a picture's bitmap.
struct PictureContext {
    PictureRef picture;
    Handle dc = CreateCompatibleDC(0);
    Handle old = 0;
    explicit PictureContext(const QImage& image) : picture(Picture::make(image)) {
        old = SelectObject(dc, picture->Handle());
    }
    ~PictureContext() {
        SelectObject(dc, old);
        DeleteDC(dc);
    }
};

} // namespace

class GdiTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { testing::ClearFaults(); }

    void memoryContextLivesUntilDeleted() {
        const auto before = testing::Count();
        const Handle dc = CreateCompatibleDC(0);
        QVERIFY(dc != 0);
        QCOMPARE(testing::Count().memoryContexts, before.memoryContexts + 1);
        const Handle second = CreateCompatibleDC(dc);
        QVERIFY(second != 0 && second != dc);
        QCOMPARE(DeleteDC(second), TRUE);
        QCOMPARE(DeleteDC(dc), TRUE);
        QCOMPARE(DeleteDC(dc), FALSE); // stale
        QCOMPARE(CreateCompatibleDC(dc), Handle(0));
        QVERIFY(testing::Count() == before);
    }

    void dibSectionLayout_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("stride");
        QTest::newRow("1 x 1") << 1 << 1 << 4;
        QTest::newRow("2 x 3") << 2 << 3 << 8;
        QTest::newRow("3 x 2") << 3 << 2 << 12;
        QTest::newRow("4 x 5") << 4 << 5 << 12;
        QTest::newRow("5 x 1") << 5 << 1 << 16;
        QTest::newRow("640 x 2") << 640 << 2 << 1920;
        QTest::newRow("3 x 2, top-down") << 3 << -2 << 12;
    }
    void dibSectionLayout() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, stride);
        const auto before = testing::Count();
        const BITMAPINFOHEADER h = header(width, height);
        Address bits = 0;
        const Handle dib = CreateDIBSection(0, &h, DIB_RGB_COLORS, &bits, 0, 0);
        QVERIFY(dib != 0);
        QVERIFY(bits != 0);
        QCOMPARE(testing::Count().dibSections, before.dibSections + 1);

        BITMAP description;
        QCOMPARE(GetObjectA(dib, sizeof description, &description), std::int32_t(sizeof description));
        QCOMPARE(description.bmWidth, width);
        QCOMPARE(description.bmHeight, std::abs(height));
        QCOMPARE(description.bmWidthBytes, stride);
        QCOMPARE(description.bmBitsPixel, std::uint16_t(24));
        QCOMPARE(description.bmBits, bits);
        // Fresh pixel memory is zero, to its last byte.
        const auto* memory = reinterpret_cast<const std::uint8_t*>(bits);
        QCOMPARE(std::count(memory, memory + stride * std::abs(height), 0),
                 qsizetype(stride * std::abs(height)));

        QCOMPARE(DeleteObject(dib), TRUE);
        QCOMPARE(DeleteObject(dib), FALSE);
        QVERIFY(testing::Count() == before);
    }

    void dibSectionRefusals_data() {
        QTest::addColumn<BITMAPINFOHEADER>("info");
        QTest::addColumn<std::uint32_t>("usage");
        QTest::addColumn<Handle>("section");
        auto changed = [](auto change) {
            BITMAPINFOHEADER h = header(4, 4);
            change(h);
            return h;
        };
        QTest::newRow("zero width") << header(0, 4) << 0u << Handle(0);
        QTest::newRow("negative width") << header(-4, 4) << 0u << Handle(0);
        QTest::newRow("zero height") << header(4, 0) << 0u << Handle(0);
        QTest::newRow("32 bits") << changed([](auto& h) { h.biBitCount = 32; }) << 0u << Handle(0);
        QTest::newRow("2 planes") << changed([](auto& h) { h.biPlanes = 2; }) << 0u << Handle(0);
        QTest::newRow("compressed") << changed([](auto& h) { h.biCompression = 1; }) << 0u << Handle(0);
        QTest::newRow("short header") << changed([](auto& h) { h.biSize = 12; }) << 0u << Handle(0);
        QTest::newRow("palette colours") << header(4, 4) << 1u << Handle(0);
        QTest::newRow("file mapping") << header(4, 4) << 0u << Handle(0x1234);
    }
    void dibSectionRefusals() {
        QFETCH(BITMAPINFOHEADER, info);
        QFETCH(std::uint32_t, usage);
        QFETCH(Handle, section);
        const auto before = testing::Count();
        Address bits = 0xDEAD;
        QCOMPARE(CreateDIBSection(0, &info, usage, &bits, section, 0), Handle(0));
        QCOMPARE(bits, Address(0));
        QVERIFY(testing::Count() == before);
    }

    void refusedPixelMemoryGivesZeroHandle() {
        const auto before = testing::Count();
        testing::FailCall(testing::Fault::PixelMemory);
        const BITMAPINFOHEADER h = header(100, 100);
        Address bits = 0xDEAD;
        QCOMPARE(CreateDIBSection(0, &h, DIB_RGB_COLORS, &bits, 0, 0), Handle(0));
        QCOMPARE(bits, Address(0));
        QVERIFY(testing::Count() == before);
        // Only the armed call fails.
        const Handle dib = CreateDIBSection(0, &h, DIB_RGB_COLORS, &bits, 0, 0);
        QVERIFY(dib != 0 && bits != 0);
        DeleteObject(dib);
    }

    void bitmapIsSelectedInOneContextAtATime() {
        const auto before = testing::Count();
        const Handle dc1 = CreateCompatibleDC(0), dc2 = CreateCompatibleDC(0);
        const BITMAPINFOHEADER h = header(2, 2);
        Address bits = 0;
        const Handle dib = CreateDIBSection(dc1, &h, DIB_RGB_COLORS, &bits, 0, 0);

        const Handle placeholder = GetCurrentObject(dc1, OBJ_BITMAP);
        QVERIFY(placeholder != 0 && placeholder != dib);
        QCOMPARE(SelectObject(dc1, dib), placeholder);
        QCOMPARE(GetCurrentObject(dc1, OBJ_BITMAP), dib);
        QCOMPARE(SelectObject(dc2, dib), Handle(0));
        QCOMPARE(DeleteObject(dib), FALSE); // still selected
        QCOMPARE(SelectObject(dc1, placeholder), dib);
        QCOMPARE(SelectObject(dc2, dib), placeholder);
        // Deleting the context frees the bitmap for another one.
        QCOMPARE(DeleteDC(dc2), TRUE);
        QCOMPARE(SelectObject(dc1, dib), placeholder);
        QCOMPARE(SelectObject(dc1, placeholder), dib);
        QCOMPARE(DeleteObject(dib), TRUE);
        QCOMPARE(SelectObject(dc1, dib), Handle(0)); // deleted
        QCOMPARE(DeleteDC(dc1), TRUE);
        QVERIFY(testing::Count() == before);
    }

    void pictureHandleLivesWithPicture() {
        const int before = testing::Count().pictureBitmaps;
        QCOMPARE(Picture::make(QImage())->Handle(), Handle(0));
        Handle handle = 0;
        const Handle dc = CreateCompatibleDC(0);
        {
            const PictureRef picture = Picture::make(factory::coordinates(3, 2));
            handle = picture->Handle();
            QVERIFY(handle != 0);
            QCOMPARE(testing::Count().pictureBitmaps, before + 1);
            const Picture copy = *picture;
            QCOMPARE(copy.Handle(), handle);
            QCOMPARE(testing::Count().pictureBitmaps, before + 1);

            BITMAP description;
            QVERIFY(GetObjectA(handle, sizeof description, &description) != 0);
            QCOMPARE(description.bmWidth, 3);
            QCOMPARE(description.bmHeight, 2);
            QCOMPARE(DeleteObject(handle), FALSE); // the picture's own
            QVERIFY(SelectObject(dc, handle) != 0);
        }
        QCOMPARE(testing::Count().pictureBitmaps, before);
        BITMAP description;
        QCOMPARE(GetObjectA(handle, sizeof description, &description), 0);
        // The context that still held the picture is left with its placeholder, not a dangling handle.
        const Handle now = GetCurrentObject(dc, OBJ_BITMAP);
        QVERIFY(now != 0 && now != handle);
        QCOMPARE(DeleteDC(dc), TRUE);
    }

    void describingFails_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("size");
        QTest::newRow("handle 0") << 0 << int(sizeof(BITMAP));
        QTest::newRow("a context") << 1 << int(sizeof(BITMAP));
        QTest::newRow("a deleted bitmap") << 2 << int(sizeof(BITMAP));
        QTest::newRow("record too small") << 3 << 24;
    }
    void describingFails() {
        QFETCH(int, which);
        QFETCH(int, size);
        const Handle dc = CreateCompatibleDC(0);
        const BITMAPINFOHEADER h = header(2, 2);
        Address bits = 0;
        const Handle dib = CreateDIBSection(0, &h, DIB_RGB_COLORS, &bits, 0, 0);
        const Handle deleted = CreateDIBSection(0, &h, DIB_RGB_COLORS, &bits, 0, 0);
        DeleteObject(deleted);
        const Handle handles[] = {0, dc, deleted, dib};
        BITMAP description;
        QCOMPARE(GetObjectA(handles[which], size, &description), 0);
        QCOMPARE(description.bmWidth, 0);
        QCOMPARE(description.bmHeight, 0);
        DeleteObject(dib);
        DeleteDC(dc);
    }

    void blitCopiesClippedRectangle_data() {
        QTest::addColumn<QSize>("pictureSize");
        QTest::addColumn<int>("dibWidth");
        QTest::addColumn<int>("dibHeight"); // negative: top-down
        QTest::addColumn<QRect>("target");  // x, y, width, height
        QTest::addColumn<QPoint>("source");
        QTest::newRow("whole") << QSize(5, 4) << 5 << 4 << QRect(0, 0, 5, 4) << QPoint(0, 0);
        QTest::newRow("whole, top-down bitmap")
            << QSize(5, 4) << 5 << -4 << QRect(0, 0, 5, 4) << QPoint(0, 0);
        QTest::newRow("source offset") << QSize(6, 5) << 4 << 3 << QRect(0, 0, 4, 3) << QPoint(2, 2);
        QTest::newRow("target offset") << QSize(3, 3) << 5 << 5 << QRect(1, 2, 3, 3) << QPoint(0, 0);
        QTest::newRow("clipped by the bitmap") << QSize(8, 8) << 4 << 4 << QRect(0, 0, 8, 8) << QPoint(0, 0);
        QTest::newRow("clipped by the picture") << QSize(3, 2) << 5 << 5 << QRect(0, 0, 5, 5) << QPoint(0, 0);
        QTest::newRow("source before the picture")
            << QSize(4, 4) << 4 << 4 << QRect(0, 0, 4, 4) << QPoint(-1, -2);
        QTest::newRow("target before the bitmap")
            << QSize(4, 4) << 4 << 4 << QRect(-1, -3, 4, 4) << QPoint(0, 0);
        QTest::newRow("part of a row") << QSize(7, 3) << 7 << 3 << QRect(2, 1, 3, 1) << QPoint(1, 0);
        QTest::newRow("empty") << QSize(4, 4) << 4 << 4 << QRect(0, 0, 0, 4) << QPoint(0, 0);
        QTest::newRow("source beyond the picture")
            << QSize(4, 4) << 4 << 4 << QRect(0, 0, 4, 4) << QPoint(4, 0);
    }
    void blitCopiesClippedRectangle() {
        QFETCH(QSize, pictureSize);
        QFETCH(int, dibWidth);
        QFETCH(int, dibHeight);
        QFETCH(QRect, target);
        QFETCH(QPoint, source);
        const QImage image = factory::coordinates(pictureSize.width(), pictureSize.height());
        PictureContext from(image);
        DibContext to(dibWidth, dibHeight);
        QCOMPARE(BitBlt(to.dc, target.x(), target.y(), target.width(), target.height(), from.dc, source.x(),
                        source.y(), SRCCOPY),
                 TRUE);

        const int rows = std::abs(dibHeight);
        const QImage result =
            enc::imageFromBgr(to.memory(), dibWidth, rows, enc::strideOf(dibWidth), dibHeight > 0);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < dibWidth; ++x) {
                const QPoint at = QPoint(x, y) - target.topLeft() + source;
                const bool copied = target.contains(x, y) && image.rect().contains(at);
                const QRgb expected = copied ? image.pixel(at) : qRgb(0, 0, 0);
                QVERIFY2(result.pixel(x, y) == expected,
                         qPrintable(QStringLiteral("at %1, %2").arg(x).arg(y)));
            }
        // Padding bytes after each row stay as they were.
        const int used = dibWidth * 3, stride = enc::strideOf(dibWidth);
        for (int row = 0; row < rows; ++row)
            for (int b = used; b < stride; ++b)
                QCOMPARE(int(to.memory()[row * stride + b]), 0);
    }

    void blitLaysTransparentPartsOnWindowBackground() {
        const QPalette saved = QApplication::palette();
        QPalette palette = saved;
        palette.setColor(QPalette::Base, QColor(12, 200, 90)); // a colour no default would give
        QApplication::setPalette(palette);

        QImage image(3, 1, QImage::Format_ARGB32);
        image.setPixel(0, 0, qRgba(0, 0, 0, 0));
        image.setPixel(1, 0, qRgba(255, 0, 0, 255));
        image.setPixel(2, 0, qRgba(0, 0, 255, 128));
        PictureContext from(image);
        DibContext to(3, 1);
        QCOMPARE(BitBlt(to.dc, 0, 0, 3, 1, from.dc, 0, 0, SRCCOPY), TRUE);
        QApplication::setPalette(saved);

        const QImage result = enc::imageFromBgr(to.memory(), 3, 1, 12);
        QCOMPARE(result.pixel(0, 0), qRgb(12, 200, 90));
        QCOMPARE(result.pixel(1, 0), qRgb(255, 0, 0));
        // Half-transparent blue over the background: each channel half of each, within rounding.
        const QRgb half = result.pixel(2, 0);
        QVERIFY(std::abs(qRed(half) - 6) <= 1);
        QVERIFY(std::abs(qGreen(half) - 100) <= 1);
        QVERIFY(std::abs(qBlue(half) - (128 + 45)) <= 1);
    }

    void blitRefusals_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("raster operation other than source copy") << "rop";
        QTest::newRow("source holds no picture") << "no picture";
        QTest::newRow("target holds a picture") << "picture target";
        QTest::newRow("deleted source") << "deleted source";
        QTest::newRow("window context as target") << "window target";
    }
    void blitRefusals() {
        QFETCH(QString, fault);
        PictureContext from(factory::coordinates(2, 2));
        PictureContext otherPicture(factory::coordinates(2, 2));
        DibContext to(2, 2);
        const Handle empty = CreateCompatibleDC(0);
        const Handle deleted = CreateCompatibleDC(0);
        DeleteDC(deleted);
        const Handle window = GetDC(GetDesktopWindow());

        Handle dest = to.dc, src = from.dc;
        std::uint32_t rop = SRCCOPY;
        if (fault == "rop") rop = 0x00EE0086;
        if (fault == "no picture") src = empty;
        if (fault == "picture target") dest = otherPicture.dc;
        if (fault == "deleted source") src = deleted;
        if (fault == "window target") dest = window;
        QCOMPARE(BitBlt(dest, 0, 0, 2, 2, src, 0, 0, rop), FALSE);
        QCOMPARE(std::count(to.memory(), to.memory() + 16, 0), qsizetype(16));
        ReleaseDC(GetDesktopWindow(), window);
        DeleteDC(empty);
    }

    void desktopContextIsGivenBack() {
        const auto before = testing::Count();
        const Handle desktop = GetDesktopWindow();
        QVERIFY(desktop != 0);
        const Handle windowDc = GetDC(desktop);
        QVERIFY(windowDc != 0);
        QCOMPARE(testing::Count().windowContexts, before.windowContexts + 1);
        const Handle memoryDc = CreateCompatibleDC(windowDc);
        QVERIFY(memoryDc != 0);
        QCOMPARE(DeleteDC(windowDc), FALSE); // given back, not deleted
        QCOMPARE(ReleaseDC(desktop, windowDc), 1);
        QCOMPARE(ReleaseDC(desktop, windowDc), 0);
        QCOMPARE(ReleaseDC(desktop, memoryDc), 0);
        QCOMPARE(DeleteDC(memoryDc), TRUE);
        QCOMPARE(GetDC(desktop + 12345), Handle(0));
        QVERIFY(testing::Count() == before);

        testing::FailCall(testing::Fault::WindowContext);
        QCOMPARE(GetDC(desktop), Handle(0));
        QVERIFY(testing::Count() == before);
    }

    void armedFailureHitsTheNthCall() {
        testing::FailCall(testing::Fault::MemoryContext, 2);
        const Handle first = CreateCompatibleDC(0);
        QVERIFY(first != 0);
        QCOMPARE(testing::PendingFaults(testing::Fault::MemoryContext), 1);
        QCOMPARE(CreateCompatibleDC(0), Handle(0));
        QCOMPARE(testing::PendingFaults(testing::Fault::MemoryContext), 0);
        DeleteDC(first);
    }
};

QTEST_MAIN(GdiTest)
#include "test_gdi.moc"
