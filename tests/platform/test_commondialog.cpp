// The Open dialog: the folder it starts in, what the real dialog lists, and the pointer while asking.
#include "platform/CommonDialog.h"
#include "platform/MousePointer.h"
#include "platform/QtDialogs.h"
#include "support/PictureFactory.h"
#include "support/ScriptedDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QListView>
#include <QTemporaryDir>
#include <QtTest>

class TestCommonDialog : public QObject {
    Q_OBJECT
private slots:
    void opensInTheFolderOfTheLastChosenFile() {
        QTemporaryDir dir;
        ScriptedDialogs dialogs;
        CommonDialog dialog;
        dialogs.openAnswers = {dir.filePath("a.jpg"), QString()};
        dialog.ShowOpen(dialogs), dialog.ShowOpen(dialogs); // the second is cancelled: FileName stays
        QCOMPARE(dialog.FileName, dir.filePath("a.jpg"));
        QCOMPARE(QDir(dialogs.openRequests.at(1).initialFolder), QDir(dir.path()));
    }

    void realDialogListsPicturesWhateverTheCase() {
        QTemporaryDir dir;
        for (const char* name : {"IMG_0001.JPG", "photo.Gif", "b.bmp", "c.jpeg", "d.png"})
            factory::writeFile(dir.filePath(name), "x");
        QFileDialog dialog;
        QtDialogs::ConfigureOpenDialog(dialog, {"Open", "Pictures (*.jpg *.gif *.bmp)", dir.path()});
        dialog.show();
        const auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
        // The three pictures, whatever the case of their names, and neither the JPEG nor the PNG name.
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

QTEST_MAIN(TestCommonDialog)
#include "test_commondialog.moc"
