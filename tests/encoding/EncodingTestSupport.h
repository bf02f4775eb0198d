#pragma once
// Reading a 24-bit pixel buffer back, for the graphics layer's and the bitmap wrapper's tests.
#include <QImage>
#include <cstdint>

namespace enc {

inline const std::uint8_t* bytesAt(std::uintptr_t address) {
    return reinterpret_cast<const std::uint8_t*>(address);
}

// Rows of blue, green, red pixels as an image; `bottomUp` when the first row in memory is the bottom one.
inline QImage imageFromBgr(std::uintptr_t address, int width, int height, int stride, bool bottomUp = true) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = bytesAt(address) + std::int64_t(bottomUp ? height - 1 - y : y) * stride;
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
    }
    return image;
}

// Whether every byte after each row's pixels is still zero.
inline bool paddingIsZero(std::uintptr_t address, int width, int height, int stride) {
    for (std::int64_t row = 0; row < height; ++row)
        for (int b = width * 3; b < stride; ++b)
            if (bytesAt(address)[row * stride + b] != 0) return false;
    return true;
}

} // namespace enc
