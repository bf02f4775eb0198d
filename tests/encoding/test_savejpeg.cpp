// The JPEG writer: what it hands the library, its two messages, and freeing the record.
#include "EncodingTestSupport.h"
#include "encoding/mIntelJPEGLibrary.h"
#include "platform/Ijl.h"
#include "support/PictureFactory.h"
#include "support/ScriptedDialogs.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Records, with each message, how many times the record had been freed when it was shown.
class WatchingDialogs : public ScriptedDialogs {
public:
    std::vector<int> freesAtMessage;
    int MsgBox(const QString& text, int style, const QString& title) override {
        freesAtMessage.push_back(ijl::testing::Count().free);
        return ScriptedDialogs::MsgBox(text, style, title);
    }
};

} // namespace

class SaveJpegTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void init() { ijl::testing::ResetCounts(); }

    void writesTheWrapperUpright_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("padBytes");
        QTest::addColumn<double>("minPsnr");
        const int pads[] = {1, 2, 3, 0, 1};
        // Luma-only ramps: tiny pictures lose colour to 4:2:0, not their shape.
        for (int width = 1; width <= 5; ++width) {
            QImage ramp(width, 10, QImage::Format_RGB32);
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < width; ++x)
                    ramp.setPixel(x, y, qRgb(20 * y + 10 * x, 20 * y + 10 * x, 20 * y + 10 * x));
            QTest::addRow("width %d", width) << ramp << pads[width - 1] << 30.0;
        }
        QTest::newRow("smooth 640 x 480") << factory::gradient(640, 480) << 0 << 35.0;
        QTest::newRow("smooth 331 x 100") << factory::gradient(331, 100) << 3 << 35.0;
    }
    void writesTheWrapperUpright() {
        QFETCH(QImage, image);
        QFETCH(int, padBytes);
        QFETCH(double, minPsnr);
        const int liveBefore = ijl::testing::Count().liveSessions;
        cDIBSection wrapper;
        wrapper.CreateFromPicture(Picture::make(image));
        const QString file = dir.filePath(QStringLiteral("upright.jpg"));
        ScriptedDialogs dialogs;

        QVERIFY(SaveJPEG(dialogs, wrapper, file, 90));
        QVERIFY(dialogs.messages.empty());
        const ijl::testing::Calls calls = ijl::testing::Count();
        QCOMPARE(calls.init, 1);
        QCOMPARE(calls.write, 1);
        QCOMPARE(calls.free, 1);
        QCOMPARE(calls.liveSessions, liveBefore);

        // What the library was given.
        const ijl::testing::LastWrite last = ijl::testing::Last();
        QCOMPARE(last.iotype, 8);
        QCOMPARE(last.record.DIBWidth, image.width());
        QCOMPARE(last.record.DIBHeight, -image.height());
        QCOMPARE(last.record.DIBBytes, wrapper.DIBSectionBitsPtr());
        QCOMPARE(last.record.DIBPadBytes, padBytes);
        QCOMPARE(last.record.JPGWidth, image.width());
        QCOMPARE(last.record.JPGHeight, image.height());
        QCOMPARE(last.record.jquality, 90);
        QCOMPARE(QString::fromStdString(last.fileName), file);

        const QImage decoded(file, "JPEG");
        QCOMPARE(decoded.size(), image.size());
        const double quality = factory::psnr(image, decoded);
        QVERIFY2(quality >= minPsnr, qPrintable(QString::number(quality)));
        QVERIFY(quality > factory::psnr(image.mirrored(false, true), decoded) + 10);
    }

    // The file is exactly what TurboJPEG makes of the wrapper's memory, read in place, at 90.
    void qualityReachesTheEncoderUnchanged() {
        const QImage image = factory::gradient(201, 77);
        cDIBSection wrapper;
        wrapper.CreateFromPicture(Picture::make(image));
        const QString file = dir.filePath(QStringLiteral("q90.jpg"));
        ScriptedDialogs dialogs;
        QVERIFY(SaveJPEG(dialogs, wrapper, file, 90));
        const auto* bits = reinterpret_cast<const std::uint8_t*>(wrapper.DIBSectionBitsPtr());
        const QByteArray expected =
            enc::turboJpeg(bits, 201, 77, wrapper.BytesPerScanLine(), TJFLAG_BOTTOMUP, 90);
        const QByteArray written = factory::readFile(file);
        QCOMPARE(enc::segments(written, 0xDB), enc::segments(expected, 0xDB));
        QCOMPARE(written, expected);
    }

    void initFailureShowsTheCode_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("-5") << -5 << "Failed to initialise the IJL library: -5";
        QTest::newRow("-1") << -1 << "Failed to initialise the IJL library: -1";
        QTest::newRow("7") << 7 << "Failed to initialise the IJL library: 7";
    }
    void initFailureShowsTheCode() {
        QFETCH(int, code);
        QFETCH(QString, message);
        cDIBSection wrapper;
        wrapper.CreateFromPicture(Picture::make(factory::gradient(8, 8)));
        const QString file = dir.filePath(QStringLiteral("never.jpg"));
        ScriptedDialogs dialogs;
        ijl::testing::FailNextInit(code);
        QVERIFY(!SaveJPEG(dialogs, wrapper, file, 90));
        QCOMPARE(dialogs.messages.size(), std::size_t(1));
        QCOMPARE(dialogs.messages[0].text, message);
        QCOMPARE(dialogs.messages[0].style, 48);
        QCOMPARE(dialogs.messages[0].title, QStringLiteral("Quillon"));
        QCOMPARE(ijl::testing::Count().write, 0);
        QCOMPARE(ijl::testing::Count().free, 0);
        QVERIFY(!QFileInfo::exists(file));
    }

    void writeFailureShowsOneMessageAndFrees_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("wrapper without pixels") << "empty wrapper";
        QTest::newRow("folder that does not exist") << "missing folder";
        QTest::newRow("empty file name") << "empty name";
    }
    void writeFailureShowsOneMessageAndFrees() {
        QFETCH(QString, fault);
        QTemporaryDir folder;
        const QString existing = folder.filePath(QStringLiteral("photo(QLN).jpg"));
        const QByteArray earlier = factory::randomBytes(3000);
        factory::writeFile(existing, earlier);
        const int liveBefore = ijl::testing::Count().liveSessions;

        cDIBSection wrapper;
        QString file = existing;
        if (fault == "empty wrapper")
            wrapper.CreateFromPicture(PictureRef());
        else
            wrapper.CreateFromPicture(Picture::make(factory::gradient(16, 16)));
        if (fault == "missing folder") file = folder.filePath(QStringLiteral("gone/photo(QLN).jpg"));
        if (fault == "empty name") file.clear();

        WatchingDialogs dialogs;
        QVERIFY(!SaveJPEG(dialogs, wrapper, file, 90));
        QCOMPARE(dialogs.messages.size(), std::size_t(1));
        QCOMPARE(dialogs.messages[0].text, QStringLiteral("Failed to save to JPG"));
        QCOMPARE(dialogs.messages[0].style, 48);
        QCOMPARE(dialogs.messages[0].title, QStringLiteral("Quillon"));
        QCOMPARE(dialogs.freesAtMessage, std::vector<int>{0}); // the message comes before the release
        QCOMPARE(ijl::testing::Count().write, 1);
        QCOMPARE(ijl::testing::Count().free, 1);
        QCOMPARE(ijl::testing::Count().liveSessions, liveBefore);
        QCOMPARE(factory::readFile(existing), earlier);
        QCOMPARE(enc::entries(folder.path()), QStringList{QStringLiteral("photo(QLN).jpg")});
    }

    void nonAsciiPathWorks() {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Urlaub – Île")));
        const QString file = folder.filePath(QStringLiteral("Urlaub – Île/Strand ÄÖÜ ß 海(QLN).jpg"));
        cDIBSection wrapper;
        wrapper.CreateFromPicture(Picture::make(factory::gradient(32, 24)));
        ScriptedDialogs dialogs;
        QVERIFY(SaveJPEG(dialogs, wrapper, file, 90));
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(QByteArray(ijl::testing::Last().fileName.c_str()), file.toUtf8());
        QCOMPARE(QImage(file, "JPEG").size(), QSize(32, 24));
    }
};

QTEST_MAIN(SaveJpegTest)
#include "test_savejpeg.moc"
