#include "imaging/BitmapFile.h"

#include "imaging/LargeMemory.h"
#include "imaging/Picture.h"

#include <QtEndian>
#include <array>
#include <bit>
#include <cstdlib>
#include <optional>

// A Windows bitmap file at 24 bits a pixel: a 54-byte header, then the rows, each padded to a
// multiple of 4 bytes.
qint64 BitmapFileLength(QSize size) {
    const qint64 stride = (qint64(size.width()) * 3 + 3) & ~qint64{3};
    return 54 + stride * size.height();
}

namespace {

enum Compression : quint32 { Uncompressed = 0, BitFields = 3, AlphaBitFields = 6 };

struct Layout {
    qint64 pixelsAt = 0;
    qint64 width = 0;
    qint64 height = 0; // negative: rows stored top-down
    int bitsPerPixel = 0;
    quint32 compression = Uncompressed;
    std::array<quint32, 4> masks{}; // red, green, blue, alpha

    qint64 stride() const { return (width * bitsPerPixel + 31) / 32 * 4; }
    // Run-length and embedded JPEG or PNG data are not rows of pixels; Qt's reader takes those.
    bool plainRows() const {
        return compression == Uncompressed || compression == BitFields || compression == AlphaBitFields;
    }
    qint64 rows() const { return std::abs(height); }
};

quint32 at32(const QByteArray& file, qint64 offset) {
    return offset + 4 <= file.size() ? qFromLittleEndian<quint32>(file.constData() + offset) : 0;
}
quint16 at16(const QByteArray& file, qint64 offset) {
    return offset + 2 <= file.size() ? qFromLittleEndian<quint16>(file.constData() + offset) : 0;
}

// The Windows header forms (40 bytes and its longer versions); the older and OS/2 forms are Qt's.
std::optional<Layout> layoutOf(const QByteArray& file) {
    if (file.size() < 54 || !file.startsWith("BM")) return {};
    const quint32 headerSize = at32(file, 14);
    if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124)
        return {};
    Layout layout;
    layout.pixelsAt = at32(file, 10);
    layout.width = qint32(at32(file, 18));
    layout.height = qint32(at32(file, 22));
    layout.bitsPerPixel = at16(file, 28);
    layout.compression = at32(file, 30);
    const qint64 masksAt = 54; // inside the longer headers, or just after the 40-byte one
    if (layout.compression == BitFields || layout.compression == AlphaBitFields) {
        for (int i = 0; i < 3; ++i)
            layout.masks[i] = at32(file, masksAt + 4 * i);
        if (layout.compression == AlphaBitFields || headerSize >= 56)
            layout.masks[3] = at32(file, masksAt + 12);
    } else if (layout.bitsPerPixel == 16) {
        layout.masks = {0x7C00, 0x03E0, 0x001F, 0}; // 5 bits a channel
    }
    if (layout.width <= 0 || layout.height == 0 || layout.pixelsAt < 14 + headerSize) return {};
    return layout;
}

struct Channel {
    quint32 mask;
    int shift;
    quint32 maximum;
    quint8 from(quint32 pixel) const {
        return maximum ? quint8((((pixel & mask) >> shift) * 255 + maximum / 2) / maximum) : 255;
    }
};

std::optional<Channel> channelOf(quint32 mask) {
    if (mask == 0) return Channel{0, 0, 0};
    const int shift = std::countr_zero(mask);
    const quint32 maximum = mask >> shift;
    if ((maximum & (maximum + 1)) != 0) return {}; // not one run of bits
    return Channel{mask, shift, maximum};
}

} // namespace

bool BitmapIsShort(const QByteArray& file) {
    const auto layout = layoutOf(file);
    if (!layout || !layout->plainRows()) return false;
    return file.size() < layout->pixelsAt + layout->stride() * layout->rows();
}

QImage DecodeBitfieldBitmap(const QByteArray& file) {
    const auto layout = layoutOf(file);
    if (!layout || !layout->plainRows() || (layout->bitsPerPixel != 16 && layout->bitsPerPixel != 32) ||
        layout->masks == std::array<quint32, 4>{} || BitmapIsShort(file))
        return {};
    std::array<Channel, 4> channels;
    bool allEightBits = true;
    for (int i = 0; i < 4; ++i) {
        const auto channel = channelOf(layout->masks[size_t(i)]);
        if (!channel) return {};
        channels[size_t(i)] = *channel;
        allEightBits = allEightBits && (channel->maximum == 255 || (i == 3 && channel->maximum == 0));
    }
    if (allEightBits) return {}; // Qt reads these right
    const bool hasAlpha = channels[3].maximum != 0;
    QImage image = AllocateImage(QSize(int(layout->width), int(layout->rows())),
                                 hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) return {};
    const int bytesPerPixel = layout->bitsPerPixel / 8;
    bool anyAlpha = false;
    for (qint64 y = 0; y < layout->rows(); ++y) {
        const qint64 storedRow = layout->height > 0 ? layout->rows() - 1 - y : y;
        const char* in = file.constData() + layout->pixelsAt + storedRow * layout->stride();
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        for (qint64 x = 0; x < layout->width; ++x, in += bytesPerPixel) {
            const quint32 pixel =
                bytesPerPixel == 2 ? qFromLittleEndian<quint16>(in) : qFromLittleEndian<quint32>(in);
            const quint8 alpha = hasAlpha ? channels[3].from(pixel) : 255;
            anyAlpha = anyAlpha || alpha != 0;
            out[x] = qRgba(channels[0].from(pixel), channels[1].from(pixel), channels[2].from(pixel), alpha);
        }
    }
    // Writers that leave the alpha bits at zero mean an opaque picture, not an invisible one.
    if (hasAlpha && !anyAlpha) image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}
