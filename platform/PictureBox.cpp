#include "platform/PictureBox.h"

#include "imaging/Error.h"
#include "imaging/LargeMemory.h"
#include "imaging/Stretch.h"
#include "platform/SystemColors.h"

#include <QPaintEvent>
#include <QPainter>
#include <cmath>

PictureBox::PictureBox(QWidget* parent)
    : QWidget(parent), mBackColor(SystemColor(SystemColorWindowBackground)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(0, 0);
}

void PictureBox::SetPicture(PictureRef picture) {
    mPicture = std::move(picture);
    mPictureHidden = false;
    mDrawings.clear();
    setSurfaceSize(mPicture ? mPicture->size() : QSize(0, 0));
    update();
}

void PictureBox::SetWidth(int width) {
    setSurfaceSize({width, mSize.height()});
}
void PictureBox::SetHeight(int height) {
    setSurfaceSize({mSize.width(), height});
}

void PictureBox::setSurfaceSize(QSize size) {
    if (size.width() < 0 || size.height() < 0)
        throw QuillonError(QStringLiteral("A picture cannot have a negative size (%1 × %2 pixels).")
                               .arg(size.width())
                               .arg(size.height()));
    if (size.width() > MaxPictureSide * 4 || size.height() > MaxPictureSide * 4)
        throw QuillonError(QStringLiteral("A picture of %1 × %2 pixels is larger than Quillon can make.")
                               .arg(size.width())
                               .arg(size.height()));
    mSize = size;
    resize(size);
}

void PictureBox::PaintPicture(PictureRef picture, int left, int top, int width, int height) {
    if (!picture) return;
    const QRect target(left, top, width, height);
    if (target.contains(QRect(QPoint(0, 0), mSize))) {
        mDrawings.clear();
        mPictureHidden = true;
    }
    mDrawings.push_back({std::move(picture), target});
    update();
}

QImage PictureBox::Render(const QRect& area) const {
    QImage image = AllocateImage(area.size(), QImage::Format_RGB32);
    if (image.isNull() && !area.isEmpty())
        throw QuillonError(QStringLiteral("There is not enough memory for a picture of %1 × %2 pixels.")
                               .arg(area.width())
                               .arg(area.height()));
    const bool covered = !mDrawings.empty() && !mDrawings.front().picture->hasTransparency() &&
                         mDrawings.front().target.contains(QRect(QPoint(0, 0), mSize));
    if (!covered) image.fill(mBackColor);
    if (mPicture && !mPictureHidden)
        StretchInto(image, area.topLeft(), mPicture->image(), QRect(QPoint(0, 0), mPicture->size()));
    for (const Drawing& drawing : mDrawings)
        StretchInto(image, area.topLeft(), drawing.picture->image(), drawing.target);
    return image;
}

PictureRef PictureBox::Image() const {
    const QRect whole(QPoint(0, 0), mSize);
    if (mDrawings.size() == 1 && mPictureHidden) {
        const Drawing& only = mDrawings.front();
        if (only.target == whole && only.picture->size() == mSize && !only.picture->hasTransparency())
            return Picture::make(only.picture->image()); // the same pixels, shared
    }
    if (mDrawings.empty() && mPicture && mPicture->size() == mSize && !mPicture->hasTransparency())
        return Picture::make(mPicture->image());
    if (qint64(mSize.width()) * mSize.height() > MaxPicturePixels)
        throw QuillonError(QStringLiteral("A picture of %1 × %2 pixels is larger than Quillon can make "
                                          "(at most %3 megapixels).")
                               .arg(mSize.width())
                               .arg(mSize.height())
                               .arg(MaxPicturePixels / 1000000));
    return Picture::make(Render(whole));
}

void PictureBox::SetBackColor(const QColor& color) {
    mBackColor = color;
    update();
}

void PictureBox::Move(double left, double top) {
    mLeft = left;
    mTop = top;
    move(int(std::floor(left)), int(std::floor(top)));
}

void PictureBox::paintEvent(QPaintEvent* event) {
    const QRect area = event->rect().intersected(QRect(QPoint(0, 0), mSize));
    if (area.isEmpty()) return;
    QPainter painter(this);
    painter.drawImage(area.topLeft(), Render(area));
}
