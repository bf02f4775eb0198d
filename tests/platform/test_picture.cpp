// Loading and writing pictures, hostile files included.
#include "platform/Error.h"
#include "platform/LargeMemory.h"
#include "platform/Picture.h"
#include "support/PictureFactory.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestPicture : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void loadsEachFormat_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("quality");
        QTest::addColumn<double>("minimumPsnr"); // 0: exact
        QTest::newRow("jpeg") << "JPEG"
                              << "a.jpg" << 92 << 30.0;
        QTest::newRow("gif, 216 colours") << "GIF"
                                          << "a.gif" << 92 << 18.0;
        QTest::newRow("bmp") << "BMP"
                             << "a.bmp" << 92 << 0.0;
        QTest::newRow("png named .jpg") << "PNG"
                                        << "png.jpg" << 92 << 0.0;
        QTest::newRow("webp, lossless") << "WEBP"
                                        << "a.webp" << 100 << 0.0;
        QTest::newRow("tiff named .png") << "TIFF"
                                         << "tiff.png" << 92 << 0.0;
        QTest::newRow("heic") << "HEIC"
                              << "a.heic" << 90 << 30.0;
    }
    void loadsEachFormat() {
        QFETCH(QString, format);
        QFETCH(QString, name);
        QFETCH(int, quality);
        QFETCH(double, minimumPsnr);
        const QImage source = factory::gradient(64, 48);
        factory::writeFile(path(name), factory::encode(source, qPrintable(format), quality));
        const PictureRef picture = LoadPicture(path(name));
        QCOMPARE(picture->size(), QSize(64, 48));
        QCOMPARE(picture->hasTransparency(),
                 format == "GIF"); // our GIF writer always has a transparent index
        if (minimumPsnr > 0)
            QVERIFY(factory::psnr(source, picture->image()) > minimumPsnr);
        else
            QCOMPARE(picture->image().convertToFormat(QImage::Format_RGB32), source);
        QCOMPARE(ReadPictureInfo(path(name)).pixels, QSize(64, 48));
    }

    void gifKeepsItsTransparentColour() {
        factory::writeFile(path("t.gif"), factory::encode(factory::withTransparency(40, 40), "GIF"));
        const PictureRef picture = LoadPicture(path("t.gif"));
        QVERIFY(picture->hasTransparency());
        QCOMPARE(qAlpha(picture->image().pixel(0, 0)), 0);
        QCOMPARE(qAlpha(picture->image().pixel(20, 20)), 255);
    }

    // EXIF in a JPEG, the rotation and mirroring boxes in a HEIC.
    void orientationIsApplied_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("whereTopLeftLands"); // where the stored top-left corner ends up
        QTest::newRow("1 upright") << 1 << QSize(60, 40) << QPoint(0, 0);
        QTest::newRow("3 upside down") << 3 << QSize(60, 40) << QPoint(59, 39);
        QTest::newRow("6 turned right") << 6 << QSize(40, 60) << QPoint(39, 0);
        QTest::newRow("8 turned left") << 8 << QSize(40, 60) << QPoint(0, 59);
    }
    void orientationIsApplied() {
        QFETCH(int, orientation);
        QFETCH(QSize, size);
        QFETCH(QPoint, whereTopLeftLands);
        QImage source(60, 40, QImage::Format_RGB32);
        source.fill(Qt::white);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                source.setPixel(x, y, qRgb(255, 0, 0)); // red top-left corner
        const QByteArray jpeg =
            factory::withExifOrientation(factory::encode(source, "JPEG", 95), orientation);
        for (const auto& [name, bytes] :
             {std::pair{QStringLiteral("turned.jpg"), jpeg},
              std::pair{QStringLiteral("turned.heic"), factory::heicWithOrientation(source, orientation)}}) {
            factory::writeFile(path(name), bytes);
            const PictureRef picture = LoadPicture(path(name));
            QCOMPARE(picture->size(), size);
            const QRgb corner = picture->image().pixel(whereTopLeftLands);
            QVERIFY2(qRed(corner) > 200 && qGreen(corner) < 60,
                     qPrintable(name + QString::number(corner, 16)));
            // The header alone gives the same upright size.
            QCOMPARE(ReadPictureInfo(path(name)).pixels, size);
        }
    }

    void hostileFilesGiveAClearError_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        const QImage photo = factory::gradient(300, 200);
        QTest::newRow("empty") << "empty.jpg" << QByteArray() << "empty";
        QTest::newRow("random bytes")
            << "random.jpg" << factory::randomBytes(5000) << "not a picture Quillon";
        for (const char* format : {"JPEG", "PNG", "WEBP", "TIFF", "HEIC"}) {
            const QByteArray whole = factory::encode(photo, format);
            QTest::addRow("truncated %s", format)
                << "cut.pic" << whole.left(whole.size() / 2) << "damaged or incomplete";
        }
        // A TIFF written directory first, its pixels cut off.
        QTest::newRow("tiff without its pixels")
            << "cut.tif" << factory::tiffClaiming(64, 64) << "damaged or incomplete";
        QTest::newRow("png claims 70000 x 70000")
            << "huge.png" << factory::pngClaiming(70000, 70000) << "too large";
        QTest::newRow("webp claims 30000 x 30000")
            << "huge.webp" << factory::webpClaiming(30000, 30000) << "too large";
        QTest::newRow("tiff claims 70000 x 70000")
            << "huge.tif" << factory::tiffClaiming(70000, 70000) << "too large";
        QTest::newRow("heic claims 70000 x 70000")
            << "huge.heic" << factory::heicClaiming(70000, 70000) << "too large";
        QTest::newRow("heic claims 30000 x 30000")
            << "huge.heic" << factory::heicClaiming(30000, 30000) << "too large";
        QTest::newRow("gif claims 60000 x 60000")
            << "huge.gif" << factory::gifClaiming(60000, 60000) << "too large";
        QTest::newRow("bmp claims 60000 x 60000")
            << "huge.bmp" << factory::bmpClaiming(60000, 60000) << "too large";
        QTest::newRow("text") << "notes.bmp" << QByteArray("hello, this is not a picture\n")
                              << "not a picture";
        QTest::newRow("bitmap shorter than its header says")
            << "cut.bmp" << factory::encode(factory::gradient(64, 48), "BMP").chopped(300)
            << "damaged or incomplete";
    }
    void hostileFilesGiveAClearError() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, why);
        factory::writeFile(path(name), bytes);
        try {
            LoadPicture(path(name));
            QFAIL("loaded");
        } catch (const QuillonError& error) {
            QVERIFY2(error.message().contains(name), qPrintable(error.message()));
            QVERIFY2(error.message().contains(why), qPrintable(error.message()));
        }
    }

    void missingFileAndFolderAreErrors() {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("x.jpg")));
        QVERIFY_THROWS_EXCEPTION(QuillonError, LoadPicture(path("x.jpg")));
        QVERIFY_THROWS_EXCEPTION(QuillonError, LoadPicture(path("nothing-here.jpg")));
        QVERIFY_THROWS_EXCEPTION(QuillonError, ReadPictureInfo(path("nothing-here.jpg")));
    }

    void narrowBitmapChannelsReachTheFullRange_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QList<quint32>>("masks");
        QTest::addColumn<quint32>("pixel");
        QTest::addColumn<QRgb>("colour");
        QTest::newRow("5-5-5 white") << 16 << QList<quint32>{} << 0x7FFFu << qRgb(255, 255, 255);
        QTest::newRow("5-5-5 half red") << 16 << QList<quint32>{} << (16u << 10) << qRgb(132, 0, 0);
        QTest::newRow("5-6-5 white") << 16 << QList<quint32>{0xF800, 0x07E0, 0x001F, 0} << 0xFFFFu
                                     << qRgb(255, 255, 255);
        QTest::newRow("4-4-4-4 opaque white")
            << 16 << QList<quint32>{0x0F00, 0x00F0, 0x000F, 0xF000} << 0xFFFFu << qRgb(255, 255, 255);
        QTest::newRow("10-10-10-2 opaque green")
            << 32 << QList<quint32>{0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000} << 0xC00FFC00u
            << qRgb(0, 255, 0);
    }
    void narrowBitmapChannelsReachTheFullRange() {
        QFETCH(int, bits);
        QFETCH(QList<quint32>, masks);
        QFETCH(quint32, pixel);
        QFETCH(QRgb, colour);
        const PictureRef picture = LoadPictureFromData(factory::bitfieldBmp(bits, masks, pixel), "a.bmp");
        QCOMPARE(picture->size(), QSize(3, 2));
        QCOMPARE(picture->image().pixel(2, 1), colour);
    }

    void memoryThatIsNotThereIsRefusedWhereItIsAsked() {
        QFile meminfo(QStringLiteral("/proc/meminfo"));
        QVERIFY(meminfo.open(QIODevice::ReadOnly));
        qint64 free = 0;
        for (const QByteArray& line : meminfo.readAll().split('\n'))
            if (line.startsWith("MemAvailable:") || line.startsWith("SwapFree:"))
                free += line.mid(line.indexOf(':') + 1).trimmed().split(' ')[0].toLongLong() * 1024;
        QVERIFY(!AllocatePixels(std::size_t(free + (qint64(2) << 30))));
        QVERIFY(AllocatePixels(std::size_t(64) << 20));
    }

    void headerReadingGivesHimetricThatRoundTrips() {
        factory::writeFile(path("h.bmp"), factory::encode(factory::gradient(640, 480), "BMP"));
        const PictureInfo info = ReadPictureInfo(path("h.bmp"));
        QCOMPARE(info.pixels, QSize(640, 480));
        QCOMPARE(info.himetricWidth, 16933); // 640 pixels at 96 per inch
        QCOMPARE(info.himetricHeight, 12700);
    }

    void bitmapFileLength_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<qint64>("length");
        QTest::newRow("640 x 480") << QSize(640, 480) << qint64(921654);
        QTest::newRow("1 x 1 pads to 4") << QSize(1, 1) << qint64(58);
        QTest::newRow("5 x 2") << QSize(5, 2) << qint64(54 + 16 * 2);
    }
    void bitmapFileLength() {
        QFETCH(QSize, size);
        QFETCH(qint64, length);
        QCOMPARE(BitmapFileLength(size), length);
        // The same length as a real 24-bit bitmap writer gives.
        const QByteArray written = factory::encode(factory::coordinates(size.width(), size.height()), "BMP");
        QCOMPARE(qint64(written.size()), length);
    }
};

QTEST_MAIN(TestPicture)
#include "test_picture.moc"
