#pragma once
// Pictures and picture files made in code for the tests, hostile ones included.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

namespace factory {

// Smooth colour gradients with a little fine noise (photo-like, compresses like a photo).
QImage gradient(int width, int height, quint32 seed = 1);
// Squares of `cell` pixels in two colours.
QImage checkerboard(int width, int height, int cell, QRgb a = qRgb(0, 0, 0), QRgb b = qRgb(255, 255, 255));
// A distinct colour for every pixel: column in red/green, row in blue/green. Makes position errors visible.
QImage coordinates(int width, int height);
// A grey zone plate: 127.5 + 127.5 cos(k r²), r measured in pixels from the centre, each pixel sampled at
// its centre. Its local frequency, k r / π cycles a pixel, grows outwards: detail too fine for a smaller
// grid shows as rings where there should be flat grey.
QImage zonePlate(int size, double k);
// Opaque red disc on a fully transparent background.
QImage withTransparency(int width, int height);

// Encodes an image as a file format in memory ("JPEG", "GIF", "BMP", "PNG", "WEBP", "TIFF", "HEIC").
// WebP at quality 100 is lossless.
QByteArray encode(const QImage& image, const char* format, int quality = 92);
// A HEIC whose header says it is to be shown turned by `orientation` (1 to 8, as in EXIF).
QByteArray heicWithOrientation(const QImage& image, int orientation);
// Inserts an EXIF APP1 segment carrying `orientation` (1 to 8) right after a JPEG's SOI marker.
QByteArray withExifOrientation(const QByteArray& jpeg, int orientation);
// Inserts an ICC profile as APP2 segments right after a JPEG's SOI marker, cut into `chunks` pieces
// written last piece first (readers must follow the sequence numbers).
QByteArray withIccProfile(const QByteArray& jpeg, const QByteArray& icc, int chunks = 1);
// A GIF or BMP whose header claims the given size but holds almost no pixel data.
QByteArray gifClaiming(int width, int height);
QByteArray bmpClaiming(int width, int height);
// A bitmap of `width` × 2 pixels all of `pixel`, 16 or 32 bits a pixel, its channels laid out by the
// red, green, blue and alpha masks; no masks: a plain 16-bit bitmap (5 bits a channel).
QByteArray bitfieldBmp(int bitsPerPixel, const QList<quint32>& masks, quint32 pixel, int width = 3);
// The same for PNG, WebP, TIFF and HEIC: a valid header claiming the size, the pixel data of a
// far smaller picture or none.
QByteArray pngClaiming(int width, int height);
QByteArray webpClaiming(int width, int height);
QByteArray tiffClaiming(int width, int height);
QByteArray heicClaiming(int width, int height);
QByteArray randomBytes(int count, quint32 seed = 7);

void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// Peak signal-to-noise ratio of b against a, in dB (equal sizes; infinity when equal).
double psnr(const QImage& a, const QImage& b);

} // namespace factory
