#pragma once
// The benchmarks' photograph: smooth colour gradients with fine noise, about 2.4 bits a pixel at
// quality 90, as a photo compresses.
#include <QImage>
#include <algorithm>
#include <cmath>
#include <random>

inline QImage photoLike(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    std::minstd_rand noise(42);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double fy = double(y) / height;
        for (int x = 0; x < width; ++x) {
            const double fx = double(x) / width;
            const int n = int(noise() % 25) - 12;
            const int b = int(128 + 90 * std::sin(6.3 * (fx + fy)) + 30 * std::cos(40 * fx * fy)) + n;
            line[x] = qRgb(std::clamp(int(255 * fx) + n, 0, 255), std::clamp(int(255 * fy) + n, 0, 255),
                           std::clamp(b, 0, 255));
        }
    }
    return image;
}
