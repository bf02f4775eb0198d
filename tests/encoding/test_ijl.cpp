// The JPEG library on TurboJPEG: the record's initial values, what reaches the encoder, and how the
// file is written (whole or not at all).
#include "platform/Ijl.h"
#include "EncodingTestSupport.h"
#include "support/PictureFactory.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace ijl;

namespace {

// One record, initialised and filled in for an image, freed on scope exit.
struct Job {
    JPEG_CORE_PROPERTIES r{};
    QByteArray pixels;
    QByteArray name;
    int initCode = ijlInit(&r);

    Job(const QImage& image, int padBytes, bool bottomUp, const QString& path, int quality = 90)
        : pixels(enc::bgrFromImage(image, padBytes, bottomUp)), name(path.toUtf8()) {
        r.DIBBytes = reinterpret_cast<std::uintptr_t>(pixels.constData());
        r.DIBWidth = image.width();
        r.DIBHeight = bottomUp ? -image.height() : image.height();
        r.DIBPadBytes = padBytes;
        r.JPGFile = reinterpret_cast<std::uintptr_t>(name.constData());
        r.JPGWidth = image.width();
        r.JPGHeight = image.height();
        r.jquality = quality;
    }
    ~Job() { ijlFree(&r); }
    int pitch() const { return r.DIBWidth * 3 + r.DIBPadBytes; }
    const std::uint8_t* bits() const { return reinterpret_cast<const std::uint8_t*>(pixels.constData()); }
    std::int32_t write() { return ijlWrite(&r, IJL_JFILE_WRITEWHOLEIMAGE); }
};

// Grey levels that rise downwards and to the right: a flip or a skew shows at once.
QImage ramp(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int v = std::min(255, 200 * y / std::max(1, height - 1) + 55 * x / std::max(1, width - 1));
            image.setPixel(x, y, qRgb(v, v, v));
        }
    return image;
}

} // namespace

class IjlTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString path(const QString& name) const { return dir.filePath(name); }

private slots:
    void initSetsUpTheRecordAndFreeReleasesIt() {
        const int live = testing::Count().liveSessions;
        JPEG_CORE_PROPERTIES r{};
        QCOMPARE(ijlInit(&r), std::int32_t(IJL_OK));
        QCOMPARE(r.DIBChannels, 3);
        QCOMPARE(r.DIBColor, IJL_BGR);
        QCOMPARE(r.JPGChannels, 3);
        QCOMPARE(r.JPGColor, IJL_YCBCR);
        QCOMPARE(r.JPGSubsampling, IJL_420);
        QCOMPARE(testing::Count().liveSessions, live + 1);
        QCOMPARE(ijlFree(&r), std::int32_t(IJL_OK));
        QCOMPARE(testing::Count().liveSessions, live);
        QVERIFY(ijlFree(&r) != IJL_OK); // nothing left to free
        QCOMPARE(testing::Count().liveSessions, live);
    }

    void forcedInitFailureSetsNothingUp() {
        const int live = testing::Count().liveSessions;
        testing::FailNextInit(-5);
        JPEG_CORE_PROPERTIES r{};
        QCOMPARE(ijlInit(&r), -5);
        QCOMPARE(r.DIBChannels, 0);
        QCOMPARE(testing::Count().liveSessions, live);
        QVERIFY(ijlWrite(&r, IJL_JFILE_WRITEWHOLEIMAGE) != IJL_OK);
        QCOMPARE(ijlInit(&r), std::int32_t(IJL_OK)); // only the next one fails
        ijlFree(&r);
    }

    void writesUprightPictureOfTheSameSize_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("padBytes");
        QTest::addColumn<bool>("bottomUp");
        QTest::addColumn<double>("minPsnr");
        for (int width = 1; width <= 5; ++width) {
            const int pad = enc::strideOf(width) - width * 3;
            QTest::addRow("width %d, padding %d", width, pad) << ramp(width, 12) << pad << true << 30.0;
        }
        QTest::newRow("33 x 17, top-down") << ramp(33, 17) << 1 << false << 30.0;
        QTest::newRow("colour gradient") << factory::gradient(160, 120) << 0 << true << 35.0;
        QTest::newRow("colour gradient, top-down") << factory::gradient(161, 121) << 1 << false << 35.0;
    }
    void writesUprightPictureOfTheSameSize() {
        QFETCH(QImage, image);
        QFETCH(int, padBytes);
        QFETCH(bool, bottomUp);
        QFETCH(double, minPsnr);
        const QString file = path(QStringLiteral("upright.jpg"));
        Job job(image, padBytes, bottomUp, file);
        QCOMPARE(job.write(), std::int32_t(IJL_OK));

        const QImage decoded(file, "JPEG");
        QCOMPARE(decoded.size(), image.size());
        const double quality = factory::psnr(image, decoded);
        QVERIFY2(quality >= minPsnr, qPrintable(QString::number(quality)));
        const double flipped = factory::psnr(image.mirrored(false, true), decoded);
        QVERIFY2(quality > flipped + 10, qPrintable(QStringLiteral("%1 vs %2").arg(quality).arg(flipped)));
    }

    // The encoder gets the pixels in place with their pitch and order, at the quality given.
    void recordReachesTheEncoderUnchanged_data() {
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("neighbour");
        QTest::newRow("1") << 1 << 2;
        QTest::newRow("50") << 50 << 51;
        QTest::newRow("90") << 90 << 89;
        QTest::newRow("100") << 100 << 99;
    }
    void recordReachesTheEncoderUnchanged() {
        QFETCH(int, quality);
        QFETCH(int, neighbour);
        const QString file = path(QStringLiteral("quality.jpg"));
        Job job(factory::gradient(61, 40), 1, true, file, quality);
        QCOMPARE(job.write(), std::int32_t(IJL_OK));
        const QByteArray written = factory::readFile(file);

        const QByteArray expected = enc::turboJpeg(job.bits(), 61, 40, job.pitch(), TJFLAG_BOTTOMUP, quality);
        QCOMPARE(written, expected);
        const QByteArray other = enc::turboJpeg(job.bits(), 61, 40, job.pitch(), TJFLAG_BOTTOMUP, neighbour);
        QVERIFY(enc::segments(written, 0xDB) != enc::segments(other, 0xDB));
        // Baseline frame: 40 × 61, three components, luma sampled 2 × 2 and chroma 1 × 1 (4:2:0).
        QCOMPARE(enc::segments(written, 0xC0).toHex(), QByteArray("080028003d03012200021101031101"));
    }

    void refusesIncompleteRecords_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("code");
        QTest::newRow("no pixels") << "no pixels" << int(IJL_INVALID_JPEG_PROPERTIES);
        QTest::newRow("zero width") << "zero width" << int(IJL_INVALID_JPEG_PROPERTIES);
        QTest::newRow("zero height") << "zero height" << int(IJL_INVALID_JPEG_PROPERTIES);
        QTest::newRow("JPEG width differs") << "jpeg width" << int(IJL_INVALID_JPEG_PROPERTIES);
        QTest::newRow("JPEG height differs") << "jpeg height" << int(IJL_INVALID_JPEG_PROPERTIES);
        QTest::newRow("negative padding") << "padding" << int(IJL_INVALID_JPEG_PROPERTIES);
        QTest::newRow("quality 101") << "quality high" << int(IJL_INVALID_JPEG_PROPERTIES);
        QTest::newRow("quality -1") << "quality low" << int(IJL_INVALID_JPEG_PROPERTIES);
        QTest::newRow("four channels") << "channels" << int(IJL_UNSUPPORTED_BYTES_PER_PIXEL);
        QTest::newRow("red first") << "rgb" << int(IJL_UNSUPPORTED_BYTES_PER_PIXEL);
        QTest::newRow("other I/O type") << "iotype" << int(IJL_UNSUPPORTED_IO);
        QTest::newRow("not initialised") << "freed" << int(IJL_INVALID_JPEG_PROPERTIES);
        QTest::newRow("no file name") << "no name" << int(IJL_INVALID_FILENAME);
        QTest::newRow("empty file name") << "empty name" << int(IJL_INVALID_FILENAME);
        QTest::newRow("missing folder") << "missing folder" << int(IJL_INVALID_FILENAME);
        QTest::newRow("name of a folder") << "folder" << int(IJL_INVALID_FILENAME);
        QTest::newRow("name ending in a slash") << "slash" << int(IJL_INVALID_FILENAME);
    }
    void refusesIncompleteRecords() {
        QFETCH(QString, fault);
        QFETCH(int, code);
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("sub")));
        QString target = folder.filePath(QStringLiteral("out.jpg"));
        if (fault == "missing folder") target = folder.filePath(QStringLiteral("nowhere/out.jpg"));
        if (fault == "folder") target = folder.filePath(QStringLiteral("sub"));
        if (fault == "slash") target = folder.filePath(QStringLiteral("sub/"));
        Job job(ramp(8, 8), 0, true, target);
        std::int32_t iotype = IJL_JFILE_WRITEWHOLEIMAGE;
        if (fault == "no pixels") job.r.DIBBytes = 0;
        if (fault == "zero width") job.r.DIBWidth = job.r.JPGWidth = 0;
        if (fault == "zero height") job.r.DIBHeight = job.r.JPGHeight = 0;
        if (fault == "jpeg width") job.r.JPGWidth = 7;
        if (fault == "jpeg height") job.r.JPGHeight = 9;
        if (fault == "padding") job.r.DIBPadBytes = -1;
        if (fault == "quality high") job.r.jquality = 101;
        if (fault == "quality low") job.r.jquality = -1;
        if (fault == "channels") job.r.DIBChannels = 4;
        if (fault == "rgb") job.r.DIBColor = IJL_RGB;
        if (fault == "iotype") iotype = 4;
        if (fault == "freed") ijlFree(&job.r);
        if (fault == "no name") job.r.JPGFile = 0;
        if (fault == "empty name") job.r.JPGFile = reinterpret_cast<std::uintptr_t>("");

        QCOMPARE(ijlWrite(&job.r, iotype), code);
        QCOMPARE(enc::entries(folder.path()), QStringList{QStringLiteral("sub")}); // nothing left behind
        QVERIFY(enc::entries(folder.filePath(QStringLiteral("sub"))).isEmpty());
    }

    void failedWriteLeavesExistingFileAlone() {
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("photo.jpg"));
        const QByteArray earlier = factory::randomBytes(5000);
        factory::writeFile(target, earlier);

        // The system refuses to let the file grow past 2,000 bytes, as a full disk would.
        Job job(factory::gradient(200, 150), 0, true, target);
        const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved;
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 2000;
        setrlimit(RLIMIT_FSIZE, &small);
        const std::int32_t code = job.write();
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldSignal);

        QCOMPARE(code, std::int32_t(IJL_ERR_FILECLOSE));
        QCOMPARE(factory::readFile(target), earlier);
        QCOMPARE(enc::entries(folder.path()), QStringList{QStringLiteral("photo.jpg")});
    }

    void replacesExistingFileKeepingPermissions() {
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("photo.jpg"));
        factory::writeFile(target, factory::randomBytes(200000)); // longer than the new file
        QVERIFY(::chmod(QFile::encodeName(target).constData(), 0640) == 0);

        Job job(ramp(40, 30), 0, true, target);
        QCOMPARE(job.write(), std::int32_t(IJL_OK));
        QCOMPARE(factory::readFile(target),
                 enc::turboJpeg(job.bits(), 40, 30, job.pitch(), TJFLAG_BOTTOMUP, 90));
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0640));
        QCOMPARE(enc::entries(folder.path()), QStringList{QStringLiteral("photo.jpg")});
    }

    void newFileTakesUmask() {
        QTemporaryDir folder;
        const QString target = folder.filePath(QStringLiteral("new.jpg"));
        const mode_t saved = ::umask(027);
        Job job(ramp(8, 8), 0, true, target);
        const std::int32_t code = job.write();
        ::umask(saved);
        QCOMPARE(code, std::int32_t(IJL_OK));
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0640));
    }

    void symbolicLinkIsReplacedNotFollowed_data() {
        QTest::addColumn<QString>("linkTarget");
        QTest::newRow("to a file") << "other.jpg";
        QTest::newRow("dangling") << "missing/other.jpg";
    }
    void symbolicLinkIsReplacedNotFollowed() {
        QFETCH(QString, linkTarget);
        QTemporaryDir folder;
        const QString other = folder.filePath(QStringLiteral("other.jpg"));
        factory::writeFile(other, "keep");
        const QString link = folder.filePath(QStringLiteral("link.jpg"));
        QVERIFY(QFile::link(linkTarget, link));

        Job job(ramp(8, 8), 0, true, link);
        QCOMPARE(job.write(), std::int32_t(IJL_OK));
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(QImage(link, "JPEG").size(), QSize(8, 8));
        QCOMPARE(factory::readFile(other), QByteArray("keep"));
    }

    void nonAsciiPathPassesUnchanged() {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Fotos – été")));
        const QString target = folder.filePath(QStringLiteral("Fotos – été/Ærø 日本 ñ (QLN).jpg"));
        Job job(ramp(8, 8), 0, true, target);
        QCOMPARE(job.write(), std::int32_t(IJL_OK));
        QVERIFY(QFileInfo::exists(target));
        QCOMPARE(QImage(target, "JPEG").size(), QSize(8, 8));
    }
};

QTEST_MAIN(IjlTest)
#include "test_ijl.moc"
