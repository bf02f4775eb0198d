#pragma once
// AAImageView: a framed, scrollable picture viewer that shows one picture at a chosen display scale,
// centres it when it is smaller than the view area, and falls back on a built-in default picture.
//
// The viewer holds pictures by reference and never copies or changes them; painting costs the
// visible area only. Every operation that changes the picture, the scale or the size puts the
// picture back in the centre. Errors (a step below 1, a stored value out of range) are QuillonError
// and leave the viewer as it was.
#include "imaging/Picture.h"
#include "platform/PictureBox.h"
#include "platform/PropertyBag.h"
#include "platform/ScrollBar.h"

#include <QFrame>
#include <QWidget>
#include <cstdint>

class AAImageView : public QWidget {
    Q_OBJECT
public:
    explicit AAImageView(QWidget* parent = nullptr);

    // Centres the surface in the view area at a real (possibly half-pixel) position.
    void SetPictureCenter();

    // 0x00BBGGRR or 0x80000000 + system colour number; colours the frame and the corner square.
    std::uint32_t BackColor() const { return mBackColor; }
    void SetBackColor(std::uint32_t colNewBackColor);

    // The picture object as it was last drawn on the surface (never the scaled drawing).
    PictureRef Picture() const;
    void SetPicture(PictureRef picNewPicture);

    // Page and line steps of the bars, in bar units (pixels). Throw QuillonError below 1.
    std::int16_t LargChangeX() const;
    void SetLargChangeX(std::int16_t intNewLargChangeX);
    std::int16_t SmallChangeX() const;
    void SetSmallChangeX(std::int16_t intNewSmallChangeX);
    std::int16_t LargChangeY() const;
    void SetLargChangeY(std::int16_t intNewLargChangeY);
    std::int16_t SmallChangeY() const;
    void SetSmallChangeY(std::int16_t intNewSmallChangeY);

    // Scale code: 0..9 stand for 25 % .. 400 %; any other code draws the picture at 0 x 0.
    std::int32_t ScalePercent() const { return mScalePercent; }
    void SetScalePercent(std::int32_t sptNewScalePercent);

    // Setting the default picture also shows it at once.
    PictureRef DefultPicture() const;
    void SetDefultPicture(PictureRef picNewDefultPicture);
    void ShowDefultPicture();

    // The stored settings. Reading draws nothing: the next Paint() shows what was read.
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // Redraws the picture and recentres it. Runs whenever the viewer is shown.
    void Paint();

    // The embedded default picture, loaded once and shared by every viewer.
    static PictureRef BuiltInDefultPicture();

    QFrame* picMain() const { return mPicMain; }
    PictureBox* picTemp() const { return mPicTemp; }
    ScrollBar* hscPicture() const { return mHscPicture; }
    ScrollBar* vscPicture() const { return mVscPicture; }
    PictureBox* picView() const { return mPicView; }
    PictureBox* picDefultPicture() const { return mPicDefultPicture; }

signals:
    // The stored value under this key is out of date.
    void PropertyChanged(const QString& name);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // How a bar's units map to pixels. One unit is one pixel unless the scroll range is beyond what
    // a bar can hold; then a unit stands for `pixelsPerUnit` pixels and the last unit reaches the
    // exact end of the range.
    struct BarScale {
        int pixelsPerUnit = 1;
        double range = 0; // pixels, zero or negative
    };

    void DrawScaledPicture();
    void SetScrollBars();
    void layOut();
    void setUpBar(ScrollBar& bar, BarScale& scale, int outer, int surface);
    double surfaceOffset(const ScrollBar& bar, const BarScale& scale) const;
    void setStep(ScrollBar& bar, void (ScrollBar::*setter)(std::int16_t), std::int16_t step,
                 const char* name);

    std::int32_t mScalePercent = 3;
    PictureRef mPicture;
    std::uint32_t mBackColor = 0xFFFFFF;
    BarScale mScaleX;
    BarScale mScaleY;

    QFrame* mPicMain = nullptr;
    QWidget* mInterior = nullptr; // the frame's client area, inside its border
    PictureBox* mPicView = nullptr;
    ScrollBar* mHscPicture = nullptr;
    ScrollBar* mVscPicture = nullptr;
    PictureBox* mPicTemp = nullptr;
    PictureBox* mPicDefultPicture = nullptr;
};
