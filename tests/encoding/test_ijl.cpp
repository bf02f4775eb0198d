// The JPEG library's record: the values ijlInit gives it, the session it holds, and records that
// leave nothing to encode.
#include "platform/Ijl.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace ijl;

class IjlTest : public QObject {
    Q_OBJECT

private slots:
    void initSetsUpTheRecordAndFreeReleasesIt() {
        const int live = testing::Count().liveSessions;
        JPEG_CORE_PROPERTIES r{};
        QCOMPARE(ijlInit(&r), std::int32_t(IJL_OK));
        QCOMPARE(r.DIBChannels, 3);
        QCOMPARE(r.DIBColor, IJL_BGR);
        QCOMPARE(r.JPGChannels, 3);
        QCOMPARE(r.JPGColor, IJL_YCBCR);
        QCOMPARE(r.JPGSubsampling, IJL_420);
        QCOMPARE(testing::Count().liveSessions, live + 1);
        QCOMPARE(ijlFree(&r), std::int32_t(IJL_OK));
        QCOMPARE(testing::Count().liveSessions, live);
        QVERIFY(ijlFree(&r) != IJL_OK); // nothing left to free
    }

    // The first row shows that the record is otherwise complete.
    void missingPixelsAreRefused_data() {
        QTest::addColumn<bool>("pixels");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("complete") << true << 8 << 8;
        QTest::newRow("no pixel buffer") << false << 8 << 8;
        QTest::newRow("zero width") << true << 0 << 8;
        QTest::newRow("zero height") << true << 8 << 0;
    }
    void missingPixelsAreRefused() {
        QFETCH(bool, pixels);
        QFETCH(int, width);
        QFETCH(int, height);
        QTemporaryDir folder;
        const QByteArray name = folder.filePath(QStringLiteral("out.jpg")).toUtf8();
        const QByteArray buffer(8 * 8 * 3, '\0');
        JPEG_CORE_PROPERTIES r{};
        QCOMPARE(ijlInit(&r), std::int32_t(IJL_OK));
        r.DIBBytes = pixels ? reinterpret_cast<std::uintptr_t>(buffer.constData()) : 0;
        r.DIBWidth = r.JPGWidth = width;
        r.DIBHeight = -height;
        r.JPGHeight = height;
        r.JPGFile = reinterpret_cast<std::uintptr_t>(name.constData());
        r.jquality = 90;
        const std::int32_t code = ijlWrite(&r, IJL_JFILE_WRITEWHOLEIMAGE);
        ijlFree(&r);

        const bool complete = pixels && width > 0 && height > 0;
        QCOMPARE(code == IJL_OK, complete);
        const QStringList left = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, complete ? QStringList{QStringLiteral("out.jpg")} : QStringList());
    }
};

QTEST_MAIN(IjlTest)
#include "test_ijl.moc"
