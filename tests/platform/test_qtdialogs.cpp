// The real Open dialog, shown without blocking: what it lists through the program's filter.
#include "platform/CommonDialog.h"
#include "platform/MousePointer.h"
#include "platform/QtDialogs.h"
#include "support/PictureFactory.h"

#include <QFileDialog>
#include <QListView>
#include <QTemporaryDir>
#include <QtTest>

class TestQtDialogs : public QObject {
    Q_OBJECT
private slots:
    void openDialogListsPicturesWhateverTheCase() {
        QTemporaryDir dir;
        for (const char* name : {"IMG_0001.JPG", "photo.Gif", "b.bmp", "c.jpeg", "d.png"})
            factory::writeFile(dir.filePath(name), "x");
        QFileDialog dialog;
        QtDialogs::ConfigureOpenDialog(
            dialog, {QStringLiteral("Open Image File"),
                     CommonDialog::QtFilter(QStringLiteral("Image Files|*.jpg;*.gif;*.bmp")), dir.path()});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Open Image File"));
        QCOMPARE(dialog.nameFilters(), QStringList{QStringLiteral("Image Files (*.jpg *.gif *.bmp)")});
        dialog.show();
        auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
        QVERIFY(view);
        QStringList listed;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                listed.clear();
                for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
                    listed << view->model()->index(row, 0, view->rootIndex()).data().toString();
                listed.sort(Qt::CaseInsensitive);
                return listed.size() == 3;
            }(),
            5000);
        QCOMPARE(listed, (QStringList{"b.bmp", "IMG_0001.JPG", "photo.Gif"}));
    }

    void pointersNest() {
        const auto shape = [] { return QGuiApplication::overrideCursor()->shape(); };
        {
            const BusyPointer longWork;
            { const BusyPointer step; }
            QCOMPARE(shape(), Qt::WaitCursor); // a step inside the work leaves the work busy
            {
                const NormalPointer asking;
                QCOMPARE(shape(), Qt::ArrowCursor);
            }
            QCOMPARE(shape(), Qt::WaitCursor);
        }
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};

QTEST_MAIN(TestQtDialogs)
#include "test_qtdialogs.moc"
