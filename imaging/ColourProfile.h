#pragma once
// Pictures made for other colour spaces (Adobe RGB, Display P3, ...) turned into sRGB, the space
// every browser assumes for an untagged picture: Quillon saves its JPEGs untagged.
#include <QByteArray>
#include <QImage>
#include <QPointF>

// The image's colours converted from the space the ICC profile describes to sRGB (perceptual intent).
// The image comes back untouched when the profile is empty, already sRGB, not an RGB profile, or
// cannot be read: a picture always opens. Converted images are 32-bit RGB, or ARGB32 with alpha.
QImage ConvertToSrgb(QImage image, const QByteArray& iccProfile);

// The ICC profile carried in a JPEG file's APP2 segments, its chunks joined in sequence order; empty
// when there is none or it is incomplete. Reads only the segments before the first scan, never past
// the end of `jpeg`, whatever it holds.
QByteArray JpegIccProfile(const QByteArray& jpeg);

// An ICC profile for RGB with these primaries (CIE xy), a D65 white point and the sRGB tone curve,
// as HEIF pictures describe their colours without a profile of their own.
QByteArray RgbProfileFromPrimaries(QPointF red, QPointF green, QPointF blue);
