#pragma once
// A picture box with a retained image: the main window's hidden work surface and the viewer's
// picture surface.
//
// The retained image is kept as what was drawn, not as pixels: the assigned picture under
// everything, at its own size from the top-left corner, on the background colour, and the stretched
// drawings above it. A drawing that covers the whole surface hides everything before it, so those
// layers are dropped and transparent parts show the plain background colour. Painting renders only
// the visible part; `Image()` renders the whole surface once, and shares the picture's own pixels
// when the surface is exactly one opaque picture at its own size.
#include "imaging/Picture.h"

#include <QColor>
#include <QWidget>
#include <vector>

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // The surface takes the picture's size in pixels; the picture lies under every drawing.
    void SetPicture(PictureRef picture);
    PictureRef Picture() const { return mPicture; }

    int Width() const { return mSize.width(); }
    int Height() const { return mSize.height(); }
    // Sizes in pixels; the surface keeps what was drawn. Throws QuillonError for a negative size or
    // one beyond what a picture may be.
    void SetWidth(int width);
    void SetHeight(int height);

    // Draws the whole picture stretched into the rectangle, nearest neighbour.
    void PaintPicture(PictureRef picture, int left, int top, int width, int height);

    // The retained image read out as a new picture of the surface's current size. Throws
    // QuillonError when there is not enough memory for it.
    PictureRef Image() const;

    // A part of the retained image, as it is painted on screen.
    QImage Render(const QRect& area) const;

    QColor BackColor() const { return mBackColor; }
    void SetBackColor(const QColor& color);

    // The surface's position in its parent as a real number; the widget itself sits at the whole
    // pixel below it.
    double Left() const { return mLeft; }
    double Top() const { return mTop; }
    void Move(double left, double top);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Drawing {
        PictureRef picture;
        QRect target;
    };
    void setSurfaceSize(QSize size);

    PictureRef mPicture;
    bool mPictureHidden = false; // a later drawing covers the assigned picture
    std::vector<Drawing> mDrawings;
    QSize mSize{0, 0};
    QColor mBackColor;
    double mLeft = 0;
    double mTop = 0;
};
