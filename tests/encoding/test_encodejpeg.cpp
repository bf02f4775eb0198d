// The JPEG in memory is the very file the save command writes.
#include "encoding/mIntelJPEGLibrary.h"
#include "support/PictureFactory.h"
#include "support/ScriptedDialogs.h"

#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <thread>

class EncodeJpegTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void bytesAreTheSavedFile_data() {
        QTest::addColumn<QImage>("image");
        QTest::newRow("opaque") << factory::gradient(64, 48);
        QTest::newRow("odd width") << factory::gradient(333, 17);
        QTest::newRow("transparent") << factory::withTransparency(41, 30);
    }
    void bytesAreTheSavedFile() {
        QFETCH(QImage, image);
        const PictureRef picture = Picture::make(image);
        ScriptedDialogs dialogs;
        cDIBSection wrapper;
        wrapper.CreateFromPicture(picture);
        const QString path = dir.filePath(QStringLiteral("saved.jpg"));
        QVERIFY(SaveJPEG(dialogs, wrapper, path, 90));
        QCOMPARE(EncodeJPEG(picture, 90), factory::readFile(path));
    }

    // The save and the live size figure copy one picture at once: neither may copy nothing.
    void onePictureEncodedOnTwoThreadsAtOnce() {
        const PictureRef picture = Picture::make(factory::gradient(300, 200));
        const QByteArray expected = EncodeJPEG(picture, 90);
        std::atomic<bool> done{false};
        std::thread meter([&] {
            while (!done)
                EncodeJPEG(picture, 90);
        });
        bool same = true;
        for (int i = 0; i < 300 && same; ++i)
            same = EncodeJPEG(picture, 90) == expected;
        done = true;
        meter.join();
        QVERIFY(same);
    }
};

QTEST_MAIN(EncodeJpegTest)
#include "test_encodejpeg.moc"
