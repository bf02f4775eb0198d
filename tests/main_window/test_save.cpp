// Saving the resized picture, and the whole workflow through the real window.
#include "MainWindowFixture.h"
#include "main_window/modGlobal.h"
#include "platform/OutputName.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSettings>

namespace {
const QString Confirmation = QStringLiteral(" has been saved to your clipboard.  Please paste this address "
                                            "by using Ctrl + V into the MySpace upload box");
}

class TestSave : public QObject {
    Q_OBJECT

    static void save(MainWindowFixture& f) { f.click(f.button("Command3")); }

private slots:
    void outputNames_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("output");
        QTest::newRow("jpg") << "/p/beach.jpg"
                             << "/p/beach(QLN).jpg";
        QTest::newRow("bmp") << "/p/beach.bmp"
                             << "/p/beach(QLN).jpg";
        QTest::newRow("gif") << "/p/beach.gif"
                             << "/p/beach(QLN).jpg";
        QTest::newRow("four-letter extension") << "/p/photo.jpeg"
                                               << "/p/photo(QLN).jpg";
        QTest::newRow("two-letter extension") << "/p/photo.jp"
                                              << "/p/photo(QLN).jpg";
        QTest::newRow("no extension") << "/p/img"
                                      << "/p/img(QLN).jpg";
        QTest::newRow("dot in a folder only") << "/p.d/img"
                                              << "/p.d/img(QLN).jpg";
        QTest::newRow("hidden, no extension") << "/p/.profile"
                                              << "/p/.profile(QLN).jpg";
        QTest::newRow("saved output again") << "/p/beach(QLN).jpg"
                                            << "/p/beach(QLN)(QLN).jpg";
        QTest::newRow("characters, not units") << "/p/x\U0001F600.gif"
                                               << "/p/x\U0001F600(QLN).jpg";
        QTest::newRow("short") << "a.b"
                               << "a(QLN).jpg";
        QTest::newRow("a folder") << "/p/"
                                  << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void outputNames() {
        QFETCH(QString, source);
        QFETCH(QString, output);
        QCOMPARE(OutputNameFor(source), output);
    }

    void wholeWorkflow() {
        MainWindowFixture f;
        const QString source = f.writePicture("beach.jpg", factory::gradient(640, 480));
        const QByteArray sourceBytes = factory::readFile(source);
        f.open(source);
        f.choose(f.cmbScaleX(), "050 %");
        f.choose(f.cmbScaleY(), "050 %");
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        save(f);
        const QString output = f.dir.filePath("beach(QLN).jpg");
        QImageReader reader(output);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        QCOMPARE(reader.size(), QSize(320, 240));
        QCOMPARE(f.dialogs.inputs.size(), size_t(1));
        QCOMPARE(f.dialogs.inputs[0].prompt,
                 QStringLiteral("Please copy and Paste this address into the myspace upload box"));
        QCOMPARE(f.dialogs.inputs[0].title, QStringLiteral("Path to Your Picture"));
        QCOMPARE(f.dialogs.inputs[0].defaultText, output);
        QCOMPARE(QGuiApplication::clipboard()->text(), output);
        QCOMPARE(f.dialogs.messages.size(), size_t(1));
        QCOMPARE(f.dialogs.messages[0].text, output + Confirmation);
        QCOMPARE(f.dialogs.messages[0].style, int(vbOKOnly));
        QCOMPARE(f.dialogs.messages[0].title, QStringLiteral("Quillon"));
        QCOMPARE(factory::readFile(source), sourceBytes); // the original is never touched
        QVERIFY(factory::psnr(f.resized()->Picture()->image(), QImage(output)) > 35);
    }

    void saveAndSaveAsWriteTheSameFile() {
        MainWindowFixture f;
        f.open(f.writePicture("a.bmp", factory::gradient(200, 150), "BMP"));
        save(f);
        const QByteArray viaButton = factory::readFile(f.dir.filePath("a(QLN).jpg"));
        f.action("mnuFileSaveAs")->trigger();
        QCOMPARE(factory::readFile(f.dir.filePath("a(QLN).jpg")), viaButton);
        QVERIFY(!viaButton.isEmpty());
    }

    void savingAgainReplacesEvenAReadOnlyOutput() {
        MainWindowFixture f;
        f.open(f.writePicture("a.bmp", factory::gradient(200, 150), "BMP"));
        const QString output = f.dir.filePath("a(QLN).jpg");
        factory::writeFile(output, "an older output");
        QVERIFY(QFile::setPermissions(output, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        save(f);
        QCOMPARE(QImageReader(output).size(), QSize(200, 150));
        QVERIFY(QFileInfo(output).permissions() & QFileDevice::WriteOwner);
        f.choose(f.cmbScaleX(), "050 %");
        save(f);
        QCOMPARE(QImageReader(output).size(), QSize(100, 150));
    }

    void aSymbolicLinkIsReplacedNotFollowed() {
        MainWindowFixture f;
        f.open(f.writePicture("a.bmp", factory::gradient(64, 48), "BMP"));
        const QString target = f.dir.filePath("precious.txt");
        factory::writeFile(target, "keep me");
        QVERIFY(QFile::link(target, f.dir.filePath("a(QLN).jpg")));
        save(f);
        QCOMPARE(factory::readFile(target), QByteArray("keep me"));
        QVERIFY(!QFileInfo(f.dir.filePath("a(QLN).jpg")).isSymLink());
        QCOMPARE(QImageReader(f.dir.filePath("a(QLN).jpg")).size(), QSize(64, 48));
    }

    void nothingToSave_data() {
        QTest::addColumn<QString>("situation");
        QTest::newRow("no file opened") << "none";
        QTest::newRow("after Close") << "close";
        QTest::newRow("after Clear Image") << "clear";
    }
    void nothingToSave() {
        QFETCH(QString, situation);
        MainWindowFixture f;
        if (situation != "none") f.open(f.writePicture("a.bmp", factory::gradient(64, 48), "BMP"));
        if (situation == "close") f.action("mnuFileClose")->trigger();
        if (situation == "clear") f.click(f.button("Command4"));
        const QStringList before = QDir(f.dir.path()).entryList(QDir::Files);
        save(f);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), before);
        QCOMPARE(f.dialogs.messages.size(), size_t(1));
        QVERIFY(f.dialogs.messages[0].text.contains(QStringLiteral("no opened picture")));
        QVERIFY(f.dialogs.inputs.empty());
    }

    void aFailedWriteIsNotReportedAsSuccess() {
        MainWindowFixture f;
        f.open(f.writePicture("a.bmp", factory::gradient(64, 48), "BMP"));
        QVERIFY(QDir(f.dir.path()).mkdir("a(QLN).jpg"));
        QGuiApplication::clipboard()->setText(QStringLiteral("unchanged"));
        f.dialogs.messages.clear();
        save(f);
        QCOMPARE(f.dialogs.messages.size(), size_t(1));
        QCOMPARE(f.dialogs.messages[0].text, QStringLiteral("Failed to save to JPG"));
        QVERIFY(f.dialogs.inputs.empty());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("unchanged"));
        QVERIFY(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden).filter("QLN").isEmpty());
    }

    void aVanishedFolderIsReportedInTheUsersWords() {
        MainWindowFixture f;
        QTemporaryDir other;
        const QString source = other.filePath("a.bmp");
        factory::writeFile(source, factory::encode(factory::gradient(64, 48), "BMP"));
        f.open(source);
        QVERIFY(other.remove());
        save(f);
        QCOMPARE(f.dialogs.messages.size(), size_t(1));
        QVERIFY2(f.dialogs.messages[0].text.contains("no longer exists"),
                 qPrintable(f.dialogs.messages[0].text));
        QCOMPARE(f.dialogs.messages[0].style, int(vbExclamation));
        QVERIFY(f.dialogs.inputs.empty());
    }

    // The status line's figure is the saved file's length, to the byte, however the size was chosen.
    void statusLineShowsTheLengthSaveWrites_data() {
        QTest::addColumn<QString>("how");
        for (const char* how : {"percentage", "pixel boxes", "transparency", "smooth"})
            QTest::newRow(how) << how;
    }
    void statusLineShowsTheLengthSaveWrites() {
        QFETCH(QString, how);
        MainWindowFixture f;
        QCOMPARE(f.window->StatusText(), QString()); // nothing opened, nothing to say
        const QImage image =
            how == "transparency" ? factory::withTransparency(300, 200) : factory::gradient(900, 600);
        f.open(f.writePicture("a.png", image, "PNG"));
        if (how == "smooth") f.action("mnuOptionsSmooth")->trigger();
        f.choose(f.cmbScaleX(), "075 %");
        if (how == "pixel boxes") {
            f.txtwidth()->setText("333");
            f.click(f.button("Command2"));
        }
        QTRY_VERIFY(f.window->StatusLength() > 0);
        save(f);
        const qint64 saved = QFileInfo(f.dir.filePath("a(QLN).jpg")).size();
        QCOMPARE(f.window->StatusLength(), saved);
        const QSize size = f.resizedSize();
        QCOMPARE(f.window->StatusText(), QStringLiteral("Saved as JPEG: %1 × %2 pixels, %3")
                                             .arg(size.width())
                                             .arg(size.height())
                                             .arg(FormatFileSize(saved)));
        if (how == "smooth") f.action("mnuOptionsSmooth")->trigger(); // remembered: leave it off
    }

    void fitUnderSize_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("200 KB") << "200"
                                << "fits";
        QTest::newRow("100 KB") << "100"
                                << "fits";
        QTest::newRow("room to spare") << "90000"
                                       << "its own size";
        QTest::newRow("not a number") << "lots"
                                      << "refused";
        QTest::newRow("zero") << "0"
                              << "refused";
        QTest::newRow("negative") << "-5"
                                  << "refused";
    }
    void fitUnderSize() {
        QFETCH(QString, answer);
        QFETCH(QString, outcome);
        MainWindowFixture f;
        f.open(f.writePicture("a.bmp", factory::gradient(1800, 1200), "BMP"));
        const PictureRef before = f.resized()->Picture();
        f.dialogs.inputAnswers.push_back(answer);
        f.action("mnuFileFitUnderSize")->trigger();
        if (outcome == "refused") {
            QCOMPARE(f.dialogs.messages.size(), size_t(1));
            QCOMPARE(f.resized()->Picture(), before);
            return;
        }
        const qint64 limit = answer.toLongLong() * 1024;
        const QSize size = f.resizedSize();
        QCOMPARE(f.txtwidth()->text() + 'x' + f.txtheight()->text(),
                 QString::number(size.width()) + 'x' + QString::number(size.height()));
        QCOMPARE(qRound(size.width() * 1200.0 / 1800), size.height());
        QVERIFY2(f.window->StatusText().startsWith(QStringLiteral("Fits under %1 KB").arg(answer)),
                 qPrintable(f.window->StatusText()));
        QCOMPARE(f.window->StatusText().contains(" at its own size: "), outcome != "fits");
        save(f);
        const qint64 saved = QFileInfo(f.dir.filePath("a(QLN).jpg")).size();
        QCOMPARE(f.window->StatusLength(), saved);
        QVERIFY(saved <= limit);
        if (outcome == "fits") QVERIFY2(saved >= limit * 97 / 100, qPrintable(QString::number(saved)));
        QCOMPARE(QSettings().value("fitUnderKB").toString(), answer); // offered next time
    }

    void smoothResizingChangesPixelsOnlyWhenOn() {
        MainWindowFixture f;
        f.open(f.writePicture("a.bmp", factory::checkerboard(64, 48, 1), "BMP"));
        f.choose(f.cmbScaleX(), "050 %");
        const QImage nearest = f.resized()->Picture()->image();
        f.action("mnuOptionsSmooth")->trigger();
        QCOMPARE(MainWindowFixture().action("mnuOptionsSmooth")->isChecked(), true); // remembered
        QCOMPARE(f.resizedSize(), nearest.size());
        QVERIFY(f.resized()->Picture()->image() != nearest);
        f.action("mnuOptionsSmooth")->trigger();
        QCOMPARE(f.resized()->Picture()->image(), nearest);
    }
};

QTEST_MAIN(TestSave)
#include "test_save.moc"
