// A picture file that shrinks while it is opened (a card pulled out, a share gone) is an ordinary
// error or an ordinary picture, never the end of the program.
#include "platform/Error.h"
#include "platform/Picture.h"
#include "support/PictureFactory.h"

#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <thread>
#include <unistd.h>

class TestShrinkingFile : public QObject {
    Q_OBJECT
private slots:
    void aFileCutShortWhileItIsReadIsAnError() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("card.jpg"));
        const QByteArray jpeg = factory::encode(factory::gradient(1600, 1200), "JPEG");
        factory::writeFile(path, jpeg);
        std::atomic<bool> done{false};
        std::thread card([&] {
            const QByteArray name = QFile::encodeName(path);
            for (int cut = 1; !done; cut = cut % 7 + 1) {
                ::truncate(name.constData(), jpeg.size() * cut / 8);
                ::truncate(name.constData(), jpeg.size());
            }
        });
        for (int i = 0; i < 40; ++i) { // a mapped file would end the program here with SIGBUS
            try {
                QCOMPARE(LoadPicture(path)->size(), QSize(1600, 1200));
            } catch (const QuillonError&) {
            }
        }
        done = true;
        card.join();
    }
};

QTEST_MAIN(TestShrinkingFile)
#include "test_shrinking_file.moc"
