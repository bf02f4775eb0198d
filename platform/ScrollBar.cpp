#include "platform/ScrollBar.h"

#include "imaging/Error.h"

#include <QKeyEvent>
#include <QSignalBlocker>
#include <algorithm>

ScrollBar::ScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {
    setTracking(false); // a dragged thumb changes Value only when it is released
    syncWidget();
    connect(this, &QScrollBar::valueChanged, this,
            [this](int position) { setValueAndNotify(fromWidget(position)); });
}

// The widget always runs from 0 to |Max - Min|, position 0 standing for Min.
int ScrollBar::toWidget(std::int16_t value) const {
    return std::abs(int(value) - int(mMin));
}

std::int16_t ScrollBar::fromWidget(int position) const {
    return std::int16_t(mMax >= mMin ? int(mMin) + position : int(mMin) - position);
}

void ScrollBar::syncWidget() {
    const QSignalBlocker blocker(this);
    setRange(0, std::abs(int(mMax) - int(mMin)));
    setPageStep(mLargeChange);
    setSingleStep(mSmallChange);
    setSliderPosition(toWidget(mValue));
    QScrollBar::setValue(toWidget(mValue));
}

void ScrollBar::setValueAndNotify(std::int16_t value) {
    const bool changed = value != mValue;
    mValue = value;
    syncWidget();
    if (changed) emit Change();
}

void ScrollBar::SetMin(std::int16_t min) {
    mMin = min;
    setValueAndNotify(std::clamp(mValue, std::min(mMin, mMax), std::max(mMin, mMax)));
}

void ScrollBar::SetMax(std::int16_t max) {
    mMax = max;
    setValueAndNotify(std::clamp(mValue, std::min(mMin, mMax), std::max(mMin, mMax)));
}

void ScrollBar::SetValue(std::int16_t value) {
    if (value < std::min(mMin, mMax) || value > std::max(mMin, mMax))
        throw QuillonError(QStringLiteral("The scroll position %1 lies outside the range %2 to %3.")
                               .arg(value)
                               .arg(mMin)
                               .arg(mMax));
    setValueAndNotify(value);
}

void ScrollBar::SetLargeChange(std::int16_t step) {
    if (step < 1) throw QuillonError(QStringLiteral("A scroll step must be at least 1, not %1.").arg(step));
    mLargeChange = step;
    syncWidget();
}

void ScrollBar::SetSmallChange(std::int16_t step) {
    if (step < 1) throw QuillonError(QStringLiteral("A scroll step must be at least 1, not %1.").arg(step));
    mSmallChange = step;
    syncWidget();
}

void ScrollBar::keyPressEvent(QKeyEvent* event) {
    // QScrollBar inverts its controls (for the wheel), which also turns Left and Right round on a
    // horizontal bar: Right must move the thumb towards the right end.
    if (orientation() == Qt::Horizontal && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
        const bool towardsEnd = (event->key() == Qt::Key_Right) != isRightToLeft();
        triggerAction(towardsEnd ? SliderSingleStepAdd : SliderSingleStepSub);
        event->accept();
        return;
    }
    QScrollBar::keyPressEvent(event);
}
