// Opening, closing and clearing the picture through the real window.
#include "MainWindowFixture.h"
#include "main_window/modGlobal.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

class TestOpenClose : public QObject {
    Q_OBJECT

    // A named pipe. Should opening it ever block again, a writer comes after a few seconds and lets
    // the test fail instead of hanging the run.
    static void makePipeThatCannotHang(const QString& path) {
        const QByteArray name = QFile::encodeName(path);
        QVERIFY(::mkfifo(name.constData(), 0600) == 0);
        std::thread([name] {
            std::this_thread::sleep_for(std::chrono::seconds(5));
            const int fd = ::open(name.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        }).detach();
    }
private slots:
    // Drops files on the window as a file manager does.
    static void drop(MainWindowFixture& f, const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject*>(f.window.get())->event(&event); // as the platform's drag manager delivers it
    }

    void opensEachFormatEveryWay_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QString>("how");
        const QImage photo = factory::gradient(640, 480);
        QTest::newRow("jpeg") << "photo.jpg" << photo << QByteArray("JPEG") << "dialog";
        QTest::newRow("gif with transparency")
            << "clip.gif" << factory::withTransparency(640, 480) << QByteArray("GIF") << "dialog";
        QTest::newRow("24-bit bitmap") << "scan.bmp" << photo << QByteArray("BMP") << "dialog";
        QTest::newRow("png, dropped") << "shot.png" << photo << QByteArray("PNG") << "drop";
        QTest::newRow("webp, an argument") << "web.webp" << photo << QByteArray("WEBP") << "argument";
        QTest::newRow("tiff") << "scan.TIF" << photo << QByteArray("TIFF") << "dialog";
        QTest::newRow("heic, dropped") << "IMG_0042.HEIC" << photo << QByteArray("HEIC") << "drop";
    }
    void opensEachFormatEveryWay() {
        QFETCH(QString, name);
        QFETCH(QImage, image);
        QFETCH(QByteArray, format);
        QFETCH(QString, how);
        MainWindowFixture f;
        const QString path = f.writePicture(name, image, format.constData());
        if (how == "dialog") f.open(path);
        if (how == "drop") drop(f, {QUrl::fromLocalFile(path)});
        if (how == "argument") f.window->OpenFile(path);
        QVERIFY(f.dialogs.messages.empty());
        QCOMPARE(f.window->CDlgFile.FileName, path);
        QCOMPARE(f.original()->Picture()->size(), QSize(640, 480));
        QCOMPARE(f.resizedSize(), QSize(640, 480));
        QCOMPARE(f.Label1()->text(), FormatFileSize(double(QFileInfo(path).size())));
        QCOMPARE(f.txtwidth()->text(), QStringLiteral("640"));
        QCOMPARE(f.txtheight()->text(), QStringLiteral("480"));
        if (how != "dialog") return;
        const OpenDialogRequest& request = f.dialogs.openRequests.at(0);
        QCOMPARE(request.title, QStringLiteral("Open Image File"));
        QVERIFY2(
            request.filter.startsWith("Image Files (*.jpg *.gif *.bmp);;All Pictures (*.jpg *.jpeg *.jpe "),
            qPrintable(request.filter));
    }

    void aDropOpensTheFirstLocalFileOnly() {
        MainWindowFixture f;
        const QString first = f.writePicture("a.jpg", factory::gradient(64, 48));
        drop(f, {QUrl(QStringLiteral("https://example.org/b.jpg"))});
        QVERIFY(f.window->CDlgFile.FileName.isEmpty());
        drop(f, {QUrl::fromLocalFile(first),
                 QUrl::fromLocalFile(f.writePicture("b.jpg", factory::gradient(8, 8)))});
        QCOMPARE(f.window->CDlgFile.FileName, first);
        QVERIFY2(f.window->StatusText().contains("first of 2"), qPrintable(f.window->StatusText()));
        QVERIFY(f.dialogs.messages.empty());
    }

    void openAndLoadPictureAreOneHandler() {
        MainWindowFixture f;
        const QString path = f.writePicture("a.jpg", factory::gradient(200, 100));
        f.dialogs.openAnswers = {path};
        f.action("mnuFileOpen")->trigger();
        const QString viaMenu = f.Label1()->text() + f.txtwidth()->text() + f.txtheight()->text();
        f.open(path);
        QCOMPARE(f.Label1()->text() + f.txtwidth()->text() + f.txtheight()->text(), viaMenu);
        QCOMPARE(f.dialogs.openRequests.size(), size_t(2));
    }

    void openingResizesAtOnceEvenInManualMode() {
        MainWindowFixture f;
        f.click(f.chkAutomatic());
        f.choose(f.cmbScaleX(), "050 %");
        f.choose(f.cmbScaleY(), "050 %");
        f.open(f.writePicture("a.bmp", factory::gradient(640, 480), "BMP"));
        QCOMPARE(f.resizedSize(), QSize(320, 240));
        QCOMPARE(f.txtwidth()->text(), QStringLiteral("640"));
    }

    void cancellingKeepsPictureAndFile() {
        MainWindowFixture f;
        const QString path = f.writePicture("a.bmp", factory::gradient(640, 480), "BMP");
        f.open(path);
        const PictureRef original = f.original()->Picture();
        f.open(QString()); // cancel
        QCOMPARE(f.original()->Picture(), original);
        QCOMPARE(f.window->CDlgFile.FileName, path);
        f.choose(f.cmbScaleX(), "050 %");
        QCOMPARE(f.txtwidth()->text(), QStringLiteral("320")); // still estimated: the file is current
    }

    void exifOrientationSixOpensUpright() {
        MainWindowFixture f;
        const QString path = f.dir.filePath("phone.jpg");
        factory::writeFile(
            path, factory::withExifOrientation(factory::encode(factory::gradient(640, 480), "JPEG"), 6));
        f.open(path);
        QCOMPARE(f.original()->Picture()->size(), QSize(480, 640));
        QCOMPARE(f.txtwidth()->text(), QStringLiteral("480"));
        QCOMPARE(f.txtheight()->text(), QStringLiteral("640"));
    }

    void hostileFilesWarnOnceAndChangeNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray jpeg = factory::encode(factory::gradient(300, 200), "JPEG");
        QTest::newRow("empty") << "empty.jpg" << QByteArray();
        QTest::newRow("random bytes") << "random.jpg" << factory::randomBytes(4000);
        QTest::newRow("truncated jpeg") << "cut.jpg" << jpeg.left(jpeg.size() / 2);
        QTest::newRow("gif claims 60000 x 60000") << "huge.gif" << factory::gifClaiming(60000, 60000);
        QTest::newRow("bmp claims 60000 x 60000") << "huge.bmp" << factory::bmpClaiming(60000, 60000);
        QTest::newRow("missing") << "missing.jpg" << QByteArray("-");
        QTest::newRow("a folder") << "folder.jpg" << QByteArray("/");
        QTest::newRow("a named pipe") << "pipe.jpg" << QByteArray("|");
    }
    void hostileFilesWarnOnceAndChangeNothing() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        MainWindowFixture f;
        f.open(f.writePicture("good.bmp", factory::gradient(64, 48), "BMP"));
        f.choose(f.cmbScaleX(), "050 %");
        const PictureRef original = f.original()->Picture();
        const PictureRef resized = f.resized()->Picture();
        const QString state = f.Label1()->text() + '|' + f.txtwidth()->text() + '|' + f.txtheight()->text();
        const QString path = f.dir.filePath(name);
        if (bytes == "/")
            QDir(f.dir.path()).mkdir(name);
        else if (bytes == "|")
            makePipeThatCannotHang(path);
        else if (bytes != "-")
            factory::writeFile(path, bytes);
        f.open(path);
        QCOMPARE(f.dialogs.messages.size(), size_t(1));
        QVERIFY2(f.dialogs.messages[0].text.contains(name), qPrintable(f.dialogs.messages[0].text));
        QCOMPARE(f.dialogs.messages[0].style, int(vbExclamation));
        QCOMPARE(f.dialogs.messages[0].title, QStringLiteral("Quillon"));
        QCOMPARE(f.original()->Picture(), original);
        QCOMPARE(f.resized()->Picture(), resized);
        QCOMPARE(f.Label1()->text() + '|' + f.txtwidth()->text() + '|' + f.txtheight()->text(), state);
        QCOMPARE(f.cmbScaleX()->currentText(), QStringLiteral("050 %"));
        QCOMPARE(f.window->CDlgFile.FileName, f.dir.filePath("good.bmp"));
    }

    void closeAndClear_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("manual");
        QTest::newRow("close, automatic") << "close" << false;
        QTest::newRow("close, manual") << "close" << true;
        QTest::newRow("clear, automatic") << "clear" << false;
        QTest::newRow("clear, manual") << "clear" << true;
    }
    void closeAndClear() {
        QFETCH(QString, command);
        QFETCH(bool, manual);
        MainWindowFixture f;
        const QString path = f.writePicture("a.bmp", factory::gradient(640, 480), "BMP");
        f.open(path);
        f.choose(f.cmbScaleX(), "050 %");
        f.choose(f.cmbScaleY(), "025 %");
        if (manual) f.click(f.chkAutomatic());
        const QString sizeBefore = f.Label1()->text();
        if (command == "close")
            f.action("mnuFileClose")->trigger();
        else
            f.click(f.button("Command4"));
        QVERIFY(f.dialogs.messages.empty());
        QCOMPARE(f.original()->Picture(), f.original()->DefultPicture());
        QCOMPARE(f.resizedSize(), QSize(250, 250));
        QCOMPARE(f.cmbScaleX()->currentIndex(), 7);
        QCOMPARE(f.cmbScaleY()->currentIndex(), 7);
        QCOMPARE(f.txtwidth()->text(), QStringLiteral("0"));
        QCOMPARE(f.txtheight()->text(), QStringLiteral("0"));
        QCOMPARE(f.button("cmdResize")->isEnabled(), manual);
        QVERIFY(f.chkScaleX()->isChecked() && f.chkScaleY()->isChecked());
        QCOMPARE(f.window->CDlgFile.FileName, path);
        if (command == "clear")
            QCOMPARE(f.Label1()->text(), QStringLiteral("0 KB"));
        else if (manual)
            QCOMPARE(f.Label1()->text(), sizeBefore); // no list handler ran
        else
            QCOMPARE(f.Label1()->text(), FormatFileSize(54 + 752 * 250)); // the list handler's estimate
    }
};

QTEST_MAIN(TestOpenClose)
#include "test_open_close.moc"
