// The JPEG writer: what it writes from a wrapper, where, and its messages on failure.
#include "encoding/mIntelJPEGLibrary.h"
#include "platform/Ijl.h"
#include "support/PictureFactory.h"
#include "support/ScriptedDialogs.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QByteArray cjpeg(const cDIBSection& wrapper) {
    const QImage bottomUp(reinterpret_cast<const uchar*>(wrapper.DIBSectionBitsPtr()), wrapper.Width(),
                          wrapper.Height(), wrapper.BytesPerScanLine(), QImage::Format_BGR888);
    QProcess process;
    process.start("cjpeg", QStringList{"-quality", "90", "-optimize"});
    bottomUp.mirrored().save(&process, "PPM");
    process.closeWriteChannel();
    process.waitForFinished();
    return process.readAllStandardOutput();
}

} // namespace

class SaveJpegTest : public QObject {
    Q_OBJECT

private slots:
    // A link at the target is replaced, a file replaced keeping its mode; a failure warns once and
    // leaves the folder as it was. The names are not ASCII.
    void save_data() {
        QTest::addColumn<QImage>("image");
        for (const char* column : {"atTarget", "fault", "message"})
            QTest::addColumn<QString>(column);
        const auto row = [](const char* tag, QImage image, QString atTarget, QString fault = {},
                            QString message = {}) {
            QTest::newRow(tag) << image << atTarget << fault << message;
        };
        const QImage photo = factory::gradient(331, 100);
        row("photo", photo, "nothing");
        row("link to a file", photo, "link");
        row("longer read-only file", photo, "read-only file");
        row("init fails", photo, "file", "init", "Failed to initialise the IJL library: -5");
        row("disk full", photo, "file", "disk full", "Failed to save to JPG");
        row("wrapper without pixels", QImage(), "file", "", "Failed to save to JPG");
        row("wider than JPEG allows", factory::coordinates(70000, 1), "file", "", "Failed to save to JPG");
    }
    void save() {
        QFETCH(QImage, image);
        QFETCH(QString, atTarget);
        QFETCH(QString, fault);
        QFETCH(QString, message);
        if (message.isEmpty() && QStandardPaths::findExecutable("cjpeg").isEmpty())
            QSKIP("cjpeg (libjpeg-turbo-progs) is not installed");
        QTemporaryDir top;
        const QDir folder(top.filePath("Fotos – été"));
        QVERIFY(QDir().mkpath(folder.path()));
        const QString target = folder.filePath("Ærø 日本 ñ (QLN).jpg");
        factory::writeFile(folder.filePath("other.jpg"), "keep");
        if (atTarget == "link") QVERIFY(QFile::link("other.jpg", target));
        const QByteArray earlier = factory::randomBytes(200000);
        const bool file = atTarget.endsWith("file");
        const int mode = atTarget == "read-only file" ? 0444 : 0644;
        if (file) factory::writeFile(target, earlier);
        if (file) QVERIFY(::chmod(QFile::encodeName(target).constData(), mode_t(mode)) == 0);
        cDIBSection wrapper;
        if (!image.isNull()) wrapper.CreateFromPicture(Picture::make(image));
        if (fault == "init") ijl::testing::FailNextInit(-5);
        rlimit saved; // a file may not grow past 2,000 bytes, as on a full disk
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
        if (file) QCOMPARE(int(info.st_mode & 0777), mode);
        QVERIFY(!S_ISLNK(info.st_mode));
        QCOMPARE(factory::readFile(target), written ? cjpeg(wrapper) : earlier);
        if (written) QCOMPARE(EncodeJPEG(Picture::make(image), 90), factory::readFile(target));
        if (written) return;
        QVERIFY(dialogs.messages[0].text == message && dialogs.messages[0].style == vbExclamation);
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden).size(), 2); // nothing left beside them
    }
};

QTEST_MAIN(SaveJpegTest)
#include "test_savejpeg.moc"
