// The Open dialog's filter and starting folder.
#include "platform/CommonDialog.h"
#include "support/PictureFactory.h"
#include "support/ScriptedDialogs.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString ImageFilter = QStringLiteral("Image Files|*.jpg;*.gif;*.bmp");
}

class TestCommonDialog : public QObject {
    Q_OBJECT
private slots:
    void filterIsShownTheQtWay() {
        QCOMPARE(CommonDialog::QtFilter(ImageFilter), QStringLiteral("Image Files (*.jpg *.gif *.bmp)"));
    }

    void patternsMatchWhateverTheCase_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("listed");
        QTest::newRow("camera file") << "IMG_0001.JPG" << true;
        QTest::newRow("mixed case") << "photo.Gif" << true;
        QTest::newRow("bitmap") << "b.bmp" << true;
        QTest::newRow("four-letter jpeg") << "c.jpeg" << false;
        QTest::newRow("png") << "d.png" << false;
        QTest::newRow("jpg inside the name") << "e.jpg.txt" << false;
    }
    void patternsMatchWhateverTheCase() {
        QFETCH(QString, name);
        QFETCH(bool, listed);
        QCOMPARE(CommonDialog::Matches(ImageFilter, name), listed);
    }

    void listingAFolder() {
        QTemporaryDir dir;
        for (const char* name : {"IMG_0001.JPG", "photo.Gif", "b.bmp", "c.jpeg", "d.png"})
            factory::writeFile(dir.filePath(name), "x");
        QCOMPARE(CommonDialog::ListFolder(ImageFilter, dir.path()),
                 (QStringList{"IMG_0001.JPG", "b.bmp", "photo.Gif"}));
    }

    void opensInTheFolderOfTheLastChosenFile() {
        QTemporaryDir dir;
        ScriptedDialogs dialogs;
        CommonDialog dialog;
        dialog.Filter = ImageFilter;
        dialog.DialogTitle = QStringLiteral("Open Image File");
        dialogs.openAnswers = {dir.filePath("a.jpg"), QString()};
        dialog.ShowOpen(dialogs);
        QCOMPARE(dialog.FileName, dir.filePath("a.jpg"));
        dialog.FileName.clear();
        dialog.ShowOpen(dialogs); // cancelled: FileName stays as it was set
        QCOMPARE(dialog.FileName, QString());
        QCOMPARE(dialogs.openRequests.size(), size_t(2));
        QCOMPARE(dialogs.openRequests[0].title, QStringLiteral("Open Image File"));
        QCOMPARE(dialogs.openRequests[0].filter, QStringLiteral("Image Files (*.jpg *.gif *.bmp)"));
        QCOMPARE(QDir(dialogs.openRequests[1].initialFolder), QDir(dir.path()));
    }
};

QTEST_MAIN(TestCommonDialog)
#include "test_commondialog.moc"
