// The shared procedures: scale factors, size texts, pixel sizes.
#include "main_window/modGlobal.h"

#include <QLocale>
#include <QtTest>

class TestModGlobal : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void scaleFactors_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("factor");
        const float factors[] = {0.05f, 0.1f, 0.15f, 0.2f, 0.25f, 0.5f, 0.75f, 1.0f,
                                 1.25f, 1.5f, 1.75f, 2.0f, 2.25f, 2.5f, 3.0f};
        for (int i = 0; i < 15; ++i)
            QTest::newRow(qPrintable(ScaleItems()[i])) << ScaleItems()[i] << factors[i];
        QTest::newRow("empty") << "" << 0.0f;
        QTest::newRow("no space") << "100%" << 0.0f;
        QTest::newRow("leading space") << " 100 %" << 0.0f;
        QTest::newRow("no 275") << "275 %" << 0.0f;
        QTest::newRow("unpadded") << "50 %" << 0.0f;
    }
    void scaleFactors() {
        QFETCH(QString, text);
        QFETCH(float, factor);
        QCOMPARE(GetScaleFactor(text), factor);
    }

    void fileSizeTexts_data() {
        QTest::addColumn<double>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0.0 << "0 B";
        QTest::newRow("1023") << 1023.0 << "1023 B";
        QTest::newRow("1024") << 1024.0 << "1.00 KB";
        QTest::newRow("1152, half up") << 1152.0 << "1.13 KB";
        QTest::newRow("921654") << 921654.0 << "900.05 KB";
        QTest::newRow("1048570") << 1048570.0 << "1023.99 KB";
        QTest::newRow("1048575, unit after rounding") << 1048575.0 << "1.00 MB";
        QTest::newRow("1048576") << 1048576.0 << "1.00 MB";
        QTest::newRow("1073741823, unit after rounding") << 1073741823.0 << "1.00 GB";
        QTest::newRow("1073741824") << 1073741824.0 << "1.00 GB";
        QTest::newRow("2147483647") << 2147483647.0 << "2.00 GB";
        QTest::newRow("-1") << -1.0 << "";
        QTest::newRow("1023.5 between rows") << 1023.5 << "";
    }
    void fileSizeTexts() {
        QFETCH(double, bytes);
        QFETCH(QString, text);
        QCOMPARE(FormatFileSize(bytes), text);
    }

    void usersDecimalSeparator() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(FormatFileSize(921654), QStringLiteral("900,05 KB"));
        QCOMPARE(FormatFileSize(1023), QStringLiteral("1023 B"));
    }
};

QTEST_MAIN(TestModGlobal)
#include "test_modglobal.moc"
