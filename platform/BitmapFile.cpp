#include "platform/Picture.h"

// A Windows bitmap file at 24 bits a pixel: a 54-byte header, then the rows, each padded to a
// multiple of 4 bytes.
qint64 BitmapFileLength(QSize size) {
    const qint64 stride = (qint64(size.width()) * 3 + 3) & ~qint64{3};
    return 54 + stride * size.height();
}
