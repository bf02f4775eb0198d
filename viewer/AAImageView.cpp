#include "viewer/AAImageView.h"

#include "imaging/Error.h"
#include "platform/MousePointer.h"
#include "platform/SystemColors.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>
#include <limits>

namespace {

// The bar's thickness plus the frame border's two 2-pixel edges.
constexpr int BarAndBorder = 21;
constexpr int BarThickness = 17;
constexpr int CornerSize = 19;

constexpr std::int16_t DefaultLargChangeX = 10;
constexpr std::int16_t DefaultSmallChangeX = 10;
constexpr std::int16_t DefaultLargChangeY = 1;
constexpr std::int16_t DefaultSmallChangeY = 1;
constexpr std::uint32_t DefaultBackColor = 0xFFFFFF;
constexpr std::int32_t DefaultScalePercent = 3;

float scaleFactor(std::int32_t code) {
    static constexpr float factors[] = {0.25f, 0.5f, 0.75f, 1.0f, 1.25f, 1.5f, 1.75f, 2.0f, 3.0f, 4.0f};
    return code >= 0 && code < 10 ? factors[code] : 0.0f;
}

// Round to nearest, ties to even, whatever the floating-point environment says.
double roundHalfEven(double x) {
    if (std::abs(x - std::trunc(x)) == 0.5) return 2.0 * std::round(x / 2.0);
    return std::round(x);
}

// Checked here so that the message names the setting the user knows.
void requireStep(std::int32_t step, const char* name) {
    if (step < 1) throw QuillonError(QStringLiteral("%1 must be at least 1.").arg(QLatin1String(name)));
}

// A stored step, checked as its setter checks it.
std::int16_t storedStep(const PropertyBag& bag, const char* key, std::int16_t defaultValue) {
    const std::int32_t value = bag.ReadInt(QLatin1String(key), defaultValue);
    if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max())
        throw QuillonError(QStringLiteral("The stored scroll step %1 = %2 is out of range (at most 32767).")
                               .arg(QLatin1String(key))
                               .arg(value));
    requireStep(value, key);
    return std::int16_t(value);
}

// The frame: a sunken two-pixel border around a plain colour. It paints its colour itself rather
// than through its palette, which would carry the colour down to the scroll bars.
class Frame : public QFrame {
public:
    explicit Frame(QWidget* parent) : QFrame(parent) {
        setFrameStyle(QFrame::WinPanel | QFrame::Sunken); // always two pixels wide
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void SetColor(const QColor& color) {
        mColor = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), mColor);
        drawFrame(&painter);
    }

private:
    QColor mColor = Qt::white;
};

} // namespace

AAImageView::AAImageView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);

    mPicMain = new Frame(this);
    // Children are laid out in the frame's client area, inside the border, which also clips them.
    mInterior = new QWidget(mPicMain);
    // Created first so that the bars and the corner square lie above it.
    mPicView = new PictureBox(mInterior);
    mPicView->SetBackColor(SystemColor(SystemColorWindowBackground));
    mHscPicture = new ScrollBar(Qt::Horizontal, mInterior);
    mVscPicture = new ScrollBar(Qt::Vertical, mInterior);
    mPicTemp = new PictureBox(mInterior);
    mPicTemp->SetWidth(CornerSize);
    mPicTemp->SetHeight(CornerSize);
    mPicDefultPicture = new PictureBox(this);
    mPicDefultPicture->hide();

    mHscPicture->SetLargeChange(DefaultLargChangeX);
    mHscPicture->SetSmallChange(DefaultSmallChangeX);
    mVscPicture->SetLargeChange(DefaultLargChangeY);
    mVscPicture->SetSmallChange(DefaultSmallChangeY);
    mBackColor = DefaultBackColor;
    static_cast<Frame*>(mPicMain)->SetColor(SystemColor(mBackColor));
    mPicTemp->SetBackColor(SystemColor(mBackColor));

    connect(mHscPicture, &ScrollBar::Change, this,
            [this] { mPicView->Move(surfaceOffset(*mHscPicture, mScaleX), mPicView->Top()); });
    connect(mVscPicture, &ScrollBar::Change, this,
            [this] { mPicView->Move(mPicView->Left(), surfaceOffset(*mVscPicture, mScaleY)); });

    mPicDefultPicture->SetPicture(BuiltInDefultPicture());
    mScalePercent = DefaultScalePercent;
    mPicture = mPicDefultPicture->Picture();
    layOut();
    DrawScaledPicture();
    SetScrollBars();
    SetPictureCenter();
}

PictureRef AAImageView::BuiltInDefultPicture() {
    static const PictureRef picture = [] {
        QFile file(QStringLiteral(":/viewer/default.gif"));
        if (!file.open(QIODevice::ReadOnly))
            throw QuillonError(QStringLiteral("The viewer's built-in picture is missing from the program. "
                                              "Please reinstall Quillon."));
        return LoadPictureFromData(file.readAll(), QStringLiteral("default.gif"));
    }();
    return picture;
}

void AAImageView::SetPictureCenter() {
    // Subtract first, halve last: a half pixel stays a half pixel.
    const double left = (double(mPicMain->width()) - mPicView->Width() - BarAndBorder) / 2.0;
    const double top = (double(mPicMain->height()) - mPicView->Height() - BarAndBorder) / 2.0;
    mPicView->Move(left, top);
}

void AAImageView::SetBackColor(std::uint32_t colNewBackColor) {
    const QColor color = SystemColor(colNewBackColor);
    mBackColor = colNewBackColor;
    static_cast<Frame*>(mPicMain)->SetColor(color);
    mPicTemp->SetBackColor(color);
    emit PropertyChanged(QStringLiteral("BackColor"));
}

PictureRef AAImageView::Picture() const {
    return mPicView->Picture();
}

void AAImageView::SetPicture(PictureRef picNewPicture) {
    mPicture = std::move(picNewPicture);
    DrawScaledPicture();
    emit PropertyChanged(QStringLiteral("Picture"));
    SetScrollBars();
    SetPictureCenter();
}

std::int16_t AAImageView::LargChangeX() const {
    return mHscPicture->LargeChange();
}
std::int16_t AAImageView::SmallChangeX() const {
    return mHscPicture->SmallChange();
}
std::int16_t AAImageView::LargChangeY() const {
    return mVscPicture->LargeChange();
}
std::int16_t AAImageView::SmallChangeY() const {
    return mVscPicture->SmallChange();
}

void AAImageView::SetLargChangeX(std::int16_t intNewLargChangeX) {
    setStep(*mHscPicture, &ScrollBar::SetLargeChange, intNewLargChangeX, "LargChangeX");
}
void AAImageView::SetSmallChangeX(std::int16_t intNewSmallChangeX) {
    setStep(*mHscPicture, &ScrollBar::SetSmallChange, intNewSmallChangeX, "SmallChangeX");
}
void AAImageView::SetLargChangeY(std::int16_t intNewLargChangeY) {
    setStep(*mVscPicture, &ScrollBar::SetLargeChange, intNewLargChangeY, "LargChangeY");
}
void AAImageView::SetSmallChangeY(std::int16_t intNewSmallChangeY) {
    setStep(*mVscPicture, &ScrollBar::SetSmallChange, intNewSmallChangeY, "SmallChangeY");
}

void AAImageView::setStep(ScrollBar& bar, void (ScrollBar::*setter)(std::int16_t), std::int16_t step,
                          const char* name) {
    requireStep(step, name);
    (bar.*setter)(step);
    emit PropertyChanged(QLatin1String(name));
}

void AAImageView::SetScalePercent(std::int32_t sptNewScalePercent) {
    mScalePercent = sptNewScalePercent;
    emit PropertyChanged(QStringLiteral("ScalePercent"));
    DrawScaledPicture();
    SetScrollBars();
    SetPictureCenter();
}

PictureRef AAImageView::DefultPicture() const {
    return mPicDefultPicture->Picture();
}

void AAImageView::SetDefultPicture(PictureRef picNewDefultPicture) {
    mPicDefultPicture->SetPicture(std::move(picNewDefultPicture));
    emit PropertyChanged(QStringLiteral("DefultPicture"));
    ShowDefultPicture();
}

void AAImageView::ShowDefultPicture() {
    mPicture = mPicDefultPicture->Picture();
    DrawScaledPicture();
    SetScrollBars();
    SetPictureCenter();
}

void AAImageView::ReadProperties(const PropertyBag& bag) {
    // Everything is read and checked before anything changes, so that a bad value changes nothing.
    const std::int16_t largX = storedStep(bag, "LargChangeX", DefaultLargChangeX);
    const std::int16_t largY = storedStep(bag, "LargChangeY", DefaultLargChangeY);
    const std::int16_t smallX = storedStep(bag, "SmallChangeX", DefaultSmallChangeX);
    const std::int16_t smallY = storedStep(bag, "SmallChangeY", DefaultSmallChangeY);
    PictureRef picture = bag.ReadPicture(QStringLiteral("Picture"), DefultPicture());
    PictureRef defaultPicture = bag.ReadPicture(QStringLiteral("DefultPicture"), DefultPicture());
    const auto backColor =
        std::uint32_t(bag.ReadInt(QStringLiteral("BackColor"), std::int32_t(DefaultBackColor)));
    const std::int32_t scalePercent = bag.ReadInt(QStringLiteral("ScalePercent"), DefaultScalePercent);

    SetLargChangeX(largX);
    SetLargChangeY(largY);
    SetSmallChangeX(smallX);
    SetSmallChangeY(smallY);
    // The picture and the scale are taken as they are; the next paint draws them.
    mPicture = std::move(picture);
    mPicDefultPicture->SetPicture(std::move(defaultPicture));
    SetBackColor(backColor);
    mScalePercent = scalePercent;
}

void AAImageView::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty(QStringLiteral("LargChangeX"), std::int32_t(LargChangeX()),
                      std::int32_t(DefaultLargChangeX));
    bag.WriteProperty(QStringLiteral("LargChangeY"), std::int32_t(LargChangeY()),
                      std::int32_t(DefaultLargChangeY));
    bag.WriteProperty(QStringLiteral("SmallChangeX"), std::int32_t(SmallChangeX()),
                      std::int32_t(DefaultSmallChangeX));
    bag.WriteProperty(QStringLiteral("SmallChangeY"), std::int32_t(SmallChangeY()),
                      std::int32_t(DefaultSmallChangeY));
    // Compared with the holder rather than its picture, so the current picture is always stored.
    bag.WriteProperty(QStringLiteral("Picture"), mPicture, PropertyBag::NoDefault{});
    // Value and default are the same, so an own default picture is never stored.
    bag.WriteProperty(QStringLiteral("DefultPicture"), DefultPicture(), DefultPicture());
    bag.WriteProperty(QStringLiteral("BackColor"), std::int32_t(mBackColor), std::int32_t(DefaultBackColor));
    bag.WriteProperty(QStringLiteral("ScalePercent"), mScalePercent, DefaultScalePercent);
}

void AAImageView::Paint() {
    DrawScaledPicture();
    SetScrollBars();
    SetPictureCenter();
}

void AAImageView::DrawScaledPicture() {
    const BusyPointer busy; // ends on the default pointer, also when drawing fails
    const float factor = scaleFactor(mScalePercent);
    mPicView->SetPicture(mPicture);
    // A float factor times a whole number is exact in double; then rounded down.
    const int width = int(std::floor(double(mPicView->Width()) * double(factor)));
    mPicView->SetWidth(width);
    const int height = int(std::floor(double(mPicView->Height()) * double(factor)));
    mPicView->SetHeight(height);
    mPicView->PaintPicture(mPicture, 0, 0, width, height);
}

void AAImageView::SetScrollBars() {
    setUpBar(*mHscPicture, mScaleX, mPicMain->width(), mPicView->Width());
    setUpBar(*mVscPicture, mScaleY, mPicMain->height(), mPicView->Height());
}

void AAImageView::setUpBar(ScrollBar& bar, BarScale& scale, int outer, int surface) {
    const int view = outer - BarAndBorder;
    if (float(view) > surface) {
        bar.setEnabled(false); // Min, Max and Value stay as they were
        return;
    }
    bar.setEnabled(true);
    // The range runs backwards (0 down to view - surface) so that Value is the surface's offset.
    const double range = double(view) - double(surface);
    int pixelsPerUnit = 1;
    while (roundHalfEven(range / pixelsPerUnit) < std::numeric_limits<std::int16_t>::min())
        ++pixelsPerUnit;
    scale = {pixelsPerUnit, range};
    bar.SetMin(0);
    bar.SetMax(std::int16_t(roundHalfEven(range / pixelsPerUnit)));
    bar.SetValue(std::int16_t(roundHalfEven((double(bar.Max()) - double(bar.Min())) / 2.0)));
}

double AAImageView::surfaceOffset(const ScrollBar& bar, const BarScale& scale) const {
    if (scale.pixelsPerUnit == 1) return bar.Value();
    // Coarse units: the far end of the bar shows the picture's far edge exactly.
    if (bar.Value() == bar.Max()) return scale.range;
    return double(bar.Value()) * scale.pixelsPerUnit;
}

void AAImageView::layOut() {
    mPicMain->setGeometry(0, 0, width(), height());
    const int outerWidth = mPicMain->width();
    const int outerHeight = mPicMain->height();
    mInterior->setGeometry(mPicMain->contentsRect());
    mVscPicture->setGeometry(outerWidth - BarAndBorder, 0, BarThickness,
                             std::max(0, outerHeight - BarAndBorder));
    mHscPicture->setGeometry(0, outerHeight - BarAndBorder, std::max(0, outerWidth - BarAndBorder),
                             BarThickness);
    mPicTemp->move(mVscPicture->x(), mHscPicture->y());
}

void AAImageView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut(); // the picture keeps its drawing and is only recentred
    SetScrollBars();
    SetPictureCenter();
}

void AAImageView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Child widgets cover the viewer completely, so its own paint event never comes: showing is
    // when the viewer repaints.
    Paint();
}

void AAImageView::keyPressEvent(QKeyEvent* event) {
    // Keys that a bar passes on to its parent are not the viewer's.
    if (!hasFocus()) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    if ((key == Qt::Key_Right || key == Qt::Key_Left) && mHscPicture->isEnabled()) {
        mHscPicture->setFocus(Qt::OtherFocusReason);
        return;
    }
    if ((key == Qt::Key_Down || key == Qt::Key_Up) && mVscPicture->isEnabled()) {
        mVscPicture->setFocus(Qt::OtherFocusReason);
        return;
    }
    QWidget::keyPressEvent(event);
}

// The wheel moves the bars as their arrows do (Shift: the horizontal one), so that the picture's real
// position follows the bar exactly as it does for a click or a key.
void AAImageView::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const bool sideways = (event->modifiers() & Qt::ShiftModifier) || (delta.y() == 0 && delta.x() != 0);
    ScrollBar* bar = sideways ? mHscPicture : mVscPicture;
    const int notches = (sideways && delta.y() == 0 ? delta.x() : delta.y()) / 120;
    if (!bar->isEnabled() || notches == 0) {
        event->ignore();
        return;
    }
    const auto action =
        notches < 0 ? QAbstractSlider::SliderSingleStepAdd : QAbstractSlider::SliderSingleStepSub;
    for (int step = 0; step < std::abs(notches) * QApplication::wheelScrollLines(); ++step)
        bar->triggerAction(action);
    event->accept();
}
