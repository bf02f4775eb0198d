#pragma once
// What Quillon reads of Windows bitmap files itself, beside Qt's reader.
#include <QByteArray>
#include <QImage>

// True when an uncompressed bitmap's pixel data is shorter than its header promises.
bool BitmapIsShort(const QByteArray& file);

// A 16-bit or bit-field bitmap whose channels are not 8 bits wide, each channel scaled to the full
// 0-255 range (a 5-bit 31 is 255, not 248). A null image for every other bitmap, which Qt reads; also
// when there is not enough memory, which the caller reports.
QImage DecodeBitfieldBitmap(const QByteArray& file);
