#pragma once
// Helpers shared by the encoding tests: reading 24-bit pixel buffers back, and looking inside JPEGs.
#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QStringList>
#include <cstdint>
#include <turbojpeg.h>

namespace enc {

inline std::int32_t strideOf(std::int32_t width) {
    return (width * 3 + 3) & ~3;
}

// A 24-bit blue, green, red buffer as an image; `bottomUp` when the first row in memory is the bottom one.
inline QImage imageFromBgr(const std::uint8_t* bits, int width, int height, int stride,
                           bool bottomUp = true) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = bits + std::int64_t(bottomUp ? height - 1 - y : y) * stride;
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
    }
    return image;
}

// A 24-bit buffer laid out from an image, each row's padding filled with `pad`.
inline QByteArray bgrFromImage(const QImage& image, int padBytes, bool bottomUp, char pad = '\xAB') {
    const int stride = image.width() * 3 + padBytes;
    QByteArray bytes(stride * image.height(), pad);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<std::uint8_t*>(bytes.data()) +
                    std::int64_t(bottomUp ? image.height() - 1 - y : y) * stride;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            row[3 * x] = std::uint8_t(qBlue(p));
            row[3 * x + 1] = std::uint8_t(qGreen(p));
            row[3 * x + 2] = std::uint8_t(qRed(p));
        }
    }
    return bytes;
}

// The payloads of all segments with this marker (0xDB quantisation tables, 0xC0 frame header).
inline QByteArray segments(const QByteArray& jpeg, std::uint8_t marker) {
    QByteArray found;
    int at = 2; // after SOI
    while (at + 4 <= jpeg.size() && std::uint8_t(jpeg[at]) == 0xFF) {
        const std::uint8_t kind = std::uint8_t(jpeg[at + 1]);
        const int length = (std::uint8_t(jpeg[at + 2]) << 8) | std::uint8_t(jpeg[at + 3]);
        if (kind == marker) found += jpeg.mid(at + 4, length - 2);
        if (kind == 0xDA) break; // the scan: no more headers
        at += 2 + length;
    }
    return found;
}

// What TurboJPEG itself makes of a 24-bit buffer at this quality, 4:2:0, with the accurate integer DCT
// (libjpeg's and cjpeg's default; TurboJPEG's own default is the fast one).
inline QByteArray turboJpeg(const std::uint8_t* bits, int width, int height, int pitch, int flags,
                            int quality) {
    flags |= TJFLAG_ACCURATEDCT;
    tjhandle tj = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    QByteArray jpeg;
    if (tjCompress2(tj, bits, width, pitch, height, TJPF_BGR, &out, &size, TJSAMP_420, quality, flags) == 0)
        jpeg = QByteArray(reinterpret_cast<const char*>(out), qsizetype(size));
    tjFree(out);
    tjDestroy(tj);
    return jpeg;
}

inline QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace enc
