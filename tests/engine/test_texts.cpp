// The names and size texts Quillon writes and shows.
#include "engine/FileSizeText.h"
#include "engine/OutputName.h"

#include <QTest>

class TextsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void outputNames_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("output");
        const QList<std::tuple<const char*, const char*, const char*>> rows{
            {"a four-letter extension keeps a letter", "/p/photo.jpeg", "/p/photo.(QLN).jpg"},
            {"a dot in the folder only", "/p.d/holiday", "/p.d/holiday(QLN).jpg"},
            {"an emoji is one character, and a short name is kept whole", "/p/\U0001F600\U0001F600.g",
             "/p/\U0001F600\U0001F600.g(QLN).jpg"},
            {"a folder, not a file", "/p/", ""}};
        for (const auto& [name, source, output] : rows)
            QTest::newRow(name) << QString(source) << QString(output);
    }
    void outputNames() {
        QFETCH(QString, source);
        QTEST(OutputNameFor(source), "output");
    }

    void fileSizeTexts_data() {
        QTest::addColumn<double>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("german");
        const QList<std::tuple<double, const char*>> rows{
            {1023, "1023 B"},
            {1023.5, ""},
            {-1, ""},
            {1152, "1.13 KB"},
            {1048575, "1024.00 KB"}, // the unit follows the count, not the rounded figure
            {1048576, "1.00 MB"},
            {1073741823, "1024.00 MB"},
            {1073741824, "1.00 GB"}};
        for (const auto& [bytes, text] : rows)
            QTest::newRow(qPrintable(QString::number(bytes, 'f', 1))) << bytes << QString(text) << false;
        QTest::newRow("the user's decimal separator") << 1152.0 << QString("1,13 KB") << true;
    }
    void fileSizeTexts() {
        QFETCH(double, bytes);
        QFETCH(bool, german);
        if (german) QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QTEST(FileSizeText(bytes), "text");
    }
};

QTEST_MAIN(TextsTest)
#include "test_texts.moc"
