// The JPEG writer: the file it writes from a wrapper, where it writes it, and its messages on failure.
#include "encoding/mIntelJPEGLibrary.h"
#include "platform/Ijl.h"
#include "support/PictureFactory.h"
#include "support/ScriptedDialogs.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// What cjpeg -optimize writes at quality 90 from the wrapper's pixels.
QByteArray cjpeg(const cDIBSection& wrapper) {
    const QImage bottomUp(reinterpret_cast<const uchar*>(wrapper.DIBSectionBitsPtr()), wrapper.Width(),
                          wrapper.Height(), wrapper.BytesPerScanLine(), QImage::Format_BGR888);
    QTemporaryDir folder;
    const QString ppm = folder.filePath(QStringLiteral("pixels.ppm"));
    bottomUp.mirrored().save(ppm, "PPM");
    QProcess process;
    process.start(QStringLiteral("cjpeg"), QStringList{"-quality", "90", "-optimize", ppm});
    process.waitForFinished();
    return process.readAllStandardOutput();
}

} // namespace

class SaveJpegTest : public QObject {
    Q_OBJECT

private slots:
    // A link at the target is replaced, a file replaced whole keeping its mode; a failure shows one
    // warning and leaves the folder as it was.
    void save_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("mode"); // of a file at the target first
        for (const char* column : {"name", "linkTo", "fault", "message"})
            QTest::addColumn<QString>(column);
        const auto row = [](const char* tag, QImage image, QString name, QString link, int mode,
                            QString fault = {}, QString message = {}) {
            QTest::newRow(tag) << image << mode << name << link << fault << message;
        };
        for (int width = 1; width <= 4; ++width)
            row(qPrintable(QString("width %1").arg(width)), factory::coordinates(width, 10), "a.jpg", "", 0);
        const QImage photo = factory::gradient(331, 100);
        row("photo, non-ASCII path", photo, "Fotos – été/Ærø 日本 ñ (QLN).jpg", "", 0);
        row("transparent", factory::withTransparency(41, 30), "a.jpg", "", 0);
        row("link to a file", photo, "link.jpg", "other.jpg", 0);
        row("longer read-only file", photo, "a.jpg", "", 0444);
        row("init fails", photo, "a.jpg", "", 0644, "init", "Failed to initialise the IJL library: -5");
        row("disk full", photo, "a.jpg", "", 0644, "disk full", "Failed to save to JPG");
        row("wrapper without pixels", QImage(), "a.jpg", "", 0644, "", "Failed to save to JPG");
        row("wider than JPEG allows", factory::coordinates(70000, 1), "a.jpg", "", 0644, "",
            "Failed to save to JPG");
    }
    void save() {
        QFETCH(QImage, image);
        QFETCH(int, mode);
        QFETCH(QString, name);
        QFETCH(QString, linkTo);
        QFETCH(QString, fault);
        QFETCH(QString, message);
        if (message.isEmpty() && QStandardPaths::findExecutable(QStringLiteral("cjpeg")).isEmpty())
            QSKIP("cjpeg (libjpeg-turbo-progs) is not installed");
        QTemporaryDir folder;
        const QString target = folder.filePath(name);
        const QString other = folder.filePath(QStringLiteral("other.jpg"));
        QVERIFY(QDir().mkpath(QFileInfo(target).path()));
        factory::writeFile(other, "keep");
        if (!linkTo.isEmpty()) QVERIFY(QFile::link(linkTo, target));
        const QByteArray earlier = factory::randomBytes(200000);
        if (mode) factory::writeFile(target, earlier);
        if (mode) QVERIFY(::chmod(QFile::encodeName(target).constData(), mode_t(mode)) == 0);
        cDIBSection wrapper;
        if (!image.isNull()) wrapper.CreateFromPicture(Picture::make(image));
        if (fault == "init") ijl::testing::FailNextInit(-5);
        rlimit saved; // the system refuses to let a file grow past 2,000 bytes, as a full disk would
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit full{2000, saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        if (fault == "disk full") setrlimit(RLIMIT_FSIZE, &full);
        ScriptedDialogs dialogs;
        const bool written = SaveJPEG(dialogs, wrapper, target, 90);
        setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(dialogs.messages.size(), std::size_t(!message.isEmpty()));
        struct stat info;
        QCOMPARE(::lstat(QFile::encodeName(target).constData(), &info), 0);
        if (mode) QCOMPARE(int(info.st_mode & 0777), mode);
        QVERIFY(!S_ISLNK(info.st_mode));
        QCOMPARE(factory::readFile(target), written ? cjpeg(wrapper) : earlier);
        if (written) QCOMPARE(EncodeJPEG(Picture::make(image), 90), factory::readFile(target));
        if (written) return;
        QVERIFY(dialogs.messages[0].text == message && dialogs.messages[0].style == 48); // a warning
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).join(' '), "a.jpg other.jpg");
    }
};

QTEST_MAIN(SaveJpegTest)
#include "test_savejpeg.moc"
