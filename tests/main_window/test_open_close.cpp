// Opening, closing and clearing the picture through the real window.
#include "MainWindowFixture.h"
#include "platform/QtDialogs.h"

class TestOpenClose : public QObject {
    Q_OBJECT
private slots:
    // A file manager's drop, as the drag manager delivers it: the first local file is opened, the web
    // address and the second file are left.
    void aDropOpensTheFirstFile() {
        MainWindowFixture f;
        const QString path = f.writePicture("photo.png", factory::gradient(640, 480), "PNG");
        const QString other = f.writePicture("other.bmp", factory::gradient(8, 8));
        QMimeData dropped;
        dropped.setUrls(
            {QUrl("https://example.org/b.jpg"), QUrl::fromLocalFile(path), QUrl::fromLocalFile(other)});
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject*>(f.window.get())->event(&drop);
        QCOMPARE(f.message(), QString());
        QCOMPARE(f.file(), path);
        QCOMPARE(f.shown(), "640x480");
        QCOMPARE(f.window->StatusText(),
                 "Opened the first of 2 dropped files, “photo.png”: Quillon works on one picture at a time.");
    }

    // The dialog starts on every format Quillon opens; the three-pattern entry stays first, as it was.
    void openDialogStartsOnAllPictures() {
        MainWindowFixture f;
        f.run("click Load Picture");
        QFileDialog dialog;
        QtDialogs::ConfigureOpenDialog(dialog, f.dialogs.openRequests.at(0)); // as the program shows it
        QCOMPARE(dialog.nameFilters().at(0), "Image Files (*.jpg *.gif *.bmp)");
        QCOMPARE(dialog.selectedNameFilter(),
                 "All Pictures (*.jpg *.jpeg *.jpe *.png *.gif *.bmp *.webp *.tif *.tiff *.heic *.heif)");
    }

    void closeAndClear_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("sizeText");
        QTest::newRow("close") << "choose Close"
                               << FormatFileSize(54 + 752 * 250); // the list handler's estimate
        QTest::newRow("close, manual") << "untick Resize Image Automaticly, choose Close"
                                       << FormatFileSize(54 + 960 * 120); // no handler ran
        QTest::newRow("clear") << "click Clear Image" << QString("0 KB");
    }
    void closeAndClear() {
        QFETCH(QString, steps);
        QFETCH(QString, sizeText);
        MainWindowFixture f;
        const QString path = f.open("640x480");
        f.run("width 050 %, height 025 %, " + steps);
        QCOMPARE(f.message(), QString());
        QCOMPARE(f.original()->Picture(), f.original()->DefultPicture());
        QCOMPARE(f.resizedSize(), QSize(250, 250));
        QCOMPARE(f.list('x')->currentText() + f.list('y')->currentText() + f.boxes() + '|' + f.file() + '|' +
                     f.sizeText(),
                 "100 %100 %0x0|" + path + '|' + sizeText);
        QCOMPARE(f.get("cmdResize")->isEnabled(), steps.startsWith("untick"));
    }
};

QTEST_MAIN(TestOpenClose)
#include "test_open_close.moc"
