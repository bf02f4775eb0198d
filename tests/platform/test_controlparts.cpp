// The scroll bar, the stored layout, the Open dialog and the pointer.
#include "imaging/Error.h"
#include "platform/CommonDialog.h"
#include "platform/MousePointer.h"
#include "platform/PropertyBag.h"
#include "platform/QtDialogs.h"
#include "platform/ScrollBar.h"
#include "support/PictureFactory.h"
#include "support/ScriptedDialogs.h"

#include <QFileDialog>
#include <QListView>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestControlParts : public QObject {
    Q_OBJECT
private slots:
    void draggingChangesNothingUntilRelease() {
        ScrollBar bar(Qt::Horizontal);
        bar.SetMax(-100);
        QSignalSpy change(&bar, &ScrollBar::Change);
        bar.setSliderDown(true);
        bar.setSliderPosition(100);
        QCOMPARE(bar.Value(), 0);
        QVERIFY(change.isEmpty());
        bar.setSliderDown(false);
        QCOMPARE(bar.Value(), -100);
        QCOMPARE(change.count(), 1);
    }

    // Lines under [Two] the stored layout reads or refuses.
    void storedLayout_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("readable");
        QTest::newRow("a number") << "smallchangex=1" << true;
        QTest::newRow("not a key and value") << "what is this" << false;
        QTest::newRow("a missing picture") << "Picture = file:none.gif" << false;
        QTest::newRow("beyond 32 bits") << "BackColor = 0x100000000" << false;
        QTest::newRow("not a number") << "BackColor = red" << false;
    }
    void storedLayout() {
        QFETCH(QString, line);
        QFETCH(bool, readable);
        QTemporaryDir dir;
        factory::writeFile(dir.filePath("p.gif"), factory::encode(factory::gradient(4, 4), "GIF"));
        const QByteArray layout = "# comment\n[One]\nLargChangeX = 20\nBackColor = 0x8000000F\n"
                                  "Picture = file:p.gif\n\n[Two]\n";
        factory::writeFile(dir.filePath("layout"), layout + line.toUtf8());
        if (!readable) {
            QVERIFY_THROWS_EXCEPTION(QuillonError, (void)ReadStoredLayout(dir.filePath("layout")));
            return;
        }
        const QMap<QString, PropertyBag> bags = ReadStoredLayout(dir.filePath("layout"));
        QCOMPARE(bags.keys(), (QStringList{"One", "Two"}));
        QCOMPARE(bags["One"].ReadInt("largchangex", 10), 20);
        QCOMPARE(bags["One"].ReadPicture("Picture", nullptr)->size(), QSize(4, 4));
        QCOMPARE(bags["Two"].ReadInt("SmallChangeX", 10), 1);
    }

    void opensInTheFolderOfTheLastChosenFile() {
        QTemporaryDir dir;
        ScriptedDialogs dialogs;
        CommonDialog dialog;
        dialogs.openAnswers = {dir.filePath("a.jpg"), QString()};
        dialog.ShowOpen(dialogs);
        dialog.ShowOpen(dialogs); // cancelled: FileName stays
        QCOMPARE(dialog.FileName, dir.filePath("a.jpg"));
        QCOMPARE(QDir(dialogs.openRequests.at(1).initialFolder), QDir(dir.path()));
    }

    void realDialogListsPicturesWhateverTheCase() {
        QTemporaryDir dir;
        for (const char* name : {"IMG_0001.JPG", "photo.Gif", "b.bmp", "c.jpeg", "d.png"})
            factory::writeFile(dir.filePath(name), "x");
        QFileDialog dialog;
        QtDialogs::ConfigureOpenDialog(dialog, {"Open", "Pictures (*.jpg *.gif *.bmp)", dir.path(), {}});
        dialog.show();
        const auto* view = dialog.findChild<QListView*>("listView");
        // the three pictures, whatever the case
        QTRY_COMPARE_WITH_TIMEOUT(view->model()->rowCount(view->rootIndex()), 3, 5000);
    }

    void pointersNest() {
        const auto shape = [] { return QGuiApplication::overrideCursor()->shape(); };
        {
            const BusyPointer longWork;
            { const BusyPointer step; }
            QCOMPARE(shape(), Qt::WaitCursor); // a step inside the work leaves the work busy
            [&] {
                const NormalPointer asking;
                QCOMPARE(shape(), Qt::ArrowCursor);
            }();
            QCOMPARE(shape(), Qt::WaitCursor);
        }
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};

QTEST_MAIN(TestControlParts)
#include "test_controlparts.moc"
