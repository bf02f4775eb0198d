// The stored layout: each control's named values, pictures as files beside it, and lines it refuses.
#include "platform/Error.h"
#include "platform/PropertyBag.h"
#include "support/PictureFactory.h"

#include <QTemporaryDir>
#include <QtTest>

class TestPropertyBag : public QObject {
    Q_OBJECT
private slots:
    void storedLayout_data() {
        QTest::addColumn<QString>("line"); // under [Two]
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
        factory::writeFile(dir.filePath("layout"),
                           "# comment\n[One]\nLargChangeX = 20\nBackColor = 0x8000000F\n"
                           "Picture = file:p.gif\n\n[Two]\n" +
                               line.toUtf8() + "\n");
        if (!readable) {
            QVERIFY_THROWS_EXCEPTION(QuillonError, ReadStoredLayout(dir.filePath("layout")));
            return;
        }
        const auto bags = ReadStoredLayout(dir.filePath("layout"));
        QCOMPARE(bags.keys(), (QStringList{"One", "Two"}));
        QCOMPARE(bags["One"].ReadInt("largchangex", 10), 20);
        QCOMPARE(std::uint32_t(bags["One"].ReadInt("BackColor", 0)), 0x8000000Fu);
        QCOMPARE(bags["One"].ReadPicture("Picture", nullptr)->size(), QSize(4, 4));
        QCOMPARE(bags["Two"].ReadInt("SmallChangeX", 10), 1);
        QCOMPARE(bags["Two"].ReadInt("SmallChangeY", 1), 1);
    }
};

QTEST_MAIN(TestPropertyBag)
#include "test_propertybag.moc"
