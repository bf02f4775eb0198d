// Loading pictures, hostile ones included, and their colours made sRGB.
#include "imaging/ColourProfile.h"
#include "imaging/Error.h"
#include "imaging/LargeMemory.h"
#include "imaging/Picture.h"
#include "support/PictureFactory.h"

#include <QColorSpace>
#include <QPainter>
#include <QtTest>
#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// What reading gives: the size read, or the error's message.
template <typename Read> static QString outcomeOf(const Read& read) {
    try {
        const QSize size = read();
        return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
    } catch (const QuillonError& error) {
        return error.message();
    }
}

class TestPicture : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    const QImage photo = [] { // its top-left corner black
        QImage image = factory::gradient(240, 160);
        QPainter(&image).fillRect(0, 0, 48, 48, Qt::black);
        return image;
    }();
    QString written(const QString& name, const QByteArray& bytes) {
        factory::writeFile(dir.filePath(name), bytes);
        return dir.filePath(name);
    }

private slots:
    // Each format, whatever the name says; where the stored top-left corner lands after a turn in EXIF
    // or HEIC boxes. A JPEG is decoded at the smallest fraction still twice the result.
    void turnsAndShrinksAsStored_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("turn");
        QTest::addColumn<double>("fidelity"); // PSNR against the source when upright; infinite: lossless
        const QByteArray jpeg = factory::encode(photo, "JPEG", 95);
        for (int turn = 1; turn <= 8; ++turn) {
            QTest::addRow("JPEG %d", turn) << factory::withExifOrientation(jpeg, turn) << turn << 30.0;
            QTest::addRow("HEIC %d", turn) << factory::encode(photo, "HEIC", 95, turn) << turn << 30.0;
        }
        QTest::newRow("CMYK") << factory::encode(photo, "CMYK", 95) << 1 << 30.0;
        const QImage grey = photo.convertToFormat(QImage::Format_Grayscale8);
        QTest::newRow("grey") << factory::encode(grey, "JPEG", 95) << 1 << 0.0;
        QTest::newRow("GIF") << factory::encode(photo, "GIF") << 1 << 18.0;
        for (const char* format : {"BMP", "PNG", "WEBP", "TIFF"}) // WebP at 100 is lossless
            QTest::newRow(format) << factory::encode(photo, format, 100) << 1 << qInf();
    }
    void turnsAndShrinksAsStored() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, turn);
        QFETCH(double, fidelity);
        const QPoint corners[] = {{0, 0}, {239, 0}, {239, 159}, {0, 159},
                                  {0, 0}, {159, 0}, {159, 239}, {0, 239}};
        const QString path = written("picture.jpg", bytes); // the bytes decide, not the name
        const PictureRef picture = LoadPicture(path);
        const QImage whole = picture->image();
        QCOMPARE(whole.size(), turn >= 5 ? QSize(160, 240) : QSize(240, 160));
        QCOMPARE(ReadPictureInfo(path).pixels, whole.size());
        QVERIFY(qGray(whole.pixel(corners[turn - 1])) < 40);
        if (turn == 1) {
            QVERIFY(factory::psnr(photo, whole) >= fidelity);
            QCOMPARE(picture->hasTransparency(), bytes.startsWith("GIF")); // ours has a clear index
        }
        const bool jpeg = bytes.startsWith("\xFF\xD8"); // any other is decoded whole
        for (const int fraction : {2, 4, 8}) {
            const QSize result = whole.size() / (2 * fraction);
            const QImage shrunk = LoadPictureFor(path, result)->image();
            QCOMPARE(shrunk.size(), jpeg ? whole.size() / fraction : whole.size());
            QCOMPARE(DecodedSizeFor(ReadPictureInfo(path), result), shrunk.size());
            const QImage wholeShrunk =
                whole.scaled(shrunk.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            QVERIFY(factory::psnr(wholeShrunk, shrunk) > 30);
        }
    }

    // Each row's name is its file's. Refused, or the header read, without reading the rest (the long
    // files are sparse); a file that opens has its header's size.
    void hostileFilesGiveAClearError_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QString>("outcome");
        const auto refused = [](const QString& name, const QByteArray& bytes, const char* why,
                                qint64 length = 0) {
            QTest::newRow(qPrintable(name))
                << bytes << length << QStringLiteral("The file “%1” could not be opened: %2").arg(name, why);
        };
        QVERIFY(QDir(dir.path()).mkdir("folder.jpg"));
        refused("folder.jpg", {}, "it is a folder");
        // A pipe is refused without waiting for a writer.
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("pipe.jpg")).constData(), 0600), 0);
        refused("pipe.jpg", {}, "it is not a picture file");
        refused("missing.jpg", {}, "there is no such file");
        refused("empty.jpg", "", "the file is empty");
        for (const char* format : {"JPEG", "BMP", "PNG", "WEBP", "TIFF", "HEIC"}) {
            const QByteArray whole = factory::encode(factory::gradient(300, 200), format);
            refused(QStringLiteral("cut.%1").arg(format), whole.left(whole.size() / 2),
                    "it is damaged or incomplete");
        }
        for (const char* format :
             {"PNG", "WEBP", "TIFF", "HEIC", "GIF", "BMP"}) // beyond the pixels or a side
            for (const QSize size : {QSize(60000, 60000), QSize(65535, 4), QSize(4, 65535)})
                refused(QStringLiteral("%1x%2.%3").arg(size.width()).arg(size.height()).arg(format),
                        factory::claiming(format, size.width(), size.height()), "the picture is too large");
        const QByteArray jpeg = factory::encode(factory::gradient(300, 200), "JPEG");
        refused("padded.jpg", jpeg,
                "the file is 9.0 GB long, longer than any picture Quillon opens can be (9 GB). It may be "
                "damaged, or something else.",
                MaxPictureFileBytes + 1);
        refused("film.mkv", "\x1A\x45\xDF\xA3",
                "it is not a picture Quillon can open (JPEG, PNG, GIF, bitmap, WebP, TIFF or HEIC).",
                qint64(3) << 30);
        QTest::newRow("tail.jpg") << jpeg << (qint64(2) << 30) << "300x200";
        QTest::newRow("end.tif") << factory::encode(factory::gradient(2000, 1500), "TIFF") << qint64(0)
                                 << "2000x1500"; // the directory after the pixels
        QTest::newRow("icc.jpg") << factory::withIccProfile(jpeg, factory::randomBytes(200000), 4)
                                 << qint64(0) << "300x200"; // the size after a large profile
    }
    void hostileFilesGiveAClearError() {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, length);
        QFETCH(QString, outcome);
        const QString name = QTest::currentDataTag();
        const QString path = bytes.isNull() ? dir.filePath(name) : written(name, bytes); // null: not written
        if (length > 0) QCOMPARE(::truncate(QFile::encodeName(path).constData(), length), 0);
        const auto bytesRead = [] {
            return factory::readFile("/proc/self/io").split('\n')[0].mid(7).toLongLong();
        };
        const qint64 before = bytesRead();
        const QString header = outcomeOf([&] { return ReadPictureInfo(path).pixels; });
        QVERIFY2(bytesRead() - before < (1 << 20), qPrintable(QString::number(bytesRead() - before)));
        const QString opened = length > 0 ? header : outcomeOf([&] { return LoadPicture(path)->size(); });
        QVERIFY2(opened.startsWith(outcome), qPrintable(opened));
        if (!opened.contains("damaged or incomplete")) QCOMPARE(header, opened);
    }

    void narrowBitmapChannelsReachTheFullRange_data() {
        QTest::addColumn<QByteArray>("bmp");
        QTest::addColumn<QRgb>("colour");
        const auto row = [](const char* name, int bits, QList<quint32> masks, quint32 pixel, QRgb colour) {
            QTest::newRow(name) << factory::bitfieldBmp(bits, masks, pixel) << colour;
        };
        row("5-5-5 half red", 16, {}, 16u << 10, qRgb(132, 0, 0));
        row("4-4-4-4 opaque white", 16, {0x0F00, 0x00F0, 0x000F, 0xF000}, 0xFFFF, qRgb(255, 255, 255));
        row("10-10-10-2 green", 32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, 0xC00FFC00, qRgb(0, 255, 0));
    }
    void narrowBitmapChannelsReachTheFullRange() {
        QFETCH(QByteArray, bmp);
        QTEST(LoadPictureFromData(bmp, "a.bmp")->image().pixel(2, 1), "colour");
    }

    void memoryThatIsNotThereIsRefusedWhereItIsAsked() {
        qint64 free = 0;
        for (const QByteArray& line : factory::readFile("/proc/meminfo").split('\n'))
            if (line.startsWith("MemAvailable:") || line.startsWith("SwapFree:"))
                free += line.mid(line.indexOf(':') + 1).trimmed().split(' ')[0].toLongLong() * 1024;
        QVERIFY(!AllocatePixels(std::size_t(free + (qint64(2) << 30))));
        QVERIFY(AllocatePixels(std::size_t(64) << 20));
    }

    // A card pulled out while it is read: an ordinary error or an ordinary picture.
    void aFileCutShortWhileItIsReadIsAnError() {
        const QByteArray jpeg = factory::encode(factory::gradient(1600, 1200), "JPEG");
        const QString path = written("card.jpg", jpeg);
        std::atomic<bool> done{false};
        std::thread card([&] {
            const QByteArray name = QFile::encodeName(path);
            for (int cut = 1; !done; cut = cut % 7 + 1) {
                ::truncate(name.constData(), jpeg.size() * cut / 8);
                ::truncate(name.constData(), jpeg.size());
            }
        });
        for (int i = 0; i < 40; ++i) { // a mapped file would end the program here with SIGBUS
            try {
                QCOMPARE(LoadPicture(path)->size(), QSize(1600, 1200));
            } catch (const QuillonError&) {
            }
        }
        done = true;
        card.join();
    }

    // Profiles in JPEG APP2 pieces (negative: the first lost); 0: a PNG's, written by Qt.
    void opensInSrgb_data() {
        QTest::addColumn<QByteArray>("icc");
        QTest::addColumn<int>("chunks");
        QTest::addColumn<bool>("converted");
        const QByteArray adobe = RgbProfileFromPrimaries({0.64, 0.33}, {0.21, 0.71}, {0.15, 0.06});
        const QByteArray p3 = RgbProfileFromPrimaries({0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060});
        QTest::newRow("JPEG, Adobe RGB") << adobe << 1 << true;
        QTest::newRow("JPEG, Display P3 in three pieces") << p3 << 3 << true;
        QTest::newRow("PNG, Adobe RGB") << adobe << 0 << true;
        QTest::newRow("JPEG, sRGB") << RgbProfileFromPrimaries({.64, .33}, {.3, .6}, {.15, .06}) << 1
                                    << false;
        QTest::newRow("JPEG, random bytes") << factory::randomBytes(3000) << 2 << false;
        QTest::newRow("JPEG, a piece missing") << p3 << -3 << false;
    }
    void opensInSrgb() {
        QFETCH(QByteArray, icc);
        QFETCH(int, chunks);
        QFETCH(bool, converted);
        const QRgb colours[] = {0xff6496c8, 0xffc83c28, 0xff1ec85a, 0xff808080}; // blue, red, green, grey
        QImage picture =
            QImage(reinterpret_cast<const uchar*>(colours), 4, 1, QImage::Format_RGB32).scaled(32, 8);
        const char* format = chunks ? "JPEG" : "PNG";
        const QByteArray plain = factory::encode(picture, format, 100);
        QByteArray tagged = chunks ? factory::withIccProfile(plain, icc, std::abs(chunks)) : plain;
        if (chunks < 0) tagged.remove(2, 2 + (uchar(tagged[4]) << 8 | uchar(tagged[5])));
        if (chunks == 0) picture.setColorSpace(QColorSpace::fromIccProfile(icc));
        if (chunks == 0) tagged = factory::encode(picture, format, 100);
        const QImage raw = LoadPictureFromData(plain, "plain")->image();
        const QImage loaded = LoadPictureFromData(tagged, "tagged")->image();
        if (!converted) {
            QCOMPARE(loaded, raw);
            return;
        }
        QImage expected = raw; // by Qt's own conversion
        expected.setColorSpace(QColorSpace::fromIccProfile(icc));
        expected.convertToColorSpace(QColorSpace::SRgb);
        QVERIFY(factory::psnr(loaded, expected) > 45);
    }
};

QTEST_MAIN(TestPicture)
#include "test_picture.moc"
