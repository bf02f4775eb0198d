// The shared procedures: scale factors and size texts.
#include "main_window/modGlobal.h"

#include <QLocale>
#include <QtTest>

class TestModGlobal : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void scaleFactorsMatchTheirTexts() {
        QCOMPARE(ScaleItems().size(), 15);
        for (const QString& item : ScaleItems())
            QCOMPARE(GetScaleFactor(item), item.left(3).toFloat() / 100);
        for (const char* text : {"", "100%", " 100 %", "275 %", "50 %"})
            QCOMPARE(GetScaleFactor(text), 0.0f);
    }

    void fileSizeTexts_data() {
        QTest::addColumn<double>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("german");
        const QList<std::tuple<double, const char*, const char*>> rows{
            {0, "0 B", "0 B"},
            {1023, "1023 B", "1023 B"},
            {1023.5, "", ""},
            {-1, "", ""},
            {1024, "1.00 KB", "1,00 KB"},
            {1152, "1.13 KB", "1,13 KB"},
            {921654, "900.05 KB", "900,05 KB"},
            {1048570, "1023.99 KB", "1023,99 KB"},
            {1048575, "1.00 MB", "1,00 MB"}, // the unit after rounding
            {1073741823, "1.00 GB", "1,00 GB"},
            {2147483647, "2.00 GB", "2,00 GB"}};
        for (const auto& [bytes, text, german] : rows)
            QTest::newRow(qPrintable(QString::number(bytes, 'f', 1)))
                << bytes << QString(text) << QString(german);
    }
    void fileSizeTexts() {
        QFETCH(double, bytes);
        QFETCH(QString, text);
        QFETCH(QString, german);
        QCOMPARE(FormatFileSize(bytes), text);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); // the user's decimal separator
        QCOMPARE(FormatFileSize(bytes), german);
    }
};

QTEST_MAIN(TestModGlobal)
#include "test_modglobal.moc"
