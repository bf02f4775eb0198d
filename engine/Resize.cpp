#include "engine/Resize.h"

#include "encoding/mIntelJPEGLibrary.h"
#include "imaging/Error.h"
#include "imaging/LargeMemory.h"
#include "imaging/Stretch.h"

#include <algorithm>

namespace {

void checkSize(QSize size) {
    if (size.width() < 1 || size.height() < 1)
        throw QuillonError(
            QStringLiteral("A picture cannot be %1 × %2 pixels: each side needs at least one pixel.")
                .arg(size.width())
                .arg(size.height()));
    CheckResizedSize(size, QStringLiteral("Choose a smaller size."));
}

} // namespace

void CheckResizedSize(QSize size, const QString& advice) {
    if (size.width() > MaxPictureSide || size.height() > MaxPictureSide ||
        qint64(size.width()) * size.height() > MaxPicturePixels)
        throw QuillonError(QStringLiteral("The resized picture would be %1 × %2 pixels, larger than Quillon "
                                          "can make (at most %3 megapixels and %4 pixels a side). %5")
                               .arg(size.width())
                               .arg(size.height())
                               .arg(MaxPicturePixels / 1000000)
                               .arg(MaxPictureSide)
                               .arg(advice));
}

PictureRef ResizedPicture(const PictureRef& original, QSize size, const QColor& background) {
    if (!original || original->size().isEmpty())
        throw QuillonError(QStringLiteral("There is no picture to resize."));
    checkSize(size);
    const bool transparent = original->hasTransparency();
    if (size == original->size() && !transparent) return Picture::make(original->image());

    QImage image = AllocateImage(size, QImage::Format_RGB32);
    if (image.isNull())
        throw QuillonError(QStringLiteral("There is not enough memory for a picture of %1 × %2 pixels.")
                               .arg(size.width())
                               .arg(size.height()));
    if (transparent) image.fill(background); // an opaque stretch covers every pixel
    StretchInto(image, QPoint(0, 0), original->image(), QRect(QPoint(0, 0), size));
    return Picture::make(std::move(image));
}

QByteArray ResizedJPEG(const PictureRef& original, QSize size, const QColor& background, int quality,
                       const QByteArray& app1) {
    // Rows written as quint32 are the encoder's blue, green, red bytes on a little-endian machine only.
    const bool streamed = original && !original->size().isEmpty() && size != original->size() &&
                          !original->hasTransparency() && QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    if (!streamed) return EncodeJPEG(ResizedPicture(original, size, background), quality, app1);
    checkSize(size);
    const StretchedRows stretched(original->image(), size);
    const RowMaker rows = [&stretched](int first, int count, unsigned char* const* out) {
        for (int i = 0; i < count; ++i)
            stretched.row(first + i, reinterpret_cast<quint32*>(out[i]));
    };
    return EncodeRowsJPEG(size, rows, quality, app1);
}

QSize ScaledSize(QSize original, int percentX, int percentY) {
    const auto scaled = [](int length, int percent) {
        return int(std::max<qint64>(1, qint64(length) * percent / 100));
    };
    return {scaled(original.width(), percentX), scaled(original.height(), percentY)};
}
