// Loading pictures, hostile files and a file cut short while it is read included; colours made sRGB.
#include "imaging/ColourProfile.h"
#include "imaging/Error.h"
#include "imaging/LargeMemory.h"
#include "imaging/Picture.h"
#include "support/PictureFactory.h"

#include <QColorSpace>
#include <QPainter>
#include <QtTest>
#include <atomic>
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
    QString written(const QString& name, const QByteArray& bytes) {
        factory::writeFile(dir.filePath(name), bytes);
        return dir.filePath(name);
    }

private slots:
    void loadsEachFormat_data() {
        QTest::addColumn<QByteArray>("format");
        for (const char* format : {"JPEG", "CMYK", "GIF", "BMP", "PNG", "WEBP", "TIFF", "HEIC"})
            QTest::newRow(format) << QByteArray(format);
    }
    void loadsEachFormat() {
        QFETCH(QByteArray, format);
        const QImage source = factory::gradient(64, 48);
        const int quality = format == "WEBP" ? 100 : 90; // lossless WebP
        // Every file is named .jpg: its bytes decide.
        const QString path = written("picture.jpg", factory::encode(source, format, quality));
        const PictureRef picture = LoadPicture(path);
        QCOMPARE(picture->hasTransparency(), format == "GIF"); // our GIF always has a transparent index
        if (format == "JPEG" || format == "CMYK" || format == "HEIC" || format == "GIF")
            QVERIFY(factory::psnr(source, picture->image()) > (format == "GIF" ? 18 : 30));
        else
            QCOMPARE(picture->image().convertToFormat(QImage::Format_RGB32), source);
        QCOMPARE(ReadPictureInfo(path).pixels, QSize(64, 48));
    }

    // EXIF in a JPEG, the rotation and mirroring boxes in a HEIC: where the stored top-left corner lands.
    // A JPEG is decoded at the smallest fraction still twice the result: the whole decode, shrunk.
    void turnsAndShrinksAsStored_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("turn");
        QImage source = factory::gradient(240, 160);
        QPainter(&source).fillRect(0, 0, 48, 48, Qt::black);
        const QByteArray jpeg = factory::encode(source, "JPEG", 95);
        for (int turn = 1; turn <= 8; ++turn) {
            QTest::addRow("JPEG %d", turn) << factory::withExifOrientation(jpeg, turn) << turn;
            QTest::addRow("HEIC %d", turn) << factory::encode(source, "HEIC", 95, turn) << turn;
        }
        QTest::newRow("CMYK") << factory::encode(source, "CMYK", 95) << 1;
        const QImage grey = source.convertToFormat(QImage::Format_Grayscale8);
        QTest::newRow("grey") << factory::encode(grey, "JPEG", 95) << 1;
    }
    void turnsAndShrinksAsStored() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, turn);
        const QPoint corners[] = {{0, 0}, {239, 0}, {239, 159}, {0, 159}, {0, 0}, {159, 0}, {159, 239}, {0, 239}};
        const QString path = written("turned", bytes);
        const QImage whole = LoadPicture(path)->image();
        QCOMPARE(whole.size(), turn >= 5 ? QSize(160, 240) : QSize(240, 160));
        QCOMPARE(ReadPictureInfo(path).pixels, whole.size());
        QVERIFY(qGray(whole.pixel(corners[turn - 1])) < 40);
        const bool jpeg = bytes.startsWith("\xFF\xD8"); // a HEIC is decoded whole
        for (const int fraction : {2, 4, 8}) {
            const QSize result = whole.size() / (2 * fraction);
            const QImage shrunk = LoadPictureFor(path, result)->image();
            QCOMPARE(shrunk.size(), jpeg ? whole.size() / fraction : whole.size());
            QCOMPARE(DecodedSizeFor(ReadPictureInfo(path), result), shrunk.size());
            const QImage wholeShrunk = whole.scaled(shrunk.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            QVERIFY(factory::psnr(wholeShrunk, shrunk) > 30);
        }
    }

    void hostileFilesGiveAClearError_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("why");
        const auto row = [](const QString& name, const QByteArray& bytes, const char* why) {
            QTest::addRow("%s, %s", qPrintable(name), why) << name << bytes << QString(why);
        };
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.jpg")));
        row("folder.jpg", {}, "a folder");
        row("missing.jpg", {}, "no such file");
        row("empty.jpg", "", "empty");
        row("short.bmp", factory::encode(factory::gradient(9, 9), "BMP").chopped(100),
            "damaged or incomplete");
        for (const char* format : {"JPEG", "PNG", "WEBP", "TIFF", "HEIC"}) {
            const QByteArray whole = factory::encode(factory::gradient(300, 200), format);
            row(QStringLiteral("cut.%1").arg(format), whole.left(whole.size() / 2), "damaged or incomplete");
        }
        for (const char* format :
             {"PNG", "WEBP", "TIFF", "HEIC", "GIF", "BMP"}) // beyond the pixels or a side
            for (const QSize size : {QSize(60000, 60000), QSize(65535, 4), QSize(4, 65535)})
                row(QStringLiteral("%1x%2.%3").arg(size.width()).arg(size.height()).arg(format),
                    factory::claiming(format, size.width(), size.height()), "too large");
    }
    void hostileFilesGiveAClearError() {
        QFETCH(QString, name);
        QFETCH(QByteArray, data);
        QFETCH(QString, why);
        const QString path = data.isNull() ? dir.filePath(name) : written(name, data); // null: not written
        const QString message = outcomeOf([&] { return LoadPicture(path)->size(); });
        QVERIFY2(message.contains(name) && message.contains(why), qPrintable(message));
    }

    // Refused, or the header read, without reading the rest (the long files are sparse).
    void theFirstBytesDecide_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<QString>("outcome");
        const QByteArray jpeg = factory::encode(factory::gradient(300, 200), "JPEG");
        QTest::newRow("a photo longer than any picture")
            << "padded.jpg" << jpeg << MaxPictureFileBytes + 1
            << "The file “padded.jpg” could not be opened: the file is 9.0 GB long, longer than any picture "
               "Quillon opens can be (9 GB). It may be damaged, or something else.";
        QTest::newRow("a long file that is no picture")
            << "film.mkv" << QByteArray("\x1A\x45\xDF\xA3") << (qint64(3) << 30)
            << "The file “film.mkv” could not be opened: it is not a picture Quillon can open (JPEG, PNG, GIF, "
               "bitmap, WebP, TIFF or HEIC).";
        QTest::newRow("a photo with a long tail") << "tail.jpg" << jpeg << (qint64(2) << 30) << "300x200";
        QTest::newRow("a TIFF's directory at its end")
            << "end.tif" << factory::encode(factory::gradient(2000, 1500), "TIFF") << qint64(0)
            << "2000x1500";
        QTest::newRow("a JPEG's size after a large profile")
            << "icc.jpg" << factory::withIccProfile(jpeg, factory::randomBytes(200000), 4) << qint64(0)
            << "300x200";
    }
    void theFirstBytesDecide() {
        QFETCH(QString, name);
        QFETCH(QByteArray, start);
        QFETCH(qint64, length);
        QFETCH(QString, outcome);
        const QString path = written(name, start);
        if (length > 0) QCOMPARE(::truncate(QFile::encodeName(path).constData(), length), 0);
        const auto bytesRead = [] {
            return factory::readFile("/proc/self/io").split('\n')[0].mid(7).toLongLong();
        };
        const qint64 before = bytesRead();
        QCOMPARE(outcomeOf([&] { return ReadPictureInfo(path).pixels; }), outcome);
        QVERIFY2(bytesRead() - before < (1 << 20), qPrintable(QString::number(bytesRead() - before)));
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
        QFETCH(QRgb, colour);
        QCOMPARE(LoadPictureFromData(bmp, "a.bmp")->image().pixel(2, 1), colour);
    }

    void memoryThatIsNotThereIsRefusedWhereItIsAsked() {
        qint64 free = 0;
        for (const QByteArray& line : factory::readFile(QStringLiteral("/proc/meminfo")).split('\n'))
            if (line.startsWith("MemAvailable:") || line.startsWith("SwapFree:"))
                free += line.mid(line.indexOf(':') + 1).trimmed().split(' ')[0].toLongLong() * 1024;
        QVERIFY(!AllocatePixels(std::size_t(free + (qint64(2) << 30))));
        QVERIFY(AllocatePixels(std::size_t(64) << 20));
    }

    // A card pulled out while it is read: an ordinary error or an ordinary picture.
    void aFileCutShortWhileItIsReadIsAnError() {
        const QByteArray jpeg = factory::encode(factory::gradient(1600, 1200), "JPEG");
        const QString path = written(QStringLiteral("card.jpg"), jpeg);
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

    // JPEG profiles go in APP2 pieces (negative: the first one written lost); 0: a PNG, whose profile Qt
    // writes.
    void opensInSrgb_data() {
        QTest::addColumn<QByteArray>("icc");
        QTest::addColumn<int>("chunks");
        QTest::addColumn<bool>("converted");
        const QByteArray adobe = RgbProfileFromPrimaries({0.64, 0.33}, {0.21, 0.71}, {0.15, 0.06});
        const QByteArray p3 = RgbProfileFromPrimaries({0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060});
        QTest::newRow("JPEG, Adobe RGB") << adobe << 1 << true;
        QTest::newRow("JPEG, Display P3 in three pieces") << p3 << 3 << true;
        QTest::newRow("PNG, Adobe RGB") << adobe << 0 << true;
        QTest::newRow("JPEG, sRGB") << RgbProfileFromPrimaries({.64, .33}, {.3, .6}, {.15, .06}) << 1 << false;
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
        const QImage raw = LoadPictureFromData(plain, QStringLiteral("plain"))->image();
        const QImage loaded = LoadPictureFromData(tagged, QStringLiteral("tagged"))->image();
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
