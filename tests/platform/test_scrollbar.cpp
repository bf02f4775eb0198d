// The 16-bit scroll bar whose range may run backwards.
#include "platform/Error.h"
#include "platform/ScrollBar.h"

#include <QSignalSpy>
#include <QtTest>

class TestScrollBar : public QObject {
    Q_OBJECT
private slots:
    void backwardsRangeMapsOntoTheWidget_data() {
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("widgetPosition");
        QTest::newRow("left end") << -361 << 0 << 0;
        QTest::newRow("middle") << -361 << -180 << 180;
        QTest::newRow("right end") << -361 << -361 << 361;
        QTest::newRow("empty range") << 0 << 0 << 0;
        QTest::newRow("forwards") << 100 << 40 << 40;
    }
    void backwardsRangeMapsOntoTheWidget() {
        QFETCH(int, max);
        QFETCH(int, value);
        QFETCH(int, widgetPosition);
        ScrollBar bar(Qt::Horizontal);
        bar.SetMin(0);
        bar.SetMax(std::int16_t(max));
        bar.SetValue(std::int16_t(value));
        QCOMPARE(bar.value(), widgetPosition);
        QCOMPARE(bar.maximum(), std::abs(max));
    }

    void userActionsChangeValueAndRaiseChange() {
        ScrollBar bar(Qt::Horizontal);
        bar.SetMin(0);
        bar.SetMax(-100);
        bar.SetLargeChange(20);
        bar.SetSmallChange(5);
        QSignalSpy change(&bar, &ScrollBar::Change);
        bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(bar.Value(), -5);
        bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCOMPARE(bar.Value(), -25);
        bar.triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(bar.Value(), -100);
        QCOMPARE(change.count(), 3);
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

    void narrowingTheRangeClampsValueWithOneChange() {
        ScrollBar bar(Qt::Vertical);
        bar.SetMax(-300);
        bar.SetValue(-250);
        QSignalSpy change(&bar, &ScrollBar::Change);
        bar.SetMax(-100);
        QCOMPARE(bar.Value(), -100);
        QCOMPARE(change.count(), 1);
        bar.SetMax(-200); // Value still inside: no change
        QCOMPARE(change.count(), 1);
    }

    void refusesWhatItCannotHold() {
        ScrollBar bar(Qt::Horizontal);
        bar.SetMax(-10);
        QVERIFY_THROWS_EXCEPTION(QuillonError, bar.SetValue(5));
        QVERIFY_THROWS_EXCEPTION(QuillonError, bar.SetLargeChange(0));
        QVERIFY_THROWS_EXCEPTION(QuillonError, bar.SetSmallChange(-3));
        QCOMPARE(bar.LargeChange(), std::int16_t(1));
        QCOMPARE(bar.Value(), std::int16_t(0));
    }
};

QTEST_MAIN(TestScrollBar)
#include "test_scrollbar.moc"
