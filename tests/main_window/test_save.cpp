// Saving, and the whole workflow, through the real window.
#include "MainWindowFixture.h"
#include "encoding/mIntelJPEGLibrary.h"
#include "imaging/ExifBlock.h"
#include "platform/Ijl.h"
#include "support/ExifFactory.h"

Q_DECLARE_METATYPE(FitRequest)

class TestSave : public QObject {
    Q_OBJECT
private slots:
    void wholeWorkflow() {
        MainWindowFixture f;
        const QString source = f.writePicture("beach.jpg", factory::gradient(640, 480), "JPEG");
        const QByteArray sourceBytes = factory::readFile(source);
        f.open(source);
        f.run("width 050 %, height 050 %, click Save");
        const QString output = f.dir.filePath("beach(QLN).jpg");
        QCOMPARE(f.dialogs.inputs.size(), size_t(1));
        const ScriptedDialogs::Input& box = f.dialogs.inputs[0];
        QCOMPARE(box.prompt + '|' + box.title + '|' + box.defaultText,
                 "Please copy and Paste this address into the myspace upload box|Path to Your Picture|" +
                     output);
        QCOMPARE(QGuiApplication::clipboard()->text(), output);
        QCOMPARE(f.message(), output +
                                  " has been saved to your clipboard.  Please paste this address by using "
                                  "Ctrl + V into the MySpace upload box");
        QCOMPARE(f.dialogs.messages[0].style, int(vbOKOnly));
        QCOMPARE(factory::readFile(source), sourceBytes); // the original is never touched
    }

    // A link or a read-only file at the output is the writer's to replace; a folder is refused first.
    void aFolderInTheWayIsNeverReportedAsSaved() {
        MainWindowFixture f;
        f.open("64x48");
        QVERIFY(QDir(f.dir.path()).mkdir("64x48(QLN).jpg"));
        QGuiApplication::clipboard()->setText("unchanged");
        f.run("click Save");
        QCOMPARE(f.dialogs.messages.size(), size_t(1)); // the writer's words, checked with the command line's
        QVERIFY(f.dialogs.inputs.empty());
        QCOMPARE(QGuiApplication::clipboard()->text(), "unchanged");
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden).filter("QLN"), QStringList());
    }

    void nothingToSave_data() {
        QTest::addColumn<QString>("steps");
        QTest::newRow("no file opened") << "";
        QTest::newRow("after Close") << "open 64x48, choose Close";
    }
    void nothingToSave() {
        QFETCH(QString, steps);
        MainWindowFixture f;
        f.run(steps);
        f.run("click Save");
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files).filter("QLN"), QStringList());
        QCOMPARE(f.message(),
                 "There is no opened picture to save. Open one first with “Load Picture” or File ▸ "
                 "Open (F3), choose its new size, then save.");
        QVERIFY(f.dialogs.inputs.empty());
    }

    // The status line's figure is the saved file's length, metadata included; Save writes the measured
    // JPEG, without starting the encoder again.
    void statusLineShowsTheLengthSaveWrites_data() {
        QTest::addColumn<QByteArray>("picture");
        QTest::addColumn<QString>("steps");
        const QByteArray photo = factory::encode(factory::gradient(900, 600), "PNG");
        QTest::newRow("percentage") << photo << "width 075 %";
        QTest::newRow("smooth") << photo << "choose Smooth Resizing, width 075 %";
        QTest::newRow("date and camera kept")
            << factory::withExif("JPEG", factory::cameraExif()) << "choose Keep Date and Camera";
    }
    void statusLineShowsTheLengthSaveWrites() {
        QFETCH(QByteArray, picture);
        QFETCH(QString, steps);
        MainWindowFixture f;
        factory::writeFile(f.dir.filePath("a.png"), picture);
        f.open(f.dir.filePath("a.png"));
        f.run(steps);
        QTRY_VERIFY(f.window->StatusLength() > 0);
        const QString figure = QStringLiteral("%1 × %2 pixels, %3")
                                   .arg(f.resizedSize().width())
                                   .arg(f.resizedSize().height())
                                   .arg(FormatFileSize(f.window->StatusLength()));
        QCOMPARE(f.statusHeard(), "As a saved JPEG: " + figure); // nothing is written yet
        ijl::testing::FailNextInit(ijl::IJL_MEMORY_ERROR);
        const QByteArray saved = f.save();
        ijl::testing::FailNextInit(0);
        QCOMPARE(f.window->StatusLength(), saved.size());
        QCOMPARE(f.statusHeard(), "Saved as “a(QLN).jpg”: " + figure);
        QCOMPARE(!ExifBlockOf(saved).isEmpty(), steps.contains("Keep"));
    }

    // The boxes filled in, the size shown after (empty: as the limit allows), and the status line
    // with the size, length and quality as %1, %2 and %3.
    void fitUnderSize_data() {
        QTest::addColumn<FitRequest>("answer");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("status");
        QTest::newRow("under the limit") << FitRequest{"200", "", "", false} << ""
                                         << "Fits under 200 KB: %1, %2";
        QTest::newRow("already fits") << FitRequest{"90000", "", "", false} << "1800x1200"
                                      << "Fits under 90000 KB at its own size: %1, %2";
        QTest::newRow("within a height") << FitRequest{"200", "", "300", false} << "450x300"
                                         << "Fits under 200 KB within any × 300: %1, %2";
        QTest::newRow("keeping the pixel size") << FitRequest{"20", "", "", true} << "600x600"
                                                << "Fits under 20 KB: %1, %2, quality %3";
    }
    void fitUnderSize() {
        QFETCH(FitRequest, answer);
        QFETCH(QString, size);
        QFETCH(QString, status);
        MainWindowFixture f;
        f.open("1800x1200");
        f.run("pixel width 600, pixel height 600");
        f.dialogs.fitAnswers.push_back(answer);
        f.run("choose Fit Under Size…");
        QCOMPARE(f.message(), QString());
        if (!size.isEmpty()) QCOMPARE(f.shown(), size);
        QCOMPARE(f.boxes(), f.shown());
        const PictureRef fitted = f.resized()->Picture();
        const qint64 limit = answer.kilobytes.toLongLong() * 1024;
        const int quality = answer.keepPixelSize ? FitQualityUnderSize(fitted, limit).quality : 90;
        const QString pixels = QStringLiteral("%1 × %2 pixels").arg(fitted->Width()).arg(fitted->Height());
        QCOMPARE(f.statusHeard(),
                 status.arg(pixels, FormatFileSize(f.window->StatusLength()), QString::number(quality)));
        const QByteArray saved = f.save();
        QCOMPARE(saved, EncodeJPEG(fitted, quality));
        QVERIFY(saved.size() <= limit);
        f.run("width 050 %"); // a new size is saved at 90 again
        QCOMPARE(f.save(), EncodeJPEG(f.resized()->Picture(), 90));
    }

    // What the dialog is given: what the user typed last time; refusals in the user's words.
    void fitUnderSizeRemembersAndRefuses() {
        MainWindowFixture f;
        f.open("1800x1200");
        f.dialogs.fitAnswers.push_back(FitRequest{"300", "1024", "", false});
        f.run("choose Fit Under Size…");
        f.dialogs.fitAnswers.push_back(FitRequest{"lots", "", "", false});
        f.run("choose Fit Under Size…");
        const FitRequest& asked = f.dialogs.fitRequests.at(1);
        QCOMPARE(asked.kilobytes + '|' + asked.width + '|' + asked.height, "300|1024|");
        QCOMPARE(f.message(),
                 "“lots” is not a size Quillon can fit under. Please type a whole number of KB from 1 "
                 "to 4194304, such as 600.");
    }

    // Save while the smooth picture is still being made waits for it; turned off, the nearest is back.
    void saveDuringSmoothWorkWritesTheSmoothPicture() {
        MainWindowFixture f;
        f.run("choose Smooth Resizing");
        f.open("600x400");
        f.run("width 300 %");
        const QByteArray saved = f.save();
        const PictureRef smooth = SmoothResizedPicture(f.original()->Picture(), {1800, 400}, Qt::white);
        QCOMPARE(saved, EncodeJPEG(smooth, 90));
        QCOMPARE(f.resized()->Picture()->image(), smooth->image());
        f.run("choose Smooth Resizing");
        const PictureRef nearest = ResizedPicture(f.original()->Picture(), {1800, 400}, Qt::white);
        QCOMPARE(f.resized()->Picture()->image(), nearest->image());
    }
};

QTEST_MAIN(TestSave)
#include "test_save.moc"
