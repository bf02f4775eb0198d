// The JPEG in memory is the very file the save command writes.
#include "encoding/mIntelJPEGLibrary.h"
#include "support/PictureFactory.h"
#include "support/ScriptedDialogs.h"

#include <QTemporaryDir>
#include <QTest>
#include <thread>

class EncodeJpegTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void bytesAreTheSavedFile_data() {
        QTest::addColumn<QImage>("image");
        QTest::newRow("odd width") << factory::gradient(333, 17);
        QTest::newRow("transparent") << factory::withTransparency(41, 30);
    }
    void bytesAreTheSavedFile() {
        QFETCH(QImage, image);
        const PictureRef picture = Picture::make(image);
        ScriptedDialogs dialogs;
        cDIBSection wrapper;
        wrapper.CreateFromPicture(picture);
        QVERIFY(SaveJPEG(dialogs, wrapper, dir.filePath("saved.jpg"), 90));
        QCOMPARE(EncodeJPEG(picture, 90), factory::readFile(dir.filePath("saved.jpg")));
    }

    // The save and the live size figure copy one picture at once: neither may copy nothing.
    void onePictureEncodedOnTwoThreadsAtOnce() {
        const PictureRef picture = Picture::make(factory::gradient(300, 200));
        const QByteArray expected = EncodeJPEG(picture, 90);
        std::jthread meter([&](std::stop_token stop) {
            while (!stop.stop_requested())
                EncodeJPEG(picture, 90);
        });
        for (int i = 0; i < 300; ++i)
            QCOMPARE(EncodeJPEG(picture, 90), expected);
    }
};

QTEST_MAIN(EncodeJpegTest)
#include "test_encodejpeg.moc"
