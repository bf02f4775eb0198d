#pragma once
// Pictures and picture files made in code for the tests, hostile ones included.
#include <QImage>

namespace factory {

// Compresses like a photo.
QImage gradient(int width, int height, quint32 seed = 1);
QImage checkerboard(int width, int height, int cell, QRgb a = qRgb(0, 0, 0), QRgb b = qRgb(255, 255, 255));
// A distinct colour for every pixel, so that position errors show.
QImage coordinates(int width, int height);
// Grey 127.5 + 127.5 cos(k r²), r from the centre.
QImage zonePlate(int size, double k);
// Opaque red disc on a fully transparent background.
QImage withTransparency(int width, int height);
// Qt's formats, "GIF", "CMYK" (an Adobe JPEG) or "HEIC" (turned by `orientation`).
QByteArray encode(const QImage& image, const char* format, int quality = 92, int orientation = 1);
// Inserted right after a JPEG's SOI; the profile's pieces last first.
QByteArray withExifOrientation(const QByteArray& jpeg, int orientation);
QByteArray withIccProfile(const QByteArray& jpeg, const QByteArray& icc, int chunks = 1);
// A small "JPEG", "PNG", "WEBP" or "HEIC" carrying the block `exif`.
QByteArray withExif(const char* format, const QByteArray& exif);
// A valid header claiming the size, with far fewer pixels behind it.
QByteArray claiming(const char* format, int width, int height);
// A 3 × 2 bitmap all of `pixel`, with red, green, blue, alpha masks (none: 5-5-5).
QByteArray bitfieldBmp(int bitsPerPixel, const QList<quint32>& masks, quint32 pixel);
QByteArray randomBytes(int count, quint32 seed = 7);
void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
// In dB; 0 when the sizes differ.
double psnr(const QImage& a, const QImage& b);

} // namespace factory
