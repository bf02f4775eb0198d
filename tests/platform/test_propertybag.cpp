// The named-value store of the controls' stored settings.
#include "platform/Error.h"
#include "platform/PropertyBag.h"
#include "support/PictureFactory.h"

#include <QTemporaryDir>
#include <QtTest>

class TestPropertyBag : public QObject {
    Q_OBJECT
private slots:
    void valuesEqualToTheirDefaultAreNotStored_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("defaultValue");
        QTest::addColumn<bool>("stored");
        QTest::newRow("equal") << 10 << 10 << false;
        QTest::newRow("different") << 20 << 10 << true;
        QTest::newRow("negative") << -1 << 3 << true;
    }
    void valuesEqualToTheirDefaultAreNotStored() {
        QFETCH(int, value);
        QFETCH(int, defaultValue);
        QFETCH(bool, stored);
        PropertyBag bag;
        bag.WriteProperty(QStringLiteral("LargChangeX"), value, defaultValue);
        QCOMPARE(bag.Contains(QStringLiteral("largchangex")), stored);
        QCOMPARE(bag.ReadInt(QStringLiteral("LARGCHANGEX"), defaultValue), value);
    }

    void keysAreKeptInLowerCase() {
        PropertyBag bag;
        bag.WriteProperty(QStringLiteral("BackColor"), 5, 0);
        QCOMPARE(bag.Keys(), QStringList{QStringLiteral("backcolor")});
        QCOMPARE(bag.ReadInt(QStringLiteral("bAcKcOlOr"), 0), 5);
    }

    void picturesCompareAsObjectsAndReadBackAsNewOnes() {
        const PictureRef picture = Picture::make(factory::gradient(8, 6));
        PropertyBag bag;
        bag.WriteProperty(QStringLiteral("DefultPicture"), picture, picture);
        QVERIFY(!bag.Contains(QStringLiteral("DefultPicture")));
        bag.WriteProperty(QStringLiteral("Picture"), picture, PropertyBag::NoDefault{});
        QVERIFY(bag.Contains(QStringLiteral("picture")));
        const PictureRef back = bag.ReadPicture(QStringLiteral("Picture"), nullptr);
        QVERIFY(back != picture);
        QCOMPARE(back->image(), picture->image());
    }

    void aPictureReadFromAFileIsStoredAsThatFile() {
        const QByteArray gif = factory::encode(factory::withTransparency(16, 16), "GIF");
        const PictureRef picture = LoadPictureFromData(gif, QStringLiteral("t.gif"));
        PropertyBag bag;
        bag.WriteProperty(QStringLiteral("Picture"), picture, PropertyBag::NoDefault{});
        QVERIFY(bag.ReadPicture(QStringLiteral("Picture"), nullptr)->hasTransparency());
        QCOMPARE(bag.ReadPicture(QStringLiteral("Picture"), nullptr)->sourceFile(), gif);
    }

    void storedLayoutText() {
        QTemporaryDir dir;
        factory::writeFile(dir.filePath("p.gif"), factory::encode(factory::gradient(4, 4), "GIF"));
        factory::writeFile(dir.filePath("layout"),
                           "# comment\n[One]\nLargChangeX = 20\nBackColor = 0x8000000F\n"
                           "Picture = file:p.gif\n\n[Two]\nsmallchangex=1\n");
        const auto bags = ReadStoredLayout(dir.filePath("layout"));
        QCOMPARE(bags.size(), 2);
        QCOMPARE(bags["One"].ReadInt("largchangex", 10), 20);
        QCOMPARE(std::uint32_t(bags["One"].ReadInt("BackColor", 0)), 0x8000000Fu);
        QCOMPARE(bags["One"].ReadPicture("Picture", nullptr)->size(), QSize(4, 4));
        QCOMPARE(bags["Two"].ReadInt("SmallChangeX", 10), 1);
        QCOMPARE(bags["Two"].ReadInt("SmallChangeY", 1), 1);
        QVERIFY_THROWS_EXCEPTION(QuillonError, PropertyBag::FromText("what is this", dir.path()));
        QVERIFY_THROWS_EXCEPTION(QuillonError, PropertyBag::FromText("Picture = file:none.gif", dir.path()));
    }
};

QTEST_MAIN(TestPropertyBag)
#include "test_propertybag.moc"
