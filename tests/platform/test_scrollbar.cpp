// The 16-bit scroll bar whose range may run backwards.
#include "platform/ScrollBar.h"

#include <QSignalSpy>
#include <QtTest>

class TestScrollBar : public QObject {
    Q_OBJECT
private slots:
    // The widget runs from 0 to |Max - Min|; narrowing the range clamps Value with one Change.
    void backwardsRangeMapsOntoTheWidget_data() {
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("narrowedTo"); // 0: not narrowed
        QTest::addColumn<int>("widgetPosition");
        QTest::addColumn<int>("changes");
        QTest::newRow("left end") << -361 << 0 << 0 << 0 << 0;
        QTest::newRow("middle") << -361 << -180 << 0 << 180 << 1;
        QTest::newRow("right end") << -361 << -361 << 0 << 361 << 1;
        QTest::newRow("narrowed past the value") << -300 << -250 << -100 << 100 << 2;
        QTest::newRow("narrowed, value inside") << -300 << -150 << -200 << 150 << 1;
    }
    void backwardsRangeMapsOntoTheWidget() {
        QFETCH(int, max);
        QFETCH(int, value);
        QFETCH(int, narrowedTo);
        QFETCH(int, widgetPosition);
        QFETCH(int, changes);
        ScrollBar bar(Qt::Horizontal);
        QSignalSpy change(&bar, &ScrollBar::Change);
        bar.SetMax(std::int16_t(max));
        bar.SetValue(std::int16_t(value));
        if (narrowedTo) bar.SetMax(std::int16_t(narrowedTo));
        QCOMPARE(bar.value(), widgetPosition);
        QCOMPARE(bar.maximum(), std::abs(narrowedTo ? narrowedTo : max));
        QCOMPARE(bar.Value(), -widgetPosition);
        QCOMPARE(change.count(), changes);
    }

    void draggingChangesNothingUntilRelease() {
        ScrollBar bar(Qt::Horizontal);
        bar.SetMax(-100);
        QSignalSpy change(&bar, &ScrollBar::Change);
        bar.setSliderDown(true);
        bar.setSliderPosition(100);
        QCOMPARE(bar.Value(), 0);
        QCOMPARE(change.count(), 0);
        bar.setSliderDown(false);
        QCOMPARE(bar.Value(), -100);
        QCOMPARE(change.count(), 1);
    }
};

QTEST_MAIN(TestScrollBar)
#include "test_scrollbar.moc"
