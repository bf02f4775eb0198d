// The JPEG writer: the file it writes from a wrapper, where it writes it, and its messages on failure.
#include "encoding/mIntelJPEGLibrary.h"
#include "platform/Ijl.h"
#include "support/PictureFactory.h"
#include "support/ScriptedDialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <turbojpeg.h>

namespace {

// What TurboJPEG itself makes of the wrapper's memory at this quality, 4:2:0, with the accurate
// integer DCT (libjpeg's default; TurboJPEG's own is the fast one).
QByteArray turboJpeg(const cDIBSection& wrapper, int quality) {
    tjhandle tj = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    QByteArray jpeg;
    if (tjCompress2(tj, reinterpret_cast<const unsigned char*>(wrapper.DIBSectionBitsPtr()), wrapper.Width(),
                    wrapper.BytesPerScanLine(), wrapper.Height(), TJPF_BGR, &out, &size, TJSAMP_420, quality,
                    TJFLAG_BOTTOMUP | TJFLAG_ACCURATEDCT) == 0)
        jpeg = QByteArray(reinterpret_cast<const char*>(out), qsizetype(size));
    tjFree(out);
    tjDestroy(tj);
    return jpeg;
}

// Grey levels rising downwards and to the right: a flip shows at once, and 4:2:0 takes nothing away.
QImage ramp(int width) {
    QImage image(width, 10, QImage::Format_Grayscale8);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < width; ++x)
            image.scanLine(y)[x] = uchar(20 * y + 10 * x);
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

class SaveJpegTest : public QObject {
    Q_OBJECT

private slots:
    // Every padding a row can have (widths 1 to 4), a photo, and what may lie at the target first:
    // a link is replaced, never written through; a file is replaced whole, keeping its permissions.
    void writesUprightAtTheTarget_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("linkTo");   // a symbolic link at the target first
        QTest::addColumn<int>("existingMode"); // a file with these permissions at the target first
        for (int width = 1; width <= 4; ++width)
            QTest::addRow("width %d", width) << ramp(width) << "a.jpg" << QString() << 0;
        const QImage photo = factory::gradient(331, 100);
        QTest::newRow("photo, non-ASCII path")
            << photo << "Fotos – été/Ærø 日本 ñ (QLN).jpg" << QString() << 0;
        QTest::newRow("link to a file") << photo << "link.jpg"
                                        << "other.jpg" << 0;
        QTest::newRow("dangling link") << photo << "link.jpg"
                                       << "missing/other.jpg" << 0;
        QTest::newRow("longer file, mode 640") << photo << "a.jpg" << QString() << 0640;
        QTest::newRow("read-only file") << photo << "a.jpg" << QString() << 0444;
    }
    void writesUprightAtTheTarget() {
        QFETCH(QImage, image);
        QFETCH(QString, name);
        QFETCH(QString, linkTo);
        QFETCH(int, existingMode);
        QTemporaryDir folder;
        const QString target = folder.filePath(name);
        QVERIFY(QDir().mkpath(QFileInfo(target).path()));
        factory::writeFile(folder.filePath(QStringLiteral("other.jpg")), "keep");
        if (!linkTo.isEmpty()) QVERIFY(QFile::link(linkTo, target));
        if (existingMode) {
            factory::writeFile(target, factory::randomBytes(200000));
            QVERIFY(::chmod(QFile::encodeName(target).constData(), mode_t(existingMode)) == 0);
        }
        const int live = ijl::testing::Count().liveSessions;
        cDIBSection wrapper;
        wrapper.CreateFromPicture(Picture::make(image));
        ScriptedDialogs dialogs;
        QVERIFY(SaveJPEG(dialogs, wrapper, target, 90));
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(ijl::testing::Count().liveSessions, live);

        // Byte for byte what the encoder makes of the wrapper's memory at 90, 4:2:0: quality and layout
        // reach it unchanged.
        const QByteArray written = factory::readFile(target);
        QCOMPARE(written, turboJpeg(wrapper, 90));
        const QImage decoded = QImage::fromData(written, "JPEG");
        QVERIFY(factory::psnr(image, decoded) > factory::psnr(image.mirrored(false, true), decoded) + 10);
        QVERIFY(!QFileInfo(target).isSymLink());
        QCOMPARE(factory::readFile(folder.filePath(QStringLiteral("other.jpg"))), QByteArray("keep"));
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(target).constData(), &info), 0);
        if (existingMode) QCOMPARE(int(info.st_mode & 0777), existingMode);
    }

    // Every failure shows one message, frees what was initialised, and leaves the folder as it was.
    void failureShowsOneMessage_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("init fails") << "init"
                                    << "Failed to initialise the IJL library: -5";
        QTest::newRow("disk full") << "disk full"
                                   << "Failed to save to JPG";
        QTest::newRow("wrapper without pixels") << "no pixels"
                                                << "Failed to save to JPG";
    }
    void failureShowsOneMessage() {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("photo.jpg"));
        const QByteArray earlier = factory::randomBytes(3000);
        factory::writeFile(file, earlier);
        cDIBSection wrapper;
        if (fault != "no pixels") wrapper.CreateFromPicture(Picture::make(factory::gradient(200, 150)));
        const int live = ijl::testing::Count().liveSessions;
        if (fault == "init") ijl::testing::FailNextInit(-5);

        // The system refuses to let a file grow past 2,000 bytes, as a full disk would.
        rlimit saved, limit;
        getrlimit(RLIMIT_FSIZE, &saved);
        limit = saved;
        if (fault == "disk full") limit.rlim_cur = 2000;
        const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        ScriptedDialogs dialogs;
        const bool written = SaveJPEG(dialogs, wrapper, file, 90);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldSignal);

        QVERIFY(!written);
        QCOMPARE(dialogs.messages.size(), std::size_t(1));
        QCOMPARE(dialogs.messages[0].text, message);
        QCOMPARE(dialogs.messages[0].style, 48); // a warning
        QCOMPARE(ijl::testing::Count().liveSessions, live);
        QCOMPARE(factory::readFile(file), earlier);
        const QStringList left = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, QStringList{QStringLiteral("photo.jpg")}); // no temporary file either
    }
};

QTEST_MAIN(SaveJpegTest)
#include "test_savejpeg.moc"
