#pragma once
// The resize every front end shares: the window's work surface, the size search and the command line
// all give the same pixels for the same picture and size.
#include "imaging/Picture.h"

#include <QColor>
#include <QSize>

// The whole of `original` stretched to `size`, nearest neighbour, exactly as a picture box gives it
// after SetPicture(original), SetWidth, SetHeight and PaintPicture(original, 0, 0, width, height):
// transparent parts lie over `background` and the result is opaque; an opaque picture kept at its own
// size is shared, not copied. Throws QuillonError, in the user's words, for a size outside 1 to the
// largest picture, or when there is not enough memory.
// The background is a value, chosen once by the front end on its main thread: this runs on workers.
PictureRef ResizedPicture(const PictureRef& original, QSize size, const QColor& background);

// The JPEG EncodeJPEG makes of ResizedPicture(original, size, background) at `quality` with `app1`,
// byte for byte, made from an opaque original without the resized picture: its rows are stretched as
// the encoder takes them. Throws as both do.
QByteArray ResizedJPEG(const PictureRef& original, QSize size, const QColor& background, int quality,
                       const QByteArray& app1 = {});

// Refuses a resized size larger than a picture Quillon can make and save as a JPEG (MaxPictureSide a
// side, MaxPicturePixels in all): throws QuillonError naming the size, ending with `advice`. Every
// front end checks a size it is asked for with this before the work starts.
void CheckResizedSize(QSize size, const QString& advice);

// A size scaled by whole percentages: each side × percent ÷ 100 rounded down, at least 1 pixel.
QSize ScaledSize(QSize original, int percentX, int percentY);
