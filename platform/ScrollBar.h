#pragma once
// A scroll bar with 16-bit Min, Max and Value whose range may run backwards (Max < Min), page and
// line steps, and a Change event raised whenever Value changes: by the program, by an arrow, a click
// in the track, an arrow key, or on release of a dragged thumb (not while it is dragged).
#include <QScrollBar>
#include <cstdint>

class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit ScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

    std::int16_t Min() const { return mMin; }
    std::int16_t Max() const { return mMax; }
    std::int16_t Value() const { return mValue; }
    std::int16_t LargeChange() const { return mLargeChange; }
    std::int16_t SmallChange() const { return mSmallChange; }

    // Min and Max clamp Value into the new range (raising Change when that moves it).
    void SetMin(std::int16_t min);
    void SetMax(std::int16_t max);
    // Throws QuillonError for a value outside the range.
    void SetValue(std::int16_t value);
    // Throws QuillonError for a step below 1.
    void SetLargeChange(std::int16_t step);
    void SetSmallChange(std::int16_t step);

signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setValueAndNotify(std::int16_t value);
    void syncWidget();
    int toWidget(std::int16_t value) const;
    std::int16_t fromWidget(int position) const;

    std::int16_t mMin = 0;
    std::int16_t mMax = 32767;
    std::int16_t mValue = 0;
    std::int16_t mLargeChange = 1;
    std::int16_t mSmallChange = 1;
};
